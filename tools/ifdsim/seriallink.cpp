#include "seriallink.h"

#include "commandlog.h"
#include "serialcard.h"

namespace {
// Serving the line this often keeps each chunk to a few bytes at 38400 baud.
constexpr int kPaceMs = 1;
}  // namespace

TSerialLink::TSerialLink(const QString& name, TSerialCard& card, const TFaultPlan::TSettings& faults,
                         TCommandLog& log, int baud, QObject* parent)
    : QObject(parent), FName(name), FCard(card), FFaults(faults), FLog(log) {
  FClock.start();
  // 8N1: a start bit, eight data bits and a stop bit per byte.
  if (baud > 0) FNsPerByte = qint64(10) * 1000000000 / baud;
  FReleaseTimer.setSingleShot(true);
  connect(&FReleaseTimer, &QTimer::timeout, this, &TSerialLink::Release);
  FPaceTimer.setTimerType(Qt::PreciseTimer);
  FPaceTimer.setInterval(kPaceMs);
  connect(&FPaceTimer, &QTimer::timeout, this, &TSerialLink::Pace);
  connect(&FPort, &TPtyPort::Received, this, [this](const QByteArray& bytes) { FCard.Receive(bytes); });
  connect(&FPort, &TPtyPort::Problem, this, &TSerialLink::Problem);
  connect(&FCard, &TSerialCard::CommandReceived, this, [this](const QByteArray& c) { FLog.WriteBytes(FName, c); });
  connect(&FCard, &TSerialCard::Problem, this, [this](const QString& text) { emit Problem(FName + QStringLiteral(": ") + text); });
  connect(&FCard, &TSerialCard::Reply, this, &TSerialLink::Send);
  FCard.SetAnswerArm(!faults.NoArm);
  FCard.SetTransferCut(faults.CutTransferAt);
}

bool TSerialLink::Open(const QString& linkPath, QString* error) { return FPort.Open(linkPath, error); }

void TSerialLink::Vanish() {
  FPort.Close();
  FHeld.clear();
  FReleaseTimer.stop();
  FLine.clear();
  FPaceTimer.stop();
}

void TSerialLink::Send(const QByteArray& frame) {
  if (!FPort.IsOpen()) return;
  QByteArray bytes = frame;
  switch (FFaults.Next()) {
    case TFaultPlan::TAction::Drop:
      FLog.Write(FName, QStringLiteral("(reply dropped) ") + TCommandLog::Escape(frame));
      return;
    case TFaultPlan::TAction::Corrupt:
      bytes = TFaultPlan::CorruptFrame(frame);
      FLog.Write(FName, QStringLiteral("(reply corrupted) ") + TCommandLog::Escape(bytes));
      break;
    case TFaultPlan::TAction::Send:
      break;
  }
  if (FFaults.Settings().DelayMs <= 0 && FHeld.isEmpty()) {
    Transmit(bytes);
    return;
  }
  FHeld.append({FClock.elapsed() + FFaults.Settings().DelayMs, bytes});
  if (!FReleaseTimer.isActive()) FReleaseTimer.start(int(std::max<qint64>(0, FHeld.first().first - FClock.elapsed())));
}

void TSerialLink::Release() {
  while (!FHeld.isEmpty() && FHeld.first().first <= FClock.elapsed()) Transmit(FHeld.takeFirst().second);
  if (!FHeld.isEmpty()) FReleaseTimer.start(int(std::max<qint64>(0, FHeld.first().first - FClock.elapsed())));
}

void TSerialLink::Transmit(const QByteArray& bytes) {
  if (FNsPerByte <= 0) {
    FPort.Write(bytes);
    return;
  }
  if (FLine.isEmpty()) {
    FLineBusySince = FClock.nsecsElapsed();
    FLineSent = 0;
  }
  FLine += bytes;
  if (!FPaceTimer.isActive()) FPaceTimer.start();
}

void TSerialLink::Pace() {
  // Every byte whose ten bits have been on the line by now goes to the host.
  const qint64 due = (FClock.nsecsElapsed() - FLineBusySince) / FNsPerByte - FLineSent;
  const qsizetype n = qsizetype(std::min<qint64>(due, FLine.size()));
  if (n > 0) {
    FPort.Write(FLine.left(n));
    FLine.remove(0, n);
    FLineSent += n;
  }
  if (FLine.isEmpty()) FPaceTimer.stop();
}
