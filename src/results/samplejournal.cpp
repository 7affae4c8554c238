#include "results/samplejournal.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <QTimer>

#include "platform/iclock.h"
#include "platform/iprompts.h"
#include "platform/safesave.h"
#include "platform/services.h"
#include "results/journalrecord.h"

namespace {
constexpr int SyncIntervalMs = 1000;

QString ErrnoText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }
}  // namespace

QString TSampleJournal::PathFor(const QString& rigFolder, int exercise) {
  const QString key = QDir::cleanPath(QFileInfo(rigFolder).absoluteFilePath()) + QLatin1Char('|') + QString::number(exercise);
  const QByteArray hash = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/journals");
  return folder + QStringLiteral("/samples-") + QString::fromLatin1(hash) + QStringLiteral(".qxj");
}

QString TSampleJournal::SetAside(const QString& path) {
  const QFileInfo info(path);
  const QString stamp = info.lastModified().toString(QStringLiteral("yyyyMMdd-HHmmss"));
  QString target = info.absolutePath() + QLatin1Char('/') + info.completeBaseName() + QLatin1Char('-') + stamp + QStringLiteral(".qxj");
  for (int i = 2; QFileInfo::exists(target); ++i)
    target = info.absolutePath() + QLatin1Char('/') + info.completeBaseName() + QLatin1Char('-') + stamp +
             QStringLiteral("-%1.qxj").arg(i);
  return ::rename(QFile::encodeName(path).constData(), QFile::encodeName(target).constData()) == 0 ? target : QString();
}

TSampleJournal::TSampleJournal(QString path, THeader header, QObject* parent)
    : QObject(parent), FPath(std::move(path)), FHeader(std::move(header)), FSyncTimer(new QTimer(this)) {
  FSyncTimer->setSingleShot(true);
  connect(FSyncTimer, &QTimer::timeout, this, &TSampleJournal::Sync);
}

TSampleJournal::~TSampleJournal() {
  Sync();
  Close();
}

bool TSampleJournal::Claim() {
  if (FClaimed) return true;
  if (!QDir().mkpath(QFileInfo(FPath).absolutePath())) {
    FFailure = QStringLiteral("the folder %1 could not be made").arg(QFileInfo(FPath).absolutePath());
    return false;
  }
  FLock = std::make_unique<QLockFile>(FPath + QStringLiteral(".lock"));
  // Held for the whole session, so never stale by age; a lock whose program died is stale because
  // its process is gone.
  FLock->setStaleLockTime(0);
  FClaimed = FLock->tryLock(0);
  if (!FClaimed) FFailure = QStringLiteral("another Quorlex program is recording this rig's samples");
  return FClaimed;
}

// ------------------------------------------------------------------------------- writing

bool TSampleJournal::WriteAll(int fd, const char* data, qsizetype size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      Fail(n < 0 ? ErrnoText(errno) : QStringLiteral("nothing could be written"));
      return false;
    }
    data += n;
    size -= n;
  }
  return true;
}

void TSampleJournal::Add(const TJournalRecord& record) {
  if (FSnapshot) {
    record.AppendFramed(FBuffer);
    return;
  }
  FBuffer.clear();
  record.AppendFramed(FBuffer);
  if (!WriteAll(FFd, FBuffer.constData(), FBuffer.size())) return;
  FBytes += FBuffer.size();
  FDirty = true;
  // Syncing on every sample would make the tick wait for the disk: at most once a second, and
  // never inside the tick that wrote.
  if (!FSyncTimer->isActive()) {
    const std::int64_t since = TServices::Clock().TickCountMs() - FLastSyncMs;
    FSyncTimer->start(static_cast<int>(std::clamp<std::int64_t>(SyncIntervalMs - since, 0, SyncIntervalMs)));
  }
}

void TSampleJournal::Sync() {
  if (FFd < 0 || !FDirty) return;
  FDirty = false;
  FLastSyncMs = TServices::Clock().TickCountMs();
  if (::fdatasync(FFd) != 0) Fail(ErrnoText(errno));
}

void TSampleJournal::BeginSnapshot() {
  if (!FClaimed || !FFailure.isEmpty()) return;
  FSnapshot = true;
  FBuffer = TJournalRecord::Preamble();
  TJournalRecord header(TJournalRecord::TType::Header);
  header.PutText(FHeader.RigFolder);
  header.PutUInt(static_cast<std::uint64_t>(std::max(FHeader.Exercise, 0)));
  header.PutText(FHeader.ExerciseTitle);
  header.PutDouble(TServices::Clock().Now());
  header.AppendFramed(FBuffer);
}

// The new journal replaces the old one through a safe save, so there is always one whole journal on
// the disk: the old one or the new one.
void TSampleJournal::EndSnapshot() {
  if (!FSnapshot) return;
  FSnapshot = false;
  Close();
  TSafeSave save(FPath);
  if (!save.Begin(0600) || save.write(FBuffer) != FBuffer.size() || !save.Commit()) {
    Fail(save.ErrorText());
    return;
  }
  // Appends go on in the journal just put in place.
  const int fd = ::open(QFile::encodeName(FPath).constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (fd < 0) {
    Fail(ErrnoText(errno));
    return;
  }
  FFd = fd;
  FBytes = FBuffer.size();
  FDirty = false;
  FLastSyncMs = TServices::Clock().TickCountMs();
  FBuffer.clear();
}

bool TSampleJournal::Resume(const QString& path, qint64 bytes) {
  if (!FClaimed || !FFailure.isEmpty() || FSnapshot || FFd >= 0 || path != FPath || bytes < TJournalRecord::PreambleBytes)
    return false;
  const int fd = ::open(QFile::encodeName(FPath).constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && st.st_size >= bytes;
  // A record torn by the crash is cut off, on the disk before anything is appended after it.
  if (ok && st.st_size > bytes) ok = ::ftruncate(fd, bytes) == 0 && ::fdatasync(fd) == 0;
  if (!ok) {
    ::close(fd);
    return false;
  }
  FFd = fd;
  FBytes = bytes;
  FDirty = false;
  FLastSyncMs = TServices::Clock().TickCountMs();
  return true;
}

void TSampleJournal::RunAdded(const QString& name, int runNo) {
  if (!Accepting()) return;
  TJournalRecord r(TJournalRecord::TType::RunAdded);
  r.PutText(name);
  r.PutUInt(static_cast<std::uint64_t>(std::max(runNo, 0)));
  Add(r);
}

void TSampleJournal::RowWritten(int sheet, int row, const std::vector<TJournalCell>& cells) {
  if (!Accepting()) return;
  TJournalRecord r(TJournalRecord::TType::Row);
  r.PutUInt(static_cast<std::uint64_t>(sheet));
  r.PutUInt(static_cast<std::uint64_t>(row));
  r.PutCells(cells);
  Add(r);
}

void TSampleJournal::RunsDeleted(int first, int count) {
  if (!Accepting()) return;
  TJournalRecord r(TJournalRecord::TType::RunsDeleted);
  r.PutUInt(static_cast<std::uint64_t>(first));
  r.PutUInt(static_cast<std::uint64_t>(count));
  Add(r);
}

void TSampleJournal::RunRenamed(int sheet, const QString& name) {
  if (!Accepting()) return;
  TJournalRecord r(TJournalRecord::TType::RunRenamed);
  r.PutUInt(static_cast<std::uint64_t>(sheet));
  r.PutText(name);
  Add(r);
}

void TSampleJournal::RunFlag(int sheet, bool unsaved) {
  if (!Accepting()) return;
  TJournalRecord r(TJournalRecord::TType::RunFlag);
  r.PutUInt(static_cast<std::uint64_t>(sheet));
  r.PutUInt(unsaved ? 1 : 0);
  Add(r);
}

void TSampleJournal::FileNamed(const QString& name, int fileType) {
  if (!Accepting()) return;
  TJournalRecord r(TJournalRecord::TType::FileNamed);
  r.PutText(name);
  r.PutUInt(static_cast<std::uint64_t>(std::max(fileType, 0)));
  Add(r);
}

void TSampleJournal::Retire() {
  FSnapshot = false;
  FBuffer.clear();
  // Holding the lock, the file is this session's (an older one was dealt with at start-up).
  if (!FClaimed) return;
  Close();
  if (::unlink(QFile::encodeName(FPath).constData()) != 0 && errno != ENOENT) Fail(ErrnoText(errno));
}

void TSampleJournal::Close() {
  FSyncTimer->stop();
  if (FFd >= 0) ::close(FFd);
  FFd = -1;
  FDirty = false;
}

// Journalling stops for the rest of the session; the samples stay in the table, so the user is
// told to save them.
void TSampleJournal::Fail(const QString& cause) {
  const bool first = FFailure.isEmpty();
  FFailure = cause;
  FSnapshot = false;
  Close();
  if (first)
    TServices::Prompts().MessageDlg(
        QStringLiteral("The samples can no longer be written to the recovery journal %1: %2. They are still in the "
                       "table; save the results to keep them safe.")
            .arg(QDir::toNativeSeparators(FPath), cause),
        TMsgDlgType::mtWarning, TMsgDlgButtons::OK);
}
