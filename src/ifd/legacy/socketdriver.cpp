#include "ifd/legacy/socketdriver.h"

#include <unistd.h>

#include <QDir>
#include <QLocalSocket>
#include <QtEndian>

namespace {
constexpr int kMaxOutput = 1 << 20;
}

TSocketDriver::TSocketDriver(const QString& deviceDir, int timeoutMs, int silenceMs)
    : FDeviceDir(deviceDir.isEmpty() ? DefaultDeviceDir() : deviceDir), FTimeoutMs(timeoutMs), FSilenceMs(silenceMs) {}

TSocketDriver::~TSocketDriver() {
  for (auto& [handle, device] : FSockets) device.Socket->abort();
}

QString TSocketDriver::SilentDevice() const { return FSilentUntil.hasExpired() ? QString() : FSilent; }

bool TSocketDriver::GiveUp(TDevice& device) {
  device.Socket->abort();
  FSilent = device.Name;
  FSilentUntil = QDeadlineTimer(FSilenceMs);
  return false;
}

QString TSocketDriver::DefaultDeviceDir() {
  const QString env = qEnvironmentVariable("QUORLEX_DEVICE_DIR");
  if (!env.isEmpty()) return env;
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  // Without a runtime folder, a per-user folder under the temporary one: the simulator's rule too.
  if (runtime.isEmpty()) return QDir::tempPath() + QStringLiteral("/quorlex-devices-") + QString::number(getuid());
  return runtime + QStringLiteral("/quorlex/devices");
}

QString TSocketDriver::SocketPath(const QString& deviceName) const {
  if (!deviceName.startsWith(QStringLiteral("\\\\.\\"))) return {};
  const QString name = deviceName.mid(4);
  if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\'))) return {};
  return FDeviceDir + QLatin1Char('/') + name;
}

THandle TSocketDriver::CreateFile(const QString& name) {
  const QString path = SocketPath(name);
  if (path.isEmpty()) return 0;
  const QString device = name.mid(4);
  if (device == SilentDevice()) return 0;
  auto socket = std::make_unique<QLocalSocket>();
  socket->connectToServer(path);
  if (!socket->waitForConnected(FTimeoutMs)) return 0;
  const THandle handle = FNextHandle++;
  FSockets.emplace(handle, TDevice{std::move(socket), device});
  return handle;
}

bool TSocketDriver::ReadExactly(QLocalSocket& socket, char* data, qint64 size, const QDeadlineTimer& deadline) {
  qint64 got = 0;
  while (got < size) {
    if (socket.bytesAvailable() == 0 && (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime()))))
      return false;
    const qint64 n = socket.read(data + got, size - got);
    if (n < 0) return false;
    got += n;
  }
  return true;
}

bool TSocketDriver::DeviceIoControl(THandle handle, std::uint32_t code, const QByteArray& in, int outSize,
                                    QByteArray& out) {
  out.clear();
  const auto it = FSockets.find(handle);
  if (it == FSockets.end() || outSize < 0 || outSize > kMaxOutput) return false;
  TDevice& device = it->second;
  QLocalSocket& socket = *device.Socket;
  if (socket.state() != QLocalSocket::ConnectedState) return false;
  const QDeadlineTimer deadline(FTimeoutMs);
  char header[12];
  qToLittleEndian<quint32>(code, header);
  qToLittleEndian<quint32>(static_cast<quint32>(in.size()), header + 4);
  qToLittleEndian<quint32>(static_cast<quint32>(outSize), header + 8);
  if (socket.write(header, sizeof header) != sizeof header || socket.write(in) != in.size()) return false;
  while (socket.bytesToWrite() > 0)
    if (deadline.hasExpired() || !socket.waitForBytesWritten(int(deadline.remainingTime()))) return GiveUp(device);
  char answer[5];
  if (!ReadExactly(socket, answer, sizeof answer, deadline))
    return socket.state() == QLocalSocket::ConnectedState ? GiveUp(device) : false;
  const quint32 length = qFromLittleEndian<quint32>(answer + 1);
  if (length > static_cast<quint32>(outSize)) {
    socket.abort();  // the answer does not fit what was asked: the framing is lost
    return false;
  }
  out.resize(static_cast<int>(length));
  if (length > 0 && !ReadExactly(socket, out.data(), length, deadline)) {
    out.clear();
    return socket.state() == QLocalSocket::ConnectedState ? GiveUp(device) : false;
  }
  return answer[0] == 1;
}

void TSocketDriver::CloseHandle(THandle handle) {
  const auto it = FSockets.find(handle);
  if (it == FSockets.end()) return;
  it->second.Socket->abort();
  FSockets.erase(it);
}
