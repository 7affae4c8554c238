#pragma once
// The host side of a simulated serial card for tests: opens the pty symlink raw at 38400 8N1 and
// speaks bytes. While it waits for replies it keeps the Qt event loop turning, because the
// simulator under test runs in the same thread.

#include <QByteArray>
#include <QString>

class TSerialClient {
 public:
  explicit TSerialClient(const QString& path);
  ~TSerialClient();
  bool IsOpen() const { return FFd >= 0; }

  void Send(const QByteArray& bytes);
  // Reads until `frames` replies (CR after a code byte 0x80-0xA0) have arrived or the timeout
  // passes; returns what arrived.
  QByteArray ReadFrames(int frames, int timeoutMs = 2000);
  // Reads whatever arrives within the time.
  QByteArray ReadFor(int ms);
  // True once the far side has gone (read reports end or an error).
  bool HungUp(int timeoutMs = 2000);
  QByteArray Ask(const QByteArray& command, int frames = 1) {
    Send(command);
    return ReadFrames(frames);
  }

 private:
  int CountFrames() const;
  bool Pump();

  int FFd = -1;
  QByteArray FIn;
  bool FHungUp = false;
};
