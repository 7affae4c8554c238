// The legacy path against the simulator's driver devices on real sockets.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include "ifd/legacy/ilegacyhost.h"
#include "ifd/legacy/legacyaccess.h"
#include "ifd/legacy/socketdriver.h"
#include "rigconfig/rigconfig.h"
#include "support/tempfolder.h"

namespace {
const QString kSim = QStringLiteral(QUORLEX_BINARY_DIR "/tools/ifdsim/ifdsim");

class TPanels : public ILegacyHost {
 public:
  void SetStatusPanel(int panel, const QString& text) override { Panels[panel] = text; }
  void SetVComToolsOn() override {}
  void SetVComToolsOff() override {}
  std::map<int, QString> Panels;
};

// The legacy half of a facade on the simulator's devices.
struct TLegacyRig {
  explicit TLegacyRig(const QString& devices, bool twoCards = false) : driver(devices) {
    rig.Using_IFD = true;
    rig.Using_EXP = twoCards;
  }
  TSocketDriver driver;
  TIFDState state;
  TRigConfig rig{nullptr, nullptr, nullptr};
  TPanels panels;
  TLegacyAccess access{state, driver, &rig, &panels};
};

struct TSimulatorLegacy : ::testing::Test {
  TTempFolder tmp;
  QProcess sim;
  QString devices;

  void Start(const QStringList& extra, const QString& socket = "VelUSB0") {
    if (!QFileInfo::exists(kSim)) GTEST_SKIP() << "the simulator is not built: " << kSim.toStdString();
    devices = tmp.File("dev");
    const QString plant = tmp.Write("plant.ini",
                                    "[ai0]\nsource = AO0\ntau = 0\n"
                                    "[ai1]\nsource = -AO0\ntau = 0\n"
                                    "[di3]\nsource = DO1\n");
    sim.start(kSim, QStringList{"--no-serial", "--device-dir", devices, "--plant", plant} + extra);
    ASSERT_TRUE(sim.waitForStarted(5000));
    QElapsedTimer t;
    t.start();
    while (!QFileInfo::exists(devices + "/" + socket) && t.elapsed() < 5000) QThread::msleep(20);
    ASSERT_TRUE(QFileInfo::exists(devices + "/" + socket)) << sim.readAllStandardError().toStdString();
  }
  void TearDown() override {
    if (sim.state() != QProcess::NotRunning) {
      sim.terminate();
      if (!sim.waitForFinished(5000)) sim.kill();
    }
  }
};

// Samples until `done` or two seconds pass (the plant model steps on its own clock).
template <class F>
bool SampleUntil(TLegacyAccess& access, F done) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 2000) {
    access.SampleNow();
    if (done()) return true;
    QThread::msleep(20);
  }
  return false;
}
}  // namespace

TEST_F(TSimulatorLegacy, OutputsComeBackOnTheInputs) {
  Start({});
  if (HasFatalFailure() || IsSkipped()) return;
  TLegacyRig legacy(devices);
  auto& [driver, state, rig, panels, access] = legacy;
  state.MainChannelInUse[0] = state.MainChannelInUse[1] = true;
  access.OpenPorts();
  ASSERT_TRUE(state.PortsOpen) << panels.Panels[3].toStdString();
  EXPECT_TRUE(panels.Panels[3].startsWith("IFD: OK (F"));
  ASSERT_TRUE(access.SetAnalogueValue(0, 1000));
  ASSERT_TRUE(access.SetDigitalOutputValueLeg(1, true));
  EXPECT_TRUE(SampleUntil(access, [&] {
    return state.MainChannelValue[0] == 1000 && state.MainChannelValue[1] == -1000 && state.DigitalInputs[3] == 1;
  })) << state.MainChannelValue[0] << " " << state.MainChannelValue[1];
  EXPECT_EQ(access.GetFrequency(0), 0);  // starts a measurement
}

TEST_F(TSimulatorLegacy, TwoCardsAndTheSimulatorVanishing) {
  Start({"--slave", "vexa", "--master-device", "doruzova", "--slave-device", "doruzova", "--vanish-after", "1"}, "DoruzOVA1");
  if (HasFatalFailure() || IsSkipped()) return;
  TLegacyRig legacy(devices, true);
  auto& [driver, state, rig, panels, access] = legacy;
  state.MainChannelInUse[0] = true;
  state.ExpnChannelInUse[0] = true;
  access.OpenPorts();
  ASSERT_TRUE(state.PortsOpen) << panels.Panels[3].toStdString() << " / " << panels.Panels[4].toStdString();
  EXPECT_EQ(panels.Panels[3], "IFD: OK");
  EXPECT_EQ(panels.Panels[4], "IFD-XP: OK");
  EXPECT_TRUE(access.SetAnalogueValue(100, -500));
  // After a second the simulator closes its sockets: sampling fails, closes and reports.
  EXPECT_TRUE(SampleUntil(access, [&] { return !state.PortsOpen; }));
  EXPECT_EQ(state.IFDStatus, "Closed");
  EXPECT_TRUE(panels.Panels[3].startsWith("IFD: "));
  access.SampleNow();  // reopening finds nothing and does not hang
  EXPECT_FALSE(state.PortsOpen);
}

TEST_F(TSimulatorLegacy, ADeviceTooSlowToAnswerIsNamedAndDoesNotHoldTheProgram) {
  // Every answer two seconds late: opening, sampling and writing each come back within a bound,
  // and the status names the device instead of waiting on it.
  Start({"--delay", "2000"});
  if (HasFatalFailure() || IsSkipped()) return;
  TLegacyRig legacy(devices);
  auto& [driver, state, rig, panels, access] = legacy;
  state.MainChannelInUse[0] = true;
  QElapsedTimer t;
  t.start();
  access.OpenPorts();
  for (int i = 0; i < 10; ++i) {
    access.SetAnalogueValue(0, 100);
    access.SampleNow();
  }
  EXPECT_LT(t.elapsed(), 1500);
  EXPECT_FALSE(state.PortsOpen);
  EXPECT_EQ(panels.Panels[3], "IFD: VelUSB0 silent");
  EXPECT_EQ(driver.SilentDevice(), "VelUSB0");
}
