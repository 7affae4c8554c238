#pragma once
// Bounded waiting in tests: serve the event loop until a condition holds or the time is up.

#include <functional>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

// Generous by default: a loaded machine (two test programs at once on two cores) must not fail a
// condition that is only late; a wait that holds returns at once.
inline bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 10000) {
  QElapsedTimer timer;
  timer.start();
  while (!condition()) {
    if (timer.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QThread::msleep(1);
  }
  return true;
}
