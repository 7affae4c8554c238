#pragma once
// One read of an inverter function over the legacy card: the frame goes into the card's buffer,
// and the reply that replaced it is read back 200 ms later (by the program's clock). The wait runs
// on a timer, so the window stays responsive; the reply is handed over when it has been read.

#include <cstdint>
#include <functional>

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class TQXIFD;

class TInverterQuery : public QObject {
  Q_OBJECT
 public:
  static constexpr int ReplyWaitMs = 200;
  using TDone = std::function<void(const QString& rendered)>;

  explicit TInverterQuery(QObject* parent = nullptr);

  // Sends the read of `code` ("J01") and later calls `done` with the buffer as rendered text (empty
  // when the facade went away). A read asked for while one runs replaces it.
  void Read(TQXIFD& ifd, const QByteArray& code, TDone done);
  // Reads the reply when its time has come; the timer calls it, tests may call it after moving
  // their clock.
  void Poll();
  void Cancel();

 private:
  QPointer<TQXIFD> FIFD;
  TDone FDone;
  std::int64_t FSentAt = 0;
  QTimer FTimer;
};
