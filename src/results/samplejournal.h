#pragma once
// The sample journal of one program session: every change the results table reports is appended
// to a file in the user's data folder, so the table can be rebuilt after a crash or a power cut.
// Each record is written at once (a killed program loses nothing written); the file is synced to
// the disk at most once a second, from a timer of its own, so a tick never waits for the disk. A lock file keeps a second
// program on the same rig and exercise from writing the same journal.
//
// Nothing is written before the first sample; a table saved whole or discarded retires the file.

#include <memory>

#include <QByteArray>
#include <QObject>
#include <QString>

#include "platform/datetime.h"
#include "results/isamplejournal.h"

class QLockFile;
class QTimer;

class TSampleJournal : public QObject, public ISampleJournal {
  Q_OBJECT
 public:
  struct THeader {
    QString RigFolder;
    int Exercise = 0;
    QString ExerciseTitle;
  };

  // The journal's file for a rig folder and exercise, in the user's data folder.
  static QString PathFor(const QString& rigFolder, int exercise);
  // Renames a journal aside as "<name>-<date and time of its last write>.qxj"; returns the new
  // path, empty when it could not be moved.
  static QString SetAside(const QString& path);

  TSampleJournal(QString path, THeader header, QObject* parent = nullptr);
  // Closes the file but keeps it: only Retire removes a journal.
  ~TSampleJournal() override;

  // Takes the journal's lock. False when another running program holds it (nothing is then
  // journalled by this one) or the folder cannot be made.
  bool Claim();
  QString Path() const { return FPath; }
  const THeader& Header() const { return FHeader; }
  // Why journalling stopped, empty while it works.
  QString Failure() const { return FFailure; }
  qint64 BytesWritten() const { return FBytes; }
  // Syncs now, if anything was written since the last sync.
  void Sync();

  bool Recording() const override { return FFd >= 0; }
  void BeginSnapshot() override;
  void EndSnapshot() override;
  void RunAdded(const QString& name, int runNo) override;
  void RowWritten(int sheet, int row, const std::vector<TJournalCell>& cells) override;
  void RunsDeleted(int first, int count) override;
  void RunRenamed(int sheet, const QString& name) override;
  void RunFlag(int sheet, bool unsaved) override;
  void FileNamed(const QString& name, int fileType) override;
  bool Resume(const QString& path, qint64 bytes) override;
  void Retire() override;

 private:
  bool Accepting() const { return FSnapshot || FFd >= 0; }
  void Add(const class TJournalRecord& record);
  bool WriteAll(int fd, const char* data, qsizetype size);
  void Close();
  void Fail(const QString& cause);

  QString FPath;
  THeader FHeader;
  std::unique_ptr<QLockFile> FLock;
  bool FClaimed = false;
  int FFd = -1;
  bool FSnapshot = false;
  QByteArray FBuffer;  // the snapshot being built, or one record
  qint64 FBytes = 0;
  bool FDirty = false;
  std::int64_t FLastSyncMs = 0;
  QTimer* FSyncTimer;
  QString FFailure;
};
