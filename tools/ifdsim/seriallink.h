#pragma once
// Puts a serial card on a pseudo-terminal: bytes from the host go to the card (and the log), the
// card's replies go back through the fault plan (dropped, corrupted or held back as asked).

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

#include "faultplan.h"
#include "ptyport.h"

class TCommandLog;
class TSerialCard;

class TSerialLink : public QObject {
  Q_OBJECT
 public:
  // The link owns neither the card nor the log.
  TSerialLink(const QString& name, TSerialCard& card, const TFaultPlan::TSettings& faults, TCommandLog& log,
              QObject* parent = nullptr);
  bool Open(const QString& linkPath, QString* error);
  void Vanish();
  const TPtyPort& Port() const { return FPort; }

 signals:
  void Problem(const QString& text);

 private:
  void Send(const QByteArray& frame);
  void Release();

  QString FName;
  TSerialCard& FCard;
  TFaultPlan FFaults;
  TCommandLog& FLog;
  TPtyPort FPort;
  QElapsedTimer FClock;
  QList<QPair<qint64, QByteArray>> FHeld;  // (due in ms of FClock, bytes), in order
  QTimer FReleaseTimer;
};
