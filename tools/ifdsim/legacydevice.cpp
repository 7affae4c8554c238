#include "legacydevice.h"

#include <algorithm>

#include <QtEndian>

#include "inverter.h"
#include "plantmodel.h"

namespace {
constexpr int kInputs = 0x50, kFrequency = 0x74, kFrequencyCount = 0x75, kInverterFrame = 0x7A,
              kInverterSend = 0x40, kMode = 0xA2, kCaptureControl = 0xAC, kCaptureDelay = 0xAD,
              kCaptureChannel1 = 0x3E, kCaptureChannel2 = 0x3F, kCaptureData = 0xBE;
constexpr int kMaxBlock = 4096;
constexpr int kPreTrigger = 0x50, kTriggerLevel = 0x52, kTriggerMask = 0xBD, kScanCount = 0xBB;
constexpr int kBusy = 0x80, kAnalogueTrigger = 0x10;

quint16 Word(const QByteArray& in, int at) { return qFromLittleEndian<quint16>(in.constData() + at); }
}  // namespace

TLegacyDevice::TLegacyDevice(const TCardSpec& spec, int slot, TPlantModel& plant, TInverter& inverter)
    : FSpec(spec), FSlot(slot), FPlant(plant), FInverter(inverter), FMemory(0x10000, '\0') {}

QString TLegacyDevice::Describe(quint32 code, const QByteArray& input) {
  const auto hex = [](int v) { return QStringLiteral("0x%1").arg(v, 2, 16, QChar(u'0')); };
  const int a = input.size() >= 2 ? Word(input, 0) : -1;
  const int v = input.size() >= 4 ? Word(input, 2) : -1;
  switch (code) {
    case GetSCAN: return QStringLiteral("GetSCAN");
    case GetRAM: return QStringLiteral("GetRAM %1").arg(hex(a));
    case SetRAM: return QStringLiteral("SetRAM %1=%2").arg(hex(a), hex(v));
    case GetPort: return QStringLiteral("GetPort %1").arg(a);
    case SetPort: return QStringLiteral("SetPort %1=%2").arg(a).arg(hex(v));
    default: return QStringLiteral("unknown call 0x%1").arg(code, 8, 16, QChar(u'0'));
  }
}

TLegacyDevice::TAnswer TLegacyDevice::Call(quint32 code, const QByteArray& input, quint32 outSize) {
  const bool velUsb = FSpec.Legacy == TLegacyKind::VelUsb;
  const int needed = (code == SetRAM || code == SetPort) ? 4 : 2;
  if (input.size() < needed) return {};
  const int first = Word(input, 0);
  switch (code) {
    case GetSCAN: {
      if (!velUsb || outSize < 64) return {};
      FPlant.NextRead(FSlot);
      QByteArray out(64, '\0');
      for (int i = 0; i < 32; ++i) qToLittleEndian<quint16>(quint16(Input(i) + 2048), out.data() + 2 * i);
      return {true, out};
    }
    case GetRAM:
      if (outSize < 2) return {};
      if (first == kInputs) FPlant.NextRead(FSlot);  // a host reading input by input starts at 0
      return {true, Read(first, velUsb ? int(std::min<quint32>(outSize, kMaxBlock)) : 2)};
    case SetRAM:
      Write(first, Word(input, 2));
      return {true, {}};
    case GetPort: {
      if (outSize < 1) return {};
      int value = 0;
      if (first == 0) value = FPorts[0] & 0xFF;
      else if (first == 1) value = FPlant.DigitalInputByte(FSlot == 0 ? 0 : 8);
      else if (first == 3) value = FSlot == 1 ? 0x10 : 0;
      return {true, QByteArray(1, char(value))};
    }
    case SetPort:
      WritePort(first, Word(input, 2));
      return {true, {}};
    default:
      return {};
  }
}

int TLegacyDevice::Input(int index) {
  if (index < 16 && !FSingleEnded && index >= 8) return 0;  // differential: eight inputs only
  if (index == 0 && FSlot == 0 && FPlant.HasMultiplexer() && !(FPorts[0] & 0x10))
    index = 16 + (FPorts[0] & 0x0F);  // lines 0-4 address the multiplexer; line 4 high frees input 0
  return FPlant.AnalogueInput(FSlot * 100 + index);
}

QByteArray TLegacyDevice::Read(int address, int size) {
  if (address == kCaptureData) {
    UpdateCapture();
    // Pairs of words, channel one then two, as unsigned counts from 2047.
    QByteArray out(size, '\0');
    const double interval = CaptureInterval();
    for (int j = 0; j + 4 <= size; j += 4, ++FCapturePair) {
      const double t = FCaptureStart + double(FCapturePair) * interval;
      for (int c = 0; c < 2; ++c) {
        const int channel = quint8(FMemory[kCaptureChannel1 + c]) & 0x0F;
        const int sample = FPlant.CaptureSample(FSlot * 100 + channel, t) + 2047;
        qToLittleEndian<quint16>(quint16(std::clamp(sample, 0, 4095)), out.data() + j + 2 * c);
      }
    }
    return out;
  }
  UpdateFrequency();
  if (address <= kCaptureControl && kCaptureControl < address + size) UpdateCapture();
  QByteArray out = FMemory.mid(address, size);
  out.resize(size, '\0');  // a block running past the top of memory reads zeros
  // Registers computed on reading are laid over what was written there.
  const auto overlay = [&](int at, int bytes, int value) {
    for (int b = 0; b < bytes; ++b)
      if (at + b >= address && at + b < address + size) out[at + b - address] = char(value >> (8 * b));
  };
  for (int i = 0; i < 16; ++i)
    if (kInputs + 2 * i + 1 >= address && kInputs + 2 * i < address + size) overlay(kInputs + 2 * i, 2, Input(i) + 2048);
  overlay(kFrequency, 1, FFrequencyInput >= 0 ? 1 << FFrequencyInput : 0);
  overlay(kFrequencyCount, 2, FFrequencyCount);
  return out;
}

void TLegacyDevice::UpdateFrequency() {
  if (FFrequencyInput < 0 || FPlant.Now() < FFrequencyDone) return;
  FFrequencyCount = FPlant.FrequencyCount(FFrequencyInput);
  FFrequencyInput = -1;
}

void TLegacyDevice::Write(int address, int value) {
  FMemory[address] = char(value);
  if (address == kFrequency) {
    // One bit selects the input; anything else stops the measurement.
    const int bits = value & 0xFF;
    FFrequencyInput = (bits && !(bits & (bits - 1))) ? __builtin_ctz(bits) : -1;
    FFrequencyDone = FPlant.Now() + FGate;
  } else if (address == kMode) {
    FSingleEnded = (value & 0x80) != 0;
  } else if (address == kCaptureControl) {
    FArmed = (value & kBusy) != 0;
    FArmedAt = FScanned = FPlant.Now();
    FTriggerAt = -1;
    FCaptureStart = FArmedAt;
    FCapturePair = 0;
    UpdateCapture();
  } else if (address == kInverterSend && value == 0x80) {
    QString why;
    const QByteArray reply = FInverter.Answer(FMemory.mid(kInverterFrame, 16), &why);
    if (!reply.isEmpty()) FMemory.replace(kInverterFrame, reply.size(), reply);
  } else if (address >= 0x96 && address <= 0x9D && (address & 1)) {
    UpdateOutput(address);
  }
}

void TLegacyDevice::UpdateOutput(int highRegister) {
  // The output changes when its high byte arrives, so the low byte alone never shows a glitch.
  static const int kOutputOf[] = {2, 3, 0, 1};  // 0x96/97, 0x98/99, 0x9A/9B, 0x9C/9D
  const int output = kOutputOf[(highRegister - 0x97) / 2];
  const int counts = Word(FMemory, highRegister - 1) - 2048;
  FPlant.SetAnalogueOutput(FSlot * 100 + output, counts);
}

void TLegacyDevice::WritePort(int port, int value) {
  if (port >= 0 && port < 4) FPorts[port] = value;
  if (port != 0) return;  // port 1 is the watchdog line: kept, nothing else hangs on it
  if (FSlot == 1) {
    FPlant.SetDigitalOutputByte(8, quint8(value));
    return;
  }
  FPlant.SetDigitalOutputByte(0, quint8(value));
  if (FSpec.IsVexa()) FPlant.SetDigitalOutputByte(8, quint8(value >> 8));
}

double TLegacyDevice::CaptureInterval() const { return (Word(FMemory, kCaptureDelay) + 255) * 1e-6; }

void TLegacyDevice::UpdateCapture() {
  if (!FArmed) return;
  const double now = FPlant.Now();
  const double dt = CaptureInterval();
  const int control = quint8(FMemory[kCaptureControl]);
  const bool analogue = (control & kAnalogueTrigger) != 0;
  const int mask = quint8(FMemory[kTriggerMask]);
  const int pre = analogue ? Word(FMemory, kPreTrigger) : 0;
  if (FTriggerAt < 0) {
    if (analogue) {
      // Channel one as unsigned counts, every sample since arming: a rising crossing triggers.
      const int channel = quint8(FMemory[kCaptureChannel1]) & 0x0F;
      const int level = Word(FMemory, kTriggerLevel);
      int previous = FPlant.CaptureSample(FSlot * 100 + channel, FScanned) + 2048;
      for (double t = FScanned + dt; t <= now; t += dt) {
        const int v = FPlant.CaptureSample(FSlot * 100 + channel, t) + 2048;
        FScanned = t;
        if (previous < level && v >= level) {
          FTriggerAt = t;
          break;
        }
        previous = v;
      }
    } else if (mask == 0) {
      FTriggerAt = FArmedAt;
    } else {
      for (int line = 0; line < 8; ++line)
        if ((mask & (1 << line)) && FPlant.DigitalInput(FSlot * 8 + line)) FTriggerAt = now;
    }
    if (FTriggerAt >= 0) {
      FCaptureStart = FTriggerAt - pre * dt;
      FCapturePair = 0;
    }
  }
  // An analogue capture is over once triggered (its ring holds the samples either side); the
  // others after their count. The host waits whole milliseconds, rounded down: 2 ms of grace.
  const int count = std::max(1, int(Word(FMemory, kScanCount)));
  const double end = analogue ? FTriggerAt : FTriggerAt + count * dt;
  const bool done = FTriggerAt >= 0 && now + 0.002 >= end;
  FMemory[kCaptureControl] = char(done ? control & ~kBusy : control | kBusy);
  if (done) FArmed = false;
}
