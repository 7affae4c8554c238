// The facade without a card on the line: creation and registry parameters, channel numbers, the
// reply effects fed through its incoming-message handler, the gating of the two paths, the legacy
// path on an in-process card, and the questions of leaving the serial path.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "ifd/ifrequencyreader.h"
#include "ifd/legacy/legacyaccess.h"
#include "ifd/qxifd.h"
#include "platform/messagebus.h"
#include "platform/services.h"
#include "rigconfig/registry.h"
#include "rigconfig/rigconfig.h"
#include "rigconfig/settingsnames.h"
#include "support/fakelegacycard.h"
#include "support/recordingifdhost.h"
#include "support/scriptedprompts.h"
#include "support/tempfolder.h"

using namespace legacy;

namespace {
const QString kVel0 = QString::fromLatin1(VelUSB0);

// An incoming message as the reply layer queues it: card marker, code, reply text.
QString Msg(const char* marker, int code, const char* data) {
  return QLatin1String(marker) + QString::number(code) + QLatin1String(data);
}

class TRecordingReader : public IFrequencyReader {
 public:
  void FrequencyReceived(int count) override { Counts.push_back(count); }
  void ResetFrequencyReader() override { ++Resets; }
  std::vector<int> Counts;
  int Resets = 0;
};

struct TFacade : ::testing::Test {
  TTempFolder tmp;
  TScriptedPrompts prompts;
  TRigConfig rig{nullptr, nullptr, nullptr};
  TFakeLegacyCard card;
  TRecordingIFDHost host;
  TMessageBus bus;
  QStringList posted;
  std::unique_ptr<TQXIFD> ifd;

  void SetUp() override {
    TIFDState::DigitalOutputShadow = 0;
    TIFDState::ExpansionOutputShadow = 0;
    TIFDState::AnalogueOutputShadow = {};
    rig.Using_IFD = true;
    rig.IFDSampleRate = 750;
    rig.IFDFilter = 0;
    rig.RegistryKey = TRegistry::RigKey(QStringLiteral("Facade Rig"), 1.0);
    TServices::SetRig(&rig);
    TServices::SetBus(&bus);
    bus.SetHandler([this](unsigned msg, std::intptr_t, std::intptr_t) { posted << bus.MessageName(msg); });
  }
  void TearDown() override {
    ifd.reset();
    TServices::SetRig(nullptr);
    TServices::SetBus(nullptr);
  }
  TQXIFD& Create() {
    ifd = std::make_unique<TQXIFD>(nullptr, &host, &card);
    return *ifd;
  }
  static void Deliver() { QCoreApplication::processEvents(); }
};
}  // namespace

TEST_F(TFacade, CreationTakesTheRigsParametersAndWritesThemWhereAbsent) {
  TQXIFD& f = Create();
  EXPECT_EQ(TServices::IFD(), &f);
  EXPECT_TRUE(f.FLegIOActive);
  EXPECT_FALSE(f.FvComIOActive);
  EXPECT_TRUE(f.FForwardVComDOsSet);
  EXPECT_TRUE(f.FisFrequencySamplingOn);
  EXPECT_FALSE(f.F_is_QXIFD_StandAlone);
  EXPECT_EQ(f.IFDStatus, "Closed");
  EXPECT_EQ(f.FpreAssignedPortValCOMm, -1);
  EXPECT_EQ(f.FlastPortValCOMs, -1);
  EXPECT_EQ(f.Interval, 750);
  EXPECT_EQ(f.FilterWeight, 1);  // the rig's 0 taken as 1

  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(rig.RegistryKey, false));
  EXPECT_EQ(reg.ReadInteger(settings::reg::IFDFrequency), 750);
  EXPECT_EQ(reg.ReadInteger(settings::reg::IFDFilter), 0);

  // Values stored under the key win over the rig's; WriteParameters stores the current ones.
  f.Interval = 300;
  f.FilterWeight = 6;
  f.WriteParameters();
  ifd.reset();
  EXPECT_EQ(TServices::IFD(), nullptr);
  TQXIFD& again = Create();
  EXPECT_EQ(again.Interval, 300);
  EXPECT_EQ(again.FilterWeight, 6);
}

TEST_F(TFacade, WithoutARigItStandsAlone) {
  TServices::SetRig(nullptr);
  TQXIFD& f = Create();
  EXPECT_TRUE(f.F_is_QXIFD_StandAlone);
  EXPECT_EQ(f.Interval, 1000);
  EXPECT_EQ(f.FilterWeight, 1);
  EXPECT_FALSE(f.isVexamode());
  EXPECT_FALSE(f.queryVexaautomatically());
}

TEST_F(TFacade, ChannelRegistrationAndValues) {
  TQXIFD& f = Create();
  f.RegisterChannel(5, 0);
  f.RegisterChannel(20, 0);
  f.RegisterChannel(110, 0);
  f.RegisterChannel(33, 1000);
  EXPECT_TRUE(f.MainChannelInUse[5]);
  EXPECT_TRUE(f.MainChannelInUse[20]);
  EXPECT_TRUE(f.Multiplexing);
  EXPECT_TRUE(f.ExpnChannelInUse[10]);
  EXPECT_TRUE(f.MainChannelInUse[32]);
  EXPECT_EQ(f.MaximumFrequency, 1000);
  f.RegisterChannel(50, 400);  // 34-98 only set the full scale
  EXPECT_EQ(f.MaximumFrequency, 400);

  prompts.ExpectMessage("Invalid channel number - please check data spreadsheet.");
  f.RegisterChannel(99, 0);

  f.MaximumFrequency = 1000;
  f.MainChannelValue[32] = 500;
  EXPECT_EQ(f.DataForChannel(32), 1024);  // 1023.5 to the even neighbour
  f.ExpnChannelValue[24] = -77;
  EXPECT_EQ(f.DataForChannel(124), -77);
  prompts.ExpectMessage("Invalid channel number - please check data spreadsheet.");
  EXPECT_EQ(f.DataForChannel(125), 0);
  // Read again on every tick: told once, not a box a tick.
  EXPECT_EQ(f.DataForChannel(125), 0);
  EXPECT_EQ(f.DataForChannel(125), 0);
  prompts.ExpectMessage("Invalid channel number - please check data spreadsheet.");
  EXPECT_EQ(f.DataForChannel(-4), 0);
  f.MaximumFrequency = 0;
  EXPECT_EQ(f.DataForChannel(33), 0);
}

TEST_F(TFacade, AnalogueRepliesAreSmoothedByTheFilterWeight) {
  TQXIFD& f = Create();
  f.RegisterChannel(0, 0);
  f.RegisterChannel(2, 0);
  f.FilterWeight = 4;
  // The first reading is taken as it is: smoothing from the 0 nobody read would record a transient.
  f.LogDataIn(Msg("ms", 134, " 0 x,0"));
  EXPECT_EQ(f.MainChannelValue[0], 0);
  const std::vector<int> expected{25, 44, 58};
  for (int v : expected) {
    f.LogDataIn(Msg("ms", 134, " 100 x,-40"));
    EXPECT_EQ(f.MainChannelValue[0], v);
  }
  EXPECT_EQ(f.MainChannelValue[1], 0);  // not registered
  EXPECT_EQ(f.MainChannelValue[2], -24);  // -10, -17.5 -> -18, -23.5 -> -24 (halves to even)
  f.FilterWeight = 1;
  f.LogDataIn(Msg("ms", 134, " 2047"));
  EXPECT_EQ(f.MainChannelValue[0], 2047);

  // The slave's values land in the expansion values; an unidentified card's nowhere.
  f.RegisterChannel(101, 0);
  f.LogDataIn(Msg("sl", 134, " 1,2"));
  EXPECT_EQ(f.ExpnChannelValue[1], 2);
  f.LogDataIn(Msg("xx", 134, " 9 9 9"));
  EXPECT_EQ(f.MainChannelValue[0], 2047);
  EXPECT_EQ(f.ExpnChannelValue[1], 2);

  // A garbled number cannot wrap the 16-bit value round.
  f.LogDataIn(Msg("ms", 134, " 99999"));
  EXPECT_EQ(f.MainChannelValue[0], 32767);

  // A value garbled on the line keeps the last one (it would pull the smoothed value to 0) and
  // counts as a communication error; the good values beside it still count.
  const int errors = f.SerialLink().CommunicationErrors();
  f.FilterWeight = 2;
  f.LogDataIn(Msg("ms", 134, " ?-???  x  -40"));
  EXPECT_EQ(f.MainChannelValue[0], 32767);
  EXPECT_EQ(f.MainChannelValue[2], -32);
  EXPECT_EQ(f.SerialLink().CommunicationErrors(), errors + 1);
}

TEST_F(TFacade, ASampleHoldsOnlyTheReadingsThatArrivedForIt) {
  TQXIFD& f = Create();
  f.RegisterChannel(0, 0);
  f.RegisterChannel(1, 0);
  f.RegisterChannel(100, 0);
  f.FilterWeight = 8;
  // Nothing read yet: no input has a value, whatever the fields hold.
  f.EndSampleWindow();
  EXPECT_FALSE(f.ReadingAvailable(0));
  EXPECT_FALSE(f.ReadingAvailable(100));
  EXPECT_EQ(f.MissingReadings(false), 2);
  // First reading: taken as it is (the filter starts there), and only for the inputs it carried.
  f.LogDataIn(Msg("ms", 134, " 1500 ???"));
  EXPECT_EQ(f.MainChannelValue[0], 1500);
  EXPECT_FALSE(f.ReadingAvailable(0));  // not before the sample closes
  f.EndSampleWindow();
  EXPECT_TRUE(f.ReadingAvailable(0));
  EXPECT_FALSE(f.ReadingAvailable(1));  // garbled: no value, not 0
  EXPECT_EQ(f.MainChannelValue[1], 0);
  EXPECT_EQ(f.MissingReadings(false), 1);
  EXPECT_EQ(f.RegisteredInputs(false), 2);
  // The next sample without an answer holds nothing, not the value kept from before.
  f.EndSampleWindow();
  EXPECT_FALSE(f.ReadingAvailable(0));
  EXPECT_EQ(f.MainChannelValue[0], 1500);
  // Later readings are smoothed; a lost card's inputs start again from their next reading.
  f.LogDataIn(Msg("ms", 134, " 1420 7"));
  EXPECT_EQ(f.MainChannelValue[0], 1490);
  EXPECT_EQ(f.MainChannelValue[1], 7);
  f.ForgetReadings(false);
  f.LogDataIn(Msg("ms", 134, " -300 7"));
  EXPECT_EQ(f.MainChannelValue[0], -300);
  // A frequency channel has a reading once a count arrived; an unknown channel never has one.
  EXPECT_FALSE(f.ReadingAvailable(32));
  f.NoteFrequency(32, true);
  EXPECT_TRUE(f.ReadingAvailable(32));
  f.ForgetReadings(false);
  EXPECT_FALSE(f.ReadingAvailable(32));
  EXPECT_FALSE(f.ReadingAvailable(125));
}

TEST_F(TFacade, DigitalInputRepliesAndTheCaptureRigIdentity) {
  TQXIFD& f = Create();
  f.FisVexa = true;
  f.LogDataIn(Msg("ms", 133, "5"));
  EXPECT_EQ((std::vector<int>(f.DigitalInputs.begin(), f.DigitalInputs.begin() + 8)),
            (std::vector<int>{1, 0, 1, 0, 0, 0, 0, 0}));
  EXPECT_EQ(f.F_CaptureApparatus, 1);
  EXPECT_EQ(host.CallsStartingWith("setCaptureID"), QStringList{"setCaptureID 1"});

  f.LogDataIn(Msg("ms", 159, "129"));
  EXPECT_EQ(f.DigitalInputs[8], 1);
  EXPECT_EQ(f.DigitalInputs[15], 1);
  EXPECT_EQ(f.DigitalInputs[9], 0);

  // Garbled on the line: the inputs and the rig identity keep their state, and it counts as a
  // communication error (it used to read as all inputs on, rig 15).
  for (const char* garbled : {"??", "?-???", ""}) {
    f.LogDataIn(Msg("ms", 133, garbled));
    f.LogDataIn(Msg("ms", 159, garbled));
  }
  EXPECT_EQ((std::vector<int>(f.DigitalInputs.begin(), f.DigitalInputs.end())),
            (std::vector<int>{1, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1}));
  EXPECT_EQ(f.F_CaptureApparatus, 1);
  EXPECT_EQ(host.CallsStartingWith("setCaptureID").size(), 1);
  EXPECT_EQ(f.SerialLink().CommunicationErrors(), 6);

  f.FisVexa = false;
  f.LogDataIn(Msg("sl", 133, "2"));
  EXPECT_EQ(f.DigitalInputs[8], 0);
  EXPECT_EQ(f.DigitalInputs[9], 1);
  EXPECT_EQ(host.CallsStartingWith("setCaptureID").size(), 1);  // only a Vexa reports its rig
}

TEST_F(TFacade, FrequencyRepliesAlternateTheTwinChannelsAndReachTheReaders) {
  TQXIFD& f = Create();
  TRecordingReader reader;
  f.RegisterFrequencyReader(&reader);
  f.FvComIOActive = true;
  f.FLegIOActive = false;

  f.GetTwinFreqs(0, 1);
  EXPECT_TRUE(f.CollectingFrequency1);
  f.GetTwinFreqs(0, 1);  // pending: nothing more
  EXPECT_FALSE(f.CollectingFrequency2);
  f.LogDataIn(Msg("ms", 152, "500"));
  EXPECT_EQ(f.MainChannelValue[32], 500);
  EXPECT_EQ(f.Frequency1, 500);
  EXPECT_EQ(f.NextChannel, 2);
  f.GetTwinFreqs(0, 1);
  EXPECT_TRUE(f.CollectingFrequency2);
  f.LogDataIn(Msg("ms", 152, "700"));
  EXPECT_EQ(f.MainChannelValue[33], 700);
  EXPECT_EQ(f.NextChannel, 1);

  EXPECT_EQ(f.GetFrequency(3), -1);
  EXPECT_TRUE(f.CollectingFrequency);
  // A count garbled on the line answers the request but is no count: nothing is passed on, the
  // channel has no reading, and it counts as an error.
  const int errors = f.SerialLink().CommunicationErrors();
  f.LogDataIn(Msg("ms", 152, "nonsense"));
  EXPECT_EQ(f.Frequency, 0);
  EXPECT_FALSE(f.CollectingFrequency);
  EXPECT_FALSE(f.ReadingAvailable(32));
  EXPECT_EQ(f.SerialLink().CommunicationErrors(), errors + 1);
  f.LogDataIn(Msg("ms", 152, "900"));  // nothing asked for: nothing changes
  EXPECT_EQ(f.MainChannelValue[32], 500);
  EXPECT_EQ(reader.Counts, (std::vector<int>{500, 700}));

  // An input the cards cannot measure is not requested, so it cannot block later requests.
  f.GetFrequency(9);
  EXPECT_FALSE(f.CollectingFrequency);
  f.stopFrequencySampling();
  f.GetFrequency(1);
  EXPECT_FALSE(f.CollectingFrequency);

  f.reSetFrequencyReaders();
  EXPECT_EQ(reader.Resets, 1);
  f.UnregisterFrequencyReader(&reader);
  f.reSetFrequencyReaders();
  EXPECT_EQ(reader.Resets, 1);
}

TEST_F(TFacade, InverterRepliesGoToTheMainWindowFromTheMasterOnly) {
  TQXIFD& f = Create();
  f.LogDataIn(Msg("ms", 158, "ABC"));
  f.LogDataIn(Msg("sl", 158, "DEF"));
  EXPECT_EQ(host.CallsStartingWith("vComInverterDataBack"), QStringList{"vComInverterDataBack ABC"});
}

TEST_F(TFacade, AModeReplyForAReleasedPortDoesNotBringTheSerialPathBack) {
  TQXIFD& f = Create();
  f.LogDataIn(Msg("ms", 151, "OK"));
  EXPECT_FALSE(f.FvComIOActive);
  EXPECT_TRUE(f.FLegIOActive);
  EXPECT_TRUE(host.CallsStartingWith("vComMasterIFDmode").isEmpty());
}

TEST_F(TFacade, DigitalOutputsOnTheSerialPathCanBeHeldBack) {
  TQXIFD& f = Create();
  f.FvComIOActive = true;
  f.FLegIOActive = false;
  f.StopSetVComDOs();
  EXPECT_TRUE(f.SetDigitalOutputValue(0, true));
  EXPECT_EQ(f.DigitalOutputs[0], 0);
  EXPECT_EQ(TIFDState::DigitalOutputShadow, 0);
  f.ResumeSetVComDOs();
  // Without a master port there is still nothing to change.
  EXPECT_TRUE(f.SetDigitalOutputValue(0, true));
  EXPECT_EQ(f.DigitalOutputs[0], 0);
  // The serial path keeps the legacy card untouched.
  card.Add(kVel0, KindVelUSB);
  f.SampleNow();
  EXPECT_FALSE(f.SetAnalogueValue(0, 100));
  f.Watchdog();
  EXPECT_TRUE(card.Calls.empty());
}

TEST_F(TFacade, LegacyPathSamplesAndDrivesTheCardAndClosesItOnExit) {
  TFakeDevice& dev = card.Add(kVel0, KindVelUSB);
  dev.Scan[3] = 2048 + 300;
  TQXIFD& f = Create();
  f.RegisterChannel(3, 0);
  f.SampleNow();
  EXPECT_TRUE(f.PortsOpen);
  EXPECT_EQ(f.MainChannelValue[3], 300);
  EXPECT_TRUE(host.Calls.contains("SetVComToolsOff"));
  EXPECT_TRUE(host.Calls.contains("SetStatusPanel 3 IFD: OK (F" + QString::number(f.LegacyAccess().MainHandle()) + ")"));

  EXPECT_TRUE(f.SetAnalogueValue(0, 1000));
  EXPECT_EQ(f.AnalogueOutputs[0], 1000);
  EXPECT_EQ(f.SetDACOutputValue(0, 1, 5, false), false);
  EXPECT_EQ(f.Dac1Value, 5);

  f.DigitalExitValues[1] = 1;
  f.SetDigitalOutputValue(4, true);
  f.CloseProcessing();
  EXPECT_EQ(f.AnalogueOutputs[0], 0);
  EXPECT_EQ(dev.Ports[0] & 0xFF, 0x02);  // exit values on lines 0-7
  EXPECT_FALSE(f.PortsOpen);
  EXPECT_EQ(card.OpenHandles(), 0);
  EXPECT_EQ(host.Calls.last(), "SetVComToolsOn");
}

// A client program leaves the interface to its server: whatever its sources, its ticks and its
// closing ask of the facade, no device is opened, nothing is written and no card status is shown.
TEST_F(TFacade, AClientProgramOpensNoDevice) {
  rig.ProgramType = TProgramType::ClientApp;
  rig.Using_EXP = true;  // two cards expected, one present: a standalone program says "Driver Error"
  TFakeDevice& dev = card.Add(kVel0, KindVelUSB);
  TQXIFD& f = Create();
  f.RegisterChannel(3, 0);
  f.OpenPorts();
  f.SampleNow();
  f.SetAnalogueValue(0, 1000);
  f.SetDigitalOutputValue(4, true);  // a momentary output pressed
  f.GetFrequency(1);
  f.GetTwinFreqs(1, 2);
  f.Watchdog();
  f.SendToInverter(QByteArray("01"));
  f.ReadFromInverter();
  f.ResetDigitalOutputs();
  f.CloseProcessing();
  f.RequestSilentReconnect(&f);  // nor is a serial card connected at start-up
  Deliver();
  EXPECT_TRUE(posted.isEmpty());
  EXPECT_TRUE(card.Calls.empty());
  EXPECT_EQ(card.OpenHandles(), 0);
  EXPECT_EQ(dev.Ports[0], 0);
  EXPECT_FALSE(f.PortsOpen);
  EXPECT_TRUE(host.CallsStartingWith("SetStatusPanel").isEmpty())
      << host.CallsStartingWith("SetStatusPanel").join('\n').toStdString();
}

TEST_F(TFacade, LeavingTheSerialPathAsksFirstUnlessForced) {
  TQXIFD& f = Create();
  f.FvComIOActive = true;
  f.FLegIOActive = false;

  host.LoadingExercise = true;
  prompts.ExpectMessage(TQXIFD::LoadExerciseQuestion, TModalResult::mrNo);
  f.switchIOtoLegacyDriver(&host, false);
  EXPECT_TRUE(f.FvComIOActive);
  EXPECT_TRUE(host.CallsStartingWith("CleanUp").isEmpty());

  // Only the main window's own request speaks of a new exercise.
  prompts.ExpectMessage(TQXIFD::TerminateSessionQuestion, TModalResult::mrYes);
  f.switchIOtoLegacyDriver(nullptr, false);
  EXPECT_EQ(prompts.Records().back().Type, TMsgDlgType::mtWarning);
  EXPECT_EQ(prompts.Records().back().Buttons, TMsgDlgButtons::YesNo);
  EXPECT_FALSE(f.FvComIOActive);
  EXPECT_TRUE(f.FLegIOActive);
  EXPECT_EQ(host.CallsStartingWith("CleanUp"), (QStringList{"CleanUpBeforeLeavingVCom", "CleanUpAfterLeavingVCom"}));
  // No port was held here: the ports another program remembers are left alone.
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(rig.RegistryKey, false));
  EXPECT_EQ(reg.ReadIntegerDef(settings::reg::LastComMaster, 7), 7);
  EXPECT_EQ(reg.ReadIntegerDef(settings::reg::LastComSlave, 7), 7);

  f.switchIOtoLegacyDriver(&host, true);  // forced: no question
}

TEST_F(TFacade, OnlyTheFacadeItselfRequestsTheSilentReconnect) {
  TQXIFD& f = Create();
  TQXIFD other(nullptr, nullptr, &card);
  f.RequestSilentReconnect(&other);
  f.RequestSilentReconnect(nullptr);
  Deliver();
  EXPECT_TRUE(posted.isEmpty());
  f.RequestSilentReconnect(&f);
  Deliver();
  EXPECT_EQ(posted, QStringList{"WM_RECONNECT_COMS_SILENTLY"});
}
