// The ifdsim executable itself: help, refusals and a clean stop on SIGTERM.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <csignal>

#include "support/tempfolder.h"

namespace {
QString Executable() { return QStringLiteral(QUORLEX_BINARY_DIR "/tools/ifdsim/ifdsim"); }

bool WaitFor(const QString& path, int timeoutMs = 5000) {
  QElapsedTimer timer;
  timer.start();
  while (!QFileInfo::exists(path) && timer.elapsed() < timeoutMs) QThread::msleep(10);
  return QFileInfo::exists(path);
}

class Process : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!QFileInfo::exists(Executable())) GTEST_SKIP() << "ifdsim is not built";
  }
  // Runs to the end; returns the exit code.
  int Run(const QStringList& args) {
    Sim.start(Executable(), args);
    EXPECT_TRUE(Sim.waitForFinished(5000));
    return Sim.exitCode();
  }
  QProcess Sim;
};
}  // namespace

TEST_F(Process, HelpAndRefusals) {
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_TRUE(Sim.readAllStandardOutput().contains("--vanish-after SECONDS"));
  EXPECT_EQ(Run({"--bogus"}), 2);
  EXPECT_TRUE(Sim.readAllStandardError().contains("ifdsim: unknown option --bogus"));
  TTempFolder folder;
  folder.Write("rig/sim/plant.ini", "[ai0]\nsource = 1 +\n");
  EXPECT_EQ(Run({"--rig", folder.File("rig")}), 2);
  EXPECT_TRUE(Sim.readAllStandardError().contains("plant.ini, line 2: value missing"));
}

TEST_F(Process, StopsCleanlyOnSigtermAndRemovesItsFiles) {
  TTempFolder folder;
  Sim.start(Executable(), {"--rig", folder.File("rig"), "--serial-dir", folder.File("s"), "--device-dir",
                           folder.File("d"), "--slave", "brenna"});
  ASSERT_TRUE(WaitFor(folder.File("s/master")));
  ASSERT_TRUE(WaitFor(folder.File("d/VelUSB1")));
  EXPECT_TRUE(WaitFor(folder.File("s/slave")));
  ::kill(pid_t(Sim.processId()), SIGTERM);
  ASSERT_TRUE(Sim.waitForFinished(5000));
  EXPECT_EQ(Sim.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(Sim.exitCode(), 0);
  for (const char* f : {"s/master", "s/slave", "d/VelUSB0", "d/VelUSB1"})
    EXPECT_FALSE(QFileInfo::exists(folder.File(f))) << f;
  EXPECT_TRUE(Sim.readAllStandardError().contains("no plant file at"));
}
