// The dispatcher thread: pace, order, suspension and a stop that can neither hang nor crash.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QPointer>

#include "fakeportbench.h"
#include "ifd/serial/availableports.h"
#include "ifd/serial/threadmsgdispatcher.h"
#include "waitfor.h"

namespace {
class Dispatcher : public ::testing::Test {
 protected:
  void Record(const char* tag) {
    TAvailablePorts::RegisterLogDataOutMeth([this, tag](const QString& m) { FSeen << QString(tag) + " out " + m; },
                                            tag);
    TAvailablePorts::RegisterLogDataInMeth([this, tag](const QString& m) { FSeen << QString(tag) + " in " + m; }, tag);
  }
  TFakePortBench FBench;  // a clean program-wide serial state before and after
  QStringList FSeen;
};
}  // namespace

TEST_F(Dispatcher, EveryWaitingMessageInOneCycleToEveryHandlerInOrder) {
  Record("A");
  Record("B");
  for (const char* m : {"o1", "o2", "o3"}) TAvailablePorts::QueueOutgoing(m);
  for (const char* m : {"i1", "i2"}) TAvailablePorts::QueueIncoming(m);
  TAvailablePorts::StartDispatcher();
  // A long pause: a second cycle could not come within the wait.
  TAvailablePorts::SetDispatcherSpeed(5000);
  ASSERT_TRUE(WaitFor([&] { return FSeen.size() == 10; }, 2000)) << FSeen.join(", ").toStdString();
  EXPECT_EQ(FSeen, (QStringList{"A out o1", "B out o1", "A out o2", "B out o2", "A out o3", "B out o3", "A in i1",
                                "B in i1", "A in i2", "B in i2"}));
}

TEST_F(Dispatcher, ABacklogCannotBuildUpBehindThePace) {
  // A card tick brings several replies; at one message a cycle they would fall further and further
  // behind. Here ten arrive every cycle and none may wait beyond the next cycle.
  Record("A");
  TAvailablePorts::StartDispatcher();
  TAvailablePorts::SetDispatcherSpeed(20);
  int queued = 0;
  for (int round = 0; round < 10; ++round) {
    for (int i = 0; i < 10; ++i) TAvailablePorts::QueueIncoming(QString::number(queued++));
    WaitFor([] { return false; }, 25);
  }
  EXPECT_TRUE(WaitFor([&] { return FSeen.size() == queued; }, 200)) << FSeen.size();
  EXPECT_EQ(TAvailablePorts::PendingIn(), 0);
}

TEST_F(Dispatcher, AReplyDoesNotWaitForThePace) {
  // Outgoing log texts keep the pace; a card's reply ends the pause, or the diagram would show it
  // up to a whole pause late.
  Record("A");
  TAvailablePorts::StartDispatcher();
  TAvailablePorts::SetDispatcherSpeed(5000);
  WaitFor([] { return false; }, 100);  // the first cycle is over: the thread is in its pause
  TAvailablePorts::QueueOutgoing("command");
  WaitFor([] { return false; }, 100);
  EXPECT_TRUE(FSeen.isEmpty());
  TAvailablePorts::QueueIncoming("reply");
  EXPECT_TRUE(WaitFor([&] { return FSeen == QStringList{"A out command", "A in reply"}; }, 1000))
      << FSeen.join(", ").toStdString();
}

TEST_F(Dispatcher, RegisteringAgainReplacesAndUnregisteringStops) {
  int first = 0, second = 0;
  static const int key = 0;
  TAvailablePorts::RegisterLogDataInMeth([&](const QString&) { ++first; }, &key);
  TAvailablePorts::RegisterLogDataInMeth([&](const QString&) { ++second; }, &key);
  TAvailablePorts::QueueIncoming("x");
  TAvailablePorts::DispatchOnce();
  EXPECT_EQ(first, 0);
  EXPECT_EQ(second, 1);
  TAvailablePorts::UnregisterHandlers(&key);
  TAvailablePorts::QueueIncoming("y");
  TAvailablePorts::DispatchOnce();
  EXPECT_EQ(second, 1);
}

TEST_F(Dispatcher, SuspendHoldsTheQueuesUntilResumed) {
  Record("A");
  TAvailablePorts::StartDispatcher();
  TAvailablePorts::SetDispatcherSpeed(1);
  TAvailablePorts::Dispatcher()->Suspend();
  WaitFor([] { return false; }, 30);  // let a cycle in flight finish
  FSeen.clear();
  TAvailablePorts::QueueIncoming("held");
  WaitFor([] { return false; }, 60);
  EXPECT_TRUE(FSeen.isEmpty());
  EXPECT_EQ(TAvailablePorts::PendingIn(), 1);
  TAvailablePorts::Dispatcher()->Resume();
  EXPECT_TRUE(WaitFor([&] { return FSeen == QStringList{"A in held"}; }));
}

TEST_F(Dispatcher, SpeedControl) {
  EXPECT_EQ(TAvailablePorts::getDispatcherSleepInterval(), -1);
  TAvailablePorts::StartDispatcher();
  EXPECT_EQ(TAvailablePorts::getDispatcherSleepInterval(), 50);
  TAvailablePorts::SetDispatcherSpeed(40);
  TAvailablePorts::applyDeltaToDispatcherSpeed(20);
  EXPECT_EQ(TAvailablePorts::getDispatcherSleepInterval(), 60);
  EXPECT_EQ(TAvailablePorts::Dispatcher()->SleepTimeMilsBase(), 40);
  // A delta that would bring the pause below 1 ms is refused.
  TAvailablePorts::SetDispatcherSpeed(40);
  TAvailablePorts::applyDeltaToDispatcherSpeed(-40);
  EXPECT_EQ(TAvailablePorts::getDispatcherSleepInterval(), 40);
  TAvailablePorts::applyDeltaToDispatcherSpeed(-39);
  EXPECT_EQ(TAvailablePorts::getDispatcherSleepInterval(), 1);
}

TEST_F(Dispatcher, StopsWhileItsHandOverWaitsForABusyGuiThread) {
  Record("A");
  TAvailablePorts::QueueIncoming("never delivered");
  TAvailablePorts::StartDispatcher();
  TAvailablePorts::SetDispatcherSpeed(0);
  // The GUI thread serves no events: the thread is now blocked in its hand-over.
  QThread::msleep(50);
  QElapsedTimer timer;
  timer.start();
  TAvailablePorts::Shutdown();
  EXPECT_LT(timer.elapsed(), 1000);
  EXPECT_EQ(TAvailablePorts::Dispatcher(), nullptr);
  EXPECT_TRUE(FSeen.isEmpty());
}

TEST_F(Dispatcher, StopsFromInsideAHandler) {
  // As when the program closes from a prompt a handler opened: the stop cannot wait there.
  static const int key = 0;
  QPointer<TThreadMsgDispatcher> thread;
  int handled = 0;
  TAvailablePorts::RegisterLogDataInMeth(
      [&](const QString&) {
        ++handled;
        TAvailablePorts::Shutdown();
      },
      &key);
  TAvailablePorts::QueueIncoming("close");
  TAvailablePorts::QueueIncoming("after the end");
  TAvailablePorts::StartDispatcher();
  TAvailablePorts::SetDispatcherSpeed(1);
  thread = TAvailablePorts::Dispatcher();
  ASSERT_TRUE(WaitFor([&] { return handled > 0; }));
  EXPECT_EQ(TAvailablePorts::Dispatcher(), nullptr);
  EXPECT_TRUE(WaitFor([&] { return thread.isNull(); })) << "the thread did not end after its last hand-over";
  // The message taken with the first is not delivered into the ended layer.
  EXPECT_EQ(handled, 1);
}
