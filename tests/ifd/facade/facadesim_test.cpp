// The facade against the interface-card simulator: serial cards on real pseudo-terminals (commands
// checked in the simulator's own log, byte for byte), and the legacy path on its device sockets.
#include <gtest/gtest.h>

#include <QFileInfo>

#include <functional>

#include "acquisition/qxvexawatchdog.h"
#include "ifd/legacy/socketdriver.h"
#include "ifd/qxifd.h"
#include "ifd/serial/apdcomportex.h"
#include "ifd/serial/lostconnection.h"
#include "ifd/serial/waitfor.h"
#include "platform/messagebus.h"
#include "platform/services.h"
#include "rigconfig/registry.h"
#include "rigconfig/rigconfig.h"
#include "rigconfig/settingsnames.h"
#include "support/cardsimulator.h"
#include "support/recordingifdhost.h"
#include "support/scriptedprompts.h"
#include "support/tempfolder.h"

namespace {
struct TFacadeSim : ::testing::Test {
  TTempFolder tmp;
  TScriptedPrompts prompts;
  TRigConfig rig{nullptr, nullptr, nullptr};
  TRecordingIFDHost host;
  TMessageBus bus;
  QStringList posted;
  std::unique_ptr<TCardSimulator> sim;
  std::unique_ptr<TQXIFD> ifd;

  void SetUp() override {
    if (!TCardSimulator::Built()) GTEST_SKIP() << "the simulator is not built: " << TCardSimulator::Program().toStdString();
    sim = std::make_unique<TCardSimulator>(tmp);
    TIFDState::DigitalOutputShadow = 0;
    TIFDState::ExpansionOutputShadow = 0;
    rig.Using_IFD = true;
    rig.UsingSingleEndedChannels = true;
    rig.RegistryKey = TRegistry::RigKey(QStringLiteral("Sim Facade Rig"), 1.0);
    TServices::SetRig(&rig);
    TServices::SetBus(&bus);
    bus.SetHandler([this](unsigned msg, std::intptr_t, std::intptr_t) { posted << bus.MessageName(msg); });
  }

  void TearDown() override {
    ifd.reset();
    sim.reset();
    TServices::SetRig(nullptr);
    TServices::SetBus(nullptr);
  }

  void Start(const QStringList& options, bool slave = false,
             const QByteArray& plantText = "[ai0]\nsource = 1000\ntau = 0\nnoise = 0\n"
                                           "[ai100]\nsource = -600\ntau = 0\nnoise = 0\n"
                                           "[freq0]\nsource = 1234\ntau = 0\nnoise = 0\n") {
    const QString plant = tmp.Write("plant.ini", plantText);
    ASSERT_TRUE(sim->StartSerial(QStringList{"--plant", plant} + options, slave)) << "the simulator did not start";
    if (!ifd) ifd = std::make_unique<TQXIFD>(nullptr, &host);
  }

  // Samples `ticks` times, `ms` apart, calling `check` after each.
  void Sample(int ticks, int ms, const std::function<void()>& check) {
    for (int i = 0; i < ticks; ++i) {
      ifd->SampleNow();
      WaitFor([] { return false; }, ms);
      check();
    }
  }

  // Connects the first card on COM3 (and the second on COM4 for a two-card rig) and waits for the
  // serial path to become active.
  void Connect() {
    ifd->FpreAssignedPortValCOMm = 3;
    ifd->FpreAssignedPortValCOMs = 4;
    ifd->switchIOtoIFDVComMaster(&host);
    ASSERT_TRUE(WaitFor([&] {
      return ifd->FvComIOActive && (!rig.Using_EXP || ifd->FAuxCardActive);
    }, 5000)) << host.Calls.join('\n').toStdString();
  }

  QStringList Received(const QString& card) const { return sim->Received(card); }
  bool ReceivedLast(const QString& card, const QStringList& tail) const {
    return WaitFor([&] { return Received(card).mid(Received(card).size() - tail.size()) == tail; }, 3000);
  }
};
}  // namespace

TEST_F(TFacadeSim, OneSerialSamplingCycleFromRequestToSmoothedValue) {
  Start({"--master", "brenna"});
  if (IsSkipped() || HasFatalFailure()) return;
  ifd->RegisterChannel(0, 0);
  ifd->FilterWeight = 2;
  Connect();
  if (HasFatalFailure()) return;
  EXPECT_EQ(host.CallsStartingWith("VComOneIsSet"), QStringList{"VComOneIsSet 3"});
  EXPECT_TRUE(host.Calls.contains("vComMasterIFDmode"));

  ifd->SampleNow();
  ASSERT_TRUE(WaitFor([&] { return ifd->MainChannelValue[0] != 0; })) << Received("master").join(' ').toStdString();
  // The first reading seeds the filter: no climb from 0 through 500 and 750.
  EXPECT_EQ(ifd->MainChannelValue[0], 1000);
  ifd->SampleNow();
  ASSERT_TRUE(WaitFor([&] { return Received("master").count("IA\\r") >= 2; }));
  EXPECT_EQ(ifd->MainChannelValue[0], 1000);
  EXPECT_EQ(ifd->MainChannelValue[1], 0);  // not registered

  EXPECT_TRUE(Received("master").contains("IA\\r"));
  EXPECT_TRUE(Received("master").contains("DI\\r"));
  EXPECT_EQ(host.CallsStartingWith("setVComStatusMsg").value(0), "setVComStatusMsg IFD: vCOM(3)m");
  ASSERT_TRUE(WaitFor([&] { return posted.contains("WM_REFRESH_VCOM_STATUS"); }));
  EXPECT_FALSE(posted.contains("WM_REFRESH_VCOMAUX_STATUS"));
  EXPECT_FALSE(posted.contains("WM_INVERTER_VEXA_KICK_START"));
}

TEST_F(TFacadeSim, OutputCommandsGoOutByteForByte) {
  Start({"--master", "brenna"});
  if (IsSkipped() || HasFatalFailure()) return;
  Connect();
  if (HasFatalFailure()) return;
  for (double v : {-1.0, 0.0, 5.0}) EXPECT_FALSE(ifd->SetAnalogueValue(2, v));
  EXPECT_TRUE(ReceivedLast("master", {"O2-1\\r", "O20\\r", "O2+5\\r"})) << Received("master").join(' ').toStdString();
  for (double v : {3000.0, -3000.0, -0.4}) ifd->SetAnalogueValue(0, v);
  EXPECT_TRUE(ReceivedLast("master", {"O2+5\\r", "O0+2047\\r", "O00\\r"})) << Received("master").join(' ').toStdString();

  EXPECT_TRUE(ifd->SetDigitalOutputValue(3, true));
  EXPECT_EQ(ifd->DigitalOutputs[3], 1);
  ifd->Watchdog();
  ifd->Watchdog();
  EXPECT_TRUE(ReceivedLast("master", {"DO8\\r", "DO1,0\\r", "DO1,128\\r"})) << Received("master").join(' ').toStdString();
  ifd->FilterWeight = 3;
  ifd->SetFilter();
  EXPECT_TRUE(ReceivedLast("master", {"F3\\r"}));
}

TEST_F(TFacadeSim, AVexaMasterTakesBothOutputBytesAndOnlyTwoAnalogueOutputs) {
  rig.FisVexamode = true;
  Start({"--master", "vexa"});
  if (IsSkipped() || HasFatalFailure()) return;
  Connect();
  if (HasFatalFailure()) return;
  EXPECT_TRUE(ifd->FisVexa);
  EXPECT_TRUE(host.Calls.contains("EnableVexamode"));
  // Each byte goes when it changes: both for the first line, the low one for the second.
  TIFDState::DigitalOutputShadow = 0x0100;
  ifd->SetDigitalOutputValue(0, true);
  ifd->SetDigitalOutputValue(1, true);
  EXPECT_TRUE(ReceivedLast("master", {"DO0,1\\r", "DO1,1\\r", "DO0,3\\r"})) << Received("master").join(' ').toStdString();
  ifd->SetDigitalOutputValue(1, true);  // unchanged: nothing goes
  EXPECT_TRUE(ReceivedLast("master", {"DO0,3\\r"})) << Received("master").join(' ').toStdString();

  // Nothing for output 2 or the slave's outputs; lines 8-15 are the Vexa's own upper byte.
  ifd->SetAnalogueValue(2, 100);
  ifd->SetAnalogueValue(101, 100);
  ifd->SetDigitalOutputValue(9, true);
  EXPECT_EQ(TIFDState::DigitalOutputShadow, 0x0303);
  EXPECT_EQ(ifd->DigitalOutputs[9], 1);
  ifd->SetAnalogueValue(1, 7);
  EXPECT_TRUE(ReceivedLast("master", {"DO0,3\\r", "DO1,3\\r", "O1+7\\r"})) << Received("master").join(' ').toStdString();

  ifd->SampleNow();
  EXPECT_TRUE(ReceivedLast("master", {"IA\\r", "DI1\\r", "DI3\\r"})) << Received("master").join(' ').toStdString();
}

TEST_F(TFacadeSim, TheVexaWatchdogTogglesLine15AndKeepsTheOutputsOn8To14) {
  rig.FisVexamode = true;
  Start({"--master", "vexa"});
  if (IsSkipped() || HasFatalFailure()) return;
  Connect();
  if (HasFatalFailure()) return;
  ifd->SetDigitalOutputValue(9, true);  // the user's output on line 9, held on
  // Only the upper byte changed.
  EXPECT_TRUE(ReceivedLast("master", {"DO1,0\\r", "DO1,2\\r"})) << Received("master").join(' ').toStdString();
  TQXVexaWatchdog watchdog;
  for (int tick = 0; tick < 4; ++tick) watchdog.WatchdogTick();
  EXPECT_TRUE(ReceivedLast("master", {"DO1,2\\r", "DO1,130\\r", "DO1,2\\r", "DO1,130\\r"}))
      << Received("master").join(' ').toStdString();
  // An output change between two ticks leaves line 15 in its phase.
  ifd->SetDigitalOutputValue(0, true);
  EXPECT_TRUE(ReceivedLast("master", {"DO1,130\\r", "DO0,1\\r"})) << Received("master").join(' ').toStdString();
  EXPECT_EQ(ifd->DigitalOutputs[9], 1);
}

TEST_F(TFacadeSim, AFrequencyIsNotRequestedAgainWhileItsReplyIsPending) {
  Start({"--master", "brenna"});
  if (IsSkipped() || HasFatalFailure()) return;
  Connect();
  if (HasFatalFailure()) return;
  EXPECT_EQ(ifd->GetFrequency(0), -1);
  EXPECT_EQ(ifd->GetFrequency(0), -1);
  ASSERT_TRUE(WaitFor([&] { return !ifd->CollectingFrequency; }));
  EXPECT_EQ(ifd->Frequency, 1234);
  EXPECT_EQ(ifd->MainChannelValue[32], 1234);
  EXPECT_EQ(Received("master").count("C0\\r"), 1);
  ifd->GetFrequency(0);
  EXPECT_TRUE(WaitFor([&] { return Received("master").count("C0\\r") == 2; }));
}

TEST_F(TFacadeSim, SwitchingToTheDriverAndBackRemembersThePorts) {
  Start({"--master", "brenna"});
  if (IsSkipped() || HasFatalFailure()) return;
  Connect();
  if (HasFatalFailure()) return;
  EXPECT_EQ(ifd->vcomPortMaster(), 3);

  prompts.ExpectMessage(TQXIFD::TerminateSessionQuestion, TModalResult::mrYes);
  ifd->switchIOtoLegacyDriver(&host, false);
  EXPECT_TRUE(ifd->FLegIOActive);
  EXPECT_FALSE(ifd->FvComIOActive);
  EXPECT_FALSE(ifd->FMainCardActive);
  EXPECT_EQ(ifd->ComPort(), nullptr);
  EXPECT_FALSE(ifd->vComPortOpen());
  EXPECT_TRUE(host.Calls.contains("VComLostMaster"));
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(rig.RegistryKey, false));
    EXPECT_EQ(reg.ReadInteger(settings::reg::LastComMaster), 3);
    EXPECT_EQ(reg.ReadInteger(settings::reg::LastComSlave), -1);
  }

  // Back again on the remembered port, without asking.
  ifd->ReadLastPorts();
  EXPECT_TRUE(ifd->FtryAutoComConnect);
  EXPECT_EQ(ifd->FlastPortValCOMm, 3);
  host.Calls.clear();
  ifd->switchIOtoIFDVComMaster(&host);
  ASSERT_TRUE(WaitFor([&] { return ifd->FvComIOActive; }, 5000)) << host.Calls.join('\n').toStdString();
  EXPECT_EQ(ifd->vcomPortMaster(), 3);
  EXPECT_FALSE(ifd->FLegIOActive);
}

TEST_F(TFacadeSim, ALostCardStopsTheOutputs) {
  Start({"--master", "brenna", "--vanish-after", "1"});
  if (IsSkipped() || HasFatalFailure()) return;
  Connect();
  if (HasFatalFailure()) return;
  prompts.ExpectMessage(TLostConnection::Message());
  ASSERT_TRUE(WaitFor([&] {
    ifd->SampleNow();
    return host.Calls.contains("VComLostMaster");
  }, 8000)) << host.Calls.join('\n').toStdString();
  EXPECT_FALSE(ifd->vComPortOpen());
  EXPECT_EQ(ifd->vcomPortMaster(), -1);
  EXPECT_TRUE(ifd->SetDigitalOutputValue(2, true));
  EXPECT_EQ(ifd->DigitalOutputs[2], 0);
}

TEST_F(TFacadeSim, MasterAndSlaveShareTheWork) {
  rig.Using_EXP = true;
  rig.UsingSingleEndedChannelsForSlave = false;
  Start({"--master", "brenna", "--slave", "brenna"}, true);
  if (IsSkipped() || HasFatalFailure()) return;
  Connect();
  if (HasFatalFailure()) return;
  EXPECT_EQ(host.CallsStartingWith("VComTwoIsSet"), QStringList{"VComTwoIsSet 4"});
  ifd->RegisterChannel(100, 0);
  ifd->SampleNow();
  ASSERT_TRUE(WaitFor([&] { return ifd->ExpnChannelValue[0] != 0; }));
  EXPECT_EQ(ifd->ExpnChannelValue[0], -600);
  ASSERT_TRUE(WaitFor([&] { return posted.contains("WM_REFRESH_VCOMAUX_STATUS"); }));
  EXPECT_TRUE(host.Calls.contains("setVComAuxStatusMsg IFD: vCOM(4)s"));

  ifd->SetAnalogueValue(101, 7);
  ifd->SetDigitalOutputValue(9, true);
  EXPECT_TRUE(ReceivedLast("slave", {"O1+7\\r", "DO2\\r"})) << Received("slave").join(' ').toStdString();

  // Leaving releases both ports; asking for the slave alone again connects it alone.
  ifd->switchIOtoLegacyDriver(nullptr, true);
  EXPECT_EQ(ifd->ComPortAux(), nullptr);
  EXPECT_TRUE(host.Calls.contains("VComLostSlave"));
}

TEST_F(TFacadeSim, TheLegacyPathOnTheSimulatorsDevices) {
  const QString plant = tmp.Write("legacy.ini", "[ai0]\nsource = AO0\ntau = 0\nnoise = 0\n");
  ASSERT_TRUE(sim->StartDevices(plant));
  TSocketDriver driver(sim->DeviceDir());
  TQXIFD f(nullptr, &host, &driver);
  f.RegisterChannel(0, 0);
  ASSERT_TRUE(f.SetAnalogueValue(0, 1000));
  EXPECT_TRUE(f.PortsOpen);
  EXPECT_TRUE(WaitFor([&] {
    f.SampleNow();
    return f.MainChannelValue[0] == 1000;
  })) << f.MainChannelValue[0];
  f.CloseProcessing();
  EXPECT_FALSE(f.PortsOpen);
}

TEST_F(TFacadeSim, ChannelsStayInPlaceWhenRepliesAreLostOrTheCardAnswersInAnotherMode) {
  // Every input a different value; the rig reads differentially (8 inputs) while the card answers
  // single-ended (16), and one reply in 23 (about one a tick) is lost on the line.
  QByteArray plant;
  for (int i = 0; i < 16; ++i) plant += QStringLiteral("[ai%1]\nsource = %2\ntau = 0\nnoise = 0\n").arg(i).arg(100 * i - 700).toLatin1();
  rig.UsingSingleEndedChannels = false;
  rig.FisVexamode = true;
  Start({"--master", "vexa", "--master-mode", "se", "--drop-every", "23"}, false, plant);
  if (IsSkipped() || HasFatalFailure()) return;
  // The card's answers are longer than the rig's mode: told once, its inputs then read one by one.
  prompts.ExpectMessage(TIFDSerialLink::ModeMismatchText(3, TIFDInputMode::DIFF));
  Connect();
  if (HasFatalFailure()) return;
  for (int i = 0; i < 8; ++i) ifd->RegisterChannel(i, 0);
  QStringList wrong;
  Sample(40, 15, [&] {
    for (int i = 0; i < 8; ++i) {
      const int v = ifd->MainChannelValue[static_cast<size_t>(i)];
      if (v != 0 && v != 100 * i - 700) wrong << QStringLiteral("input %1 read %2").arg(i).arg(v);
    }
  });
  EXPECT_TRUE(wrong.isEmpty()) << wrong.join(", ").toStdString();
  for (int i = 0; i < 8; ++i) EXPECT_EQ(ifd->MainChannelValue[static_cast<size_t>(i)], 100 * i - 700) << i;
  EXPECT_GT(ifd->SerialLink().CommunicationErrors(), 0);
}

TEST_F(TFacadeSim, GarbledRepliesKeepTheLastValues) {
  // Capture-rig identity 1 on inputs 2-5; every fourth reply garbled on the line.
  rig.FisVexamode = true;
  rig.UsingSingleEndedChannels = true;
  Start({"--master", "vexa", "--corrupt-every", "4"}, false,
        "[ai0]\nsource = 1000\ntau = 0\nnoise = 0\n[ai1]\nsource = -300\ntau = 0\nnoise = 0\n[di2]\nsource = 1\n");
  if (IsSkipped() || HasFatalFailure()) return;
  Connect();
  if (HasFatalFailure()) return;
  ifd->RegisterChannel(0, 0);
  ifd->RegisterChannel(1, 0);
  ifd->FilterWeight = 1;
  QStringList wrong;
  Sample(30, 15, [&] {
    if (ifd->MainChannelValue[0] != 0 && ifd->MainChannelValue[0] != 1000) wrong << QString::number(ifd->MainChannelValue[0]);
    if (ifd->MainChannelValue[1] != 0 && ifd->MainChannelValue[1] != -300) wrong << QString::number(ifd->MainChannelValue[1]);
    if (ifd->DigitalInputs[0] || ifd->DigitalInputs[1]) wrong << "digital inputs on";
  });
  EXPECT_TRUE(wrong.isEmpty()) << wrong.join(", ").toStdString();
  QStringList ids = host.CallsStartingWith("setCaptureID");
  ids.removeDuplicates();
  EXPECT_EQ(ids, QStringList{"setCaptureID 1"});
  EXPECT_GT(ifd->SerialLink().CommunicationErrors(), 0);
}

TEST_F(TFacadeSim, ALostCardStaysLostUntilItComesBack) {
  TIFDSerialLink::ReopenIntervalMs = 100;
  Start({"--master", "brenna"});
  if (IsSkipped() || HasFatalFailure()) return;
  Connect();
  if (HasFatalFailure()) return;
  ifd->RegisterChannel(0, 0);
  ifd->SampleNow();
  ASSERT_TRUE(WaitFor([&] { return ifd->MainChannelValue[0] == 1000; }));

  prompts.ExpectMessage(TLostConnection::Message());
  sim->Kill();
  ASSERT_TRUE(WaitFor([&] {
    ifd->SampleNow();
    return host.Calls.contains("VComLostMaster");
  }, 8000)) << host.Calls.join('\n').toStdString();
  host.Calls.clear();
  Sample(5, 20, [] {});
  // The next ticks do not turn the loss into a quiet "closed".
  EXPECT_EQ(host.CallsStartingWith("setVComStatusMsg").value(0), "setVComStatusMsg IFDVCM: LOST");
  EXPECT_FALSE(host.CallsStartingWith("setVComStatusMsg").contains("setVComStatusMsg IFD: vCOM Closed"));
  EXPECT_TRUE(ifd->SerialLink().LineLost(TIFDSerialLink::TPortSlot::First));

  // The card comes back (with the tank warmer): the sampling picks it up again on its own.
  Start({"--master", "brenna"}, false, "[ai0]\nsource = 1500\ntau = 0\nnoise = 0\n");
  if (HasFatalFailure()) return;
  ASSERT_TRUE(WaitFor([&] {
    ifd->SampleNow();
    return ifd->MainChannelValue[0] == 1500;
  }, 8000)) << host.Calls.join('\n').toStdString();
  EXPECT_EQ(host.CallsStartingWith("VComMasterIFDidentified").size(), 1);
  EXPECT_FALSE(ifd->SerialLink().LineLost(TIFDSerialLink::TPortSlot::First));
  EXPECT_TRUE(host.Calls.contains("setVComStatusMsg IFD: vCOM(3)m"));
  TIFDSerialLink::ReopenIntervalMs = 1000;
}

TEST_F(TFacadeSim, AfterALossTheConnectionCommandConnectsAgain) {
  TIFDSerialLink::ReopenIntervalMs = 600000;  // not by itself: the user acts
  Start({"--master", "brenna"});
  if (IsSkipped() || HasFatalFailure()) return;
  Connect();
  if (HasFatalFailure()) return;
  prompts.ExpectMessage(TLostConnection::Message());
  sim->Kill();
  ASSERT_TRUE(WaitFor([&] {
    ifd->SampleNow();
    return host.Calls.contains("VComLostMaster");
  }, 8000));
  Start({"--master", "brenna"});
  if (HasFatalFailure()) return;
  Sample(3, 20, [] {});
  EXPECT_FALSE(ifd->vComPortOpen());

  host.UserClicked = true;
  prompts.ExpectChoice(0);  // the port list: COM3
  ifd->switchIOtoIFDVComMaster(&host);
  ASSERT_TRUE(WaitFor([&] { return ifd->FvComIOActive && ifd->vcomPortMaster() == 3; }, 5000))
      << host.Calls.join('\n').toStdString();
  EXPECT_FALSE(ifd->SerialLink().LineLost(TIFDSerialLink::TPortSlot::First));
  EXPECT_EQ(host.CallsStartingWith("VComMasterIFDidentified").size(), 2);
  TIFDSerialLink::ReopenIntervalMs = 1000;
}

TEST_F(TFacadeSim, ACardThatNeverIdentifiesItselfIsReportedWithItsPort) {
  TIFDSerialLink::IdentifyTimeoutMs = 200;
  Start({"--master", "brenna", "--no-arm"});
  if (IsSkipped() || HasFatalFailure()) return;
  prompts.ExpectMessage("No interface card answered on COM3.");
  ifd->FpreAssignedPortValCOMm = 3;
  ifd->switchIOtoIFDVComMaster(&host);
  EXPECT_TRUE(WaitFor([&] { return prompts.Pending() == 0; }, 3000));
  EXPECT_TRUE(prompts.MessageTexts().value(0).contains("\"ARM\""));
  EXPECT_TRUE(host.Calls.contains("setVComStatusMsg COM3: no ARM reply")) << host.Calls.join('\n').toStdString();
  EXPECT_TRUE(WaitFor([&] { return posted.contains("WM_REFRESH_VCOM_STATUS"); }));
  EXPECT_FALSE(ifd->FvComIOActive);
  TIFDSerialLink::IdentifyTimeoutMs = 3000;
}

TEST_F(TFacadeSim, TicksFasterThanTheLineNeverMixTwoAnswers) {
  // At the line rate a 16-value answer takes ~25 ms; ticking every 3 ms must neither cut answers
  // short nor pile requests up behind them.
  sim->SetPaced(true);
  QByteArray plant;
  for (int i = 0; i < 16; ++i) plant += QStringLiteral("[ai%1]\nsource = %2\ntau = 0\nnoise = 0\n").arg(i).arg(100 * i - 700).toLatin1();
  Start({"--master", "brenna"}, false, plant);
  if (IsSkipped() || HasFatalFailure()) return;
  Connect();
  if (HasFatalFailure()) return;
  for (int i = 0; i < 16; ++i) ifd->RegisterChannel(i, 0);
  QStringList wrong;
  const int before = Received("master").count("IA\\r");
  Sample(150, 3, [&] {
    for (int i = 0; i < 16; ++i) {
      const int v = ifd->MainChannelValue[static_cast<size_t>(i)];
      if (v != 0 && v != 100 * i - 700) wrong << QStringLiteral("input %1 read %2").arg(i).arg(v);
    }
  });
  EXPECT_TRUE(wrong.isEmpty()) << wrong.join(", ").toStdString();
  EXPECT_EQ(ifd->MainChannelValue[15], 800);
  EXPECT_EQ(ifd->SerialLink().CommunicationErrors(), 0);
  const int requests = Received("master").count("IA\\r") - before;
  EXPECT_GT(requests, 5);
  EXPECT_LT(requests, 75) << "requests went out faster than their answers";
}
