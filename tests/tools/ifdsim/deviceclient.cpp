#include "deviceclient.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QtEndian>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
QByteArray Words(int a, int b = -1) {
  QByteArray out(b < 0 ? 2 : 4, '\0');
  qToLittleEndian<quint16>(quint16(a), out.data());
  if (b >= 0) qToLittleEndian<quint16>(quint16(b), out.data() + 2);
  return out;
}
}  // namespace

TDeviceClient::TDeviceClient(const QString& socketPath) {
  const QByteArray path = QFile::encodeName(socketPath);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (size_t(path.size()) >= sizeof addr.sun_path) return;
  std::memcpy(addr.sun_path, path.constData(), size_t(path.size()));
  FFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
  if (FFd < 0) return;
  if (::connect(FFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 && errno != EINPROGRESS) {
    ::close(FFd);
    FFd = -1;
  }
}

TDeviceClient::~TDeviceClient() {
  if (FFd >= 0) ::close(FFd);
}

void TDeviceClient::SendRaw(const QByteArray& bytes) {
  if (FFd >= 0) [[maybe_unused]] const ssize_t n = ::send(FFd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL);
}

QByteArray TDeviceClient::Request(quint32 code, const QByteArray& input, quint32 outSize) {
  QByteArray request(12, '\0');
  qToLittleEndian<quint32>(code, request.data());
  qToLittleEndian<quint32>(quint32(input.size()), request.data() + 4);
  qToLittleEndian<quint32>(outSize, request.data() + 8);
  return request + input;
}

bool TDeviceClient::WaitReadable(const QElapsedTimer& timer, int timeoutMs) const {
  while (FFd >= 0 && timer.elapsed() < timeoutMs) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    pollfd p{FFd, POLLIN, 0};
    if (::poll(&p, 1, 2) > 0) return true;
  }
  return false;
}

TDeviceClient::TResult TDeviceClient::ReadAnswer(int timeoutMs) {
  // Read up to the announced length only, so a following answer stays in the socket.
  QByteArray in;
  QElapsedTimer timer;
  timer.start();
  while (WaitReadable(timer, timeoutMs)) {
    const qsizetype want = in.size() < 5 ? 5 - in.size() : 5 + qFromLittleEndian<quint32>(in.constData() + 1) - in.size();
    QByteArray buffer(std::min<qsizetype>(want, 65536), '\0');
    const ssize_t n = ::recv(FFd, buffer.data(), size_t(buffer.size()), 0);
    if (n <= 0) break;
    in.append(buffer.constData(), n);
    if (in.size() >= 5 && in.size() >= 5 + qsizetype(qFromLittleEndian<quint32>(in.constData() + 1)))
      return {true, in[0] != 0, in.mid(5)};
  }
  return {};
}

bool TDeviceClient::Closed(int timeoutMs) {
  QElapsedTimer timer;
  timer.start();
  char byte;
  while (WaitReadable(timer, timeoutMs))
    if (::recv(FFd, &byte, 1, 0) <= 0) return true;
  return false;
}

int TDeviceClient::GetRam(int address, quint32 outSize) {
  const TResult r = Call(0x80002008, Words(address), outSize);
  if (!r.Ok || r.Data.size() < 2) return -1;
  return qFromLittleEndian<quint16>(r.Data.constData());
}

bool TDeviceClient::SetRam(int address, int value) { return Call(0x8000200C, Words(address, value), 0).Ok; }

int TDeviceClient::GetPort(int port) {
  const TResult r = Call(0x80002010, Words(port), 1);
  return r.Ok && r.Data.size() == 1 ? quint8(r.Data[0]) : -1;
}

bool TDeviceClient::SetPort(int port, int value) { return Call(0x80002014, Words(port, value), 0).Ok; }
