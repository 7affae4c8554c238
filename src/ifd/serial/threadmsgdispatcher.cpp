#include "ifd/serial/threadmsgdispatcher.h"

#include <QCoreApplication>
#include <QMetaObject>

#include "platform/nowaitzone.h"

TThreadMsgDispatcher::TThreadMsgDispatcher(TTake takeOut, TTake takeIn, TDeliver deliver, QObject* parent)
    : QThread(parent), FTakeOut(std::move(takeOut)), FTakeIn(std::move(takeIn)), FDeliver(std::move(deliver)) {}

TThreadMsgDispatcher::~TThreadMsgDispatcher() { Stop(); }

void TThreadMsgDispatcher::SetSleepTime(int currentMils, int baseMils) {
  FSleepTimeMils = currentMils < 0 ? 0 : currentMils;
  FSleepTimeMilsBase = baseMils;
  FWake.notify_all();
}

void TThreadMsgDispatcher::Suspend() { FSuspended = true; }

void TThreadMsgDispatcher::Resume() {
  {
    std::lock_guard<std::mutex> guard(FWakeLock);
    FSuspended = false;
  }
  FWake.notify_all();
}

void TThreadMsgDispatcher::Wake() {
  {
    std::lock_guard<std::mutex> guard(FWakeLock);
    FWakeRequested = true;
  }
  FWake.notify_all();
}

bool TThreadMsgDispatcher::Stop() {
  {
    std::lock_guard<std::mutex> guard(FWakeLock);
    FTerminated = true;
  }
  FWake.notify_all();
  if (!isRunning()) return true;
  if (FInHandOver || QThread::currentThread() == this) return false;
  // The thread may be blocked in a hand-over posted to this (GUI) thread: serve exactly those
  // calls while waiting; they see the stop and return at once.
  while (!wait(5)) QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
  return true;
}

void TThreadMsgDispatcher::run() {
  while (!FTerminated) {
    {
      std::unique_lock<std::mutex> lock(FWakeLock);
      FWake.wait(lock, [this] { return FTerminated || !FSuspended; });
    }
    if (FTerminated) break;
    FWakeRequested = false;
    QMetaObject::invokeMethod(this, [this] { HandOver(); }, Qt::BlockingQueuedConnection);
    std::unique_lock<std::mutex> lock(FWakeLock);
    FWake.wait_for(lock, std::chrono::milliseconds(FSleepTimeMils.load()),
                   [this] { return FTerminated.load() || FWakeRequested.load(); });
  }
}

void TThreadMsgDispatcher::HandOver() {
  if (FTerminated || FInHandOver) return;
  FInHandOver = true;
  const TNoWaitZone zone("the serial dispatcher");
  FMsgOut = FTakeOut ? FTakeOut() : QStringList();
  FMsgIn = FTakeIn ? FTakeIn() : QStringList();
  if (FDeliver) FDeliver(FMsgOut, FMsgIn);
  FMsgOut.clear();
  FMsgIn.clear();
  FInHandOver = false;
}
