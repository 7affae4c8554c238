#pragma once
// The program's application object. An exception that escapes an event handler, a timer's slot or
// a queued call would otherwise unwind into the event loop and end the program, losing every
// unsaved sample: here it is caught where the event was delivered, reported once the event is
// over, and the program goes on.

#include <QApplication>
#include <QString>

class TGuardedApplication : public QApplication {
  Q_OBJECT
 public:
  TGuardedApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
  // How many faults were caught so far.
  int Faults() const { return FFaults; }

 private:
  void Report(const QString& what);
  int FFaults = 0;
  QString FLastReported;
};
