#include "acquisition/qxaccumulatorcontrol.h"

#include <QLineEdit>
#include <QPushButton>

#include "ifd/qxifd.h"
#include "rigconfig/datasource_definition.h"

TQXAccumulatorControl::~TQXAccumulatorControl() { delete StartButton; }

void TQXAccumulatorControl::RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  TQXIFDAnalogueSource::RegisterParent(DisplayParent, Source);
  if (FHasPosition && DisplayParent) {
    StartButton = new QPushButton(DisplayParent);
    StartButton->setFont(SourceFont());
    StartButton->setGeometry(FDataX, FDataY, FWidth, 25);
    StartButton->setToolTip(FHint);
    StartButton->show();
    connect(StartButton, &QPushButton::clicked, this, [this] { Start(); });
  }
  SetCaption(fLong_text);
  if (Display_Box) Display_Box->hide();
  Counting = WasCounting = false;
  Ready = First = true;
}

void TQXAccumulatorControl::SetCaption(const QString& caption) {
  FCaption = caption;
  if (StartButton) StartButton->setText(caption);
}

void TQXAccumulatorControl::SetEnabled(bool on) {
  FEnabled = on;
  if (StartButton) StartButton->setEnabled(on);
}

void TQXAccumulatorControl::Start() {
  TQXIFD* ifd = IFD();
  if (Ready) {
    if (ifd) ifd->SetAnalogueValue(FillOutput, FullScale);
    SetEnabled(false);
    Ready = false;
  } else {
    if (ifd) ifd->SetAnalogueValue(FillOutput, 0);
    SetCaption(QStringLiteral("Start"));
    Ready = true;
  }
}

void TQXAccumulatorControl::DataWrite() {
  TQXIFD* ifd = IFD();
  Counting = !(ifd && ifd->DigitalInputs[0] == 1);
  if (First) {
    WasCounting = Counting;
    First = false;
  }
  if (WasCounting && !Counting) {
    SetCaption(QStringLiteral("Clear"));
    SetEnabled(true);
  } else if (!WasCounting && Counting) {
    SetCaption(QStringLiteral("Wait"));
  }
  WasCounting = Counting;
}
