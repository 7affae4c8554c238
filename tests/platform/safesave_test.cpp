// Saving through a temporary file: what a failure leaves behind (nothing) and what a success keeps
// of the file it replaces (its permissions, the link pointing at it).
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/safesave.h"
#include "support/tempfolder.h"

namespace {

bool SaveText(const QString& path, const QByteArray& text, QString* error = nullptr) {
  TSafeSave save(path);
  const bool ok = save.Begin() && save.write(text) == text.size() && save.Commit();
  if (error) *error = save.ErrorText();
  return ok;
}

QStringList Entries(const TTempFolder& tmp) { return QDir(tmp.Path()).entryList(QDir::Files | QDir::Hidden | QDir::System); }

}  // namespace

TEST(SafeSave, ReplacesTheFileKeepingItsPermissionsAndLinks) {
  TTempFolder tmp;
  const QString target = tmp.Write("data.txt", "old");
  QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
  ASSERT_TRUE(QFile::link(target, tmp.File("link.txt")));
  ASSERT_TRUE(SaveText(tmp.File("link.txt"), "new contents"));
  EXPECT_EQ(TTempFolder::Read(target), "new contents");
  EXPECT_TRUE(QFileInfo(tmp.File("link.txt")).isSymLink());
  // Owner, group and others; the flags for the current user repeat the owner's.
  EXPECT_EQ(QFile::permissions(target) & 0x7077, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
  EXPECT_EQ(Entries(tmp), (QStringList{"data.txt", "link.txt"}));
}

TEST(SafeSave, SeeksBackToPatchWhatItWrote) {
  TTempFolder tmp;
  TSafeSave save(tmp.File("a.bin"));
  ASSERT_TRUE(save.Begin());
  ASSERT_EQ(save.write("0123456789"), 10);
  ASSERT_TRUE(save.seek(2));
  ASSERT_EQ(save.write("ab"), 2);
  ASSERT_TRUE(save.seek(10));
  ASSERT_EQ(save.write("!"), 1);
  EXPECT_EQ(save.size(), 11);
  ASSERT_TRUE(save.Commit());
  EXPECT_EQ(TTempFolder::Read(tmp.File("a.bin")), "01ab456789!");
}

TEST(SafeSave, EveryFailureKeepsTheOldFileAndLeavesNoTemporaryFile) {
  TTempFolder tmp;
  const QString target = tmp.Write("data.txt", "precious");
  const QByteArray text(5000, 'x');
  struct TCase {
    const char* What;
    TSafeSave::TFaults Faults;
    const char* Cause;
  };
  for (const TCase& c : {TCase{"no room", {0, false, false}, "No space left on device"},
                         TCase{"full part way", {4096, false, false}, "No space left on device"},
                         TCase{"sync", {-1, true, false}, "Input/output error"},
                         TCase{"rename", {-1, false, true}, "Input/output error"}}) {
    TSafeSave::TFaultScope failing(c.Faults);
    QString error;
    EXPECT_FALSE(SaveText(target, text, &error)) << c.What;
    EXPECT_EQ(error, c.Cause) << c.What;
    EXPECT_EQ(TTempFolder::Read(target), "precious") << c.What;
    EXPECT_EQ(Entries(tmp), QStringList{"data.txt"}) << c.What;
  }
}

TEST(SafeSave, AWriteErrorTheCallerIgnoredStillFailsTheCommit) {
  TTempFolder tmp;
  const QString target = tmp.Write("data.txt", "precious");
  TSafeSave::TFaultScope failing({10, false, false});
  TSafeSave save(target);
  ASSERT_TRUE(save.Begin());
  save.write(QByteArray(100, 'y'));  // short, unchecked
  save.write("more");
  EXPECT_FALSE(save.Commit());
  EXPECT_EQ(save.ErrorText(), "No space left on device");
  EXPECT_EQ(TTempFolder::Read(target), "precious");
}

TEST(SafeSave, AMissingFolderOrAFolderAsTargetIsRefusedAtOnce) {
  TTempFolder tmp;
  TSafeSave missing(tmp.File("gone/data.txt"));
  EXPECT_FALSE(missing.Begin());
  EXPECT_TRUE(missing.ErrorText().contains("does not exist"));
  QDir(tmp.Path()).mkdir("sub");
  TSafeSave folder(tmp.File("sub"));
  EXPECT_FALSE(folder.Begin());
  EXPECT_EQ(Entries(tmp), QStringList{});
}

// A save killed before its rename leaves a hidden temporary file; the next save into that folder
// clears the old ones of ours and nothing else: not a fresh one (a save still running), not a
// file that merely looks alike, not a folder.
TEST(SafeSave, TheNextSaveRemovesOnlyOurStaleTemporaryFiles) {
  TTempFolder tmp;
  const QDateTime hourAgo = QDateTime::currentDateTime().addSecs(-3600);
  auto aged = [&](const QString& name) {
    const QString path = tmp.Write(name, "left behind");
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadWrite) && f.setFileTime(hourAgo, QFileDevice::FileModificationTime)) << qPrintable(name);
    return path;
  };
  aged(".results.vts.0badc0de.tmp");          // ours, stale: goes
  aged(".other.xlsx.12345678.tmp");           // ours for another target in the folder, stale: goes
  tmp.Write(".results.vts.89abcdef.tmp", "");  // ours but fresh: stays
  aged("results.vts.0badc0de.tmp");           // not hidden: not ours
  aged(".results.vts.0BADC0DE.tmp");          // upper-case digits: not ours
  aged(".results.vts.0badc0.tmp");            // too few digits
  aged(".notes.tmp");
  aged("results.vts");
  QDir(tmp.Path()).mkdir(".dir.vts.0badc0de.tmp");
  ASSERT_TRUE(SaveText(tmp.File("new.vts"), "saved"));
  QStringList left = Entries(tmp);
  left.sort();
  EXPECT_EQ(left, (QStringList{".notes.tmp", ".results.vts.0BADC0DE.tmp", ".results.vts.0badc0.tmp",
                               ".results.vts.89abcdef.tmp", "new.vts", "results.vts", "results.vts.0badc0de.tmp"}));
  EXPECT_TRUE(QFileInfo(tmp.File(".dir.vts.0badc0de.tmp")).isDir());
  // Called on its own it reports what it removed; nothing stale is left.
  aged(".new.vts.deadbeef.tmp");
  EXPECT_EQ(TSafeSave::RemoveStaleTemporaries(tmp.Path()), 1);
  EXPECT_EQ(TSafeSave::RemoveStaleTemporaries(tmp.Path()), 0);
}
