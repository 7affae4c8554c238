#include "acquisition/qxscadamodule.h"

#include <QLineEdit>

#include "acquisition/iplantarrays.h"
#include "acquisition/twostateimage.h"
#include "rigconfig/datasource_definition.h"
#include "workbook/model/workbook.h"

TQXSCADAModule::~TQXSCADAModule() {
  delete InputButton;
  delete OutputButton;
}

int TQXSCADAModule::TypeOfChannel(int channel) {
  if (channel >= 0 && channel <= 7) return Analogue;
  if (channel >= 8 && channel <= 9) return PercentAnalogue;
  if (channel >= 10 && channel <= 17) return DigitalInput;
  if (channel >= 18 && channel <= 25) return DigitalOutput;
  if (channel == LoopSettingsChannel) return LoopSettings;
  return Unknown;
}

void TQXSCADAModule::RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  BaseConstruction(DisplayParent, Source);
  ChannelNo = Source.IFD_Channel();
  ChannelType = TypeOfChannel(ChannelNo);
  if (ChannelType != DigitalInput && ChannelType != DigitalOutput) return;
  if (Display_Box) Display_Box->hide();
  if (!FHasPosition || !DisplayParent) return;
  QString picture = QStringLiteral("DigOut.BMP");
  if (ChannelType == DigitalInput)
    picture = Source.NoColumnHintText().isEmpty() ? QStringLiteral("DigIn.bmp") : Source.NoColumnHintText();
  auto* image = new TTwoStateImage(picture, DisplayParent);
  image->move(FDataX, FDataY);
  image->show();
  if (ChannelType == DigitalInput) {
    InputButton = image;
  } else {
    OutputButton = image;
    OutputState = Source.InitialVal() == 1;
    image->SetState(OutputState);
  }
}

void TQXSCADAModule::DataWrite() {
  IPlantArrays* plant = IPlantArrays::Current();
  if (!plant) return;  // no controller window: nothing to show or write
  // A value the controller has not answered for is recorded as an empty cell, never as its last.
  bool known = true;
  if (ChannelType == DigitalInput || ChannelType == DigitalOutput) known = plant->DigitalAvailable(ChannelNo - 10);
  else if (ChannelType == Analogue || ChannelType == PercentAnalogue) known = plant->AnalogAvailable(ChannelNo);
  if (!known) {
    if (TWorkbook* book = SampleBook(); book && Source_Column > 0) book->ClearRange(2, Source_Column, 2, Source_Column);
    return;
  }
  switch (ChannelType) {
    case Analogue:
      if (Source_Column != 0) WriteNumber(plant->Analogs(ChannelNo) / (ChannelNo == 2 ? 100.0 : 1.0));
      break;
    case PercentAnalogue:
      if (Source_Column != 0) WriteNumber(plant->Analogs(ChannelNo));
      break;
    case DigitalInput:
      InputState = plant->Digitals(ChannelNo - 10);
      if (InputButton) InputButton->SetState(InputState);
      if (Source_Column != 0) WriteNumber(InputState ? 1 : 0);
      break;
    case DigitalOutput:
      // Entries 8-15 of the controller's digital values: the outputs.
      OutputState = plant->Digitals(ChannelNo - 10);
      if (OutputButton) OutputButton->SetState(OutputState);
      if (Source_Column != 0) WriteNumber(OutputState ? 1 : 0);
      break;
    case LoopSettings: plant->WriteValues(Source_Column); break;
    default: break;
  }
}
