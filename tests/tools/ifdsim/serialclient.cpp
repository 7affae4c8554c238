#include "serialclient.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

TSerialClient::TSerialClient(const QString& path) {
  FFd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (FFd < 0) return;
  termios tio{};
  tcgetattr(FFd, &tio);
  cfmakeraw(&tio);
  cfsetispeed(&tio, B38400);
  cfsetospeed(&tio, B38400);
  tio.c_cflag = (tio.c_cflag & ~(CSIZE | PARENB | CSTOPB)) | CS8 | CLOCAL | CREAD;
  tcsetattr(FFd, TCSANOW, &tio);
}

TSerialClient::~TSerialClient() {
  if (FFd >= 0) ::close(FFd);
}

void TSerialClient::Send(const QByteArray& bytes) {
  qsizetype done = 0;
  while (FFd >= 0 && done < bytes.size()) {
    const ssize_t n = ::write(FFd, bytes.constData() + done, size_t(bytes.size() - done));
    if (n > 0) done += n;
    else Pump();
  }
}

bool TSerialClient::Pump() {
  QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  pollfd p{FFd, POLLIN, 0};
  if (::poll(&p, 1, 2) <= 0) return false;
  char buffer[4096];
  const ssize_t n = ::read(FFd, buffer, sizeof buffer);
  if (n > 0) {
    FIn.append(buffer, n);
    return true;
  }
  if (n == 0 || (errno != EAGAIN && errno != EINTR)) FHungUp = true;
  return false;
}

int TSerialClient::CountFrames() const {
  int frames = 0;
  for (qsizetype i = 1; i < FIn.size(); ++i)
    if (FIn[i] == '\r' && quint8(FIn[i - 1]) >= 0x80 && quint8(FIn[i - 1]) <= 0xA0) ++frames;
  return frames;
}

QByteArray TSerialClient::ReadFrames(int frames, int timeoutMs) {
  QElapsedTimer timer;
  timer.start();
  while (CountFrames() < frames && !FHungUp && timer.elapsed() < timeoutMs) Pump();
  // Take exactly the wanted frames; later bytes stay for the next read.
  int seen = 0;
  qsizetype end = 0;
  for (qsizetype i = 1; i < FIn.size() && seen < frames; ++i)
    if (FIn[i] == '\r' && quint8(FIn[i - 1]) >= 0x80 && quint8(FIn[i - 1]) <= 0xA0) ++seen, end = i + 1;
  if (seen < frames) end = FIn.size();
  const QByteArray out = FIn.left(end);
  FIn.remove(0, end);
  return out;
}

QByteArray TSerialClient::ReadFor(int ms) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < ms && !FHungUp) Pump();
  const QByteArray out = FIn;
  FIn.clear();
  return out;
}

bool TSerialClient::HungUp(int timeoutMs) {
  QElapsedTimer timer;
  timer.start();
  while (!FHungUp && timer.elapsed() < timeoutMs) Pump();
  return FHungUp;
}
