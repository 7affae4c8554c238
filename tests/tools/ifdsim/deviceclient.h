#pragma once
// The host side of a simulated driver device for tests: one socket connection = one handle, each
// call a request (u32 code, u32 inLen, u32 outSize, input) and an answer (u8 ok, u32 outLen,
// output). Waiting for an answer keeps the Qt event loop turning (the simulator runs in the same
// thread).

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

class TDeviceClient {
 public:
  explicit TDeviceClient(const QString& socketPath);
  ~TDeviceClient();
  bool IsOpen() const { return FFd >= 0; }

  struct TResult {
    bool Answered = false;  // false: no complete answer within the time, or the handle died
    bool Ok = false;
    QByteArray Data;
  };
  TResult Call(quint32 code, const QByteArray& input, quint32 outSize, int timeoutMs = 2000) {
    SendRaw(Request(code, input, outSize));
    return ReadAnswer(timeoutMs);
  }
  static QByteArray Request(quint32 code, const QByteArray& input, quint32 outSize);
  TResult ReadAnswer(int timeoutMs = 2000);
  void SendRaw(const QByteArray& bytes);
  bool Closed(int timeoutMs = 2000);

  // The five calls with the word layouts the host uses.
  int GetRam(int address, quint32 outSize = 2);  // first word, or -1 on failure
  bool SetRam(int address, int value);
  int GetPort(int port);
  bool SetPort(int port, int value);

 private:
  // Turns the event loop until the socket has something to read or the time is up.
  bool WaitReadable(const QElapsedTimer& timer, int timeoutMs) const;

  int FFd = -1;
};
