#include "acquisition/qxvarimage5source.h"

#include "acquisition/iplantarrays.h"
#include "acquisition/picturebar.h"
#include "acquisition/qxanalogueinputsource.h"
#include "acquisition/qxlist.h"
#include "rigconfig/datasource_definition.h"

TQXVarImage5Source::~TQXVarImage5Source() { delete Display; }

void TQXVarImage5Source::RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  PictureConstruction(DisplayParent, Source);
  FChannel = Source.IFD_Channel();
  Display = CreatePicture(Source.LongLabelText(), TotalHeight, false);
  if (Display) Display->SetPanel(true);
  Max = Source.Mimic_Item_Width();
  MaximumScale.reset();
  if (const TQXAnalogueInputSource* input = TQXList::Loaded().FindAI(FChannel)) MaximumScale = input->MaxProcValue();
}

void TQXVarImage5Source::Change(QObject* Sender) {
  Q_UNUSED(Sender);
  // A scale cell of 0 gives an infinite scaling, which HeightFor shows as an empty bar.
  Scaling = Source_Column != 0 && MaximumScale ? *MaximumScale / SampleNumber(Source_Column) : 1.0;
  if (const IPlantArrays* plant = Plant())
    height = HeightFor(plant->Analogs(FChannel) / Max);
  else
    height = HeightFor((Raw(FChannel) * Scaling + 2048) / 4096.0);
  StandOnBottom(Display, height);
}
