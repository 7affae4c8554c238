#pragma once
// The dispatcher thread: it only paces. Every cycle it hands the outgoing and incoming messages
// waiting at that moment to the handlers on the GUI thread (a blocking hand-over), then sleeps
// FSleepTimeMils. Handing over all of them keeps a card's replies from piling up behind the pace:
// one tick of a card brings several. A reply arriving ends the pause early (Wake), so what the
// diagram shows is never older than the line makes it. It touches no message itself, so the
// queues need no lock.

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

#include <QString>
#include <QStringList>
#include <QThread>

class TThreadMsgDispatcher : public QThread {
  Q_OBJECT
 public:
  // Takes every message waiting in one queue.
  using TTake = std::function<QStringList()>;
  using TDeliver = std::function<void(const QStringList& msgOut, const QStringList& msgIn)>;

  static constexpr int DefaultSleepMils = 50;

  // Create on the GUI thread: the hand-overs run on the thread this object lives in.
  TThreadMsgDispatcher(TTake takeOut, TTake takeIn, TDeliver deliver, QObject* parent = nullptr);
  // Stops the thread; see Stop().
  ~TThreadMsgDispatcher() override;

  int SleepTimeMils() const { return FSleepTimeMils.load(); }
  int SleepTimeMilsBase() const { return FSleepTimeMilsBase.load(); }
  void SetSleepTime(int currentMils, int baseMils);

  void Suspend();
  void Resume();
  // Ends the current pause: a message is waiting that should not wait for the pace.
  void Wake();

  // Tells the thread to end and waits for it, serving its pending hand-over meanwhile so a waiting
  // GUI thread and a blocked dispatcher cannot deadlock. Called from inside a hand-over (a prompt
  // opened by a handler, and the program closed from there) it does not wait: the thread ends as
  // soon as that hand-over returns. Returns whether the thread has ended.
  bool Stop();
  // The messages being delivered (empty between hand-overs).
  QStringList MsgOut() const { return FMsgOut; }
  QStringList MsgIn() const { return FMsgIn; }

 protected:
  void run() override;

 private:
  void HandOver();

  TTake FTakeOut;
  TTake FTakeIn;
  TDeliver FDeliver;
  QStringList FMsgOut;
  QStringList FMsgIn;
  bool FInHandOver = false;
  std::atomic<int> FSleepTimeMils{DefaultSleepMils};
  std::atomic<int> FSleepTimeMilsBase{DefaultSleepMils};
  std::atomic<bool> FSuspended{false};
  std::atomic<bool> FTerminated{false};
  std::atomic<bool> FWakeRequested{false};
  std::mutex FWakeLock;
  std::condition_variable FWake;
};
