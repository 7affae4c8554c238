#include "platform/guardedapplication.h"

#include <exception>

#include <QTimer>

#include "platform/iprompts.h"
#include "platform/services.h"

TGuardedApplication::TGuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TGuardedApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    Report(QString::fromUtf8(e.what()));
  } catch (...) {
    Report(QStringLiteral("an unknown error"));
  }
  return false;
}

// The message waits for the event loop: the fault may have come from inside the sampling tick,
// which never waits on a person. The same fault repeated (a timer failing every time) is told once.
void TGuardedApplication::Report(const QString& what) {
  ++FFaults;
  qWarning("quorlex: caught an error: %s", qPrintable(what));
  if (what == FLastReported) return;
  FLastReported = what;
  const QString text = QStringLiteral("An operation failed: %1. Quorlex goes on; the results recorded so far are kept. "
                                      "Save them before you go on.")
                           .arg(what);
  QTimer::singleShot(0, this, [text] { TServices::Prompts().MessageDlg(text, TMsgDlgType::mtError, TMsgDlgButtons::OK); });
}
