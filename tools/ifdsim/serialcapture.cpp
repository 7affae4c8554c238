#include "serialcapture.h"

#include <QList>

#include "plantmodel.h"

namespace {
bool ParseField(const QByteArray& text, int lo, int hi, int* value) {
  if (text.isEmpty() || text.size() > 6) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  *value = text.toInt();
  return *value >= lo && *value <= hi;
}
}  // namespace

TSerialCapture::TSerialCapture(TPlantModel& plant, int slot, QObject* parent)
    : QObject(parent), FPlant(plant), FSlot(slot) {
  FPollTimer.setInterval(10);
  connect(&FPollTimer, &QTimer::timeout, this, &TSerialCapture::Poll);
  FDoneTimer.setSingleShot(true);
  connect(&FDoneTimer, &QTimer::timeout, this, [this] {
    FState = TState::Done;
    const qint64 pairs = FTrigger == TTrigger::OnAnalogue ? kPreTrigger + FCount : FCount;
    emit CaptureDone(4 + 4 * pairs);
  });
}

bool TSerialCapture::Configure(const QByteArray& command, bool vexa, QString* error) {
  const QList<QByteArray> f = command.split(',');
  if (f[0].size() != 4 || !command.startsWith("HS")) {
    *error = QStringLiteral("capture command must start with HS and two digits");
    return false;
  }
  const char kind = f[0][2];
  const int mode = f[0][3] - '0' - (vexa ? 1 : 0);
  struct {
    char Kind;
    TTrigger Trigger;
    int SingleEnded;
    int Fields;
  } const kinds[] = {{'3', TTrigger::Software, 3, 5}, {'6', TTrigger::OnDigital, 5, 6}, {'1', TTrigger::OnAnalogue, 7, 6}};
  for (const auto& k : kinds) {
    if (k.Kind != kind) continue;
    if (mode != k.SingleEnded && mode != k.SingleEnded - 1) break;
    if (f.size() != k.Fields) {
      *error = QStringLiteral("capture command needs %1 comma-separated fields").arg(k.Fields);
      return false;
    }
    const bool diff = mode != k.SingleEnded;
    const int maxChannel = diff ? 7 : 15;
    int ch1 = 0, ch2 = 0, delay = 0, count = 0, input = 0, level = 0;
    if (!ParseField(f[1], 0, maxChannel, &ch1) || !ParseField(f[2], 0, maxChannel, &ch2)) {
      *error = QStringLiteral("capture channels must be 0-%1").arg(maxChannel);
      return false;
    }
    if (!ParseField(f[3], 0, 65535, &delay) || !ParseField(f[4], 1, kPreTrigger, &count)) {
      *error = QStringLiteral("capture delay must be 0-65535 and the sample count 1-%1").arg(kPreTrigger);
      return false;
    }
    if (k.Trigger == TTrigger::OnDigital && !ParseField(f[5], 0, 7, &input)) {
      *error = QStringLiteral("digital trigger input must be 0-7");
      return false;
    }
    if (k.Trigger == TTrigger::OnAnalogue && !ParseField(f[5], 0, 4095, &level)) {
      *error = QStringLiteral("analogue trigger level must be 0-4095");
      return false;
    }
    FTrigger = k.Trigger;
    FDifferential = diff;
    FCh1 = ch1, FCh2 = ch2, FDelay = delay;
    // For an analogue trigger the count is the number of pairs after the trigger.
    FCount = count;
    FTriggerInput = input;
    FTriggerLevel = level;
    return true;
  }
  *error = QStringLiteral("unknown capture kind or mode digits \"%1\"").arg(QString::fromLatin1(f[0].mid(2)));
  return false;
}

void TSerialCapture::Arm() {
  FDoneTimer.stop();
  FPollTimer.stop();
  const double now = FPlant.Now();
  if (FTrigger == TTrigger::Software) {
    StartCapturing(now, FCount);
    return;
  }
  FState = TState::Waiting;
  FScanned = now;
  FPollTimer.start();
  Poll();
}

void TSerialCapture::StartCapturing(double triggerTime, int pairs) {
  FState = TState::Capturing;
  FBase = FTrigger == TTrigger::OnAnalogue ? triggerTime - kPreTrigger * IntervalSeconds() : triggerTime;
  FDoneTimer.start(int(pairs * IntervalSeconds() * 1000 + 0.5));
}

int TSerialCapture::Sample(int channel, double t) { return FPlant.CaptureSample(FSlot * 100 + channel, t); }

void TSerialCapture::Poll() {
  if (FState != TState::Waiting) return;
  const double now = FPlant.Now();
  if (FTrigger == TTrigger::OnDigital) {
    if (FPlant.DigitalInput(FSlot * 8 + FTriggerInput)) {
      FPollTimer.stop();
      StartCapturing(now, FCount);
    }
    return;
  }
  // The card compares every sample of channel one, as unsigned counts, with the level: a rising
  // crossing triggers.
  const double dt = IntervalSeconds();
  const int level = FTriggerLevel;
  int previous = Sample(FCh1, FScanned) + 2048;
  for (double t = FScanned + dt; t <= now; t += dt) {
    const int v = Sample(FCh1, t) + 2048;
    if (previous < level && v >= level) {
      FPollTimer.stop();
      StartCapturing(t, FCount);
      return;
    }
    previous = v;
    FScanned = t;
  }
}

QByteArray TSerialCapture::Transfer(qint64 start, qint64 count, QString* error) {
  if (FState != TState::Done) {
    *error = QStringLiteral("transfer asked before a capture finished");
    return {};
  }
  if (start < 4 || count < 1 || count > 2 * qint64(kPreTrigger) * 2) {
    *error = QStringLiteral("transfer start must be 4 or more and the count 1-%1").arg(4 * kPreTrigger);
    return {};
  }
  QByteArray out;
  out.reserve(count * 8);
  const qint64 first = (start - 4) / 4;
  for (qint64 m = 0; m < count; ++m) {
    const int channel = m % 2 == 0 ? FCh1 : FCh2;
    const double t = FBase + double(first + m / 2) * IntervalSeconds();
    out += QByteArray::number(Sample(channel, t));
    out += char(0x87 + channel);
    out += '\r';
  }
  return out;
}
