#include "acquisition/qxdigitalinputsource.h"

#include <QLabel>
#include <QLineEdit>

#include "acquisition/twostateimage.h"
#include "ifd/qxifd.h"
#include "rigconfig/datasource_definition.h"

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
  bool state = false;
  if (IFD() && FChannel >= 0 && FChannel < TIFDState::DigitalLines)
    state = IFD()->DigitalInputs[static_cast<size_t>(FChannel)] == 1;
  Input_State = Reverse ? !state : state;
  if (DisplayButton) DisplayButton->SetState(Input_State);
  if (Source_Column != 0) WriteNumber(Input_State ? 1 : 0);
}
