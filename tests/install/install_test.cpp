// The programs as a lab installs them: into a prefix of their own, away from the source tree, and
// as a Debian package whose dependencies are computed from what the programs link.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include "support/tempfolder.h"

namespace {
const QString kBuild = QStringLiteral(QUORLEX_BINARY_DIR);

struct TRun {
  int Code = -1;
  QString Out, Err;
};

TRun RunProgram(const QString& program, const QStringList& args, const QString& cwd = {}, int timeoutMs = 120000) {
  QProcess p;
  // No hint of the build or source tree: the installed programs find their data on their own.
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"QUORLEX_DATA_DIR", "QUORLEX_RIG", "QUORLEX_PORTS", "QUORLEX_DEVICE_DIR"}) env.remove(name);
  env.insert("QT_QPA_PLATFORM", "offscreen");
  p.setProcessEnvironment(env);
  if (!cwd.isEmpty()) p.setWorkingDirectory(cwd);
  p.start(program, args);
  if (!p.waitForFinished(timeoutMs)) p.kill();
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
          QString::fromUtf8(p.readAllStandardError())};
}

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
                           "share/applications/quorlex.desktop", "share/icons/hicolor/48x48/apps/quorlex.png",
                           "share/icons/hicolor/256x256/apps/quorlex.png", "share/man/man1/quorlex.1.gz",
                           "share/man/man1/ifdsim.1.gz", "share/man/man1/qxbook.1.gz", "share/man/man1/plantsim.1.gz",
                           "share/doc/quorlex/rig-folder.md", "share/quorlex/rigs/plant/config/datasrc.vts"})
    EXPECT_TRUE(QFileInfo::exists(At(file))) << file;
  const QByteArray desktop = TTempFolder::Read(At("share/applications/quorlex.desktop"));
  EXPECT_TRUE(desktop.contains("Exec=quorlex-demo\n"));
  EXPECT_TRUE(desktop.contains("Icon=quorlex\n"));
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

TEST(Package, TheDebianPackageDependsOnWhatTheProgramsLink) {
  QTemporaryDir out;
  const TRun cpack = RunProgram("cpack", {"-G", "DEB", "--config", kBuild + "/CPackConfig.cmake", "-B", out.path()}, kBuild, 300000);
  ASSERT_EQ(cpack.Code, 0) << cpack.Out.toStdString() << cpack.Err.toStdString();
  const QStringList debs = QDir(out.path()).entryList({"quorlex_*.deb"});
  ASSERT_EQ(debs.size(), 1) << QDir(out.path()).entryList().join(' ').toStdString();
  const QString deb = out.filePath(debs[0]);
  const TRun depends = RunProgram("dpkg-deb", {"-f", deb, "Depends"});
  ASSERT_EQ(depends.Code, 0);
  for (const char* lib : {"libc6", "libqt6widgets6", "libqt6charts6", "libqt6serialport6", "zlib1g", "libexpat1"})
    EXPECT_TRUE(depends.Out.contains(lib)) << lib << " missing from: " << depends.Out.toStdString();
  const TRun contents = RunProgram("dpkg-deb", {"-c", deb});
  for (const char* file : {"./usr/bin/quorlex", "./usr/bin/ifdsim", "./usr/bin/qxbook", "./usr/share/applications/quorlex.desktop",
                           "./usr/share/quorlex/rigs/demo/config/run.vts"})
    EXPECT_TRUE(contents.Out.contains(file)) << file;
}
