// Saving through a temporary file: what a failure leaves behind (nothing) and what a success keeps
// of the file it replaces (its permissions, the link pointing at it).
#include <gtest/gtest.h>

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
