#pragma once
// The main window's identification of the inverter: after a settling second with frequency
// sampling paused, the read of J01; acknowledged, the read of H10, whose answer gives the program
// type; then the read of A05, whose data gives the program number. Each next read is requested
// through a posted window message, as the main window's message handler sends it. On the serial
// path the replies come back as inverter reply lines; on the legacy path each is read back from the
// card 200 ms after its read. Nothing here blocks the window.
//
// An identification that ends early (a refused or garbled reply, or none within two seconds) turns
// frequency sampling back on, so the frequency readings never stay frozen after a failed query.

#include <cstdint>

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include "inverter/inverterframe.h"
#include "inverter/inverterquery.h"
#include "inverter/invertertype.h"

class IInverterHost;
class TQXIFD;

class TInverterLink : public QObject {
  Q_OBJECT
 public:
  static constexpr int SettleMs = 1000;
  static constexpr int ReplyTimeoutMs = 2000;
  // Pending: a next read has been requested through a posted message and not yet sent.
  enum class TStep { Idle, Settling, J01, H10, A05, Pending };

  explicit TInverterLink(IInverterHost& host, QObject* parent = nullptr);

  // The Inverter Programmer command, and the automatic query: starts (or restarts) the sequence.
  void Start();
  // Sends the read of `code` on whichever path is active.
  void SendRead(const QByteArray& code);
  // An inverter reply line from the serial card.
  void SerialReply(const QByteArray& line);
  // The last step: fresh frequency readings, frequency sampling on again.
  void Activate();
  // Runs the settling wait and the reply timeout; the timer calls it, tests after moving the clock.
  void Poll();
  TStep Step() const { return FStep; }
  bool Running() const { return FStep != TStep::Idle; }

  // The inverter panel's text, and the warning shown when the program is not the connected rig's.
  static QString StatusText(TInverterType type, int program, int captureId);
  static QString MismatchText(int captureId, int program);

 private:
  void Reply(const inverterframe::TReply& reply);
  void Post(const char* message);
  void Finish();
  static TQXIFD* IFD();

  IInverterHost& FHost;
  TStep FStep = TStep::Idle;
  std::int64_t FSince = 0;  // start of the settling wait, or sending of the serial read
  bool FSerial = false;     // the read in hand went out on the serial path
  TInverterQuery FQuery;
  QTimer FTimer;
};
