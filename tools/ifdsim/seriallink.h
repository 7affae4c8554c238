#pragma once
// Puts a serial card on a pseudo-terminal: bytes from the host go to the card (and the log), the
// card's replies go back through the fault plan (dropped, corrupted or held back as asked) and
// leave at the line rate, one byte per 10 bits, as from a card's UART.

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
  // The link owns neither the card nor the log. `baud` 0: replies leave at once.
  TSerialLink(const QString& name, TSerialCard& card, const TFaultPlan::TSettings& faults, TCommandLog& log,
              int baud, QObject* parent = nullptr);
  bool Open(const QString& linkPath, QString* error);
  void Vanish();
  const TPtyPort& Port() const { return FPort; }

 signals:
  void Problem(const QString& text);

 private:
  void Send(const QByteArray& frame);
  void Release();
  // Onto the line: at once without pacing, else queued behind what is still being sent.
  void Transmit(const QByteArray& bytes);
  void Pace();

  QString FName;
  TSerialCard& FCard;
  TFaultPlan FFaults;
  TCommandLog& FLog;
  TPtyPort FPort;
  QElapsedTimer FClock;
  QList<QPair<qint64, QByteArray>> FHeld;  // (due in ms of FClock, bytes), in order
  QTimer FReleaseTimer;
  // Line pacing: bytes still to send, how many have left since the line became busy, and when.
  qint64 FNsPerByte = 0;
  QByteArray FLine;
  qint64 FLineBusySince = 0;  // ns of FClock
  qint64 FLineSent = 0;
  QTimer FPaceTimer;
};
