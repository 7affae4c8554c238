#include "seriallink.h"

#include "commandlog.h"
#include "serialcard.h"

TSerialLink::TSerialLink(const QString& name, TSerialCard& card, const TFaultPlan::TSettings& faults,
                         TCommandLog& log, QObject* parent)
    : QObject(parent), FName(name), FCard(card), FFaults(faults), FLog(log) {
  FClock.start();
  FReleaseTimer.setSingleShot(true);
  connect(&FReleaseTimer, &QTimer::timeout, this, &TSerialLink::Release);
  connect(&FPort, &TPtyPort::Received, this, [this](const QByteArray& bytes) { FCard.Receive(bytes); });
  connect(&FPort, &TPtyPort::Problem, this, &TSerialLink::Problem);
  connect(&FCard, &TSerialCard::CommandReceived, this, [this](const QByteArray& c) { FLog.WriteBytes(FName, c); });
  connect(&FCard, &TSerialCard::Problem, this, [this](const QString& text) { emit Problem(FName + QStringLiteral(": ") + text); });
  connect(&FCard, &TSerialCard::Reply, this, &TSerialLink::Send);
  FCard.SetAnswerArm(!faults.NoArm);
}

bool TSerialLink::Open(const QString& linkPath, QString* error) { return FPort.Open(linkPath, error); }

void TSerialLink::Vanish() {
  FPort.Close();
  FHeld.clear();
  FReleaseTimer.stop();
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
    FPort.Write(bytes);
    return;
  }
  FHeld.append({FClock.elapsed() + FFaults.Settings().DelayMs, bytes});
  if (!FReleaseTimer.isActive()) FReleaseTimer.start(int(std::max<qint64>(0, FHeld.first().first - FClock.elapsed())));
}

void TSerialLink::Release() {
  while (!FHeld.isEmpty() && FHeld.first().first <= FClock.elapsed()) FPort.Write(FHeld.takeFirst().second);
  if (!FHeld.isEmpty()) FReleaseTimer.start(int(std::max<qint64>(0, FHeld.first().first - FClock.elapsed())));
}
