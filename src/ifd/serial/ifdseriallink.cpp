#include "ifd/serial/ifdseriallink.h"

#include "ifd/serial/apdcomportex.h"
#include "ifd/serial/availableports.h"
#include "ifd/serial/commandwriter.h"
#include "ifd/serial/datatriggerrep.h"
#include "ifd/serial/iifdserialhost.h"
#include "ifd/serial/lostconnection.h"
#include "ifd/serial/qrlinfo.h"
#include "ifd/serial/serialcommandset.h"
#include "ifd/serial/serialmessage.h"
#include "platform/iclock.h"
#include "platform/iprompts.h"
#include "platform/messagebus.h"
#include "platform/services.h"
#include "rigconfig/registry.h"
#include "rigconfig/settingsnames.h"

TIFDSerialLink::TIFDSerialLink(IIFDSerialHost& host, QObject* parent) : QObject(parent), FHost(host) {
  for (TPortSlot slot : {TPortSlot::First, TPortSlot::Second}) {
    QTimer& timer = FIdentifyTimers[Index(slot)];
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, this, [this, slot] { IdentificationOverdue(slot); });
  }
}

TIFDSerialLink::~TIFDSerialLink() {
  TAvailablePorts::UnregisterHandlers(this);
  for (TApdComPortEx* port : {FComPort, FComPortAux}) {
    if (!port) continue;
    port->SetOnDataAvail(nullptr);
    port->SetOnTriggerAvail(nullptr);
    port->SetOnPortLost(nullptr);
  }
}

TApdComPortEx* TIFDSerialLink::PortNamed(const QString& name) const {
  for (TApdComPortEx* port : {FComPort, FComPortAux})
    if (port && port->Name() == name) return port;
  return nullptr;
}

void TIFDSerialLink::TakeLaunchParameters(const TQrlInfo& info) {
  FpreAssignedPortValCOMm = info.getAppParamVal_COMm();
  FpreAssignedPortValCOMs = info.getAppParamsVal_COMs();
}

void TIFDSerialLink::ReadLastPorts() {
  TRegistry reg;
  bool autoCom = settings::reg::AutoComDefault;
  FlastPortValCOMm = FlastPortValCOMs = settings::reg::LastComNone;
  if (reg.OpenKey(FHost.RigValues().RegistryKey, false)) {
    autoCom = reg.ReadBoolDef(settings::reg::AutoCom, settings::reg::AutoComDefault);
    if (autoCom) {
      FlastPortValCOMm = reg.ReadIntegerDef(settings::reg::LastComMaster, settings::reg::LastComNone);
      FlastPortValCOMs = reg.ReadIntegerDef(settings::reg::LastComSlave, settings::reg::LastComNone);
    }
    reg.CloseKey();
  }
  FtryAutoComConnect = autoCom;
}

void TIFDSerialLink::WriteLastPorts() {
  // Only ports this program held are its to remember: a program that never got its port (another
  // Quorlex holds it) leaves that one's choice alone.
  if (!FHeldPort) return;
  FHeldPort = false;
  TRegistry reg;
  if (!reg.OpenKey(FHost.RigValues().RegistryKey, true)) return;
  reg.WriteInteger(settings::reg::LastComMaster, vcomPortMaster());
  reg.WriteInteger(settings::reg::LastComSlave, vcomPortSlave());
  reg.CloseKey();
}

TIFDSerialLink::TReplyHandlers TIFDSerialLink::ReplyHandlers(TPortSlot slot) {
  TReplyCollector& replies = Collector(slot);
  replies.SetVexaMode(FHost.RigValues().VexaMode);
  return {[&replies](TApdComPortEx& p, const QByteArray& bytes) { replies.BytesReceived(p, bytes); },
          [&replies](TApdComPortEx& p, std::uint16_t handle) { replies.TriggerMatched(p, handle); }};
}

void TIFDSerialLink::InstallReplyHandlers(TPortSlot slot) {
  TApdComPortEx* port = Slot(slot);
  TDataTriggerRep& rep = TDataTriggerRep::ForPort(*port);
  rep.OnAnswerLost = [this, slot](bool) { AskInputsSingly(slot); };
  // Told from the main loop: the answer is still being cut from the port's bytes.
  rep.OnModeMismatch = [this, slot](bool, int) {
    QMetaObject::invokeMethod(this, [this, slot] { ReportModeMismatch(slot); }, Qt::QueuedConnection);
  };
  auto [bytes, triggers] = ReplyHandlers(slot);
  port->SetOnDataAvail(std::move(bytes));
  port->SetOnTriggerAvail(std::move(triggers));
  // A line that fails takes its card with it: the card must identify itself again.
  port->SetOnPortLost([this, slot](TApdComPortEx&) { LoseLine(slot); });
}

bool TIFDSerialLink::OpenVComPort(TPortSlot slot, const QString& name, int Value) {
  TApdComPortEx*& port = Slot(slot);
  const bool created = port == nullptr;
  if (created) {
    port = new TApdComPortEx(this);
    port->SetName(name);
  }
  port->Close();
  const TApdComPortEx* other = slot == TPortSlot::First ? FComPortAux : FComPort;
  const int chosen = TAvailablePorts::ChoosePortNumber(other ? other->ComNumber() : -1);
  if (chosen <= 0) {
    TServices::Prompts().MessageDlg(QString::fromLatin1(NoPortWarning), TMsgDlgType::mtWarning, TMsgDlgButtons::OK);
    return false;
  }
  port->SetComNumber(chosen);
  port->SetAutoOpen(true);
  if (created) TDataTriggerRep::ForPort(*port).regTriggers();
  port->Close();
  port->SetComNumber(0);
  port->SetPromptForPort(true);
  port->SetAutoOpen(false);
  TAvailablePorts::RegisterLogDataOutMeth([this](const QString& msg) { LogDataOut(msg); }, this);
  TAvailablePorts::RegisterLogDataInMeth([this](const QString& msg) { LogDataIn(msg); }, this);
  InstallReplyHandlers(slot);
  if (!port->Locked()) port->Close();
  port->SetLocked(true);
  // COM1 is never taken blindly: 1 and below ask the user.
  port->SetComNumber(Value >= 2 ? Value : 0);
  PortOpenedSuccessfully = OpenPortAsking(*port);
  port->SetLocked(false);
  return PortOpenedSuccessfully;
}

bool TIFDSerialLink::OpenPortAsking(TApdComPortEx& port) {
  for (;;) {
    switch (port.Open()) {
      case TApdComPortEx::TOpenResult::Opened:
        FHeldPort = true;
        return true;
      case TApdComPortEx::TOpenResult::HeldElsewhere:
        port.Close();
        port.SetComNumber(0);
        TServices::Prompts().MessageDlg(port.LastErrorMessage(), TMsgDlgType::mtWarning, TMsgDlgButtons::OK);
        return false;
      case TApdComPortEx::TOpenResult::InvalidPort:
        return port.IsOpen();
      case TApdComPortEx::TOpenResult::NoPortSelected: {
        port.Close();
        const TModalResult answer = TServices::Prompts().MessageDlg(
            QString::fromLatin1(SelectPortQuestion), TMsgDlgType::mtConfirmation, TMsgDlgButtons::YesNo);
        port.Close();
        if (answer == TModalResult::mrYes) continue;
        port.SetComNumber(0);
        return false;
      }
      case TApdComPortEx::TOpenResult::Failed:
        port.Close();
        port.SetComNumber(0);
        TServices::Prompts().MessageDlg(QLatin1String(TApdComPortEx::OpenErrorClass) +
                                            QStringLiteral(" error raised, with message : ") + port.LastErrorMessage(),
                                        TMsgDlgType::mtError, TMsgDlgButtons::OK);
        return false;
    }
  }
}

void TIFDSerialLink::ConnectCard(TPortSlot slot) {
  const bool first = slot == TPortSlot::First;
  const QString name = first ? TApdComPortEx::FirstPortMarker : TApdComPortEx::SecondPortMarker;
  int& preAssigned = first ? FpreAssignedPortValCOMm : FpreAssignedPortValCOMs;
  const int remembered = first ? FlastPortValCOMm : FlastPortValCOMs;
  PortOpenedSuccessfully = false;
  FLineLost[Index(slot)] = false;  // the user acts on the loss
  const int n = FtryAutoComConnect ? remembered : preAssigned;
  if (n > 0) OpenVComPort(slot, name, n);
  if (!PortOpenedSuccessfully) {
    if (FHost.UserClickedForComms()) {
      OpenVComPort(slot, name, -1);
      if (!PortOpenedSuccessfully) {
        if (first) FHost.SwitchToLegacyDriverForced();
        else ReleaseSecondPort();
      }
    } else {
      FHost.SwitchToLegacyDriverForced();
    }
  }
  preAssigned = -1;
  TApdComPortEx* port = Slot(slot);
  if (port && port->IsOpen()) {
    if (first) FHost.VComOneIsSet(port->ComPortNumberStr());
    else FHost.VComTwoIsSet(port->ComPortNumberStr());
    Identify(slot);
  }
}

void TIFDSerialLink::Identify(TPortSlot slot) {
  TApdComPortEx* port = Slot(slot);
  if (!port || !port->IsOpen()) return;
  TCommandWriter::SendRequest(port, TSerialCommandSet::Identify());
  FIdentifyTimers[Index(slot)].start(IdentifyTimeoutMs);
}

QString TIFDSerialLink::IdentifyFailureText(int comNumber) {
  return QStringLiteral("No interface card answered on COM%1.\rThe card did not identify itself: no answer to "
                        "\"ARM\" within %2 s.\rPlease, check that the card is switched on and connected to this port, "
                        "then connect again.")
      .arg(comNumber)
      .arg(IdentifyTimeoutMs / 1000.0);
}

void TIFDSerialLink::IdentificationOverdue(TPortSlot slot) {
  TApdComPortEx* port = Slot(slot);
  // Identified meanwhile (the port carries its role), or gone: nothing is overdue.
  if (!port || !port->IsOpen() || port->Role() != TApdComPortRole::na) return;
  PublishStatus(slot, QStringLiteral("COM%1: no ARM reply").arg(port->ComNumber()));
  TServices::Prompts().MessageDlg(IdentifyFailureText(port->ComNumber()), TMsgDlgType::mtWarning,
                                  TMsgDlgButtons::OK);
}

void TIFDSerialLink::PublishStatus(TPortSlot slot, const QString& text) {
  if (slot == TPortSlot::First) {
    FHost.setVComStatusMsg(text);
    TServices::Bus().PostMessage(QStringLiteral("WM_REFRESH_VCOM_STATUS"));
  } else {
    FHost.setVComAuxStatusMsg(text);
    TServices::Bus().PostMessage(QStringLiteral("WM_REFRESH_VCOMAUX_STATUS"));
  }
}

void TIFDSerialLink::LoseLine(TPortSlot slot) {
  TApdComPortEx* port = Slot(slot);
  if (!port) return;
  const bool wasMaster = port->Name() == TApdComPortEx::MasterMarker;
  const bool wasSlave = port->Name() == TApdComPortEx::SlaveMarker;
  FLineLost[Index(slot)] = true;
  FSingleInputsDue[Index(slot)] = 0;
  FAskedForInputs[Index(slot)] = false;
  FLosses[Index(slot)] = {};
  FLastReopen[Index(slot)] = TServices::Clock().TickCountMs();
  FIdentifyTimers[Index(slot)].stop();
  // No requests go to the card until it has identified itself again.
  if (wasMaster) {
    FMainCardActive = false;
    FvComMasterIFDided = false;
  } else if (wasSlave) {
    FAuxCardActive = false;
    FvComSlaveIFDided = false;
  }
  CardLost(port->Name());
}

void TIFDSerialLink::TryToReopen(TPortSlot slot) {
  TApdComPortEx* port = Slot(slot);
  if (!FLineLost[Index(slot)] || !port || port->IsOpen() || port->ComNumber() < 1) return;
  const std::int64_t now = TServices::Clock().TickCountMs();
  if (now - FLastReopen[Index(slot)] < ReopenIntervalMs) return;
  FLastReopen[Index(slot)] = now;
  // Opened by its number: no port list is put in front of the user here.
  if (port->Open() != TApdComPortEx::TOpenResult::Opened) return;
  FHeldPort = true;
  FLineLost[Index(slot)] = false;
  if (slot == TPortSlot::First) FHost.VComOneIsSet(port->ComPortNumberStr());
  else FHost.VComTwoIsSet(port->ComPortNumberStr());
  Identify(slot);
}

void TIFDSerialLink::ConnectFirstCard() {
  ConnectCard(TPortSlot::First);
  // Without the master the session has gone back to the driver path: a slave connected now would
  // switch the serial path on beside it.
  if (FHost.RigValues().UsingEXP && vComPortOpen()) ActivateIFDVComAux();
}

void TIFDSerialLink::ActivateIFDVComAux() { ConnectCard(TPortSlot::Second); }

void TIFDSerialLink::ReleasePort(TPortSlot slot) {
  TApdComPortEx*& port = Slot(slot);
  if (!port) return;
  TApdComPortEx* released = port;
  FIdentifyTimers[Index(slot)].stop();
  FLineLost[Index(slot)] = false;
  released->Close();
  CardLost(released->Name());
  if (TDataTriggerRep* rep = TDataTriggerRep::Find(released)) rep->unregTriggers();
  released->RemoveAllTriggers();
  released->SetOnDataAvail(nullptr);
  released->SetOnTriggerAvail(nullptr);
  released->SetOnPortLost(nullptr);
  port = nullptr;
  // May be running inside one of the port's own callbacks: free it once that has returned.
  released->deleteLater();
}

bool TIFDSerialLink::IdentifyRole(TApdComPortRole role, const QString& text, const QString& cardMarker,
                                  const TSerialRigValues& rig) {
  const bool master = role == TApdComPortRole::ms;
  // The first card to claim a role keeps it.
  if (PortNamed(master ? TApdComPortEx::MasterMarker : TApdComPortEx::SlaveMarker)) return false;
  TApdComPortEx* port = PortNamed(cardMarker);
  if (!port) return false;  // its port has gone since the reply arrived
  if (port->Name() != TApdComPortEx::MasterMarker && port->Name() != TApdComPortEx::SlaveMarker) {
    if (master) port->AssignMasterRole();
    else port->AssignSlaveRole();
  }
  FIdentifyTimers[Index(port == FComPort ? TPortSlot::First : TPortSlot::Second)].stop();
  if (master) {
    FvComMasterIFDided = true;
    FHost.VComMasterIFDidentified();
    FMainCardActive = true;
    fIFDimMaster = rig.MasterMode;
  } else {
    FvComSlaveIFDided = true;
    FHost.VComSlaveIFDidentified();
    FAuxCardActive = true;
    fIFDimSlave = rig.SlaveMode;
  }
  FHost.ShowCardFirmware(role, text);
  return true;
}

void TIFDSerialLink::CardIdentified(const QString& text, const QString& cardMarker) {
  const qsizetype len = text.size();
  const QChar roleChar = len >= 2 ? text[len - 2] : QChar();
  const int d = roleChar.isDigit() ? roleChar.digitValue() : -1;
  const QString model = len >= 7 ? text.mid(len - 7, 4) : QString();
  TApdComPortRole role;
  if (d == 0) role = TApdComPortRole::ms;
  else if (d == 1) role = TApdComPortRole::sl;
  else return;
  const TSerialRigValues rig = FHost.RigValues();
  if (!IdentifyRole(role, text, cardMarker, rig)) return;

  if (role == TApdComPortRole::ms && model == QLatin1String(VexaModelField)) {
    FisVexa = true;
    FHost.EnableVexamode();
    if (!rig.VexaMode)
      TServices::Prompts().MessageDlg(QString::fromLatin1(VexaMismatchWarning), TMsgDlgType::mtWarning, TMsgDlgButtons::OK);
  }
  if (role == TApdComPortRole::sl) {
    if (auto command = TSerialCommandSet::ModeCommand(fIFDimSlave))
      TCommandWriter::SendCommand(PortNamed(TApdComPortEx::SlaveMarker), *command);
  } else if (!FisVexa) {
    if (auto command = TSerialCommandSet::ModeCommand(fIFDimMaster))
      TCommandWriter::SendCommand(PortNamed(TApdComPortEx::MasterMarker), *command);
  }
  // A Vexa takes no mode command: its master is active at once.
  if (FisVexa) FHost.ActivateCard(TApdComPortRole::ms);
  if (rig.ImmediateActivationTitles.contains(rig.Title)) FHost.ActivateCard(role);
}

void TIFDSerialLink::CardLost(const QString& cardMarker) {
  const bool master = cardMarker == TApdComPortEx::MasterMarker;
  if (!master && cardMarker != TApdComPortEx::SlaveMarker) return;
  if (TApdComPortEx* port = PortNamed(cardMarker)) {
    if (master) port->ReleaseMasterRole();
    else port->ReleaseSlaveRole();
  }
  const TApdComPortRole role = master ? TApdComPortRole::ms : TApdComPortRole::sl;
  FHost.ClearCardFirmware(role);
  if (master) FHost.VComLostMaster();
  else FHost.VComLostSlave();
}

void TIFDSerialLink::SetVComLoggingMode() {
  if (!FComPort) return;
  auto [bytes, triggers] = ReplyHandlers(TPortSlot::First);
  TAvailablePorts::SetDispatcherToLog(*FComPort, std::move(triggers), std::move(bytes));
}

void TIFDSerialLink::TryToRestoreLogManually() {
  if (!FComPort) return;
  TCommandWriter::SetTransmitGateOpen(false);
  TDataTriggerRep::ForPort(*FComPort).unregTriggers();
  FComPort->Close();
  FComPort->SetPromptForPort(true);
  FComPort->SetComNumber(0);
  const bool opened = OpenPortAsking(*FComPort);
  if (opened) FLineLost[Index(TPortSlot::First)] = false;
  SetVComLoggingMode();
  // A card lost with its line has given up its role: let it identify itself again.
  if (opened && FComPort->Role() == TApdComPortRole::na) Identify(TPortSlot::First);
}

void TIFDSerialLink::readCaptureRig() {
  if (!FisVexa) return;
  TCommandWriter::SendRequest(FComPort, TSerialCommandSet::ReadLowerDigitalInputs());
  TCommandWriter::SendRequest(FComPort, TSerialCommandSet::ReadUpperDigitalInputs());
}

void TIFDSerialLink::listAvailableComPorts() { FHost.AddDebugMessages(TAvailablePorts::ListAvailablePorts()); }

void TIFDSerialLink::ApplyCardMode(TApdComPortRole role) {
  const bool master = role == TApdComPortRole::ms;
  if (!master && role != TApdComPortRole::sl) return;
  const TIFDInputMode mode = master ? fIFDimMaster : fIFDimSlave;
  if (TApdComPortEx* port = PortNamed(master ? TApdComPortEx::MasterMarker : TApdComPortEx::SlaveMarker)) {
    port->SetMode(mode);
    TDataTriggerRep::ForPort(*port).SetCollectorSize(mode);
    const int slot = port == FComPort ? 0 : 1;
    FSingleInputsDue[slot] = 0;
    FMismatchReported[slot] = false;
    FAskedForInputs[slot] = false;
    FLosses[slot] = {};
  }
  if (master) FMainCardActive = true;
  else FAuxCardActive = true;
}

bool TIFDSerialLink::InputsPending(TApdComPortEx* port) const {
  if (!port) return false;
  const TDataTriggerRep* rep = TDataTriggerRep::Find(port);
  const std::int64_t requested = FInputsRequested[port == FComPort ? 0 : 1];
  return rep && rep->AnswerPending(port == FComPortAux) &&
         TServices::Clock().TickCountMs() - requested < AnswerTimeoutMs;
}

void TIFDSerialLink::RequestInputs(TApdComPortEx* port) {
  if (!port || !port->IsOpen() || !TCommandWriter::TransmitGateOpen()) return;
  const bool first = port == FComPort;
  FInputsRequested[first ? 0 : 1] = TServices::Clock().TickCountMs();
  FAskedForInputs[first ? 0 : 1] = true;
  // The digital-input requests that follow it in this tick (SendSampleRequests): their replies
  // show that the answer before them is complete.
  const int followers = first ? (FisVexa ? 2 : 1) : (FisVexa ? 0 : 1);
  TDataTriggerRep::ForPort(*port).RequestAnswer(!first, followers);
  TCommandWriter::SendRequest(port, TSerialCommandSet::ReadAllInputs());
}

void TIFDSerialLink::AskInputsSingly(TPortSlot slot) {
  TApdComPortEx* port = Slot(slot);
  if (!port || !port->IsOpen()) return;
  const int inputs = port->Mode() == TIFDInputMode::SE ? 16 : port->Mode() == TIFDInputMode::DIFF ? 8 : 0;
  for (int k = 0; k < inputs; ++k) {
    if (!FHost.InputInUse(slot == TPortSlot::Second, k)) continue;
    FSingleInputsDue[Index(slot)] |= 1u << k;
    TCommandWriter::SendRequest(port, TSerialCommandSet::Instance().InputRequest(k));
  }
}

bool TIFDSerialLink::SingleInputRequested(TPortSlot slot, int input) {
  if (input < 0 || input > 15) return false;
  std::uint32_t& due = FSingleInputsDue[Index(slot)];
  const bool requested = due & (1u << input);
  due &= ~(1u << input);
  return requested;
}

QString TIFDSerialLink::ModeMismatchText(int comNumber, TIFDInputMode rigMode) {
  const bool rigSingle = rigMode == TIFDInputMode::SE;
  return QStringLiteral("The card on COM%1 answers in %2 mode (%3 inputs) but the rig is configured for %4 "
                        "inputs (%5).\rIts answers are not recorded; the inputs in use are read one by one.\r"
                        "Please, set the card and the rig's configuration to the same input mode.")
      .arg(comNumber)
      .arg(rigSingle ? QStringLiteral("differential") : QStringLiteral("single-ended"))
      .arg(rigSingle ? 8 : 16)
      .arg(rigSingle ? QStringLiteral("single-ended") : QStringLiteral("differential"))
      .arg(rigSingle ? 16 : 8);
}

void TIFDSerialLink::ReportModeMismatch(TPortSlot slot) {
  TApdComPortEx* port = Slot(slot);
  if (!port || FMismatchReported[Index(slot)]) return;
  FMismatchReported[Index(slot)] = true;
  TServices::Prompts().MessageDlg(ModeMismatchText(port->ComNumber(), port->Mode()), TMsgDlgType::mtWarning,
                                  TMsgDlgButtons::OK);
}

void TIFDSerialLink::NoteSampleLosses(int missingMain, int registeredMain, int missingAux, int registeredAux) {
  const std::array<TLosses, 2> now{TLosses{missingMain, registeredMain}, TLosses{missingAux, registeredAux}};
  for (int slot = 0; slot < 2; ++slot) {
    // Samples count once the card has been asked for its inputs.
    if (!FAskedForInputs[static_cast<size_t>(slot)]) continue;
    int& at = FLossAt[static_cast<size_t>(slot)];
    FLosses[static_cast<size_t>(slot)][static_cast<size_t>(at)] = now[static_cast<size_t>(slot)];
    at = (at + 1) % LossWindow;
  }
}

int TIFDSerialLink::LossPercent(TPortSlot slot) const {
  int missing = 0, registered = 0;
  for (const TLosses& l : FLosses[Index(slot)]) {
    missing += l.Missing;
    registered += l.Registered;
  }
  return registered == 0 ? 0 : (missing * 100 + registered / 2) / registered;
}

QString TIFDSerialLink::DegradedStatus(const QString& status, int lossPercent, int errors) {
  return status + QStringLiteral(" degraded: %1% of readings lost, %2 communication errors").arg(lossPercent).arg(errors);
}

void TIFDSerialLink::SendSampleRequests() {
  TryToReopen(TPortSlot::First);
  TryToReopen(TPortSlot::Second);
  // Ticks faster than the line: a port still receiving the last tick's answer is not asked again,
  // so no answer waits behind another and none is cut by the next request.
  const bool firstBusy = InputsPending(FComPort);
  const bool secondBusy = InputsPending(FComPortAux);
  if (FMainCardActive && !firstBusy) RequestInputs(FComPort);
  if (FAuxCardActive && !secondBusy) RequestInputs(FComPortAux);
  if (FisVexa) {
    if (firstBusy) return;
    TCommandWriter::SendRequest(FComPort, TSerialCommandSet::ReadLowerDigitalInputs());
    TCommandWriter::SendRequest(FComPort, TSerialCommandSet::ReadUpperDigitalInputs());
  } else {
    if (!firstBusy) TCommandWriter::SendRequest(FComPort, TSerialCommandSet::ReadDigitalInputs());
    if (!secondBusy) TCommandWriter::SendRequest(FComPortAux, TSerialCommandSet::ReadDigitalInputs());
  }
}

void TIFDSerialLink::PublishMasterStatus() {
  if (!FComPort) return;
  PublishStatus(TPortSlot::First, StatusOf(TPortSlot::First));
}

void TIFDSerialLink::PublishSlaveStatus() {
  if (!FComPortAux) return;
  PublishStatus(TPortSlot::Second, StatusOf(TPortSlot::Second));
}

QString TIFDSerialLink::StatusOf(TPortSlot slot) const {
  // A lost card keeps saying so: "closed" would read as a port the user shut.
  if (LineLost(slot)) return QString::fromLatin1(LostStatus);
  const TApdComPortEx* port = slot == TPortSlot::First ? FComPort : FComPortAux;
  const int loss = LossPercent(slot);
  // Connected is not enough to say all is well: readings that do not arrive are told with their rate.
  if (loss > 0) return DegradedStatus(port->StatusText(), loss, CommunicationErrors());
  return port->StatusText();
}

QString TIFDSerialLink::getParsedVComPortsValues() const {
  const QString separator{QChar(TQrlInfo::Separator)};
  return separator + QStringLiteral("COMm=") + QString::number(vcomPortMaster()) + separator +
         QStringLiteral("COMs=") + QString::number(vcomPortSlave());
}

int TIFDSerialLink::CommunicationErrors() const {
  int errors = FReplyErrors;
  for (const TApdComPortEx* port : {FComPort, FComPortAux})
    if (const TDataTriggerRep* rep = TDataTriggerRep::Find(port)) errors += rep->DiscardedAnswers();
  return errors;
}

bool TIFDSerialLink::vComPortOpen() const { return FComPort && FComPort->IsOpen(); }
bool TIFDSerialLink::vComPortOpenAux() const { return FComPortAux && FComPortAux->IsOpen(); }

int TIFDSerialLink::vcomPortMaster() const {
  const TApdComPortEx* port = PortNamed(TApdComPortEx::MasterMarker);
  return port ? port->ComNumber() : -1;
}

int TIFDSerialLink::vcomPortSlave() const {
  const TApdComPortEx* port = PortNamed(TApdComPortEx::SlaveMarker);
  return port ? port->ComNumber() : -1;
}

void TIFDSerialLink::LogDataIn(const QString& AData) {
  const TSerialMessage message = TSerialMessage::SplitCodeAndData(AData);
  if (message.Code < 0) return;
  if (message.Code == TDataTriggerRep::Code(TDataTriggerRep::ARM)) {
    CardIdentified(message.Data, message.CardMarker);
    return;
  }
  FHost.ReplyReceived(message.Role, message.CardMarker, message.Code, message.Data);
}

void TIFDSerialLink::LogDataOut(const QString& AData) {
  if (AData.startsWith(QLatin1Char(TLostConnection::WriteFailureMark))) CardLost(QLatin1String(TLostConnection::NoticeCardMarker));
}
