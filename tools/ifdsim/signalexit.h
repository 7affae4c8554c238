#pragma once
// Turns SIGINT, SIGTERM and SIGHUP into a Qt signal on the event loop, so the simulator stops
// through its normal shutdown (symlinks and sockets removed) instead of dying where it stands.

#include <QObject>

class QSocketNotifier;

class TSignalExit : public QObject {
  Q_OBJECT
 public:
  explicit TSignalExit(QObject* parent = nullptr);
  ~TSignalExit() override;

 signals:
  void Caught(int signal);

 private:
  QSocketNotifier* FNotifier = nullptr;
};
