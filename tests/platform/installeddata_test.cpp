// Where settings go: a rig the user may change keeps its own settings file; an installed or
// read-only rig's settings go to the user's copy, made once, so the rig itself is never written.
// And the rigs on offer when none was named.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/installeddata.h"
#include "support/tempfolder.h"

namespace {
// Points the installed data at a folder for one test.
class TDataDir {
 public:
  explicit TDataDir(const QString& dir) : FOld(qgetenv("QUORLEX_DATA_DIR")) { qputenv("QUORLEX_DATA_DIR", dir.toLocal8Bit()); }
  ~TDataDir() { FOld.isEmpty() ? qunsetenv("QUORLEX_DATA_DIR") : qputenv("QUORLEX_DATA_DIR", FOld); }

 private:
  QByteArray FOld;
};

QString CopyFor(const QString& rigFile) {
  return TInstalledData::SettingsDir() + "/rigs" + QFileInfo(rigFile).absolutePath() + "/Configuration.ini";
}
}  // namespace

TEST(InstalledData, ARigTheUserMayChangeKeepsItsOwnSettingsFile) {
  TTempFolder tmp;
  TDataDir data(tmp.File("share"));
  const QString file = tmp.Write("own/config/Configuration.ini", "[IFD]\ntbt=5\n");
  EXPECT_EQ(TInstalledData::WritableSettingsFile(file), file);
  EXPECT_FALSE(QFileInfo::exists(TInstalledData::SettingsDir() + "/rigs"));
}

TEST(InstalledData, AReadOnlyRigsSettingsGoToTheUsersCopyMadeOnce) {
  TTempFolder tmp;
  TDataDir data(tmp.File("share"));
  const QString file = tmp.Write("lab/config/Configuration.ini", "[IFD]\ntbt=5\n");
  const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup | QFileDevice::ExeGroup;
  ASSERT_TRUE(QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
  const QString copy = TInstalledData::WritableSettingsFile(file);
  EXPECT_EQ(copy, CopyFor(file));
  EXPECT_EQ(TTempFolder::Read(copy), "[IFD]\ntbt=5\n");
  EXPECT_TRUE(QFile::permissions(copy) & QFileDevice::WriteOwner);
  // The user's changes stay: the copy is not made again.
  QFile edit(copy);
  ASSERT_TRUE(edit.open(QIODevice::WriteOnly | QIODevice::Truncate));
  edit.write("[IFD]\ntbt=9\n");
  edit.close();
  EXPECT_EQ(TInstalledData::WritableSettingsFile(file), copy);
  EXPECT_EQ(TTempFolder::Read(copy), "[IFD]\ntbt=9\n");
  EXPECT_EQ(TTempFolder::Read(file), "[IFD]\ntbt=5\n");
  // A writable file in a folder the user may not write counts as read-only too: it cannot be
  // replaced safely there.
  const QString other = tmp.Write("lab2/config/Configuration.ini", "[A]\n");
  ASSERT_TRUE(QFile::setPermissions(QFileInfo(other).absolutePath(), readOnly));
  EXPECT_EQ(TInstalledData::WritableSettingsFile(other), CopyFor(other));
  QFile::setPermissions(QFileInfo(other).absolutePath(), readOnly | QFileDevice::WriteOwner);
  QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

TEST(InstalledData, AnInstalledRigIsNeverWrittenEvenWhenItCouldBe) {
  TTempFolder tmp;
  TDataDir data(tmp.File("share"));
  const QString file = tmp.Write("share/rigs/demo/config/Configuration.ini", "[SCOPE]\nfeature=on\n");
  const QString copy = TInstalledData::WritableSettingsFile(file);
  EXPECT_EQ(copy, CopyFor(file));
  EXPECT_EQ(TTempFolder::Read(copy), "[SCOPE]\nfeature=on\n");
  // A rig without the file: its settings start empty in the user's copy, created on first save.
  const QString missing = tmp.File("share/rigs/bare/config/Configuration.ini");
  QDir().mkpath(QFileInfo(missing).absolutePath());
  EXPECT_EQ(TInstalledData::WritableSettingsFile(missing), CopyFor(missing));
  EXPECT_FALSE(QFileInfo::exists(CopyFor(missing)));
}

TEST(InstalledData, OffersTheUsersRigsThenTheInstalledOnesAndNothingElse) {
  TTempFolder tmp;
  TDataDir data(tmp.File("share"));
  tmp.Write("share/rigs/plant/config/general.vts", "x");
  tmp.Write("share/rigs/demo/config/general.vts", "x");
  tmp.Write("share/rigs/notarig/readme.txt", "x");
  QDir().mkpath(TInstalledData::UserRigsDir() + "/demo/config");
  const QList<TInstalledData::TRigOffer> offers = TInstalledData::AvailableRigs();
  ASSERT_EQ(offers.size(), 3);
  EXPECT_EQ(offers[0].Name, "demo");
  EXPECT_FALSE(offers[0].Installed);
  EXPECT_EQ(offers[0].Folder, TInstalledData::UserRigsDir() + "/demo");
  EXPECT_EQ(offers[1].Name, "demo");
  EXPECT_TRUE(offers[1].Installed);
  EXPECT_EQ(offers[2].Name, "plant");
  EXPECT_EQ(offers[2].Folder, QDir(tmp.File("share")).absolutePath() + "/rigs/plant");
  // The user's copy wins a bare name.
  EXPECT_EQ(TInstalledData::ResolveRig("demo"), TInstalledData::UserRigsDir() + "/demo");
  EXPECT_EQ(TInstalledData::ResolveRig("plant"), offers[2].Folder);
}
