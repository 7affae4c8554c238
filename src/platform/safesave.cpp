#include "platform/safesave.h"

#include <cerrno>
#include <algorithm>
#include <cstring>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
TSafeSave::TFaults gFaults;

QString ErrnoText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }
}  // namespace

TSafeSave::TFaultScope::TFaultScope(TFaults faults) : FPrevious(gFaults) { gFaults = faults; }
TSafeSave::TFaultScope::~TFaultScope() { gFaults = FPrevious; }

TSafeSave::TSafeSave(const QString& target) {
  // Saving through a link replaces the file it points to, not the link.
  const QFileInfo info(target);
  FTarget = info.isSymLink() ? info.symLinkTarget() : info.absoluteFilePath();
}

TSafeSave::~TSafeSave() { Discard(); }

bool TSafeSave::Fail(const QString& cause) {
  FError = cause;
  setErrorString(cause);
  return false;
}

bool TSafeSave::Fail(int error) { return Fail(ErrnoText(error)); }

bool TSafeSave::Begin(int mode) {
  Discard();
  FError.clear();
  FWritten = 0;
  const QFileInfo target(FTarget);
  if (!target.dir().exists()) return Fail(QStringLiteral("the folder %1 does not exist").arg(target.absolutePath()));
  if (target.isDir()) return Fail(QStringLiteral("it is a folder"));
  RemoveStaleTemporaries(target.absolutePath());
  // A name of our own beside the target, so the rename stays on one file system.
  for (int attempt = 0; attempt < 100 && FFd < 0; ++attempt) {
    const QString name = target.absolutePath() + QLatin1Char('/') + QLatin1Char('.') + target.fileName() +
                         QStringLiteral(".%1.tmp").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    FFd = ::open(QFile::encodeName(name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(mode));
    if (FFd >= 0) FTemporary = name;
    else if (errno != EEXIST) return Fail(errno);
  }
  if (FFd < 0) return Fail(QStringLiteral("no temporary file could be created beside it"));
  // The new file keeps the old one's permissions.
  struct stat old {};
  if (::stat(QFile::encodeName(FTarget).constData(), &old) == 0) (void)::fchmod(FFd, old.st_mode & 07777);
  if (!QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
    Discard();
    return Fail(QStringLiteral("cannot open the temporary file"));
  }
  return true;
}

qint64 TSafeSave::writeData(const char* data, qint64 len) {
  if (FFd < 0) return -1;
  qint64 offset = pos();
  qint64 done = 0;
  while (done < len) {
    qint64 chunk = len - done;
    if (gFaults.FailAfterBytes >= 0) {
      const qint64 room = gFaults.FailAfterBytes - FWritten;
      if (room <= 0) {
        Fail(ENOSPC);
        return done > 0 ? done : -1;
      }
      chunk = std::min(chunk, room);
    }
    const ssize_t n = ::pwrite(FFd, data + done, static_cast<size_t>(chunk), static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(errno);
      return done > 0 ? done : -1;
    }
    done += n;
    offset += n;
    FWritten += n;
  }
  return done;
}

qint64 TSafeSave::size() const {
  struct stat st {};
  if (FFd < 0 || ::fstat(FFd, &st) != 0) return 0;
  return static_cast<qint64>(st.st_size);
}

bool TSafeSave::seek(qint64 pos) { return FFd >= 0 && QIODevice::seek(pos); }

int TSafeSave::RemoveStaleTemporaries(const QString& folder, qint64 minAgeSeconds) {
  static const QRegularExpression ours(QStringLiteral(R"(^\..+\.[0-9a-f]{8}\.tmp$)"));
  // File times are the file system's wall clock, so their age is measured on it too.
  const qint64 now = QDateTime::currentSecsSinceEpoch();
  const uid_t me = ::geteuid();
  int removed = 0;
  const QFileInfoList entries = QDir(folder).entryInfoList({QStringLiteral(".*.tmp")}, QDir::Files | QDir::Hidden | QDir::System);
  for (const QFileInfo& entry : entries) {
    if (!ours.match(entry.fileName()).hasMatch()) continue;
    struct stat st {};
    const QByteArray path = QFile::encodeName(entry.absoluteFilePath());
    if (::lstat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != me) continue;
    if (now - static_cast<qint64>(st.st_mtime) < minAgeSeconds) continue;
    if (::unlink(path.constData()) == 0) ++removed;
  }
  return removed;
}

bool TSafeSave::Commit() {
  if (FFd < 0) return Fail(FError.isEmpty() ? QStringLiteral("nothing was written") : FError);
  // A write that failed earlier fails the whole save, even when the caller did not look.
  if (!FError.isEmpty()) {
    const QString cause = FError;
    Discard();
    return Fail(cause);
  }
  QIODevice::close();
  const int syncError = gFaults.FailSync ? EIO : (::fsync(FFd) != 0 ? errno : 0);
  const int closeError = ::close(FFd) != 0 ? errno : 0;
  FFd = -1;
  if (syncError || closeError) {
    Discard();
    return Fail(syncError ? syncError : closeError);
  }
  const int renameError =
      gFaults.FailRename ? EIO
                         : (::rename(QFile::encodeName(FTemporary).constData(), QFile::encodeName(FTarget).constData()) != 0
                                ? errno
                                : 0);
  if (renameError) {
    Discard();
    return Fail(renameError);
  }
  FTemporary.clear();
  // The rename itself reaches the disk with the folder; a folder that cannot be synced is no loss.
  const int dir = ::open(QFile::encodeName(QFileInfo(FTarget).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    (void)::fsync(dir);
    ::close(dir);
  }
  return true;
}

void TSafeSave::Discard() {
  if (isOpen()) QIODevice::close();
  if (FFd >= 0) {
    ::close(FFd);
    FFd = -1;
  }
  if (!FTemporary.isEmpty()) {
    ::unlink(QFile::encodeName(FTemporary).constData());
    FTemporary.clear();
  }
}
