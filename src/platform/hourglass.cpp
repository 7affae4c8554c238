#include "platform/hourglass.h"

#include <QApplication>
#include <QCursor>

namespace {
int gDepth = 0;
}

THourglass::THourglass() : FActive(qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
  ++gDepth;
  if (FActive) QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

THourglass::~THourglass() {
  --gDepth;
  if (FActive) QApplication::restoreOverrideCursor();
}

int THourglass::Depth() { return gDepth; }
