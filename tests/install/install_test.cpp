// The programs as a lab installs them: into a prefix of their own, away from the source tree, and
// as a Debian package whose dependencies are computed from what the programs link.
#include <gtest/gtest.h>

#include <QDir>
#include <QDateTime>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTcpServer>
#include <QTemporaryDir>

#include "platform/filenames.h"
#include "support/tempfolder.h"

namespace {
const QString kBuild = QStringLiteral(QUORLEX_BINARY_DIR);

struct TRun {
  int Code = -1;
  QString Out, Err;
};

TRun RunProgram(const QString& program, const QStringList& args, const QString& cwd = {}, int timeoutMs = 120000,
               const QProcessEnvironment& extra = {}) {
  QProcess p;
  // No hint of the build or source tree: the installed programs find their data on their own.
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"QUORLEX_DATA_DIR", "QUORLEX_RIG", "QUORLEX_PORTS", "QUORLEX_DEVICE_DIR"})
    env.remove(name);
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert(extra);
  p.setProcessEnvironment(env);
  if (!cwd.isEmpty()) p.setWorkingDirectory(cwd);
  p.start(program, args);
  if (!p.waitForFinished(timeoutMs)) p.kill();
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
          QString::fromUtf8(p.readAllStandardError())};
}

// A user of their own: settings, data and runtime folders in `home`.
QProcessEnvironment UserFolders(const QTemporaryDir& home) {
  QProcessEnvironment env;
  env.insert("HOME", home.path());
  env.insert("XDG_CONFIG_HOME", home.filePath("config"));
  env.insert("XDG_DATA_HOME", home.filePath("data"));
  env.insert("XDG_RUNTIME_DIR", home.filePath("runtime"));
  QDir().mkpath(home.filePath("runtime"));
  QFile::setPermissions(home.filePath("runtime"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  return env;
}

// Every file and folder under `root` with its size, time and permissions: a write shows.
QMap<QString, QString> Snapshot(const QString& root) {
  QMap<QString, QString> out;
  QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QFileInfo info(it.next());
    out.insert(info.filePath(), QStringLiteral("%1 %2 %3")
                                    .arg(info.isSymLink() ? -1 : info.size())
                                    .arg(info.lastModified().toMSecsSinceEpoch())
                                    .arg(static_cast<int>(info.permissions())));
  }
  return out;
}

// Takes every write bit off a tree (as a read-only mount or a root-owned installation looks to a
// user) and puts the owner's back when done.
class TReadOnlyTree {
 public:
  explicit TReadOnlyTree(const QString& root) : FRoot(root) { Walk(false); }
  ~TReadOnlyTree() { Walk(true); }

 private:
  void Walk(bool writable) {
    const QFileDevice::Permissions writes = QFileDevice::WriteOwner | QFileDevice::WriteUser |
                                            QFileDevice::WriteGroup | QFileDevice::WriteOther;
    QStringList paths{FRoot};
    QDirIterator it(FRoot, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
      const QString path = it.next();
      if (!QFileInfo(path).isSymLink()) paths << path;
    }
    for (const QString& path : paths) {
      const QFileDevice::Permissions p = QFile::permissions(path);
      QFile::setPermissions(path, writable ? p | QFileDevice::WriteOwner | QFileDevice::WriteUser : p & ~writes);
    }
  }
  QString FRoot;
};

class Installed : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Prefix = new QTemporaryDir;
    const TRun install = RunProgram("cmake", {"--install", kBuild, "--prefix", Prefix->path()});
    InstallOk = install.Code == 0;
    InstallLog = install.Out + install.Err;
  }
  static void TearDownTestSuite() {
    delete Prefix;
    Prefix = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(InstallOk) << InstallLog.toStdString(); }
  static QString At(const QString& relative) { return Prefix->filePath(relative); }

  static QTemporaryDir* Prefix;
  static bool InstallOk;
  static QString InstallLog;
};
QTemporaryDir* Installed::Prefix = nullptr;
bool Installed::InstallOk = false;
QString Installed::InstallLog;

}  // namespace

TEST_F(Installed, PutsProgramsDataDesktopEntryIconsAndManualPagesInPlace) {
  for (const char* file : {"bin/quorlex", "bin/ifdsim", "bin/qxbook", "bin/plantsim", "bin/quorlex-demo"})
    EXPECT_TRUE(QFileInfo(At(file)).isExecutable()) << file;
  for (const char* file : {"share/quorlex/rigs/demo/config/general.vts", "share/quorlex/rigs/demo/sim/plant.ini",
                           "share/applications/org.example.quorlex.desktop", "share/icons/hicolor/48x48/apps/quorlex.png",
                           "share/icons/hicolor/256x256/apps/quorlex.png", "share/man/man1/quorlex.1.gz",
                           "share/man/man1/ifdsim.1.gz", "share/man/man1/qxbook.1.gz", "share/man/man1/plantsim.1.gz",
                           "share/doc/quorlex/docs/rig-folder.md", "share/doc/quorlex/copyright",
                           "share/doc/quorlex/changelog.gz", "share/man/man1/quorlex-demo.1.gz", "share/quorlex/rigs/plant/config/datasrc.vts"})
    EXPECT_TRUE(QFileInfo::exists(At(file))) << file;
  const QByteArray desktop = TTempFolder::Read(At("share/applications/org.example.quorlex.desktop"));
  EXPECT_TRUE(desktop.contains("Exec=quorlex %f\n"));
  EXPECT_TRUE(desktop.contains("MimeType=application/x-quorlex-workbook;\n"));
  const QByteArray demo = TTempFolder::Read(At("share/applications/org.example.quorlex.demo.desktop"));
  EXPECT_TRUE(demo.contains("Name=Quorlex Demo\n"));
  EXPECT_TRUE(demo.contains("Exec=quorlex-demo\n"));
  for (const QByteArray& entry : {desktop, demo}) EXPECT_TRUE(entry.contains("Icon=quorlex\n"));
}

// What desktops and software centres read is valid to their own checkers.
TEST_F(Installed, DesktopEntriesMimeTypeAndMetadataPassTheirValidators) {
  for (const char* entry : {"share/applications/org.example.quorlex.desktop", "share/applications/org.example.quorlex.demo.desktop",
                            "share/applications/org.example.quorlex.classview.desktop"}) {
    const TRun check = RunProgram("desktop-file-validate", {At(entry)});
    EXPECT_EQ(check.Code, 0) << entry << ": " << check.Err.toStdString();
    EXPECT_TRUE((check.Out + check.Err).trimmed().isEmpty()) << entry << ": " << (check.Out + check.Err).toStdString();
  }
  const TRun meta = RunProgram("appstreamcli", {"validate", "--no-net", "--pedantic", At("share/metainfo/org.example.quorlex.metainfo.xml")});
  EXPECT_EQ(meta.Code, 0) << meta.Out.toStdString() << meta.Err.toStdString();
  EXPECT_TRUE(meta.Out.contains("Validation was successful")) << meta.Out.toStdString();
  const QByteArray mime = TTempFolder::Read(At("share/mime/packages/quorlex.xml"));
  EXPECT_TRUE(mime.contains("type=\"application/x-quorlex-workbook\"")) << mime.toStdString();
  EXPECT_TRUE(QFileInfo::exists(At("share/icons/hicolor/48x48/mimetypes/application-x-quorlex-workbook.png")));
  const QByteArray man = TTempFolder::Read(At("share/man/man1/quorlex.1.gz"));
  EXPECT_FALSE(man.isEmpty());
}

// Installed with every write bit taken away (and so, for root, too: the program goes by the bits),
// the programs run the installed demo rig and write only into the user's folders: no ini.ini
// beside the executable, no rewritten rig, no warning that settings could not be saved.
TEST_F(Installed, AReadOnlyInstallationRunsTheDemoRigWritingOnlyIntoTheUsersFolders) {
  QTemporaryDir home;
  const QProcessEnvironment user = UserFolders(home);
  TReadOnlyTree readOnly(Prefix->path());
  const QMap<QString, QString> before = Snapshot(Prefix->path());

  const TRun check = RunProgram(At("bin/quorlex"), {"--check-rig", "demo"}, QDir::tempPath(), 120000, user);
  EXPECT_EQ(check.Code, 0) << check.Out.toStdString() << check.Err.toStdString();
  const QString shot = home.filePath("shot.png");
  const TRun run = RunProgram(At("bin/quorlex"), {"--rig", "demo", "--screenshot", shot, "--screenshot-delay", "1500"},
                              QDir::tempPath(), 120000, user);
  EXPECT_EQ(run.Code, 0) << run.Out.toStdString() << run.Err.toStdString();
  EXPECT_TRUE(QFileInfo(shot).size() > 0);
  EXPECT_FALSE(run.Err.contains("privillages")) << run.Err.toStdString();
  EXPECT_FALSE(run.Err.contains("read-only")) << run.Err.toStdString();

  const QMap<QString, QString> after = Snapshot(Prefix->path());
  for (auto it = after.begin(); it != after.end(); ++it)
    EXPECT_EQ(before.value(it.key()), it.value()) << "written under the prefix: " << it.key().toStdString();
  EXPECT_EQ(before.size(), after.size());
  EXPECT_FALSE(QFileInfo::exists(At("bin/ini.ini")));
  EXPECT_TRUE(QFileInfo::exists(home.filePath("config/Veltrim/ini.ini")));
  // The rig's settings were saved on the way out, into the user's copy of its file.
  const QString copy = home.filePath("config/Veltrim/rigs") + QDir::cleanPath(At("share/quorlex/rigs/demo/config")) +
                       "/Configuration.ini";
  EXPECT_TRUE(QFileInfo::exists(copy)) << copy.toStdString();
}

// The installed plant demo starts the controller simulator beside the card simulator, and the
// program reaches it (the status bar's plant panel shows no fault). The user's copy of the rig
// names a free port, so the test never meets another controller.
TEST_F(Installed, ThePlantDemoReachesItsSimulatedController) {
  QTemporaryDir home;
  const QProcessEnvironment user = UserFolders(home);
  const QString rig = home.filePath("data/quorlex/rigs/plant");
  ASSERT_TRUE(filenames::CopyTree(At("share/quorlex/rigs/plant"), rig));
  quint16 port = 0;
  {
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    port = probe.serverPort();
  }
  const QString iniPath = rig + "/config/Configuration.ini";
  QByteArray ini = TTempFolder::Read(iniPath);
  ASSERT_TRUE(ini.contains("port = 15020")) << ini.toStdString();
  ini.replace("port = 15020", "port = " + QByteArray::number(port));
  QFile::setPermissions(iniPath, QFile::permissions(iniPath) | QFileDevice::WriteOwner);
  QFile file(iniPath);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(file.write(ini), ini.size());
  file.close();

  const TRun demo = RunProgram(At("bin/quorlex-demo"), {"--rig", "plant", "--screenshot", home.filePath("plant.png"),
                                                        "--screenshot-delay", "4000"},
                               QDir::tempPath(), 120000, user);
  EXPECT_EQ(demo.Code, 0) << demo.Out.toStdString() << demo.Err.toStdString();
  EXPECT_TRUE(demo.Out.contains("status: Plant: OK\n")) << demo.Out.toStdString() << demo.Err.toStdString();
  EXPECT_FALSE(demo.Out.contains("refused")) << demo.Out.toStdString();
  EXPECT_FALSE(demo.Out.contains("no answer")) << demo.Out.toStdString();
  // Its simulators' folders are gone with it.
  EXPECT_TRUE(QDir(home.filePath("runtime")).entryList({"quorlex-demo.*"}, QDir::AllEntries | QDir::Hidden).isEmpty());
}

// Help is answered before anything happens: no rig copied, no simulator started.
TEST_F(Installed, TheDemoLauncherAnswersHelpWithoutSideEffects) {
  QTemporaryDir home;
  const TRun help = RunProgram(At("bin/quorlex-demo"), {"--help"}, QDir::tempPath(), 30000, UserFolders(home));
  EXPECT_EQ(help.Code, 0);
  EXPECT_TRUE(help.Out.contains("Usage: quorlex-demo")) << help.Out.toStdString();
  EXPECT_FALSE(QFileInfo::exists(home.filePath("data/quorlex")));
  EXPECT_TRUE(QDir(home.filePath("runtime")).isEmpty());
}

TEST_F(Installed, TheInstalledProgramChecksTheInstalledDemoRigByName) {
  const TRun check = RunProgram(At("bin/quorlex"), {"--check-rig", "demo"}, QDir::tempPath());
  EXPECT_EQ(check.Code, 0) << check.Out.toStdString() << check.Err.toStdString();
  EXPECT_TRUE(check.Out.contains(At("share/quorlex/rigs/demo"))) << check.Out.toStdString();
  const TRun missing = RunProgram(At("bin/quorlex"), {"--check-rig", "no-such-rig"}, QDir::tempPath());
  EXPECT_NE(missing.Code, 0);
}

TEST_F(Installed, EveryProgramAnswersHelpAndVersion) {
  for (const char* program : {"quorlex", "ifdsim", "qxbook"}) {
    const TRun version = RunProgram(At(QString("bin/") + program), {"--version"});
    EXPECT_EQ(version.Code, 0) << program;
    EXPECT_TRUE(version.Out.contains(QStringLiteral(QUORLEX_VERSION))) << program << ": " << version.Out.toStdString();
    const TRun help = RunProgram(At(QString("bin/") + program), {"--help"});
    EXPECT_EQ(help.Code, 0) << program;
    EXPECT_TRUE(help.Out.contains("--help") || help.Out.contains("-h,")) << program << ": " << help.Out.toStdString();
  }
}

TEST_F(Installed, TheSimulatorServesAnInstalledRigByName) {
  QTemporaryDir run;
  QProcess sim;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("QUORLEX_DATA_DIR");
  sim.setProcessEnvironment(env);
  sim.start(At("bin/ifdsim"), {"--rig", "demo", "--serial-dir", run.filePath("sim"), "--device-dir", run.filePath("dev")});
  ASSERT_TRUE(sim.waitForStarted(5000));
  bool up = false;
  for (int i = 0; i < 100 && !up; ++i) {
    up = QFileInfo::exists(run.filePath("sim/master"));
    if (!up) sim.waitForFinished(50);
  }
  sim.terminate();
  sim.waitForFinished(5000);
  const QString said = QString::fromUtf8(sim.readAllStandardError());
  EXPECT_TRUE(up) << said.toStdString();
  EXPECT_FALSE(said.contains("no plant file")) << said.toStdString();  // the rig's plant model was found
}

// The .deb as cpack makes it, once for the tests below.
class Package : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Out = new QTemporaryDir;
    const TRun cpack = RunProgram("cpack", {"-G", "DEB", "--config", kBuild + "/CPackConfig.cmake", "-B", Out->path()}, kBuild, 300000);
    Log = cpack.Out + cpack.Err;
    const QStringList debs = QDir(Out->path()).entryList({"quorlex_*.deb"});
    if (cpack.Code == 0 && debs.size() == 1) Deb = Out->filePath(debs[0]);
    else Log += QDir(Out->path()).entryList().join(' ');
  }
  static void TearDownTestSuite() {
    delete Out;
    Out = nullptr;
  }
  void SetUp() override { ASSERT_FALSE(Deb.isEmpty()) << Log.toStdString(); }
  static QTemporaryDir* Out;
  static QString Deb, Log;
};
QTemporaryDir* Package::Out = nullptr;
QString Package::Deb;
QString Package::Log;

TEST_F(Package, DependsOnWhatTheProgramsLink) {
  const TRun depends = RunProgram("dpkg-deb", {"-f", Deb, "Depends"});
  ASSERT_EQ(depends.Code, 0);
  for (const char* lib : {"libc6", "libqt6widgets6", "libqt6charts6", "libqt6serialport6", "zlib1g", "libexpat1"})
    EXPECT_TRUE(depends.Out.contains(lib)) << lib << " missing from: " << depends.Out.toStdString();
  const TRun contents = RunProgram("dpkg-deb", {"-c", Deb});
  for (const char* file : {"./usr/bin/quorlex", "./usr/bin/ifdsim", "./usr/bin/qxbook", "./usr/bin/plantsim",
                           "./usr/share/applications/org.example.quorlex.desktop",
                           "./usr/share/metainfo/org.example.quorlex.metainfo.xml", "./usr/share/doc/quorlex/copyright",
                           "./usr/share/doc/quorlex/changelog.gz", "./usr/share/quorlex/rigs/demo/config/run.vts"})
    EXPECT_TRUE(contents.Out.contains(file)) << file;
  const TRun fields = RunProgram("dpkg-deb", {"-f", Deb, "Maintainer", "Homepage", "Description"});
  EXPECT_FALSE(fields.Out.contains("localhost")) << fields.Out.toStdString();
  EXPECT_TRUE(fields.Out.contains("Homepage: ")) << fields.Out.toStdString();
}

// Debian's own checker finds no error and no warning (what it must be told is in the shipped
// overrides), and the programs carry the hardening it looks for.
TEST_F(Package, LintianFindsNoErrorOrWarning) {
  const TRun lintian = RunProgram("lintian", {"--fail-on", "error,warning", "--tag-display-limit", "0", Deb}, {}, 300000);
  EXPECT_EQ(lintian.Code, 0) << lintian.Out.toStdString() << lintian.Err.toStdString();
  for (const QString& line : lintian.Out.split('\n'))
    EXPECT_FALSE(line.startsWith("E: ") || line.startsWith("W: ")) << line.toStdString();
  // A build configured without the hardening flags (a developer's quick build) cannot show them.
  QFile cache(QStringLiteral(QUORLEX_BINARY_DIR "/CMakeCache.txt"));
  ASSERT_TRUE(cache.open(QIODevice::ReadOnly));
  if (cache.readAll().contains("QUORLEX_HARDENING:BOOL=OFF")) return;
  const TRun hardening = RunProgram("lintian", {"-I", "--tags", "hardening-no-relro,hardening-no-bindnow,hardening-no-fortify-functions,hardening-no-pie", Deb}, {}, 300000);
  EXPECT_TRUE(hardening.Out.trimmed().isEmpty()) << hardening.Out.toStdString();
}
