#include "acquisition/qxvarimage1source.h"

#include "acquisition/iplantarrays.h"
#include "acquisition/picturebar.h"
#include "rigconfig/datasource_definition.h"

TQXVarImage1Source::~TQXVarImage1Source() { delete Display; }

void TQXVarImage1Source::RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  PictureConstruction(DisplayParent, Source);
  FChannel = Source.IFD_Channel();
  Max = Source.Mimic_Item_Width();
  empty = Source.InitialVal() == 1;
  Display = CreatePicture(Source.LongLabelText(), TotalHeight, empty);
  if (Display) Display->SetPanel(true);
}

void TQXVarImage1Source::Change(QObject* Sender) {
  Q_UNUSED(Sender);
  if (empty) {
    const int height = HeightFor(1.0 - Raw(FChannel) / 2048.0);
    if (Display) Display->setGeometry(Display->x(), TotalTop, Display->width(), height);
    return;
  }
  const IPlantArrays* plant = Plant();
  const double fraction = plant ? plant->Analogs(FChannel) / Max : Raw(FChannel) / 2048.0;
  StandOnBottom(Display, HeightFor(fraction));
}
