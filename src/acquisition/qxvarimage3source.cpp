#include "acquisition/qxvarimage3source.h"

#include <cmath>

#include "acquisition/iplantarrays.h"
#include "acquisition/picturebar.h"
#include "platform/numbers.h"
#include "rigconfig/datasource_definition.h"
#include "rigconfig/rigconfig.h"

TQXVarImage3Source::~TQXVarImage3Source() { delete Display; }

void TQXVarImage3Source::RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  PictureConstruction(DisplayParent, Source);
  output = Source.IFD_Channel() < 0;
  FChannel = output ? -Source.IFD_Channel() : Source.IFD_Channel();
  Display = CreatePicture(Source.LongLabelText(), TotalHeight, true);
}

void TQXVarImage3Source::Change(QObject* Sender) {
  Q_UNUSED(Sender);
  if (output) {
    ChVal = numbers::RoundHalfEven(SampleNumber(FChannel)) == 1;
  } else if (Rig() && Rig()->Using_IFD) {
    ChVal = DigitalInput(FChannel);
  } else if (const IPlantArrays* plant = Plant()) {
    ChVal = plant->Digitals(FChannel);
  }
  if (!Display) return;
  const QSize picture = Display->PictureSize();
  Display->SetOrigin(ChVal ? QPoint((picture.width() - Display->width()) / 2, (picture.height() - Display->height()) / 2)
                           : QPoint(0, 0));
}
