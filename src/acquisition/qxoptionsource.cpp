#include "acquisition/qxoptionsource.h"

#include "acquisition/radiogroup.h"
#include "rigconfig/datasource_definition.h"

TQXOptionSource::~TQXOptionSource() { delete RadioGroup; }

void TQXOptionSource::RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  // No label and no box: the group is the whole control.
  Source_Column = Source.Column();
  Parent = DisplayParent;
  FItems = Source.LongLabelText().split(QLatin1Char(','));
  FHint = ColumnHint(Source);
  if (!DisplayParent) return;
  RadioGroup = new TRadioGroup(Source.ShortLabelText(), FItems, Source, DisplayParent);
  RadioGroup->setFont(SourceFont());
  RadioGroup->setToolTip(FHint);
  connect(RadioGroup, &TRadioGroup::ItemClicked, this, [this](int) { Click(RadioGroup); });
  RadioGroup->show();
}

int TQXOptionSource::ItemIndex() const { return RadioGroup ? RadioGroup->ItemIndex() : 0; }

void TQXOptionSource::DataWrite() {
  const int index = ItemIndex();
  if (Source_Column != 0 && index >= 0 && index < FItems.size()) WriteText(FItems[index]);
}
