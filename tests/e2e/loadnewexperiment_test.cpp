// Load New Experiment hands the serial connection over: the program, connected to the simulator's
// card, starts a new instance and closes; the new instance, given the arguments handed over as a
// launched program receives them, talks to the card on the same port again.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>

#include "ifd/qxifd.h"
#include "ifd/serial/waitfor.h"
#include "ifd/serial/ifdseriallink.h"
#include "platform/messagebus.h"
#include "platform/services.h"
#include "rigconfig/registry.h"
#include "rigconfig/rigconfig.h"
#include "rigconfig/settingsnames.h"
#include "shell/master.h"
#include "shell/resultsmdi.h"
#include "support/recordinglauncher.h"
#include "support/scriptedprompts.h"
#include "support/tempfolder.h"

namespace {
const QString kDemoSource = QStringLiteral(QUORLEX_SOURCE_DIR "/examples/rigs/demo");
const QString kSim = QStringLiteral(QUORLEX_BINARY_DIR "/tools/ifdsim/ifdsim");

// Automatic reconnection on (the default: the last ports are tried at start) or off (the user
// connects, and the handed-over port is the one opened).
class LoadNewExperiment : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (!QFileInfo(kSim).isExecutable()) GTEST_SKIP() << "the simulator is not built";
    demo = tmp.CopyTree(kDemoSource, "demo");
    const QString serial = tmp.File("serial"), devices = tmp.File("dev");
    qputenv("QUORLEX_DEVICE_DIR", devices.toLocal8Bit());
    qputenv("QUORLEX_PORTS", ("COM3=" + serial + "/master,COM4=" + serial + "/slave").toLocal8Bit());
    sim.start(kSim, {"--rig", demo, "--serial-dir", serial, "--device-dir", devices, "--log", tmp.File("commands.log")});
    ASSERT_TRUE(sim.waitForStarted(5000));
    ASSERT_TRUE(WaitFor([&] { return QFileInfo::exists(serial + "/master"); }, 5000));
  }
  void TearDown() override {
    if (sim.state() == QProcess::NotRunning) return;
    sim.terminate();
    sim.waitForFinished(5000);
  }
  static void SetAutoReconnect(bool on) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(TServices::Rig()->RegistryKey, true));
    reg.WriteBool(settings::reg::AutoCom, on);
    reg.CloseKey();
  }
  static bool OnSerialCard(TMaster& master) {
    TQXIFD* ifd = master.Diagram() ? master.Diagram()->IFD() : nullptr;
    return ifd && ifd->FvComIOActive && master.PanelText(3) == "IFD: vCOM(3)m";
  }

  TTempFolder tmp;
  QString demo;
  QProcess sim;
};
}  // namespace

TEST_P(LoadNewExperiment, TheNewInstanceTalksToTheCardOnTheSamePort) {
  const bool autoReconnect = GetParam();
  TScriptedPrompts prompts;
  TRecordingLauncher launcher;
  prompts.ExpectChoice(0);  // exercise 1
  auto first = std::make_unique<TMaster>();
  first->StartUp(demo, {"quorlex", "--rig", demo});
  WaitFor([] { return false; }, 1000);  // the start-up's own connection attempt is over
  SetAutoReconnect(autoReconnect);
  prompts.ExpectChoice(0);  // the port list: COM3 first
  first->ConnectClick(true);
  ASSERT_TRUE(WaitFor([&] { return OnSerialCard(*first); }, 8000)) << first->PanelText(3).toStdString();

  first->LoadNewExperiment();
  ASSERT_EQ(launcher.Launches().size(), 1u);
  const TRecordingLauncher::TLaunch launch = launcher.Launches()[0];
  first.reset();
  ASSERT_FALSE(launch.Arguments.isEmpty());
  EXPECT_TRUE(launch.Arguments[0].contains(QStringLiteral("COMm=3"))) << launch.Arguments[0].toStdString();

  // The new instance, started as the launcher would start it: its own path first.
  prompts.ExpectChoice(1);  // exercise 2 this time
  auto second = std::make_unique<TMaster>();
  second->StartUp(demo, QStringList{launch.Program} + launch.Arguments);
  if (!autoReconnect) {
    // No port list this time: the handed-over port is opened directly.
    WaitFor([] { return false; }, 1000);
    EXPECT_FALSE(OnSerialCard(*second));
    second->ConnectClick(true);
  }
  EXPECT_TRUE(WaitFor([&] { return OnSerialCard(*second); }, 8000)) << second->PanelText(3).toStdString();
  // The card answers the new instance: fresh values from the plant.
  TQXIFD* ifd = second->Diagram()->IFD();
  EXPECT_TRUE(WaitFor([&] { return ifd->MainChannelValue[0] != 0; }, 5000));
  EXPECT_EQ(ifd->SerialLink().CommunicationErrors(), 0);
  // A silent reconnect asked for while connected (the settings dialog asks whenever it loads)
  // leaves the connection alone and asks the user nothing.
  const std::size_t asked = prompts.Records().size();
  TServices::Bus().PostMessage(QStringLiteral("WM_RECONNECT_COMS_SILENTLY"));
  WaitFor([] { return false; }, 500);
  EXPECT_TRUE(OnSerialCard(*second)) << second->PanelText(3).toStdString();
  EXPECT_EQ(prompts.Records().size(), asked);
  second->close();
  second.reset();
}

INSTANTIATE_TEST_SUITE_P(E2E, LoadNewExperiment, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "AutoReconnect" : "UserConnects"; });
