#pragma once
// The legacy driver on this platform: each device is a Unix-domain socket named after the device
// ("\\.\VelUSB0" -> <device folder>/VelUSB0); one connection is one handle, each control call one
// request and one answer. No socket: the device is absent.
//
//   request:  u32 code | u32 inLen | u32 outSize | input bytes     (little-endian)
//   answer:   u8 ok    | u32 outLen | output bytes

#include <map>
#include <memory>

#include "ifd/legacy/ilegacydriver.h"

class QLocalSocket;

class TSocketDriver : public ILegacyDriver {
 public:
  // `deviceDir` empty: $QUORLEX_DEVICE_DIR, else $XDG_RUNTIME_DIR/quorlex/devices.
  explicit TSocketDriver(const QString& deviceDir = QString(), int timeoutMs = 2000);
  ~TSocketDriver() override;

  static QString DefaultDeviceDir();
  // The socket path of a device name, or "" for a name that is not "\\.\NAME".
  QString SocketPath(const QString& deviceName) const;

  THandle CreateFile(const QString& name) override;
  bool DeviceIoControl(THandle handle, std::uint32_t code, const QByteArray& in, int outSize,
                       QByteArray& out) override;
  void CloseHandle(THandle handle) override;

 private:
  bool ReadExactly(QLocalSocket& socket, char* data, qint64 size);

  QString FDeviceDir;
  int FTimeoutMs;
  THandle FNextHandle = 1;
  std::map<THandle, std::unique_ptr<QLocalSocket>> FSockets;
};
