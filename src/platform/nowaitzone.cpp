#include "platform/nowaitzone.h"

#include <QCoreApplication>
#include <QThread>

namespace {
thread_local const char* tZone = nullptr;
}

TNoWaitZone::TNoWaitZone(const char* where) : FPrevious(tZone) { tZone = where; }

TNoWaitZone::~TNoWaitZone() { tZone = FPrevious; }

bool TNoWaitZone::Inside() {
  if (tZone) return true;
  // A dialog can only be shown from the user-interface thread; any other thread is a worker that
  // must not stop for one.
  const QCoreApplication* app = QCoreApplication::instance();
  return app && QThread::currentThread() != app->thread();
}

const char* TNoWaitZone::Where() {
  if (tZone) return tZone;
  return Inside() ? "a worker thread" : "";
}
