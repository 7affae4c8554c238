#include "acquisition/qxdigitaloutputsource.h"

#include <QLabel>
#include <QLineEdit>

#include "acquisition/conditionmarker.h"
#include "acquisition/twostateimage.h"
#include "ifd/qxifd.h"
#include "platform/iprompts.h"
#include "platform/services.h"
#include "rigconfig/datasource_definition.h"
#include "rigconfig/rigconfig.h"

TQXDigitalOutputSource::~TQXDigitalOutputSource() { delete DisplayButton; }

void TQXDigitalOutputSource::RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  BaseConstruction(DisplayParent, Source);
  FConditionExist = false;
  FChannel = Source.IFD_Channel();
  InitialValue = Source.InitialVal();
  InitialState = Source.InitialVal() == 1;
  Output_State = Local_State = InitialState;
  Latching = Source.Mimic_Item_Width() != 1;
  if (IFD() && FChannel >= 0 && FChannel < TIFDState::DigitalLines)
    IFD()->DigitalExitValues[static_cast<size_t>(FChannel)] = Output_State ? 1 : 0;
  if (Display_Box) Display_Box->hide();
  if (FHasPosition && DisplayParent) {
    const QString picture = Source.NoColumnHintText().isEmpty() ? QStringLiteral("DigOut.bmp") : Source.NoColumnHintText();
    DisplayButton = new TTwoStateImage(picture, DisplayParent, true);
    DisplayButton->Place(QPoint(FDataX, FDataY));
    DisplayButton->setToolTip(FHint);
    DisplayButton->SetState(Output_State);
    DisplayButton->setEnabled(Source.SourceType() != WATCHDOG_DATASRC);
    DisplayButton->setCursor(Qt::PointingHandCursor);
    DisplayButton->show();
    if (Latching) {
      connect(DisplayButton, &TTwoStateImage::Clicked, this, [this] { DOutButtonClick(nullptr); });
    } else {
      connect(DisplayButton, &TTwoStateImage::Pressed, this, &TQXDigitalOutputSource::MouseD);
      connect(DisplayButton, &TTwoStateImage::Released, this, &TQXDigitalOutputSource::MouseU);
    }
  }
  if (Rig() && Rig()->FLogicEngineActive && !fShort_text.isEmpty()) ParseConditions(fShort_text);
}

// Local_State is what the picture shows: every change of the picture goes through here, or a later
// DigitalOutSet would compare with a stale state and leave the picture wrong.
void TQXDigitalOutputSource::Show(bool state) {
  Local_State = state;
  if (DisplayButton) DisplayButton->SetState(state);
}

void TQXDigitalOutputSource::DOutButtonClick(const TConditionMarker* marker) {
  Click(DisplayButton);
  if (ProgramType() == TProgramType::ClientApp) return;
  if (dynamic_cast<const TWatchdogMarker*>(marker)) {
    Output_State = !Output_State;
  } else {
    if (BeingUsedForPID || BeingUsedForControl) return;  // a controller or a switch owns it
    if (!dynamic_cast<const TForceDOstatus*>(marker)) ApplyClick(marker);
  }
  Show(Output_State);
  if (IFD()) IFD()->SetDigitalOutputValue(FChannel, Output_State);
}

void TQXDigitalOutputSource::ApplyClick(const TConditionMarker* marker) {
  if (FConditionExist && FConditions) {
    if (dynamic_cast<const TNotMarker*>(marker))
      Output_State = !Output_State;
    else if (const auto* change = dynamic_cast<const TChangeDigitalTo*>(marker))
      Output_State = change->FValue;
    else if (!marker)
      FConditions->ApplyConditions(*this);
    return;
  }
  if (!marker) Output_State = !Output_State;
}

void TQXDigitalOutputSource::ForceOff() {
  Output_State = false;
  const TForceDOstatus force;
  DOutButtonClick(&force);
}

void TQXDigitalOutputSource::ForceOn() {
  Output_State = true;
  const TForceDOstatus force;
  DOutButtonClick(&force);
}

void TQXDigitalOutputSource::DigitalOutSet(bool OutputState) {
  if (BeingUsedForControl) return;
  Output_State = OutputState;
  if (Output_State != Local_State) Show(Output_State);
  if (ProgramType() != TProgramType::ClientApp && IFD()) IFD()->SetDigitalOutputValue(FChannel, Output_State);
}

bool TQXDigitalOutputSource::ShowWarningMsg() {
  const QString text = fUnits_text.isEmpty() ? QString::fromLatin1(WarningText) : fUnits_text;
  if (TServices::Prompts().MessageDlg(text, TMsgDlgType::mtWarning, TMsgDlgButtons::YesNo) == TModalResult::mrYes)
    Output_State = !Output_State;
  return Output_State;
}

void TQXDigitalOutputSource::MouseD() {
  if (BeingUsedForPID || BeingUsedForControl) return;
  Output_State = !Output_State;
  Show(Output_State);
  if (IFD()) IFD()->SetDigitalOutputValue(FChannel, Output_State);
}

void TQXDigitalOutputSource::MouseU() { MouseD(); }

void TQXDigitalOutputSource::DataWrite() {
  if (Source_Column != 0) WriteNumber(Output_State ? 1 : 0);
  if (ProgramType() == TProgramType::ServerApp && IFD() && FChannel >= 0 && FChannel < TIFDState::DigitalLines)
    DigitalOutSet(IFD()->DigitalOutputs[static_cast<size_t>(FChannel)] == 1);
}
