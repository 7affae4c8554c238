#pragma once
// A pseudo-terminal standing in for a card's USB serial port, reachable through a stable symlink.
// The simulator keeps its own descriptor of the terminal side open, so the port survives the host
// closing and reopening it (otherwise the master side reports a hang-up and the port dies).

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

class TPtyPort : public QObject {
  Q_OBJECT
 public:
  explicit TPtyPort(QObject* parent = nullptr) : QObject(parent) {}
  ~TPtyPort() override { Close(); }

  // Creates the terminal (raw, 38400 8N1) and the symlink; an existing symlink is replaced, any
  // other file at that path is left alone and reported.
  bool Open(const QString& linkPath, QString* error);
  // Closes both sides and removes the symlink: to the host the card has gone.
  void Close();
  bool IsOpen() const { return FMaster >= 0; }
  QString DevicePath() const { return FDevice; }
  QString LinkPath() const { return FLink; }
  void Write(const QByteArray& bytes);

 signals:
  void Received(const QByteArray& bytes);
  void Problem(const QString& text);

 private:
  void ReadReady();
  void Flush();

  int FMaster = -1;
  int FSlave = -1;
  QString FLink, FDevice;
  QSocketNotifier* FReadNotifier = nullptr;
  QSocketNotifier* FWriteNotifier = nullptr;
  QByteArray FPending;
};
