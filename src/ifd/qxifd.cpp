#include "ifd/qxifd.h"

#include <algorithm>
#include <limits>
#include <optional>

#include <QCoreApplication>
#include <QRegularExpression>

#include "ifd/ifdconfig.h"
#include "ifd/ifrequencyreader.h"
#include "ifd/iifdhost.h"
#include "ifd/legacy/legacyaccess.h"
#include "ifd/legacy/socketdriver.h"
#include "ifd/legacy/legacyburst.h"
#include "ifd/serial/apdcomportex.h"
#include "ifd/serial/availableports.h"
#include "ifd/serial/hs_data_serialconnector.h"
#include "ifd/serial/commandwriter.h"
#include "ifd/serial/datatriggerrep.h"
#include "ifd/serial/serialcommandset.h"
#include "ifd/serial/serialmessage.h"
#include "platform/iclock.h"
#include "platform/iprompts.h"
#include "platform/messagebus.h"
#include "platform/numbers.h"
#include "platform/services.h"
#include "rigconfig/registry.h"
#include "rigconfig/rigconfig.h"
#include "rigconfig/settingsnames.h"

namespace {
std::int16_t ToCount(std::int64_t v) {
  // A card never reports beyond 16 bits; a garbled number must not wrap into a plausible value.
  return static_cast<std::int16_t>(
      std::clamp<std::int64_t>(v, std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max()));
}

// A reply holding one decimal number; none when it is not one.
std::optional<int> ReplyNumber(const QString& data) {
  bool ok = false;
  const int value = data.trimmed().toInt(&ok);
  return ok ? std::optional<int>(value) : std::nullopt;
}

int ReplyNumber(const QString& data, int fallback) { return ReplyNumber(data).value_or(fallback); }
}  // namespace

TQXIFD::TQXIFD(QObject* AOwner, IIFDHost* host, ILegacyDriver* driver)
    : QObject(AOwner),
      FLink(std::make_unique<TIFDSerialLink>(static_cast<IIFDSerialHost&>(*this))),
      FisVexa(FLink->FisVexa),
      FMainCardActive(FLink->FMainCardActive),
      FAuxCardActive(FLink->FAuxCardActive),
      FvComMasterIFDided(FLink->FvComMasterIFDided),
      FvComSlaveIFDided(FLink->FvComSlaveIFDided),
      fIFDimMaster(FLink->fIFDimMaster),
      fIFDimSlave(FLink->fIFDimSlave),
      FtryAutoComConnect(FLink->FtryAutoComConnect),
      FpreAssignedPortValCOMm(FLink->FpreAssignedPortValCOMm),
      FpreAssignedPortValCOMs(FLink->FpreAssignedPortValCOMs),
      FlastPortValCOMm(FLink->FlastPortValCOMm),
      FlastPortValCOMs(FLink->FlastPortValCOMs),
      FRig(TServices::Rig()),
      FHost(host) {
  if (!driver) {
    FOwnDriver = std::make_unique<TSocketDriver>();
    driver = FOwnDriver.get();
  }
  FLegacy = std::make_unique<TLegacyAccess>(*this, *driver, FRig, static_cast<ILegacyHost*>(this));
  FBurst = std::make_unique<TLegacyBurst>(*this, *FLegacy);

  ConfirmDigitals();
  ExpansionOutputShadow = 0;
  AnalogueOutputShadow = {};
  if (FRig)
    ReadParametersFromRig();
  else
    F_is_QXIFD_StandAlone = true;
  TServices::SetIFD(this);
}

TQXIFD::~TQXIFD() {
  if (TServices::IFD() == this) TServices::SetIFD(nullptr);
  FLegacy.reset();
}

void TQXIFD::SetConfigDialog(TIFDConfig* dialog) { FConfigDialog = dialog; }
TIFDConfig* TQXIFD::ConfigDialog() const { return FConfigDialog.data(); }

bool TQXIFD::UsingIFD() const { return FRig && FRig->Using_IFD; }
bool TQXIFD::UsingEXP() const { return FRig && FRig->Using_EXP; }

// ---- creation and parameters ----

void TQXIFD::TakeLaunchParameters(const TQrlInfo& info) { FLink->TakeLaunchParameters(info); }

void TQXIFD::ReadParametersFromRig() {
  if (!FRig) return;
  Interval = FRig->IFDSampleRate;
  FilterWeight = FRig->IFDFilter;
  if (!FRig->RegistryKey.isEmpty()) {
    try {
      TRegistry reg;
      if (reg.OpenKey(FRig->RegistryKey, true)) {
        Interval = reg.ReadIntegerOrCreate(QLatin1String(settings::reg::IFDFrequency), FRig->IFDSampleRate);
        FilterWeight = reg.ReadIntegerOrCreate(QLatin1String(settings::reg::IFDFilter), FRig->IFDFilter);
        reg.CloseKey();
      }
    } catch (const ERegistryError&) {
      // A value of the wrong type: keep the rig's own.
    }
  }
  // The weight divides every reading: below 1 the smoothing would run away.
  if (FilterWeight < 1) FilterWeight = 1;
}

void TQXIFD::WriteParameters() {
  if (!FRig || FRig->RegistryKey.isEmpty()) return;
  TRegistry reg;
  if (!reg.OpenKey(FRig->RegistryKey, true)) return;
  reg.WriteInteger(QLatin1String(settings::reg::IFDFrequency), Interval);
  reg.WriteInteger(QLatin1String(settings::reg::IFDFilter), FilterWeight);
  reg.CloseKey();
}

int TQXIFD::Configure(int current_sample_rate) {
  Interval = current_sample_rate;
  std::unique_ptr<TIFDConfig> temporary;
  TIFDConfig* dialog = FConfigDialog.data();
  if (!dialog) {
    temporary = std::make_unique<TIFDConfig>(*this, nullptr);
    dialog = temporary.get();
  }
  return dialog->exec() == QDialog::Accepted ? Interval : current_sample_rate;
}

// ---- channels ----

void TQXIFD::RegisterChannel(int channel_index, int MaxValue) {
  if (channel_index >= 0 && channel_index < 32) {
    MainChannelInUse[static_cast<size_t>(channel_index)] = true;
    if (channel_index > 15) Multiplexing = true;
  } else if (channel_index == 32 || channel_index == 33) {
    // Both frequency inputs share the one "frequency in use" flag.
    MainChannelInUse[32] = true;
    MaximumFrequency = MaxValue;
  } else if (channel_index > 33 && channel_index < 99) {
    MaximumFrequency = MaxValue;
  } else if (channel_index >= 100 && channel_index <= 131) {
    ExpnChannelInUse[static_cast<size_t>(channel_index - 100)] = true;
  } else {
    TServices::Prompts().MessageDlg(QLatin1String(InvalidChannelText), TMsgDlgType::mtError, TMsgDlgButtons::OK);
  }
}

int TQXIFD::DataForChannel(int channel) {
  if (channel >= 0 && channel < 32) return MainChannelValue[static_cast<size_t>(channel)];
  if (channel >= 100 && channel <= 124) return ExpnChannelValue[static_cast<size_t>(channel - 100)];
  if (channel == 32 || channel == 33) {
    if (MaximumFrequency == 0) return 0;  // no frequency channel registered: no scale
    return static_cast<int>(numbers::RoundHalfEven(MainChannelValue[static_cast<size_t>(channel)] /
                                                   static_cast<double>(MaximumFrequency) * 2047.0));
  }
  // Sources read every tick: a rig naming a channel the card lacks is told once per channel, not
  // buried under a box each tick.
  if (FReportedChannels.insert(channel).second)
    TServices::Prompts().MessageDlg(QLatin1String(InvalidChannelText), TMsgDlgType::mtError, TMsgDlgButtons::OK);
  return 0;
}

void TQXIFD::ConfirmDigitals() {
  DigitalOutputShadow = MainShadowFromExitValues();
  ExpansionOutputShadow = ExpansionShadowFromExitValues();
}

// ---- sampling and outputs ----

namespace {
// The capture rig's code, wired to digital inputs 2-5 (input 2 is bit 0).
int CaptureRigCode(const std::array<int, TIFDState::DigitalLines>& inputs) {
  int code = 0;
  for (int bit = 0; bit < 4; ++bit)
    if (inputs[static_cast<size_t>(2 + bit)] == 1) code += 1 << bit;
  return code;
}
}  // namespace

void TQXIFD::SampleNow() {
  // The legacy path reads within this step; the serial path's values are the replies that arrived
  // since the last step. Either way an input nobody read has no value for this sample.
  if (FLegIOActive) {
    FLegacy->SampleNow();
    EndSampleWindow();
    // The driver path has no reply that names the rig: its code is read off the inputs, as the
    // identifier source reads it, so the main window's inverter check and status bar see it too.
    if (PortsOpen && !GettingBurst && FHost && CaptureRigCode(DigitalInputs) != F_CaptureApparatus) {
      F_CaptureApparatus = CaptureRigCode(DigitalInputs);
      FHost->setCaptureID(F_CaptureApparatus);
    }
    return;
  }
  ++FSampleStep;
  if (FvComIOActive) GiveUpLostFrequencyRequests();
  EndSampleWindow();
  if (FvComIOActive) SerialSampleNow();
}

void TQXIFD::SerialSampleNow() {
  FLink->NoteSampleLosses(MissingReadings(false), RegisteredInputs(false), MissingReadings(true),
                          RegisteredInputs(true));
  FLink->SendSampleRequests();
  // An output byte that could not go out when it changed (port or transmit gate closed) goes now;
  // one the card holds already is not repeated.
  if (FForwardVComDOsSet) {
    if (FMainCardActive) SendDueOutputs(false, true);
    if (FAuxCardActive && !FisVexa) SendDueOutputs(true, true);
  }
  if (ComPort() && FHost) {
    FLink->PublishMasterStatus();
    if (queryVexaautomatically() && !F_SENT_queryVexaautomatically_MESSAGE) {
      F_SENT_queryVexaautomatically_MESSAGE = true;
      stopFrequencySampling();
      TServices::Bus().PostMessage(QStringLiteral("WM_INVERTER_VEXA_KICK_START"));
    }
  }
  if (ComPortAux() && FHost) FLink->PublishSlaveStatus();
}

void TQXIFD::SendToPort(TApdComPortEx* port, const QByteArray& command) { TCommandWriter::SendCommand(port, command); }

bool TQXIFD::SetAnalogueValue(int channel_index, double value) {
  if (FvComIOActive) return SerialAnalogueValue(channel_index, value);
  if (FLegIOActive) return FLegacy->SetAnalogueValue(channel_index, value);
  return false;
}

bool TQXIFD::SerialAnalogueValue(int channel_index, double value) {
  const TSerialCommandSet& commands = TSerialCommandSet::Instance();
  if (channel_index >= 0 && channel_index <= 3) {
    // A Vexa has two analogue outputs.
    TApdComPortEx* port = FLink->PortNamed(TApdComPortEx::MasterMarker);
    if (port && (!FisVexa || channel_index <= 1))
      if (auto command = commands.AnalogueOutputCommand(channel_index, value)) SendToPort(port, *command);
  } else if (channel_index >= 100 && channel_index <= 103 && !FisVexa) {
    if (TApdComPortEx* port = FLink->PortNamed(TApdComPortEx::SlaveMarker))
      if (auto command = commands.AnalogueOutputCommand(channel_index - 100, value)) SendToPort(port, *command);
  }
  return false;
}

bool TQXIFD::SetDigitalOutputValue(int digital_line, bool on_off) {
  if (!FvComIOActive) return FLegacy->SetDigitalOutputValueLeg(digital_line, on_off);
  if (!FForwardVComDOsSet) return true;
  const bool upperLine = digital_line >= 8 && digital_line <= 15;
  if (!(digital_line >= 0 && digital_line <= 7) && !upperLine) return true;
  // A Vexa carries all sixteen lines itself ("DO0," and "DO1,"); other cards put 8-15 on the slave.
  const bool slaveLine = upperLine && !FisVexa;
  if (!FLink->PortNamed(slaveLine ? TApdComPortEx::SlaveMarker : TApdComPortEx::MasterMarker)) return true;
  SetBits(DigitalOutputShadow, static_cast<std::uint16_t>(1u << digital_line), on_off);
  DigitalOutputs[static_cast<size_t>(digital_line)] = on_off ? 1 : 0;
  SendDueOutputs(slaveLine, false);
  return true;
}

void TQXIFD::SendDueOutputs(bool slave, bool onlyWritable) {
  TApdComPortEx* port = FLink->PortNamed(slave ? TApdComPortEx::SlaveMarker : TApdComPortEx::MasterMarker);
  if (!port) return;
  const bool writable = port->IsOpen() && TCommandWriter::TransmitGateOpen();
  if (onlyWritable && !writable) return;
  for (const TOutputByteCommand& command :
       TSerialCommandSet::Instance().DigitalOutputCommands(FisVexa, slave, DigitalOutputShadow)) {
    if (!FSentOutputs.Due(command.Byte, command.Value)) continue;
    SendToPort(port, command.Text);
    if (writable) FSentOutputs.Sent(command.Byte, command.Value);
  }
}

bool TQXIFD::SetDACOutputValue(int channel, int DACNumber, int value, bool invert) {
  if (FvComIOActive) return false;
  return FLegacy->SetDACOutputValue(channel, DACNumber, value, invert);
}

void TQXIFD::Watchdog() {
  if (FvComIOActive) {
    const bool wasHigh = WatchdogState;
    WatchdogState = !WatchdogState;
    // Line 15 is the watchdog's; on a Vexa lines 8-14 are the user's outputs and go out with it
    // from the output image, or every toggle would switch them off. The image keeps the phase so
    // that the next "DO1," of an output change does not toggle line 15 out of turn.
    std::uint8_t upper = 0;
    if (FisVexa) {
      SetBits(DigitalOutputShadow, 0x8000, wasHigh);
      upper = static_cast<std::uint8_t>(DigitalOutputShadow >> 8);
    } else {
      upper = wasHigh ? 0x80 : 0;
    }
    if (TApdComPortEx* port = FLink->PortNamed(TApdComPortEx::MasterMarker)) {
      SendToPort(ComPort(), TSerialCommandSet::Instance().WatchdogCommand(upper));
      // A Vexa's watchdog phase goes out with its lines 8-14: the card now holds that byte.
      if (FisVexa && port == ComPort() && port->IsOpen() && TCommandWriter::TransmitGateOpen())
        FSentOutputs.Sent(TSentOutputBytes::TByte::MasterHigh, upper);
    }
  } else if (FLegIOActive && PortsOpen && !GettingBurst) {
    FLegacy->Watchdog();
  }
}

int TQXIFD::GetFrequency(int channel) {
  if (FvComIOActive) {
    if (FisFrequencySamplingOn && !CollectingFrequency) {
      // Only inputs the card can measure are requested: a request that cannot go out would wait
      // for its reply for ever.
      if (auto command = TSerialCommandSet::Instance().FrequencyCommand(channel)) {
        TCommandWriter::SendRequest(ComPort(), *command);  // a read request: only to an open port
        CollectingFrequency = true;
        NoteFrequencyRequest();
      }
    }
    return -1;
  }
  if (FLegIOActive && !GettingBurst) {
    // The legacy card's count is the latest frequency, as a reply is on the serial path.
    Frequency = FLegacy->GetFrequency(channel);
    return Frequency;
  }
  return 0;
}

void TQXIFD::GetTwinFreqs(int channel1, int channel2) {
  if (GettingBurst) return;
  if (FvComIOActive) {
    const TSerialCommandSet& commands = TSerialCommandSet::Instance();
    if (NextChannel == 1 && !CollectingFrequency1) {
      if (auto command = commands.FrequencyCommand(channel1)) {
        TCommandWriter::SendRequest(ComPort(), *command);
        CollectingFrequency1 = true;
        NoteFrequencyRequest();
      }
    } else if (NextChannel == 2 && !CollectingFrequency2) {
      if (auto command = commands.FrequencyCommand(channel2)) {
        TCommandWriter::SendRequest(ComPort(), *command);
        CollectingFrequency2 = true;
        NoteFrequencyRequest();
      }
    }
  } else if (FLegIOActive) {
    FLegacy->GetTwinFreqs(channel1, channel2);
  }
}

void TQXIFD::RegisterFrequencyReader(IFrequencyReader* reader) {
  if (reader && std::find(FFrequencyReaders.begin(), FFrequencyReaders.end(), reader) == FFrequencyReaders.end())
    FFrequencyReaders.push_back(reader);
}

void TQXIFD::UnregisterFrequencyReader(IFrequencyReader* reader) {
  std::erase(FFrequencyReaders, reader);
}

void TQXIFD::reSetFrequencyReaders() {
  for (IFrequencyReader* reader : std::vector<IFrequencyReader*>(FFrequencyReaders)) reader->ResetFrequencyReader();
}

void TQXIFD::FrequencyToReaders(int count) {
  for (IFrequencyReader* reader : std::vector<IFrequencyReader*>(FFrequencyReaders)) reader->FrequencyReceived(count);
}

void TQXIFD::Pause(int ms) {
  IClock& clock = TServices::Clock();
  const std::int64_t start = clock.TickCountMs();
  while (clock.TickCountMs() - start < ms) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TQXIFD::ResetAnalogueOutputs() {
  if (!FLegIOActive) return;
  for (const auto& [used, first] : {std::pair{UsingIFD(), 0}, std::pair{UsingEXP(), 100}}) {
    if (!used) continue;
    for (int output = first; output < first + 4; ++output) {
      SetAnalogueValue(output, 0);
      Pause(OutputPauseMs);
    }
  }
}

void TQXIFD::ResetDigitalOutputs() {
  if (!FvComIOActive) {
    if (FLegIOActive) FLegacy->ResetDigitalOutputs();
    return;
  }
  for (const auto& [used, first] : {std::pair{UsingIFD(), 0}, std::pair{UsingEXP(), 8}}) {
    if (!used) continue;
    const int lines = FisVexa && first == 0 ? 15 : 8;  // a Vexa's 8-14 too; 15 is its watchdog's
    for (int line = first; line < first + lines; ++line) {
      SetDigitalOutputValue(line, DigitalExitValues[static_cast<size_t>(line)] != 0);
      Pause(OutputPauseMs);
    }
  }
}

void TQXIFD::CloseProcessing() {
  // Shutting down: whatever fails here, the program still has to close.
  try {
    if (FvComIOActive) {
      for (const auto& [used, output, line] : {std::tuple{UsingIFD(), 0, 0}, std::tuple{UsingEXP(), 100, 8}}) {
        if (!used) continue;
        for (int o = output; o < output + 4; ++o) {
          SetAnalogueValue(o, 0);
          Pause(OutputPauseMs);
        }
        for (int l = line; l < line + 8; ++l) {
          SetDigitalOutputValue(l, DigitalExitValues[static_cast<size_t>(l)] != 0);
          Pause(OutputPauseMs);
        }
      }
    } else if (FLegIOActive) {
      if (FRig && FRig->DAC_Count > 0) SetDACOutputValue(0, 0, 0, false);
      for (const auto& [used, output, line] : {std::tuple{UsingIFD(), 0, 0}, std::tuple{UsingEXP(), 2, 8}}) {
        if (!used) continue;
        SetAnalogueValue(output, 0);
        SetAnalogueValue(output + 1, 0);
        for (int l = line; l < line + 8; ++l) SetDigitalOutputValue(l, DigitalExitValues[static_cast<size_t>(l)] != 0);
      }
      if (UsingIFD() || UsingEXP()) FLegacy->ClosePorts();
    }
  } catch (...) {
  }
}

void TQXIFD::SetFilter() {
  // The legacy filter is set when the devices open; without them there is nothing to set.
  if (FLegIOActive && PortsOpen) FLegacy->SetFilter();
  if (FvComIOActive) {
    if (auto command = TSerialCommandSet::Instance().FilterCommand(FilterWeight)) {
      SendToPort(ComPort(), *command);
      SendToPort(ComPortAux(), *command);
    }
  }
}

void TQXIFD::SetTransfer() {
  if (FLegIOActive && PortsOpen) FLegacy->SetTransfer();
}

// ---- high-speed capture ----

void TQXIFD::SetBurstChannel(int channel1, int channel2) { FBurst->SetBurstChannel(channel1, channel2); }

bool TQXIFD::GetBurst(int trigger) {
  return FBurst->GetBurst(trigger, &TQXIFD::Pause);
}

void TQXIFD::getScopeScan(const TScopeCnfg* ASender) {
  TApdComPortEx* port = FLink->PortNamed(TApdComPortEx::MasterMarker);
  if (!FvComIOActive || !ASender || !port || !port->IsOpen()) return;
  THS_data_SerialConnector& hs = THS_data_SerialConnector::Instance();
  hs.TransferComplete = false;
  TScopeCnfg cnfg = *ASender;
  const QByteArray cmd = cnfg.ScopeCmd();
  if (cnfg.ErrorFlag) {
    TAvailablePorts::QueueOutgoing(QStringLiteral("Wrong Scope Cnfg: ") + QString::fromLatin1(cmd));
    return;
  }
  TCommandWriter::SetTransmitGateOpen(false);
  hs.ClearHSdata();
  hs.SetScopeConfig(cnfg);
  hs.CapturePending = true;
  TCommandWriter::WriteToPort(port, cmd);
}

void TQXIFD::StartHighSpeedTransfer(const QString& text) {
  THS_data_SerialConnector& hs = THS_data_SerialConnector::Instance();
  TApdComPortEx* port = ComPort();
  // An end report nobody waits for (the capture was given up) starts nothing: the card is simply
  // ready for the next capture.
  if (!port || !hs.CapturePending || hs.TransferComplete || !hs.LastScopeConfig()) return;
  bool ok = false;
  const int p = text.mid(5).trimmed().toInt(&ok);
  const TScopeCnfg& cnfg = *hs.LastScopeConfig();
  TAvailablePorts::SetDispatcherToHS(*port, [](TApdComPortEx&, const QByteArray& bytes) {
    THS_data_SerialConnector& connector = THS_data_SerialConnector::Instance();
    if (connector.ReceiveHS(bytes))
      TServices::Bus().PostMessage(QStringLiteral("WM_HS_DATA_RETRIEVED"), connector.nosCollected());
  });
  // The transfer is under way from now: a line that stays silent has failed.
  hs.LastByteMs = TServices::Clock().TickCountMs();
  const QByteArray count = QByteArray::number(2 * cnfg.NOS);
  const QByteArray start = cnfg.TrType == TypeTrigger::OnAI ? QByteArray::number((ok ? p : -1) - 4 * cnfg.NOS) : "4";
  TCommandWriter::WriteToPort(port, "T" + start + "," + count + "\r");
}

// ---- inverter transport ----

void TQXIFD::SendToInverter(const QByteArray& send) {
  if (FLegIOActive) FLegacy->SendToInverter(send);
}

QString TQXIFD::ReadFromInverter() { return FLegIOActive ? FLegacy->ReadFromInverter() : QString(); }

void TQXIFD::ToInverter_COM(const QByteArray& code) {
  if (FvComIOActive && FisVexa) SendToPort(ComPort(), code);
}

// ---- paths ----

void TQXIFD::switchIOtoLegacyDriver(const IIFDHost* ASender, bool AForce) {
  if (!AForce) {
    const bool loading = ASender && ASender == FHost && FHost->ChangingExercise();
    const TModalResult answer = TServices::Prompts().MessageDlg(
        QLatin1String(loading ? LoadExerciseQuestion : TerminateSessionQuestion), TMsgDlgType::mtWarning,
        TMsgDlgButtons::YesNo);
    if (answer != TModalResult::mrYes) return;
  }
  if (FHost) FHost->CleanUpBeforeLeavingVCom();
  if (FRig && !FRig->RegistryKey.isEmpty()) FLink->WriteLastPorts();
  FLegIOActive = FvComIOActive = false;
  FMainCardActive = FAuxCardActive = false;
  FisVexa = false;
  FLink->ReleasePort(TIFDSerialLink::TPortSlot::First);
  // A second port left open would keep its card talking to nobody.
  FLink->ReleasePort(TIFDSerialLink::TPortSlot::Second);
  if (FHost) FHost->CleanUpAfterLeavingVCom();
  F_CaptureApparatus = -1;  // the main window forgot the rig: tell it again on the next sample
  FLegIOActive = true;
}

void TQXIFD::switchIOtoIFDVComMaster(const IIFDHost*) {
  FvComIOActive = FLegIOActive = false;
  FLink->ConnectFirstCard();
}

void TQXIFD::switchIOtoIFDVComSlave(const IIFDHost*) {
  FvComIOActive = FLegIOActive = false;
  if (ComPortAux())
    FLink->ReleaseSecondPort();
  else
    FLink->ActivateIFDVComAux();
}

void TQXIFD::ActivateCard(TApdComPortRole role) {
  const bool master = role == TApdComPortRole::ms;
  if (!master && role != TApdComPortRole::sl) return;
  // A mode reply still queued when its port was released must not bring the serial path back.
  if (!FLink->PortNamed(master ? TApdComPortEx::MasterMarker : TApdComPortEx::SlaveMarker)) return;
  FLink->ApplyCardMode(role);
  ForgetReadings(!master);
  // A card just (re)activated holds outputs of its own: every byte goes out again.
  FSentOutputs.Forget(!master);
  if (master) FFirstReadingDue = true;
  if (FHost) {
    if (master)
      FHost->vComMasterIFDmode();
    else
      FHost->vComSlaveIFDmode();
  }
  CollectingFrequency = CollectingFrequency1 = CollectingFrequency2 = false;
  NextChannel = 1;
  FLegIOActive = false;
  FvComIOActive = true;
  ResetDigitalOutputs();
}

void TQXIFD::OpenPorts() { FLegacy->OpenPorts(); }
void TQXIFD::ClosePorts() { FLegacy->ClosePorts(); }
void TQXIFD::DisposeHandles() { FLegacy->DisposeHandles(); }

// ---- serial connection ----

bool TQXIFD::OpenVComPort(TIFDSerialLink::TPortSlot port, const QString& name, int Value) {
  return FLink->OpenVComPort(port, name, Value);
}
bool TQXIFD::OpenPortAsking(TApdComPortEx& port) { return FLink->OpenPortAsking(port); }
void TQXIFD::ConnectFirstCard() { FLink->ConnectFirstCard(); }
void TQXIFD::ActivateIFDVComAux() { FLink->ActivateIFDVComAux(); }
void TQXIFD::ReleaseSecondPort() { FLink->ReleaseSecondPort(); }
void TQXIFD::CardIdentified(const QString& text, const QString& cardMarker) { FLink->CardIdentified(text, cardMarker); }
void TQXIFD::CardLost(const QString& cardMarker) { FLink->CardLost(cardMarker); }
void TQXIFD::SetVComLoggingMode() { FLink->SetVComLoggingMode(); }
void TQXIFD::TryToRestoreLogManually() { FLink->TryToRestoreLogManually(); }
void TQXIFD::readCaptureRig() { FLink->readCaptureRig(); }
void TQXIFD::listAvailableComPorts() { FLink->listAvailableComPorts(); }
QString TQXIFD::getParsedVComPortsValues() const { return FLink->getParsedVComPortsValues(); }

void TQXIFD::ReadLastPorts() {
  if (FRig && !FRig->RegistryKey.isEmpty()) FLink->ReadLastPorts();
}

void TQXIFD::RequestSilentReconnect(const TQXIFD* ARequester) {
  // A client program opens no interface of its own accord: its server owns the cards.
  const bool client = FRig && FRig->ProgramType == TProgramType::ClientApp;
  if (ARequester == this && !client) TServices::Bus().PostMessage(QStringLiteral("WM_RECONNECT_COMS_SILENTLY"));
}

// ---- queries ----

bool TQXIFD::vComPortOpen() const { return FLink->vComPortOpen(); }
bool TQXIFD::vComPortOpenAux() const { return FLink->vComPortOpenAux(); }
int TQXIFD::vcomPortMaster() const { return FLink->vcomPortMaster(); }
int TQXIFD::vcomPortSlave() const { return FLink->vcomPortSlave(); }
bool TQXIFD::isVexamode() const { return FRig && FRig->isVexamode(); }
bool TQXIFD::queryVexaautomatically() const { return FRig && FRig->queryVexaatstartUp(); }

// ---- the dispatcher's handlers and the reply effects ----

void TQXIFD::LogDataIn(const QString& AData) { FLink->LogDataIn(AData); }
void TQXIFD::LogDataOut(const QString& AData) { FLink->LogDataOut(AData); }
TSerialMessage TQXIFD::SplitCodeAndData(const QString& AData) { return TSerialMessage::SplitCodeAndData(AData); }
int TQXIFD::CardMarkerToCardRole(const QString& cardmrk) { return TSerialMessage::CardMarkerToCardRole(cardmrk); }

void TQXIFD::ReplyReceived(TApdComPortRole role, const QString&, int code, const QString& data) {
  using R = TDataTriggerRep;
  const bool master = role == TApdComPortRole::ms;
  // A reply that cannot be applied leaves the fields as they were.
  try {
    if (code == R::Code(R::diS))
      DigitalInputsReply(role, data);
    else if (code == R::Code(R::diS_3) && master)
      UpperDigitalInputsReply(data);
    else if (code == R::Code(R::aiS))
      AnalogueInputsReply(role, data);
    else if (code >= R::Code(R::ai0) && code <= R::Code(R::ai15))
      SingleInputReply(role, code - R::Code(R::ai0), data);
    else if (code == R::Code(R::setIM))
      ActivateCard(role);
    else if (code == R::Code(R::rFrqX) && master)
      FrequencyReply(data);
    else if (code == R::Code(R::HS_stop) && master)
      StartHighSpeedTransfer(data);
    else if (code == R::Code(R::IMO) && master && FHost)
      FHost->vComInverterDataBack(data);
  } catch (...) {
  }
  if (FFirstReadingDue && ReadingsArrived(RegisteredInputs(false) + RegisteredInputs(true) == 0)) {
    FFirstReadingDue = false;
    emit FirstReadingArrived();
  }
}

bool TQXIFD::InputInUse(bool auxiliary, int input) const {
  if (input < 0 || input >= MainChannels) return false;
  return (auxiliary ? ExpnChannelInUse : MainChannelInUse)[static_cast<size_t>(input)];
}

void TQXIFD::DigitalInputsReply(TApdComPortRole role, const QString& data) {
  // A reply that is not a number was garbled on the line: the inputs keep their last state.
  const std::optional<int> number = ReplyNumber(data);
  if (!number) {
    FLink->CountReplyError();
    return;
  }
  const int b = *number & 0xFF;
  if (role == TApdComPortRole::ms) {
    for (int i = 0; i < 8; ++i) TakeDigitalInput(i, (b >> i) & 1);
    if (FisVexa) {
      F_CaptureApparatus = (b >> 2) & 0x0F;
      if (FHost) FHost->setCaptureID(F_CaptureApparatus);
    }
  } else if (role == TApdComPortRole::sl) {
    for (int i = 0; i < 8; ++i) TakeDigitalInput(8 + i, (b >> i) & 1);
  }
}

void TQXIFD::UpperDigitalInputsReply(const QString& data) {
  const std::optional<int> number = ReplyNumber(data);
  if (!number) {
    FLink->CountReplyError();
    return;
  }
  for (int i = 0; i < 8; ++i) TakeDigitalInput(8 + i, (*number >> i) & 1);
}

void TQXIFD::AnalogueInputsReply(TApdComPortRole role, const QString& data) {
  const bool master = role == TApdComPortRole::ms;
  if (!master && role != TApdComPortRole::sl) return;
  static const QRegularExpression separators(QStringLiteral("[ ,]+"));
  const QStringList items = data.split(separators, Qt::SkipEmptyParts);
  const auto& inUse = master ? MainChannelInUse : ExpnChannelInUse;
  // Only the 32 analogue inputs: the frequency counts behind them are not the card's "IA" values.
  const int count = std::min<int>(static_cast<int>(items.size()), 32);
  bool garbled = false;
  for (int i = 0; i < count; ++i) {
    if (!inUse[static_cast<size_t>(i)]) continue;
    bool ok = false;
    const int r = items[i].toInt(&ok);
    // A value garbled on the line is no reading: that input has none for this sample, the others
    // in the answer keep their places.
    if (!ok) {
      garbled = true;
      continue;
    }
    TakeReading(!master, i, r);
  }
  if (garbled) FLink->CountReplyError();
}

void TQXIFD::SingleInputReply(TApdComPortRole role, int input, const QString& data) {
  const bool master = role == TApdComPortRole::ms;
  if (!master && role != TApdComPortRole::sl) return;
  if (!FLink->SingleInputRequested(master ? TIFDSerialLink::TPortSlot::First : TIFDSerialLink::TPortSlot::Second, input))
    return;
  const std::optional<int> number = ReplyNumber(data);
  if (!number) {
    FLink->CountReplyError();
    return;
  }
  TakeReading(!master, input, *number);
}

void TQXIFD::FrequencyReply(const QString& data) {
  const std::optional<int> number = ReplyNumber(data);
  // A count garbled on the line is no measurement: the request is answered, its channel has none.
  if (!number) FLink->CountReplyError();
  const int r = number.value_or(-1);
  const auto take = [&](int channel, int& field) {
    NoteFrequency(channel, number.has_value());
    if (!number) return;
    MainChannelValue[static_cast<size_t>(channel)] = ToCount(r);
    field = r;
    FrequencyToReaders(r);
  };
  // One reply answers one request, the one sent first.
  if (CollectingFrequency1) {
    take(32, Frequency1);
    CollectingFrequency1 = false;
    NextChannel = 2;
  } else if (CollectingFrequency2) {
    take(33, Frequency2);
    CollectingFrequency2 = false;
    NextChannel = 1;
  } else if (CollectingFrequency) {
    take(32, Frequency);
    CollectingFrequency = false;
  }
}

void TQXIFD::GiveUpLostFrequencyRequests() {
  // A request whose reply was lost would be waited for for ever, and its count would stand for
  // measurements that never came: after a whole sample step (and the answer time) it is given up,
  // its channel has no count until the next one arrives, and the next step asks again.
  const std::int64_t now = TServices::Clock().TickCountMs();
  const auto lost = [&](bool collecting) {
    return collecting && FFrequencyRequestStep < FSampleStep &&
           now - FFrequencyRequestedMs >= TIFDSerialLink::AnswerTimeoutMs;
  };
  if (lost(CollectingFrequency1)) {
    CollectingFrequency1 = false;
    NoteFrequency(32, false);
  }
  if (lost(CollectingFrequency2)) {
    CollectingFrequency2 = false;
    NoteFrequency(33, false);
  }
  if (lost(CollectingFrequency)) {
    CollectingFrequency = false;
    NoteFrequency(32, false);
  }
}

void TQXIFD::NoteFrequencyRequest() {
  FFrequencyRequestStep = FSampleStep;
  FFrequencyRequestedMs = TServices::Clock().TickCountMs();
}

// ---- hosts ----

void TQXIFD::SetStatusPanel(int panel, const QString& text) {
  if (FHost) FHost->SetStatusPanel(panel, text);
}
void TQXIFD::SetVComToolsOn() {
  if (FHost) FHost->SetVComToolsOn();
}
void TQXIFD::SetVComToolsOff() {
  if (FHost) FHost->SetVComToolsOff();
}

TSerialRigValues TQXIFD::RigValues() const {
  TSerialRigValues values;
  if (!FRig) return values;
  values.VexaMode = FRig->isVexamode();
  values.MasterMode = static_cast<TIFDInputMode>(FRig->rigConfIFDmodeMaster());
  values.SlaveMode = static_cast<TIFDInputMode>(FRig->rigConfIFDmodeSlave(FRig->Using_EXP));
  values.UsingEXP = FRig->Using_EXP;
  values.Title = FRig->ApplicationTitle;
  values.RegistryKey = FRig->RegistryKey;
  // Engine rigs (titled by their model code) use their cards as soon as they identify themselves.
  for (const char* code : TRigConfig::EngineModelCodes) values.ImmediateActivationTitles << QString::fromLatin1(code);
  return values;
}

bool TQXIFD::UserClickedForComms() const { return FHost && FHost->UserClickedForComms(); }
void TQXIFD::SwitchToLegacyDriverForced() { switchIOtoLegacyDriver(nullptr, true); }

void TQXIFD::VComOneIsSet(const QString& port) {
  if (FHost) FHost->VComOneIsSet(port);
}
void TQXIFD::VComTwoIsSet(const QString& port) {
  if (FHost) FHost->VComTwoIsSet(port);
}
void TQXIFD::VComMasterIFDidentified() {
  if (FHost) FHost->VComMasterIFDidentified();
}
void TQXIFD::VComSlaveIFDidentified() {
  if (FHost) FHost->VComSlaveIFDidentified();
}
void TQXIFD::EnableVexamode() {
  if (FHost) FHost->EnableVexamode();
}
void TQXIFD::VComLostMaster() {
  ForgetReadings(false);
  FSentOutputs.Forget(false);
  if (FHost) FHost->VComLostMaster();
}
void TQXIFD::VComLostSlave() {
  ForgetReadings(true);
  FSentOutputs.Forget(true);
  if (FHost) FHost->VComLostSlave();
}
void TQXIFD::setVComStatusMsg(const QString& text) {
  if (FHost) FHost->setVComStatusMsg(text);
}
void TQXIFD::setVComAuxStatusMsg(const QString& text) {
  if (FHost) FHost->setVComAuxStatusMsg(text);
}
void TQXIFD::AddDebugMessages(const QStringList& lines) {
  if (FHost) FHost->AddDebugMessages(lines);
}
void TQXIFD::ShowCardFirmware(TApdComPortRole role, const QString& text) {
  if (FConfigDialog) FConfigDialog->ShowCardFirmware(role, text);
}
void TQXIFD::ClearCardFirmware(TApdComPortRole role) {
  if (FConfigDialog) FConfigDialog->ClearCardFirmware(role);
}
