#pragma once
// A file written beside its target and renamed over it only when every byte is on the disk: a
// full disk, a lost device or a failed sync leaves the previous file exactly as it was and says
// why. Every write, the sync, the close and the rename are checked.

#include <QIODevice>
#include <QString>

class TSafeSave : public QIODevice {
  Q_OBJECT
 public:
  explicit TSafeSave(const QString& target);
  ~TSafeSave() override;  // discards an uncommitted temporary file

  // Creates the temporary file in the target's folder, with `mode` (less the umask) when there is
  // no target yet. False, with ErrorText() set, on failure.
  bool Begin(int mode = 0666);
  // Syncs, closes and renames the temporary file over the target. False, with ErrorText() set and
  // the target untouched, on any failure.
  bool Commit();
  // Drops the temporary file; the target stays as it was.
  void Discard();
  // Deletes temporary files a save into `folder` left behind when the program was killed before
  // it committed: only regular files of this user named as ours (".<name>.<8 hex digits>.tmp") and
  // untouched for `minAgeSeconds`, so a save still running elsewhere keeps its file. Begin does this
  // for the target's folder. Returns how many went.
  static int RemoveStaleTemporaries(const QString& folder, qint64 minAgeSeconds = StaleSeconds);
  static constexpr qint64 StaleSeconds = 15 * 60;
  // The cause of the last failure, e.g. "No space left on device".
  QString ErrorText() const { return FError; }
  QString Target() const { return FTarget; }

  bool isSequential() const override { return false; }
  qint64 size() const override;
  bool seek(qint64 pos) override;

  // Faults for tests, so full disks and failing syncs are tested without root or real devices.
  // While a TFaultScope lives, every TSafeSave behaves as it says.
  struct TFaults {
    qint64 FailAfterBytes = -1;  // writes beyond this many bytes fail as on a full disk
    bool FailSync = false;
    bool FailRename = false;
  };
  class TFaultScope {
   public:
    explicit TFaultScope(TFaults faults);
    ~TFaultScope();
    TFaultScope(const TFaultScope&) = delete;
    TFaultScope& operator=(const TFaultScope&) = delete;

   private:
    TFaults FPrevious;
  };

 protected:
  qint64 readData(char*, qint64) override { return -1; }
  qint64 writeData(const char* data, qint64 len) override;

 private:
  bool Fail(const QString& cause);
  bool Fail(int error);

  QString FTarget;     // the file replaced on commit (a link's own target when it is a link)
  QString FTemporary;  // empty when none exists
  int FFd = -1;
  qint64 FWritten = 0;  // bytes this device has written, for the fault seam
  QString FError;
};
