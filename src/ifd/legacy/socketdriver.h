#pragma once
// The legacy driver on this platform: each device is a Unix-domain socket named after the device
// ("\\.\VelUSB0" -> <device folder>/VelUSB0); one connection is one handle, each control call one
// request and one answer. No socket: the device is absent.
//
//   request:  u32 code | u32 inLen | u32 outSize | input bytes     (little-endian)
//   answer:   u8 ok    | u32 outLen | output bytes

#include <map>
#include <memory>

#include <QDeadlineTimer>
#include <QString>

#include "ifd/legacy/ilegacydriver.h"

class QLocalSocket;

class TSocketDriver : public ILegacyDriver {
 public:
  // A driver call takes milliseconds; one that has not been answered by then never will be in time.
  static constexpr int DefaultTimeoutMs = 250;
  // A device that did not answer is taken for absent this long, so sampling does not stall on it
  // every tick; then it is tried again.
  static constexpr int DefaultSilenceMs = 5000;

  // `deviceDir` empty: $QUORLEX_DEVICE_DIR, else $XDG_RUNTIME_DIR/quorlex/devices. `timeoutMs`
  // bounds each call as a whole (connecting, or writing the request and reading the answer).
  explicit TSocketDriver(const QString& deviceDir = QString(), int timeoutMs = DefaultTimeoutMs,
                         int silenceMs = DefaultSilenceMs);
  ~TSocketDriver() override;

  static QString DefaultDeviceDir();
  // The socket path of a device name, or "" for a name that is not "\\.\NAME".
  QString SocketPath(const QString& deviceName) const;

  THandle CreateFile(const QString& name) override;
  bool DeviceIoControl(THandle handle, std::uint32_t code, const QByteArray& in, int outSize,
                       QByteArray& out) override;
  void CloseHandle(THandle handle) override;
  QString SilentDevice() const override;

 private:
  struct TDevice {
    std::unique_ptr<QLocalSocket> Socket;
    QString Name;  // "VelUSB0"
  };
  bool ReadExactly(QLocalSocket& socket, char* data, qint64 size, const QDeadlineTimer& deadline);
  // The device missed its deadline: its answer may still come and would be taken for the next
  // call's, so the connection is dropped.
  bool GiveUp(TDevice& device);

  QString FDeviceDir;
  int FTimeoutMs;
  int FSilenceMs;
  THandle FNextHandle = 1;
  std::map<THandle, TDevice> FSockets;
  QString FSilent;
  QDeadlineTimer FSilentUntil;
};
