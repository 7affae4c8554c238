#include "acquisition/qxoptionsource.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include "rigconfig/datasource_definition.h"

TQXOptionSource::~TQXOptionSource() { delete RadioGroup; }

void TQXOptionSource::RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  // No label and no box: the group is the whole control.
  Source_Column = Source.Column();
  Parent = DisplayParent;
  FItems = Source.LongLabelText().split(QLatin1Char(','));
  FItemIndex = 0;
  FHint = ColumnHint(Source);
  if (!DisplayParent) return;
  RadioGroup = new QGroupBox(Source.ShortLabelText(), DisplayParent);
  RadioGroup->setFont(SourceFont());
  RadioGroup->setGeometry(Source.MimicData_X_Pos(), Source.MimicData_Y_Pos(),
                          Source.MimicLabel_X_Pos() - Source.MimicData_X_Pos(),
                          Source.MimicLabel_Y_Pos() - Source.MimicData_Y_Pos());
  RadioGroup->setToolTip(FHint);
  FButtons = new QButtonGroup(RadioGroup);
  auto* layout = new QVBoxLayout(RadioGroup);
  layout->setContentsMargins(6, 2, 6, 2);
  layout->setSpacing(0);
  for (int i = 0; i < FItems.size(); ++i) {
    auto* radio = new QRadioButton(FItems[i], RadioGroup);
    FButtons->addButton(radio, i);
    layout->addWidget(radio);
  }
  if (auto* first = FButtons->button(0)) first->setChecked(true);
  connect(FButtons, &QButtonGroup::idClicked, this, [this](int id) {
    FItemIndex = id;
    Click(RadioGroup);
  });
  RadioGroup->show();
}

void TQXOptionSource::DataWrite() {
  if (Source_Column != 0 && FItemIndex >= 0 && FItemIndex < FItems.size()) WriteText(FItems[FItemIndex]);
}
