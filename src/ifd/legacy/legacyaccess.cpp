#include "ifd/legacy/legacyaccess.h"

#include <QCoreApplication>
#include <QtEndian>

#include "ifd/legacy/ilegacyhost.h"
#include "inverter/inverterframe.h"
#include "platform/iclock.h"
#include "platform/iprompts.h"
#include "platform/numbers.h"
#include "platform/services.h"
#include "rigconfig/rigconfig.h"

using namespace legacy;

namespace {
constexpr int kPanelMain = 3;
constexpr int kPanelExpn = 4;
constexpr int kScanBytes = 64;
enum { IxDoruz0, IxDoruz1, IxVel0, IxVel1 };

QByteArray Word(int value) {
  QByteArray b(2, 0);
  qToLittleEndian<quint16>(static_cast<quint16>(value), b.data());
  return b;
}
QByteArray TwoWords(int low, int high) { return Word(low) + Word(high); }
}  // namespace

TLegacyAccess::TLegacyAccess(TIFDState& state, ILegacyDriver& driver, const TRigConfig* rig, ILegacyHost* host)
    : S(state), FDriver(driver), FRig(rig), FHost(host) {}

TLegacyAccess::~TLegacyAccess() { DisposeHandles(); }

bool TLegacyAccess::UsingEXP() const { return FRig && FRig->Using_EXP; }
bool TLegacyAccess::UsingIFD() const { return FRig && FRig->Using_IFD; }
bool TLegacyAccess::ClientProgram() const { return FRig && FRig->ProgramType == TProgramType::ClientApp; }

void TLegacyAccess::Status(int panel, const QString& text) {
  if (FHost) FHost->SetStatusPanel(panel, text);
}

// ---- driver calls ----

bool TLegacyAccess::SetRAM(THandle h, int reg, int value) {
  QByteArray out;
  return FDriver.DeviceIoControl(h, legacy::SetRAM, TwoWords(reg, value), 0, out);
}

bool TLegacyAccess::SetPort(THandle h, int port, int value) {
  QByteArray out;
  const bool ok = FDriver.DeviceIoControl(h, legacy::SetPort, TwoWords(port, value), 0, out);
  // Whatever goes to the output port (outputs, multiplexer address, DAC clocking) is what the
  // device holds from now on; after a failed write nobody knows.
  const std::optional<int> held = ok ? std::optional<int>(value) : std::nullopt;
  if (port == 0 && h > 0 && h == FMainHandle) FMainOutputsHeld = held;
  if (port == 0 && h > 0 && h == FExpnHandle) FExpnOutputsHeld = held;
  return ok;
}

bool TLegacyAccess::WriteOutputs(THandle h, int value) {
  const std::optional<int>& held = h == FMainHandle ? FMainOutputsHeld : FExpnOutputsHeld;
  if (held && *held == value) return true;  // the device holds it already
  return SetPort(h, 0, value);
}

void TLegacyAccess::RestoreOutputs() {
  // Devices opened again after a failure may have lost their outputs: they get the image back.
  if (!S.PortsOpen) return;
  if (UsingIFD() && FMainHandle > 0 && !FMainOutputsHeld && !SetPort(FMainHandle, 0, TIFDState::DigitalOutputShadow)) {
    ClosePorts();
    Status(kPanelMain, QStringLiteral("IFD: D/O Error"));
    return;
  }
  if (UsingEXP() && FExpnHandle > 0 && !FExpnOutputsHeld && !SetPort(FExpnHandle, 0, TIFDState::ExpansionOutputShadow)) {
    ClosePorts();
    Status(kPanelExpn, QStringLiteral("IFD-XP: D/O Error"));
  }
}

bool TLegacyAccess::GetPort(THandle h, int port, int& value) {
  QByteArray out;
  if (!FDriver.DeviceIoControl(h, legacy::GetPort, Word(port), 1, out) || out.isEmpty()) return false;
  value = static_cast<unsigned char>(out[0]);
  return true;
}

bool TLegacyAccess::GetRAM(THandle h, std::uint8_t kind, int reg, int& word) {
  QByteArray out;
  const int size = kind == KindVelUSB ? kScanBytes : 2;
  if (!FDriver.DeviceIoControl(h, legacy::GetRAM, Word(reg), size, out) || out.size() < 2) return false;
  word = qFromLittleEndian<quint16>(out.constData());
  return true;
}

bool TLegacyAccess::GetCaptureBlock(TCaptureBlock& counts) {
  constexpr int kCaptureData = 0xBE;
  QByteArray block(kScanBytes, '\0');
  QByteArray out;
  const bool read =
      FMainHandle > 0 && FDriver.DeviceIoControl(FMainHandle, legacy::GetRAM, Word(kCaptureData), kScanBytes, out);
  if (read) block.replace(0, std::min<qsizetype>(out.size(), kScanBytes), out.left(kScanBytes));
  for (int w = 0; w < 2 * CapturePairs; ++w)
    counts[static_cast<size_t>(w)] = int(qFromLittleEndian<quint16>(block.constData() + 2 * w)) - CaptureZero;
  return read && out.size() >= kScanBytes;
}

// ---- opening and closing ----

void TLegacyAccess::DisposeHandles() {
  for (THandle& h : FHandles) {
    if (h > 0) FDriver.CloseHandle(h);
    h = 0;
  }
  FMainOutputsHeld.reset();
  FExpnOutputsHeld.reset();
  S.MainPortIsOpen = false;
  S.ExpnPortIsOpen = false;
}

void TLegacyAccess::ClosePorts() {
  DisposeHandles();
  // Whatever the devices read next starts afresh: a value from before the failure is no reading.
  S.ForgetReadings(false);
  S.ForgetReadings(true);
  S.PortsOpen = false;
  S.IFDStatus = QStringLiteral("Closed");
  FMainHandle = 0;
  FExpnHandle = 0;
  if (FHost) FHost->SetVComToolsOn();
}

bool TLegacyAccess::OpenWhenNeeded() {
  if (ClientProgram()) return false;
  if (!S.PortsOpen) OpenPorts();
  return true;
}

void TLegacyAccess::OpenPorts() {
  if (!S.FLegIOActive || ClientProgram()) return;
  FCheckIfPortsOpen = false;
  DisposeHandles();
  FHandles[IxDoruz0] = FDriver.CreateFile(QString::fromLatin1(DoruzOVA0));
  FHandles[IxDoruz1] = FDriver.CreateFile(QString::fromLatin1(DoruzOVA1));
  FHandles[IxVel0] = FDriver.CreateFile(QString::fromLatin1(VelUSB0));
  FHandles[IxVel1] = FDriver.CreateFile(QString::fromLatin1(VelUSB1));
  auto kindAt = [this](int doruz, int vel) {
    return FHandles[doruz] > 0 ? KindDoruzOVA : FHandles[vel] > 0 ? KindVelUSB : KindNone;
  };
  FDevice1 = kindAt(IxDoruz0, IxVel0);
  FDevice2 = kindAt(IxDoruz1, IxVel1);
  S.MainPortIsOpen = false;
  S.ExpnPortIsOpen = false;
  FMainHandle = 0;
  FExpnHandle = 0;
  if (FDevice1 == KindVelUSB) FCheckIfPortsOpen = SetRAM(FHandles[IxVel0], 0xB6, 0x48);
  if (FDevice2 == KindVelUSB) FCheckIfPortsOpen = SetRAM(FHandles[IxVel1], 0xB6, 0x48);

  if (FRig) {
    if (UsingEXP())
      TwoCardAssignment();
    else
      SingleCardAssignment();
    if (S.MainPortIsOpen && (!UsingEXP() || S.ExpnPortIsOpen)) {
      S.PortsOpen = true;
      S.IFDStatus = QStringLiteral("Open");
      SetTransfer();
      SetFilter();
    }
  } else {
    SingleCardAssignment();
  }
  if (S.FLegIOActive && FHost) {
    if (S.MainPortIsOpen)
      FHost->SetVComToolsOff();
    else
      FHost->SetVComToolsOn();
  }
}

QString TLegacyAccess::NoAnswerText(const QString& otherwise) const {
  const QString silent = FDriver.SilentDevice();
  return silent.isEmpty() ? otherwise : QStringLiteral("IFD: %1 silent").arg(silent);
}

void TLegacyAccess::DriverErrors() {
  Status(kPanelMain, NoAnswerText(QStringLiteral("IFD: Driver Error")));
  Status(kPanelExpn, QStringLiteral("IFD-XP: Driver Error"));
  FCheckIfPortsOpen = false;
}

void TLegacyAccess::TwoCardAssignment() {
  THandle a = 0, b = 0;
  std::uint8_t kind = KindNone;
  if (FHandles[IxDoruz0] > 0 && FHandles[IxDoruz1] > 0) {
    a = FHandles[IxDoruz0];
    b = FHandles[IxDoruz1];
    kind = KindDoruzOVA;
  } else if (FHandles[IxVel0] > 0 && FHandles[IxVel1] > 0) {
    a = FHandles[IxVel0];
    b = FHandles[IxVel1];
    kind = KindVelUSB;
  } else {
    DisposeHandles();
    DriverErrors();
    return;
  }
  const int ta = CheckDeviceType(a);
  const int tb = CheckDeviceType(b);
  if (ta == 1 && tb == 2) {
    FMainHandle = a;
    FExpnHandle = b;
  } else if (ta == 2 && tb == 1) {
    FMainHandle = b;
    FExpnHandle = a;
  } else {
    DisposeHandles();
    DriverErrors();
    return;
  }
  S.MainDevice = kind;
  S.ExpnDevice = kind;
  S.MainPortIsOpen = true;
  S.ExpnPortIsOpen = true;
  Status(kPanelMain, QStringLiteral("IFD: OK"));
  Status(kPanelExpn, QStringLiteral("IFD-XP: OK"));
}

void TLegacyAccess::SingleCardAssignment() {
  for (int position = 0; position < 2; ++position) {
    const int doruz = position == 0 ? IxDoruz0 : IxDoruz1;
    const int vel = position == 0 ? IxVel0 : IxVel1;
    const THandle h = FHandles[doruz] > 0 ? FHandles[doruz] : FHandles[vel];
    if (h <= 0) continue;
    FMainHandle = h;
    S.MainDevice = position == 0 ? FDevice1 : FDevice2;
    S.MainPortIsOpen = true;
    Status(kPanelMain, QStringLiteral("IFD: OK (%1%2)").arg(S.MainDevice == KindDoruzOVA ? "S" : "F").arg(h));
    Status(kPanelExpn, QString());
    return;
  }
  S.MainPortIsOpen = false;
  // A device that is there but did not answer is named: "no device" would send the user looking
  // for a cable.
  Status(kPanelMain, NoAnswerText(QStringLiteral("IFD: No Device")));
  FCheckIfPortsOpen = false;
}

int TLegacyAccess::CheckDeviceType(THandle HandleNo) {
  int value = 0;
  if (!GetPort(HandleNo, 3, value)) return 0;
  return (value & 0x10) ? 2 : 1;
}

void TLegacyAccess::SetTransfer() {
  FCheckIfSetInputModeSucceded = false;
  const bool single = FRig && FRig->UsingSingleEndedChannels;
  const int value = single ? 0x80 : 0;
  const QString error = single ? QStringLiteral("IFD: Error (SE)") : QStringLiteral("IFD: Error (DF)");
  if (SetRAM(FMainHandle, 0xA2, value)) {
    FCheckIfSetInputModeSucceded = true;
  } else {
    Status(kPanelMain, error);
    ClosePorts();
  }
  if (UsingEXP() && !SetRAM(FExpnHandle, 0xA2, value)) {
    Status(kPanelExpn, error);
    ClosePorts();
  }
}

void TLegacyAccess::SetFilter() {
  if (!S.FLegIOActive) return;
  if (!SetRAM(FMainHandle, 0x4F, 0)) {
    Status(kPanelMain, QStringLiteral("IFD: Error (Filter)"));
    ClosePorts();
  }
  if (UsingEXP() && !SetRAM(FExpnHandle, 0x4F, 0)) {
    Status(kPanelExpn, QStringLiteral("IFD-XP: Device Error"));
    ClosePorts();
  }
}

// ---- sampling ----

bool TLegacyAccess::ReadInputs(THandle h, std::uint8_t kind, bool expansion, int panel, const QString& error) {
  const auto& inUse = expansion ? S.ExpnChannelInUse : S.MainChannelInUse;
  bool any = false;
  for (int i = 0; i < 16; ++i) any = any || inUse[static_cast<size_t>(i)];
  if (!any) return true;
  if (kind == KindVelUSB) {
    QByteArray out;
    if (!FDriver.DeviceIoControl(h, legacy::GetSCAN, Word(0), kScanBytes, out) || out.size() < kScanBytes) {
      ClosePorts();
      Status(panel, error);
      return false;
    }
    for (int i = 0; i < 16; ++i)
      if (inUse[static_cast<size_t>(i)]) TakeRaw(expansion, i, qFromLittleEndian<quint16>(out.constData() + 2 * i));
    return true;
  }
  for (int i = 0; i < 16; ++i) {
    if (!inUse[static_cast<size_t>(i)]) continue;
    int raw = 0;
    if (!GetRAM(h, kind, 0x50 + 2 * i, raw)) {
      ClosePorts();
      Status(panel, error);
      return false;
    }
    TakeRaw(expansion, i, raw);
  }
  return true;
}

void TLegacyAccess::TakeRaw(bool expansion, int i, int raw) {
  // The registers hold 12-bit offset binary (2048 is zero): a word beyond it was garbled on the
  // way and is no reading.
  if (raw < 0 || raw > 4095) {
    ++FGarbledReadings;
    return;
  }
  S.TakeReading(expansion, i, raw - 2048);
}

void TLegacyAccess::SettleWait() {
  // The multiplexer needs time to settle; keep the window alive meanwhile, and stop waiting when
  // the devices have gone.
  IClock& clock = TServices::Clock();
  const std::int64_t start = clock.TickCountMs();
  while (clock.TickCountMs() - start < MultiplexerSettleMs && S.PortsOpen)
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TLegacyAccess::ReadMultiplexed() {
  const THandle h = FMainHandle;
  for (int i = 16; i < 32; ++i) {
    if (!S.MainChannelInUse[static_cast<size_t>(i)]) continue;
    TIFDState::DigitalOutputShadow = static_cast<std::uint16_t>((TIFDState::DigitalOutputShadow & 0xE0) | (i - 16));
    int raw = 0;
    const bool ok = SetPort(h, 0, TIFDState::DigitalOutputShadow) && GetRAM(h, S.MainDevice, 0x50, raw) &&
                    (SettleWait(), S.PortsOpen) && GetRAM(h, S.MainDevice, 0x50, raw);
    if (ok) TakeRaw(false, i, raw);
    if (!ok || !SetPort(h, 0, (TIFDState::DigitalOutputShadow & 0xE0) | 0x10)) {
      ClosePorts();
      Status(kPanelMain, QStringLiteral("IFD: M/P Error"));
      return;
    }
  }
}

void TLegacyAccess::SampleNow() {
  if (!S.FLegIOActive) return;
  // A burst capture owns the card, and closed devices read nothing: the sample then holds no
  // value for the inputs (the facade closes its window after this step), never a made-up 0.
  if (S.GettingBurst) return;
  if (!OpenWhenNeeded()) return;
  if (!S.PortsOpen) {
    ClosePorts();
    return;
  }
  RestoreOutputs();
  if (!S.PortsOpen) return;
  const THandle main = FMainHandle;
  const THandle expn = FExpnHandle;
  const std::uint8_t mainKind = S.MainDevice;
  const std::uint8_t expnKind = S.ExpnDevice;
  ReadInputs(main, mainKind, false, kPanelMain, QStringLiteral("IFD: A/I Error"));
  if (S.Multiplexing) ReadMultiplexed();
  int value = 0;
  if (GetPort(main, 1, value)) {
    for (int b = 0; b < 8; ++b) S.TakeDigitalInput(b, (value >> b) & 1);
  } else {
    ClosePorts();
    Status(kPanelMain, QStringLiteral("IFD: D/I Error"));
  }
  if (UsingEXP()) {
    ReadInputs(expn, expnKind, true, kPanelExpn, QStringLiteral("IFD-XP: A/I Error"));
    if (GetPort(expn, 1, value)) {
      for (int b = 0; b < 8; ++b) S.TakeDigitalInput(8 + b, (value >> b) & 1);
    } else {
      ClosePorts();
      Status(kPanelExpn, QStringLiteral("IFD-XP: D/I Error"));
    }
  }
}

// ---- outputs ----

bool TLegacyAccess::WriteOutputPair(THandle h, int lowReg, int slot) {
  const int counts = TIFDState::AnalogueOutputShadow[static_cast<size_t>(slot)] + 2048;
  return SetRAM(h, lowReg, counts & 0xFF) && SetRAM(h, lowReg + 1, (counts >> 8) & 0xFF);
}

bool TLegacyAccess::SetAnalogueValue(int channel, double value) {
  if (S.GettingBurst) return false;
  int slot = -1;
  if (channel == 0 || channel == 1) slot = channel;
  if (channel == 2 || channel == 100) slot = 2;
  if (channel == 3 || channel == 101) slot = 3;
  if (slot < 0) return false;
  std::int64_t counts = numbers::RoundHalfEven(value);
  if (counts > 2047) counts = 2047;
  if (counts < -2048) counts = -2048;
  TIFDState::AnalogueOutputShadow[static_cast<size_t>(slot)] = static_cast<std::int16_t>(counts);
  S.AnalogueOutputs[static_cast<size_t>(slot)] = static_cast<int>(counts);
  if (!OpenWhenNeeded()) return false;
  if (channel <= 3) {
    const THandle h = FMainHandle;
    if (WriteOutputPair(h, 0x96, 2) && WriteOutputPair(h, 0x98, 3) && WriteOutputPair(h, 0x9A, 0) &&
        WriteOutputPair(h, 0x9C, 1))
      return true;
    ClosePorts();
    Status(kPanelMain, QStringLiteral("IFD: A/O Error"));
    return false;
  }
  const THandle h = FExpnHandle;
  if (WriteOutputPair(h, 0x9A, 2) && WriteOutputPair(h, 0x9C, 3)) return true;
  ClosePorts();
  Status(kPanelExpn, QStringLiteral("IFD-XP: A/O Error"));
  return false;
}

bool TLegacyAccess::SetDigitalOutputValueLeg(int digital_line, bool on_off) {
  if (digital_line >= 0 && digital_line < TIFDState::DigitalLines) {
    TIFDState::SetBits(TIFDState::DigitalOutputShadow, static_cast<std::uint16_t>(1u << digital_line), on_off);
    S.DigitalOutputs[static_cast<size_t>(digital_line)] = on_off ? 1 : 0;
  }
  if (S.GettingBurst) return false;
  OpenWhenNeeded();
  if (digital_line > 15 || digital_line < 0) {
    TServices::Prompts().MessageDlg(QLatin1String(TIFDState::InvalidChannelText), TMsgDlgType::mtError,
                                    TMsgDlgButtons::OK);
    return false;
  }
  if (!S.PortsOpen) return false;
  if (digital_line >= 8) {
    TIFDState::SetBits(TIFDState::ExpansionOutputShadow, static_cast<std::uint16_t>(1u << (digital_line - 8)),
                       on_off);
    if (WriteOutputs(FExpnHandle, TIFDState::ExpansionOutputShadow)) return true;
    ClosePorts();
    Status(kPanelExpn, QStringLiteral("IFD-XP: D/O Error"));
    return false;
  }
  if (WriteOutputs(FMainHandle, TIFDState::DigitalOutputShadow)) return true;
  ClosePorts();
  Status(kPanelMain, QStringLiteral("IFD: D/O Error"));
  return false;
}

void TLegacyAccess::ResetDigitalOutputs() {
  if (UsingIFD()) {
    OpenWhenNeeded();
    const std::uint16_t shadow = S.MainShadowFromExitValues();
    TIFDState::DigitalOutputShadow = shadow;
    // Without a device there is nothing to write (and no write error to report over "No Device").
    if (S.PortsOpen && !WriteOutputs(FMainHandle, shadow)) {
      ClosePorts();
      Status(kPanelMain, QStringLiteral("IFD: D/O Error"));
    }
  }
  if (UsingEXP()) {
    const std::uint16_t shadow = S.ExpansionShadowFromExitValues();
    TIFDState::ExpansionOutputShadow = shadow;
    if (S.PortsOpen && !WriteOutputs(FExpnHandle, shadow)) {
      ClosePorts();
      Status(kPanelExpn, QStringLiteral("IFD-XP: D/O Error"));
    }
  }
}

void TLegacyAccess::Watchdog() {
  if (!S.PortsOpen || S.GettingBurst) return;
  S.WatchdogState = !S.WatchdogState;
  if (!SetPort(FMainHandle, 1, S.WatchdogState ? 0x7F : 0xFF)) {
    ClosePorts();
    Status(kPanelMain, QStringLiteral("IFD: W/D Error"));
  }
}

bool TLegacyAccess::SetDACOutputValue(int channel, int DACNumber, int value, bool invert) {
  if (S.GettingBurst || !S.FLegIOActive) return false;
  if (DACNumber == 0 || DACNumber == 1) S.Dac1Value = value;
  if (DACNumber == 0 || DACNumber == 2) S.Dac2Value = value;
  if (!S.PortsOpen || channel < 0 || channel + 2 > 15) return false;
  std::array<bool, 24> bits{};
  for (int i = 0; i < 12; ++i) {
    bits[static_cast<size_t>(i)] = (S.Dac2Value >> (11 - i)) & 1;
    bits[static_cast<size_t>(12 + i)] = (S.Dac1Value >> (11 - i)) & 1;
  }
  const auto clock = static_cast<std::uint16_t>(1u << channel);
  const auto data = static_cast<std::uint16_t>(1u << (channel + 1));
  const auto load = static_cast<std::uint16_t>(1u << (channel + 2));
  std::uint16_t& shadow = TIFDState::DigitalOutputShadow;
  auto set = [&](std::uint16_t mask, bool on) { TIFDState::SetBits(shadow, mask, on); };
  auto write = [&] { SetPort(FMainHandle, 0, shadow); };  // failures are ignored mid-sequence
  set(clock | data | load, invert);
  write();
  for (bool bit : bits) {
    set(clock, invert);
    set(data, invert ? !bit : bit);
    write();
    set(clock, !invert);
    write();
  }
  set(load, !invert);
  write();
  return false;
}

bool TLegacyAccess::FrequencyReady(bool& ok) {
  int status = 0;
  ok = GetRAM(FMainHandle, S.MainDevice, 0x74, status);
  return ok && (status & 0xFF) == 0;
}

bool TLegacyAccess::CollectFrequency(int index, bool& collecting) {
  int count = 0;
  if (!GetRAM(FMainHandle, S.MainDevice, 0x75, count)) return false;
  S.MainChannelValue[static_cast<size_t>(index)] = static_cast<std::int16_t>(count);
  S.NoteFrequency(index, true);
  collecting = false;
  return true;
}

bool TLegacyAccess::StartFrequency(int channel, bool& collecting) {
  if (channel < 0 || channel >= 8) return true;
  if (!SetRAM(FMainHandle, 0x74, 1 << channel)) return false;
  collecting = true;
  return true;
}

int TLegacyAccess::GetFrequency(int channel) {
  if (!S.FLegIOActive || S.GettingBurst || !OpenWhenNeeded()) return 0;
  int r = 0;
  if (S.CollectingFrequency) {
    bool ok = true;
    if (FrequencyReady(ok)) {
      if (CollectFrequency(32, S.CollectingFrequency))
        r = S.MainChannelValue[32];
      else
        ClosePorts();
    } else if (ok) {
      r = S.MainChannelValue[32];  // still measuring: the last count
    } else {
      ClosePorts();
    }
  }
  // After a failed read the measurement is still pending: none is started over it.
  if (!S.CollectingFrequency && !StartFrequency(channel, S.CollectingFrequency)) ClosePorts();
  return r;
}

void TLegacyAccess::GetTwinFreqs(int channel1, int channel2) {
  if (!S.FLegIOActive || S.GettingBurst || !OpenWhenNeeded()) return;
  bool ok = true;
  if (S.CollectingFrequency1 && FrequencyReady(ok) && !CollectFrequency(32, S.CollectingFrequency1)) ok = false;
  if (ok && !S.CollectingFrequency1 && !S.CollectingFrequency2 && !StartFrequency(channel2, S.CollectingFrequency2))
    ok = false;
  if (ok && S.CollectingFrequency2 && FrequencyReady(ok) && !CollectFrequency(33, S.CollectingFrequency2)) ok = false;
  if (ok && !S.CollectingFrequency1 && !S.CollectingFrequency2 && !StartFrequency(channel1, S.CollectingFrequency1))
    ok = false;
  if (!ok) ClosePorts();
}

// ---- inverter ----

void TLegacyAccess::SendToInverter(const QByteArray& send) {
  if (!OpenWhenNeeded()) return;
  const QByteArray frame = inverterframe::Request(send);
  bool ok = true;
  if (S.MainDevice == KindVelUSB)
    for (int k = 0; ok && k < frame.size(); ++k)
      ok = SetRAM(FMainHandle, 0x7A + k, static_cast<unsigned char>(frame[k]));
  if (ok) ok = SetRAM(FMainHandle, 0x40, 0x80);
  if (!ok) ClosePorts();
}

QString TLegacyAccess::ReadFromInverter() {
  if (!OpenWhenNeeded()) return QString();
  QString text;
  for (int reg = 0x7A; reg <= 0x89; ++reg) {
    QByteArray out;
    if (!FDriver.DeviceIoControl(FMainHandle, legacy::GetRAM, Word(reg), kScanBytes, out) || out.isEmpty())
      continue;  // a failed read is skipped
    const int b = static_cast<unsigned char>(out[0]);
    switch (b) {
      case 1: text += QStringLiteral("soh"); break;
      case 3: text += QStringLiteral("etx"); break;
      case 5: text += QStringLiteral("enq"); break;
      case 6: text += QStringLiteral("ack"); break;
      case 21: text += QStringLiteral("nak"); break;
      case 32: text += QLatin1Char(' '); break;
      default:
        if (b >= 46 && b <= 96)
          text += QLatin1Char(static_cast<char>(b));
        else
          text += QString::number(b);
    }
  }
  return text;
}
