#include "acquisition/qxdigitalinputsource.h"

#include <QLabel>
#include <QLineEdit>

#include "acquisition/twostateimage.h"
#include "ifd/qxifd.h"
#include "rigconfig/datasource_definition.h"
#include "rigconfig/rigconfig.h"

TQXDigitalInputSource::~TQXDigitalInputSource() { delete DisplayButton; }

void TQXDigitalInputSource::RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  BaseConstruction(DisplayParent, Source);
  FChannel = Source.IFD_Channel();
  if (Display_Box) Display_Box->hide();
  if (Data_Label) Data_Label->setToolTip(QString());
  Reverse = Source.Mimic_Item_Width() == 1;
  if (!FHasPosition || !DisplayParent) return;
  const QString picture = Source.NoColumnHintText().isEmpty() ? QStringLiteral("DigIn.bmp") : Source.NoColumnHintText();
  DisplayButton = new TTwoStateImage(picture, DisplayParent);
  DisplayButton->move(FDataX, FDataY);
  DisplayButton->show();
}

void TQXDigitalInputSource::DataWrite() {
  TQXIFD* ifd = IFD();
  const bool line = ifd && FChannel >= 0 && FChannel < TIFDState::DigitalLines;
  // A state that did not arrive for this sample is recorded as nothing; the picture (and what
  // conditions see) keeps the last state read.
  FReadingMissing = line && ProgramType() != TProgramType::ClientApp && !ifd->DigitalInputAvailable(FChannel);
  if (!FReadingMissing) {
    const bool state = line && ifd->DigitalInputs[static_cast<size_t>(FChannel)] == 1;
    Input_State = Reverse ? !state : state;
    if (DisplayButton) DisplayButton->SetState(Input_State);
  }
  if (Source_Column == 0) return;
  if (FReadingMissing) ClearColumn(Source_Column);
  else WriteNumber(Input_State ? 1 : 0);
}
