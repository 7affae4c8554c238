#include "ifd/legacy/socketdriver.h"

#include <unistd.h>

#include <QDir>
#include <QLocalSocket>
#include <QtEndian>

namespace {
constexpr int kMaxOutput = 1 << 20;
}

TSocketDriver::TSocketDriver(const QString& deviceDir, int timeoutMs)
    : FDeviceDir(deviceDir.isEmpty() ? DefaultDeviceDir() : deviceDir), FTimeoutMs(timeoutMs) {}

TSocketDriver::~TSocketDriver() {
  for (auto& [handle, socket] : FSockets) socket->abort();
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
  auto socket = std::make_unique<QLocalSocket>();
  socket->connectToServer(path);
  if (!socket->waitForConnected(FTimeoutMs)) return 0;
  const THandle handle = FNextHandle++;
  FSockets.emplace(handle, std::move(socket));
  return handle;
}

bool TSocketDriver::ReadExactly(QLocalSocket& socket, char* data, qint64 size) {
  qint64 got = 0;
  while (got < size) {
    if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(FTimeoutMs)) return false;
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
  QLocalSocket& socket = *it->second;
  if (socket.state() != QLocalSocket::ConnectedState) return false;
  char header[12];
  qToLittleEndian<quint32>(code, header);
  qToLittleEndian<quint32>(static_cast<quint32>(in.size()), header + 4);
  qToLittleEndian<quint32>(static_cast<quint32>(outSize), header + 8);
  if (socket.write(header, sizeof header) != sizeof header || socket.write(in) != in.size()) return false;
  while (socket.bytesToWrite() > 0)
    if (!socket.waitForBytesWritten(FTimeoutMs)) return false;
  char answer[5];
  if (!ReadExactly(socket, answer, sizeof answer)) return false;
  const quint32 length = qFromLittleEndian<quint32>(answer + 1);
  if (length > static_cast<quint32>(outSize)) {
    socket.abort();  // the answer does not fit what was asked: the framing is lost
    return false;
  }
  out.resize(static_cast<int>(length));
  if (length > 0 && !ReadExactly(socket, out.data(), length)) {
    out.clear();
    return false;
  }
  return answer[0] == 1;
}

void TSocketDriver::CloseHandle(THandle handle) {
  const auto it = FSockets.find(handle);
  if (it == FSockets.end()) return;
  it->second->abort();
  FSockets.erase(it);
}
