#pragma once
// Bounded waiting in tests: serve the event loop until a condition holds or the time is up.

#include <functional>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

inline bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 3000) {
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
