#include "acquisition/qxvarimage2source.h"

#include "acquisition/iplantarrays.h"
#include "acquisition/picturebar.h"
#include "platform/numbers.h"
#include "rigconfig/datasource_definition.h"

TQXVarImage2Source::~TQXVarImage2Source() { delete Display; }

void TQXVarImage2Source::RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  PictureConstruction(DisplayParent, Source);
  FChannel1 = Source.IFD_Channel();
  FChannel2 = FChannel1 + 1;
  Display = CreatePicture(Source.LongLabelText(), TotalHeight / 2, false);
  if (Display) Display->SetStretch(true);
  StandOnBottom(Display, TotalHeight / 2);
}

void TQXVarImage2Source::Change(QObject* Sender) {
  Q_UNUSED(Sender);
  if (const IPlantArrays* plant = Plant()) {
    Ch1Val = plant->Digitals(FChannel1);
    Ch2Val = plant->Digitals(FChannel2);
  } else {
    Ch1Val = DigitalInput(FChannel1);
    Ch2Val = DigitalInput(FChannel2);
  }
  int height = TotalHeight;
  if (Ch1Val && Ch2Val)
    height = static_cast<int>(numbers::RoundHalfEven(0.1 * TotalHeight));
  else if (Ch1Val || Ch2Val)
    height = static_cast<int>(numbers::RoundHalfEven(TotalHeight / 2.0));
  StandOnBottom(Display, height);
}
