#include "serialcard.h"

#include "commandlog.h"
#include "inverter.h"
#include "plantmodel.h"

namespace {
constexpr char CR = '\r';
constexpr char ETX = 0x03;
// Longest command the card accepts; anything longer without a CR is line noise.
constexpr int kMaxCommand = 64;

enum : int {
  kAckOutput0 = 0x80, kAckDigital = 0x84, kDigitalIn = 0x85, kAllInputs = 0x86, kInput0 = 0x87,
  kAckMode = 0x97, kFrequency = 0x98, kAckFilter = 0x99, kCaptureRun = 0x9A, kCaptureStop = 0x9B,
  kIdentity = 0x9D, kInverter = 0x9E, kDigitalInHigh = 0x9F, kAckDigitalHigh = 0xA0
};

// Decimal digits only, within [lo, hi].
bool ParseUnsigned(const QByteArray& text, int lo, int hi, int* value) {
  if (text.isEmpty() || text.size() > 9) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  *value = text.toInt();
  return *value >= lo && *value <= hi;
}

// An output value: "-n", "0" or "+n"; a bare number is taken as well.
bool ParseOutputValue(const QByteArray& text, int* value) {
  if (text.isEmpty()) return false;
  const bool negative = text[0] == '-';
  const QByteArray digits = (text[0] == '-' || text[0] == '+') ? text.mid(1) : text;
  int magnitude = 0;
  if (!ParseUnsigned(digits, 0, 2048, &magnitude)) return false;
  *value = negative ? -magnitude : std::min(magnitude, 2047);
  return true;
}
}  // namespace

TSerialCard::TSerialCard(const TCardSpec& spec, int slot, TPlantModel& plant, TInverter& inverter, QObject* parent)
    : QObject(parent), FSpec(spec), FSlot(slot), FPlant(plant), FInverter(inverter), FCapture(plant, slot),
      FMode(spec.Mode) {
  connect(&FCapture, &TSerialCapture::CaptureDone, this, [this](qint64 end) {
    Send("HSEND" + QByteArray::number(end), kCaptureStop);
  });
}

QByteArray TSerialCard::Frame(const QByteArray& data, int code) { return data + char(code) + CR; }

QByteArray TSerialCard::IdentificationText() const {
  return "VELTRIM-IFD-" + FSpec.Firmware + '-' + FSpec.Model + '-' + FSpec.RoleDigit + '.';
}

int TSerialCard::DigitalLine(int cardLine) const {
  if (FSlot == 0) return cardLine;
  return cardLine < 8 ? 8 + cardLine : -1;  // the second card has eight lines
}

void TSerialCard::Refuse(const QByteArray& command, const QString& why) {
  emit Problem(QStringLiteral("\"%1\" not answered: %2").arg(TCommandLog::Escape(command), why));
}

void TSerialCard::Receive(const QByteArray& bytes) {
  FBuffer += bytes;
  for (;;) {
    // Leading line feeds and NULs are noise some terminals add; they are never part of a command.
    while (!FBuffer.isEmpty() && (FBuffer[0] == '\n' || FBuffer[0] == '\0')) FBuffer.remove(0, 1);
    if (FBuffer.startsWith("IMO,")) {
      // An inverter frame carries no CR: it ends two bytes after its ETX.
      const int etx = FBuffer.indexOf(ETX, 4);
      const int cr = FBuffer.indexOf(CR, 4);
      if (cr >= 0 && (etx < 0 || cr < etx)) {
        emit CommandReceived(FBuffer.left(cr + 1));
        Refuse(FBuffer.left(cr), QStringLiteral("inverter frame without ETX"));
        FBuffer.remove(0, cr + 1);
        continue;
      }
      if (etx >= 0 && FBuffer.size() >= etx + 3) {
        const QByteArray frame = FBuffer.mid(4, etx + 3 - 4);
        emit CommandReceived(FBuffer.left(etx + 3));
        FBuffer.remove(0, etx + 3);
        HandleInverter(frame);
        continue;
      }
      if (FBuffer.size() > kMaxCommand) {
        Refuse(FBuffer, QStringLiteral("inverter frame too long"));
        FBuffer.clear();
      }
      return;
    }
    const int cr = FBuffer.indexOf(CR);
    if (FDiscarding) {
      // The rest of an overlong line: dropped up to its CR.
      if (cr < 0) return FBuffer.clear();
      FBuffer.remove(0, cr + 1);
      FDiscarding = false;
      continue;
    }
    if (cr > kMaxCommand || (cr < 0 && FBuffer.size() > kMaxCommand)) {
      emit CommandReceived(FBuffer.left(kMaxCommand));
      Refuse(FBuffer.left(kMaxCommand), QStringLiteral("longer than %1 bytes, discarded").arg(kMaxCommand));
      FDiscarding = true;
      continue;
    }
    if (cr < 0) return;
    const QByteArray command = FBuffer.left(cr);
    FBuffer.remove(0, cr + 1);
    emit CommandReceived(command + CR);
    Handle(command);
  }
}

void TSerialCard::Handle(const QByteArray& command) {
  if (command == "ARM") {
    if (FAnswerArm) Send(IdentificationText(), kIdentity);
    return;
  }
  if (command == "IM1" || command == "IM2") {
    FMode = command == "IM1" ? TInputMode::Differential : TInputMode::SingleEnded;
    Send("OK", kAckMode);
    return;
  }
  if (command.startsWith('F')) {
    if (!ParseUnsigned(command.mid(1), 0, 255, &FFilter)) return Refuse(command, QStringLiteral("filter must be 0-255"));
    Send("OK", kAckFilter);
    return;
  }
  if (HandleRead(command) || HandleOutput(command) || HandleCapture(command)) return;
  Refuse(command, QStringLiteral("unknown command"));
}

bool TSerialCard::HandleRead(const QByteArray& command) {
  int k = 0;
  if (command == "IA") {
    FPlant.NextRead(FSlot);
    const int inputs = FMode == TInputMode::Differential ? 8 : 16;
    for (int i = 0; i < inputs; ++i) Send(QByteArray::number(FPlant.AnalogueInput(FSlot * 100 + i)), kAllInputs);
    return true;
  }
  if (command.startsWith('I') && ParseUnsigned(command.mid(1), 0, 15, &k)) {
    FPlant.NextRead(FSlot);
    Send(QByteArray::number(FPlant.AnalogueInput(FSlot * 100 + k)), kInput0 + k);
    return true;
  }
  if (command == "DI" || command == "DI1" || command == "DI3") {
    const bool high = command == "DI3";
    quint8 value = 0;
    for (int i = 0; i < 8; ++i) {
      const int line = DigitalLine(i + (high ? 8 : 0));
      if (line >= 0 && FPlant.DigitalInput(line)) value |= quint8(1 << i);
    }
    Send(QByteArray::number(value), high ? kDigitalInHigh : kDigitalIn);
    return true;
  }
  if (command.startsWith('C') && command.size() > 1) {
    if (!ParseUnsigned(command.mid(1), 0, 7, &k)) {
      Refuse(command, QStringLiteral("frequency input must be 0-7"));
      return true;
    }
    Send(QByteArray::number(FPlant.FrequencyCount(k)), kFrequency);
    return true;
  }
  return false;
}

bool TSerialCard::HandleOutput(const QByteArray& command) {
  int value = 0;
  if (command.size() >= 3 && command[0] == 'O' && command[1] >= '0' && command[1] <= '3') {
    const int k = command[1] - '0';
    if (FSpec.IsVexa() && k >= 2) Refuse(command, QStringLiteral("a Vexa has analogue outputs 0 and 1 only"));
    else if (!ParseOutputValue(command.mid(2), &value)) Refuse(command, QStringLiteral("output value must be -2048..+2048"));
    else {
      FPlant.SetAnalogueOutput(FSlot * 100 + k, value);
      Send("OK", kAckOutput0 + k);
    }
    return true;
  }
  if (!command.startsWith("DO")) return false;
  const bool indexed = command.startsWith("DO0,") || command.startsWith("DO1,");
  const bool high = command.startsWith("DO1,");
  if (!ParseUnsigned(command.mid(indexed ? 4 : 2), 0, 255, &value)) {
    Refuse(command, QStringLiteral("digital output byte must be 0-255"));
    return true;
  }
  const int first = DigitalLine(high ? 8 : 0);
  if (first >= 0) FPlant.SetDigitalOutputByte(first, quint8(value));
  Send("OK", high ? kAckDigitalHigh : kAckDigital);
  return true;
}

bool TSerialCard::HandleCapture(const QByteArray& command) {
  if (command.startsWith("HS")) {
    QString why;
    if (!FCapture.Configure(command, FSpec.IsVexa(), &why)) {
      Refuse(command, why);
      return true;
    }
    Send("OK", kCaptureRun);
    FCapture.Arm();
    return true;
  }
  if (!command.startsWith('T')) return false;
  const QList<QByteArray> f = command.mid(1).split(',');
  int start = 0, count = 0;
  if (f.size() != 2 || !ParseUnsigned(f[0], 0, 999999999, &start) || !ParseUnsigned(f[1], 0, 999999999, &count)) {
    Refuse(command, QStringLiteral("transfer must be T<start>,<count>"));
    return true;
  }
  QString why;
  QByteArray data = FCapture.Transfer(start, count, &why);
  if (data.isEmpty()) {
    Refuse(command, why);
    return true;
  }
  if (FTransferCut > 0 && data.size() > FTransferCut) {
    emit Problem(QStringLiteral("transfer cut after %1 of %2 bytes").arg(FTransferCut).arg(data.size()));
    data.truncate(FTransferCut);
  }
  emit Reply(data);
  return true;
}

void TSerialCard::HandleInverter(const QByteArray& frame) {
  if (!FSpec.IsVexa()) return Refuse("IMO," + frame, QStringLiteral("only a Vexa passes inverter frames"));
  QString why;
  const QByteArray reply = FInverter.Answer(frame, &why);
  if (reply.isEmpty()) return Refuse("IMO," + frame, QStringLiteral("inverter: %1").arg(why));
  if (!why.isEmpty()) emit Problem(QStringLiteral("inverter answers NAK: %1").arg(why));
  Send(reply, kInverter);
}
