#include "ptyport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {
// Replies nobody reads are not kept without bound.
constexpr qsizetype kMaxPending = 1 << 20;

QString Errno(const char* what) { return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(strerror(errno))); }
}  // namespace

bool TPtyPort::Open(const QString& linkPath, QString* error) {
  Close();
  const QFileInfo link(linkPath);
  if (link.exists() && !link.isSymLink()) {
    *error = QStringLiteral("%1 exists and is not a symlink; not replacing it").arg(linkPath);
    return false;
  }
  if (!QDir().mkpath(link.absolutePath())) {
    *error = QStringLiteral("cannot create the folder %1").arg(link.absolutePath());
    return false;
  }
  FMaster = posix_openpt(O_RDWR | O_NOCTTY);
  char name[128] = {};
  if (FMaster < 0 || grantpt(FMaster) != 0 || unlockpt(FMaster) != 0 || ptsname_r(FMaster, name, sizeof name) != 0) {
    *error = Errno("cannot create a pseudo-terminal");
    Close();
    return false;
  }
  FDevice = QString::fromLocal8Bit(name);
  FSlave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
  termios tio{};
  if (FSlave < 0 || tcgetattr(FSlave, &tio) != 0) {
    *error = Errno("cannot open the terminal side");
    Close();
    return false;
  }
  cfmakeraw(&tio);
  cfsetispeed(&tio, B38400);
  cfsetospeed(&tio, B38400);
  tio.c_cflag = (tio.c_cflag & ~(CSIZE | PARENB | CSTOPB | CRTSCTS)) | CS8 | CLOCAL | CREAD;
  tcsetattr(FSlave, TCSANOW, &tio);
  fcntl(FMaster, F_SETFL, fcntl(FMaster, F_GETFL) | O_NONBLOCK);

  QFile::remove(linkPath);
  if (::symlink(name, QFile::encodeName(linkPath).constData()) != 0) {
    *error = Errno(qPrintable(QStringLiteral("cannot create the symlink %1").arg(linkPath)));
    Close();
    return false;
  }
  FLink = linkPath;
  FReadNotifier = new QSocketNotifier(FMaster, QSocketNotifier::Read, this);
  connect(FReadNotifier, &QSocketNotifier::activated, this, &TPtyPort::ReadReady);
  FWriteNotifier = new QSocketNotifier(FMaster, QSocketNotifier::Write, this);
  FWriteNotifier->setEnabled(false);
  connect(FWriteNotifier, &QSocketNotifier::activated, this, &TPtyPort::Flush);
  return true;
}

void TPtyPort::Close() {
  delete FReadNotifier;
  delete FWriteNotifier;
  FReadNotifier = FWriteNotifier = nullptr;
  if (FMaster >= 0) ::close(FMaster);
  if (FSlave >= 0) ::close(FSlave);
  FMaster = FSlave = -1;
  FPending.clear();
  // Only our own link goes: another simulator may have taken the path over since.
  const QFileInfo link(FLink);
  if (!FLink.isEmpty() && link.isSymLink() && link.symLinkTarget() == FDevice) QFile::remove(FLink);
  FLink.clear();
}

void TPtyPort::ReadReady() {
  char buffer[4096];
  QByteArray got;
  for (;;) {
    const ssize_t n = ::read(FMaster, buffer, sizeof buffer);
    if (n > 0) {
      got.append(buffer, n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    break;
  }
  if (!got.isEmpty()) emit Received(got);
}

void TPtyPort::Write(const QByteArray& bytes) {
  if (FMaster < 0) return;
  if (FPending.size() + bytes.size() > kMaxPending) {
    emit Problem(QStringLiteral("%1: nobody reads the port; %2 reply bytes discarded").arg(FLink).arg(bytes.size()));
    return;
  }
  FPending += bytes;
  Flush();
}

void TPtyPort::Flush() {
  while (!FPending.isEmpty()) {
    const ssize_t n = ::write(FMaster, FPending.constData(), size_t(FPending.size()));
    if (n > 0) {
      FPending.remove(0, n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      emit Problem(Errno("writing to the pseudo-terminal failed"));
      FPending.clear();
    }
    break;  // the terminal's buffer is full: wait until it can take more
  }
  if (FWriteNotifier) FWriteNotifier->setEnabled(!FPending.isEmpty());
}
