// Captures through the oscilloscope window against the interface-card simulator: a serial
// high-speed capture on a pseudo-terminal and a legacy capture on the device sockets, checked
// against the simulator's waveforms; triggers, an abandoned capture, a transfer cut short.
#include <gtest/gtest.h>

#include <cmath>

#include "ifd/legacy/legacyaccess.h"
#include "ifd/legacy/socketdriver.h"
#include "ifd/qxifd.h"
#include "ifd/serial/commandwriter.h"
#include "ifd/serial/hs_data_serialconnector.h"
#include "ifd/serial/waitfor.h"
#include "platform/messagebus.h"
#include "platform/services.h"
#include "rigconfig/registry.h"
#include "rigconfig/rigconfig.h"
#include "scope/formoscilloscope.h"
#include "scope/iscopehost.h"
#include "support/cardsimulator.h"
#include "support/recordingifdhost.h"
#include "support/scriptedprompts.h"
#include "support/tempfolder.h"

namespace {
// Input 3: a 50 Hz sine of 800 counts; input 5: steady at -250; digital input 0 never set.
const QByteArray kPlant =
    "[ai3]\nsource = 0\nwave = sine\nwave_frequency = 50\nwave_amplitude = 800\nnoise = 0\n"
    "[ai5]\nsource = -250\ntau = 0\nnoise = 0\n";

// The amplitude of the `hz` component of samples taken every `dt` seconds.
double Amplitude(const std::vector<int>& x, double dt, double hz) {
  double s = 0, c = 0;
  for (size_t i = 0; i < x.size(); ++i) {
    s += x[i] * std::sin(2 * M_PI * hz * i * dt);
    c += x[i] * std::cos(2 * M_PI * hz * i * dt);
  }
  return 2 * std::hypot(s, c) / double(x.size());
}

struct TScopeHost : IScopeHost {
  void ChangedScope() override { ++Changes; }
  void NextResultsScopeReady() override { ++Ready; }
  void ReEnableSampling() override { ++ReEnabled; }
  int Changes = 0, Ready = 0, ReEnabled = 0;
};

struct TScopeSim : ::testing::Test {
  TTempFolder tmp;
  TScriptedPrompts prompts;
  TRigConfig rig{nullptr, nullptr, nullptr};
  TRecordingIFDHost host;
  TScopeHost scopeHost;
  TMessageBus bus;
  std::unique_ptr<TCardSimulator> sim;
  std::unique_ptr<TSocketDriver> driver;
  std::unique_ptr<TQXIFD> ifd;
  std::unique_ptr<TFormOscilloscope> scope;

  void SetUp() override {
    if (!TCardSimulator::Built()) GTEST_SKIP() << "the simulator is not built";
    sim = std::make_unique<TCardSimulator>(tmp);
    rig.Using_IFD = true;
    rig.UsingSingleEndedChannels = true;
    rig.RegistryKey = TRegistry::RigKey(QStringLiteral("Scope Sim Rig"), 1.0);
    TServices::SetRig(&rig);
    TServices::SetBus(&bus);
    // What the main window does with the completion message.
    bus.SetHandler([this](unsigned msg, std::intptr_t w, std::intptr_t) {
      if (bus.MessageName(msg) != "WM_HS_DATA_RETRIEVED") return;
      scope->VComCallBackDataReady(int(w));
      ifd->SetVComLoggingMode();
    });
  }
  void TearDown() override {
    scope.reset();
    ifd.reset();
    driver.reset();
    sim.reset();
    TServices::SetRig(nullptr);
    TServices::SetBus(nullptr);
  }

  void ConnectSerial(const QStringList& options = {}) {
    ASSERT_TRUE(sim->StartSerial(QStringList{"--plant", tmp.Write("plant.ini", kPlant), "--master", "brenna"} + options,
                                 false));
    ifd = std::make_unique<TQXIFD>(nullptr, &host);
    ifd->FpreAssignedPortValCOMm = 3;
    ifd->switchIOtoIFDVComMaster(&host);
    ASSERT_TRUE(WaitFor([&] { return ifd->FvComIOActive && ifd->FMainCardActive; }, 5000));
    MakeScope();
  }

  void MakeScope(int samples = 400) {
    scope = std::make_unique<TFormOscilloscope>(&scopeHost);
    TScopeSettings& s = scope->Settings();
    s.FSampleInterval = 1000 - 255;  // 1 ms
    s.FNumberOfSamples = samples;
    s.FAIChannelOne = 3;
    s.FAIChannelTwo = 5;
    s.TriggerMode = TScopeSettings::Software;
  }

  bool CaptureEnds(int ms = 10000) { return WaitFor([&] { return !scope->FIsCaptureRunning; }, ms); }
};
}  // namespace

TEST_F(TScopeSim, SerialCaptureSamplesTheSimulatorsSineAndTheLineReturnsToLogging) {
  ConnectSerial();
  if (HasFatalFailure()) return;
  scope->Capture();
  EXPECT_TRUE(scope->FIsCaptureRunning);
  EXPECT_FALSE(TCommandWriter::TransmitGateOpen()) << "only capture commands while it runs";
  ASSERT_TRUE(CaptureEnds()) << sim->Received("master").join(' ').toStdString();
  ASSERT_TRUE(scope->FHasCapturedData) << prompts.MessageTexts().join('\n').toStdString();
  const QStringList sent = sim->Received("master");
  EXPECT_TRUE(sent.contains("HS33,3,5,745,400\\r")) << sent.join(' ').toStdString();
  EXPECT_TRUE(sent.contains("T4,800\\r"));

  ASSERT_EQ(scope->FVectorHSSScanCH1.size(), 400u);
  ASSERT_EQ(scope->FVectorHSSScanCH2.size(), 400u);
  EXPECT_NEAR(Amplitude(scope->FVectorHSSScanCH1, 0.001, 50), 800, 16);
  EXPECT_LT(Amplitude(scope->FVectorHSSScanCH1, 0.001, 35), 80) << "the sine is at 50 Hz, not elsewhere";
  EXPECT_LT(Amplitude(scope->FVectorHSSScanCH1, 0.001, 65), 80);
  for (int v : scope->FVectorHSSScanCH2) ASSERT_EQ(v, -250) << "channel two kept apart";
  EXPECT_EQ(scopeHost.Ready, 1);
  EXPECT_GE(scopeHost.ReEnabled, 1);

  // Logging mode again: the gate is open and sampling answers.
  EXPECT_TRUE(TCommandWriter::TransmitGateOpen());
  EXPECT_FALSE(ifd->GettingBurst);
  ifd->RegisterChannel(5, 0);
  ifd->FilterWeight = 1;
  EXPECT_TRUE(WaitFor([&] {
    ifd->SampleNow();
    return ifd->MainChannelValue[5] == -250;
  }));
}

TEST_F(TScopeSim, AnalogueTriggerKeepsThePreTriggerSamplesBeforeTheCrossing) {
  ConnectSerial();
  if (HasFatalFailure()) return;
  TScopeSettings& s = scope->Settings();
  s.FNumberOfSamples = 200;
  s.TriggerMode = TScopeSettings::Analogue;
  s.FPreTriggerCount = 50;
  s.FTrgLevel = 2048 + 400;
  scope->Capture();
  ASSERT_TRUE(CaptureEnds());
  ASSERT_TRUE(scope->FHasCapturedData) << prompts.MessageTexts().join('\n').toStdString();
  EXPECT_TRUE(sim->Received("master").contains("HS17,3,5,745,150,2448\\r"));
  const std::vector<int>& v = scope->FVectorHSSScanCH1;
  ASSERT_EQ(v.size(), 200u);
  EXPECT_LT(v[49], 400);
  EXPECT_GE(v[50], 400) << "sample 50 is the first at or above the level";
}

TEST_F(TScopeSim, ACaptureThatNeverTriggersIsGivenUpAndTheCardCapturesAgain) {
  ConnectSerial();
  if (HasFatalFailure()) return;
  TScopeSettings& s = scope->Settings();
  s.TriggerMode = TScopeSettings::Digital;
  s.FtrgValMsk = 1;  // digital input 0, never set
  scope->Capture();
  EXPECT_FALSE(WaitFor([&] { return !scope->FIsCaptureRunning; }, 1000)) << "still waiting for its trigger";
  EXPECT_TRUE(sim->Received("master").contains("HS65,3,5,745,400,0\\r"));
  prompts.ExpectMessage("No valid data");
  scope->AbortScan();
  EXPECT_FALSE(scope->FIsCaptureRunning);
  EXPECT_FALSE(scope->FHasCapturedData);
  EXPECT_TRUE(TCommandWriter::TransmitGateOpen());

  s.TriggerMode = TScopeSettings::Software;
  s.FtrgValMsk = 0;
  scope->Capture();
  ASSERT_TRUE(CaptureEnds());
  EXPECT_TRUE(scope->FHasCapturedData);
  EXPECT_EQ(scope->FVectorHSSScanCH1.size(), 400u);
}

TEST_F(TScopeSim, ATransferCutShortIsReportedAndAddsNothing) {
  TFormOscilloscope::TransferStallMs = 300;
  ConnectSerial({"--cut-transfer", "1000"});
  if (HasFatalFailure()) return;
  prompts.ExpectMessage("The transfer from the card stopped after");
  scope->Capture();
  ASSERT_TRUE(CaptureEnds());
  TFormOscilloscope::TransferStallMs = 3000;
  EXPECT_FALSE(scope->FHasCapturedData);
  EXPECT_TRUE(scope->FVectorHSSScanCH1.empty());
  EXPECT_EQ(scopeHost.Ready, 0);
  EXPECT_TRUE(TCommandWriter::TransmitGateOpen());
  EXPECT_FALSE(THS_data_SerialConnector::Instance().CapturePending);
}

TEST_F(TScopeSim, AnInvalidChannelChoiceNeverReachesTheCard) {
  ConnectSerial();
  if (HasFatalFailure()) return;
  scope->Settings().FAIChannelTwo = TScopeSettings::NoChannel;
  prompts.ExpectMessage("the oscilloscope has no \"Data Channel Two\" set");
  scope->Capture();
  EXPECT_FALSE(scope->FIsCaptureRunning);
  EXPECT_TRUE(TCommandWriter::TransmitGateOpen());
  EXPECT_FALSE(sim->Received("master").join(' ').contains("HS"));
}

TEST_F(TScopeSim, LegacyCaptureReadsWholeBlocksOfTheSine) {
  ASSERT_TRUE(sim->StartDevices(tmp.Write("legacy.ini", kPlant)));
  driver = std::make_unique<TSocketDriver>(sim->DeviceDir());
  ifd = std::make_unique<TQXIFD>(nullptr, &host, driver.get());
  ifd->OpenPorts();
  ASSERT_TRUE(ifd->LegacyAccess().CheckIfPortsOpen());
  MakeScope(1000);
  scope->Capture();
  EXPECT_FALSE(scope->FIsCaptureRunning) << "a legacy capture runs to its end inside Capture";
  ASSERT_TRUE(scope->FHasCapturedData) << prompts.MessageTexts().join('\n').toStdString();
  ASSERT_EQ(scope->FVectorHSSScanCH1.size(), 992u) << "1000 samples read as 62 blocks of 16";
  EXPECT_NEAR(Amplitude(scope->FVectorHSSScanCH1, 0.001, 50), 800, 16);
  EXPECT_LT(Amplitude(scope->FVectorHSSScanCH1, 0.001, 35), 80);
  for (int v : scope->FVectorHSSScanCH2) ASSERT_EQ(v, -250) << "counts from 2047";
  EXPECT_FALSE(ifd->GettingBurst);

  // A digital trigger that never comes: the flag is still set after the wait.
  scope->Settings().TriggerMode = TScopeSettings::Digital;
  scope->Settings().FtrgValMsk = 1;
  scope->Settings().FNumberOfSamples = 50;
  prompts.ExpectMessage("Error: the trigger flag is SET after the scan");
  scope->Capture();
  EXPECT_FALSE(scope->FHasCapturedData);
  EXPECT_FALSE(scope->FIsCaptureRunning);
}
