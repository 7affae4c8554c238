#include <gtest/gtest.h>

#include "support/fakelegacycard.h"
#include "ifd/legacy/ilegacyhost.h"
#include "ifd/legacy/legacyaccess.h"
#include "platform/iclock.h"
#include "platform/services.h"
#include "rigconfig/rigconfig.h"
#include "support/scriptedprompts.h"

using namespace legacy;

namespace {
const QString kVel0 = VelUSB0, kVel1 = VelUSB1, kDor0 = DoruzOVA0, kDor1 = DoruzOVA1;

class TRecordingLegacyHost : public ILegacyHost {
 public:
  void SetStatusPanel(int panel, const QString& text) override { Panels[panel] = text; History << text; }
  void SetVComToolsOn() override { VComTools = true; }
  void SetVComToolsOff() override { VComTools = false; }
  std::map<int, QString> Panels;
  QStringList History;
  bool VComTools = true;
};

// A clock that moves on by a millisecond at every reading, so waits end without sleeping.
class TSteppingClock : public IClock {
 public:
  TSteppingClock() { TServices::SetClock(this); }
  ~TSteppingClock() override { TServices::SetClock(nullptr); }
  TDateTime Now() const override { return 45000; }
  std::int64_t TickCountMs() const override { return ++FTicks; }
  mutable std::int64_t FTicks = 0;
};

struct TLegacyFixture : ::testing::Test {
  TFakeLegacyCard card;
  TIFDState state;
  TRigConfig rig{nullptr, nullptr, nullptr};
  TRecordingLegacyHost host;
  TSteppingClock clock;
  std::unique_ptr<TLegacyAccess> access;

  void SetUp() override {
    TIFDState::DigitalOutputShadow = 0;
    TIFDState::ExpansionOutputShadow = 0;
    TIFDState::AnalogueOutputShadow = {};
    rig.Using_IFD = true;
    access = std::make_unique<TLegacyAccess>(state, card, &rig, &host);
  }
  // Register writes of one device as (register, value) pairs.
  std::vector<std::pair<int, int>> Writes(const QString& device) const {
    std::vector<std::pair<int, int>> out;
    for (const auto& c : card.CallsOf(device, SetRAM)) out.emplace_back(c.Address, c.Value);
    return out;
  }
};
}  // namespace

TEST_F(TLegacyFixture, SingleCardFoundInEitherPosition) {
  card.Add(kVel1, KindVelUSB);
  access->OpenPorts();
  EXPECT_TRUE(state.PortsOpen);
  EXPECT_EQ(state.IFDStatus, "Open");
  EXPECT_EQ(host.Panels[3], QStringLiteral("IFD: OK (F%1)").arg(access->MainHandle()));
  EXPECT_EQ(host.Panels[4], "");
  EXPECT_EQ(state.MainDevice, KindVelUSB);
  EXPECT_FALSE(host.VComTools);
  EXPECT_TRUE(access->CheckIfPortsOpen());  // the fast-mode write succeeded
  EXPECT_EQ(card.Device(kVel1).Registers[0xB6], 0x48);
  EXPECT_EQ(card.Device(kVel1).Registers[0xA2], 0);  // differential by default

  access->ClosePorts();
  EXPECT_EQ(card.OpenHandles(), 0);
  EXPECT_TRUE(host.VComTools);
  card.Add(kDor0, KindDoruzOVA);
  rig.UsingSingleEndedChannels = true;
  access->OpenPorts();
  EXPECT_EQ(host.Panels[3], QStringLiteral("IFD: OK (S%1)").arg(access->MainHandle()));
  EXPECT_EQ(card.Device(kDor0).Registers[0xA2], 0x80);
}

TEST_F(TLegacyFixture, NoDeviceAtAll) {
  access->OpenPorts();
  EXPECT_FALSE(state.PortsOpen);
  EXPECT_EQ(host.Panels[3], "IFD: No Device");
  state.DigitalExitValues[0] = 1;
  access->ResetDigitalOutputs();  // nothing to write to: no write error over "No Device"
  EXPECT_EQ(host.Panels[3], "IFD: No Device");
  EXPECT_EQ(TIFDState::DigitalOutputShadow & 1, 1);
}

TEST_F(TLegacyFixture, CardIdentityDecidesMainAndExpansion) {
  rig.Using_EXP = true;
  card.Add(kDor0, KindDoruzOVA, /*expansion=*/true);
  card.Add(kDor1, KindDoruzOVA, false);
  access->OpenPorts();
  ASSERT_TRUE(state.PortsOpen);
  EXPECT_EQ(host.Panels[3], "IFD: OK");
  EXPECT_EQ(host.Panels[4], "IFD-XP: OK");
  card.Device(kDor1).Ports[1] = 0x05;
  card.Device(kDor0).Ports[1] = 0x80;
  access->SampleNow();
  EXPECT_EQ(state.DigitalInputs[0], 1);
  EXPECT_EQ(state.DigitalInputs[2], 1);
  EXPECT_EQ(state.DigitalInputs[15], 1);  // bit 7 of the expansion card

  // Both claiming to be the main card: both closed, driver errors on both panels.
  access->ClosePorts();
  card.Device(kDor0).Ports[3] = 0;
  access->OpenPorts();
  EXPECT_FALSE(state.PortsOpen);
  EXPECT_EQ(host.Panels[3], "IFD: Driver Error");
  EXPECT_EQ(host.Panels[4], "IFD-XP: Driver Error");
  EXPECT_EQ(card.OpenHandles(), 0);
}

TEST_F(TLegacyFixture, InputsAreSmoothedFromCentredCounts) {
  TFakeDevice& d = card.Add(kVel0, KindVelUSB);
  state.MainChannelInUse[0] = state.MainChannelInUse[1] = state.MainChannelInUse[2] = true;
  d.Scan[0] = 2048;
  d.Scan[1] = 4095;
  d.Scan[2] = 0;
  access->SampleNow();
  EXPECT_EQ(state.MainChannelValue[0], 0);
  EXPECT_EQ(state.MainChannelValue[1], 2047);
  EXPECT_EQ(state.MainChannelValue[2], -2048);
  EXPECT_EQ(card.CallsOf(kVel0, GetSCAN).size(), 1u);  // one scan reads every direct input

  state.FilterWeight = 4;
  d.Scan[0] = 2048 + 100;
  access->SampleNow();
  EXPECT_EQ(state.MainChannelValue[0], 25);
  access->SampleNow();
  EXPECT_EQ(state.MainChannelValue[0], 44);  // 25 + 75/4 = 43.75
  state.EndSampleWindow();
  EXPECT_TRUE(state.ReadingAvailable(0));

  // A word garbled on the way (beyond 12 bits, as an inverted answer is) is no reading: the input
  // has none for the sample, the others keep theirs.
  d.Scan[0] = 0xFFFF - (2048 + 100);
  access->SampleNow();
  state.EndSampleWindow();
  EXPECT_FALSE(state.ReadingAvailable(0));
  EXPECT_TRUE(state.ReadingAvailable(1));
  EXPECT_EQ(state.MainChannelValue[0], 44);

  // A DoruzOVA card reads each input in use from its register.
  card.Remove(kVel0);
  access->ClosePorts();
  TFakeDevice& s = card.Add(kDor0, KindDoruzOVA);
  s.Scan[1] = 3048;
  state.FilterWeight = 1;
  access->SampleNow();
  EXPECT_EQ(state.MainChannelValue[1], 1000);
  EXPECT_EQ(card.CallsOf(kDor0, GetRAM).size(), 3u);
}

TEST_F(TLegacyFixture, MultiplexedInputsSelectSettleAndRestore) {
  TFakeDevice& d = card.Add(kVel0, KindVelUSB);
  state.MainChannelInUse[18] = true;
  state.Multiplexing = true;
  TIFDState::DigitalOutputShadow = 0xE5;
  d.Scan[0] = 2048 + 300;
  access->SampleNow();
  EXPECT_EQ(state.MainChannelValue[18], 300);
  const auto ports = card.CallsOf(kVel0, SetPort);
  ASSERT_EQ(ports.size(), 3u);
  EXPECT_EQ(ports[0].Value, 0xE5);  // the devices just opened get the output image
  EXPECT_EQ(ports[1].Value, 0xE2);  // lines 5-7 kept, address 2
  EXPECT_EQ(ports[2].Value, 0xF0);  // strobe released
  EXPECT_EQ(TIFDState::DigitalOutputShadow, 0xE2);
  EXPECT_GE(clock.FTicks, TLegacyAccess::MultiplexerSettleMs);
}

TEST_F(TLegacyFixture, AnalogueOutputRegisterBytes) {
  card.Add(kVel0, KindVelUSB);
  access->OpenPorts();
  const size_t before = Writes(kVel0).size();
  ASSERT_TRUE(access->SetAnalogueValue(0, -2048));
  ASSERT_TRUE(access->SetAnalogueValue(1, 2047));
  ASSERT_TRUE(access->SetAnalogueValue(2, 0));
  ASSERT_TRUE(access->SetAnalogueValue(3, 3000));  // beyond full scale: sent as 2047
  const auto w = Writes(kVel0);
  const std::vector<std::pair<int, int>> last(w.end() - 8, w.end());
  EXPECT_EQ(w.size() - before, 32u);
  EXPECT_EQ(last, (std::vector<std::pair<int, int>>{{0x96, 0x00}, {0x97, 0x08}, {0x98, 0xFF}, {0x99, 0x0F},
                                                    {0x9A, 0x00}, {0x9B, 0x00}, {0x9C, 0xFF}, {0x9D, 0x0F}}));
  EXPECT_EQ(state.AnalogueOutputs[3], 2047);
  EXPECT_FALSE(access->SetAnalogueValue(7, 1));
}

TEST_F(TLegacyFixture, DigitalOutputImagesAndExitValues) {
  rig.Using_EXP = true;
  card.Add(kVel0, KindVelUSB);
  card.Add(kVel1, KindVelUSB, true);
  access->OpenPorts();
  ASSERT_TRUE(access->SetDigitalOutputValueLeg(3, true));
  ASSERT_TRUE(access->SetDigitalOutputValueLeg(0, true));
  EXPECT_EQ(card.Device(kVel0).Ports[0], 0x09);
  ASSERT_TRUE(access->SetDigitalOutputValueLeg(9, true));
  EXPECT_EQ(card.Device(kVel1).Ports[0], 0x02);
  EXPECT_EQ(state.DigitalOutputs[9], 1);
  {
    TScriptedPrompts prompts;
    prompts.ExpectMessage("Invalid channel number - please check data spreadsheet.");
    EXPECT_FALSE(access->SetDigitalOutputValueLeg(16, true));
  }
  state.DigitalExitValues = {};
  state.DigitalExitValues[1] = 1;
  state.DigitalExitValues[8] = 1;
  access->ResetDigitalOutputs();
  EXPECT_EQ(card.Device(kVel0).Ports[0] & 0xFF, 0x02);  // the image also carries line 9 in bit 9
  EXPECT_EQ(card.Device(kVel1).Ports[0], 0x01);
}

// Diagram sources set their outputs on every tick; the device is written only when its image
// changes, and once more after the devices were opened again (it may have lost its outputs).
TEST_F(TLegacyFixture, OutputsAreWrittenWhenTheyChangeAndAgainAfterAReopen) {
  card.Add(kVel0, KindVelUSB);
  access->OpenPorts();
  const auto outputWrites = [&] {
    std::vector<int> values;
    for (const auto& c : card.CallsOf(kVel0, SetPort))
      if (c.Address == 0) values.push_back(c.Value);
    return values;
  };
  for (int tick = 0; tick < 5; ++tick) {
    ASSERT_TRUE(access->SetDigitalOutputValueLeg(1, false));
    access->SampleNow();
  }
  EXPECT_EQ(outputWrites(), std::vector<int>{0x00});
  ASSERT_TRUE(access->SetDigitalOutputValueLeg(2, true));
  ASSERT_TRUE(access->SetDigitalOutputValueLeg(2, true));
  EXPECT_EQ(outputWrites(), (std::vector<int>{0x00, 0x04}));
  // The device fails and comes back: the image goes out with the next sample.
  card.Vanished = true;
  access->SampleNow();
  EXPECT_FALSE(state.PortsOpen);
  card.Vanished = false;
  card.Device(kVel0).Ports[0] = 0;  // it came back without its outputs
  access->SampleNow();
  EXPECT_EQ(card.Device(kVel0).Ports[0], 0x04);
  access->SampleNow();
  EXPECT_EQ(outputWrites(), (std::vector<int>{0x00, 0x04, 0x04}));
}

TEST_F(TLegacyFixture, WatchdogAndDacSequences) {
  card.Add(kVel0, KindVelUSB);
  access->OpenPorts();
  access->Watchdog();
  access->Watchdog();
  const auto dog = card.CallsOf(kVel0, SetPort);
  ASSERT_EQ(dog.size(), 2u);
  EXPECT_EQ(dog[0].Value, 0x7F);
  EXPECT_EQ(dog[1].Value, 0xFF);

  const size_t before = card.CallsOf(kVel0, SetPort).size();
  EXPECT_FALSE(access->SetDACOutputValue(2, 0, 0xA5F, false));
  const auto writes = card.CallsOf(kVel0, SetPort);
  ASSERT_EQ(writes.size() - before, 50u);
  // Data line (bit 3) during the first bit's clock-low write: bit 11 of 0xA5F is 1.
  EXPECT_EQ(writes[before + 1].Value & 0x08, 0x08);
  EXPECT_EQ(writes.back().Value & 0x10, 0x10);  // load set at the end
  EXPECT_EQ(state.Dac1Value, 0xA5F);
  EXPECT_EQ(state.Dac2Value, 0xA5F);
}

TEST_F(TLegacyFixture, FrequencyMeasurementCycle) {
  TFakeDevice& d = card.Add(kDor0, KindDoruzOVA);
  EXPECT_EQ(access->GetFrequency(1), 0);  // first call starts a measurement
  EXPECT_EQ(d.Registers[0x74], 0x02);
  EXPECT_TRUE(state.CollectingFrequency);
  d.FrequencyBusyReads = 1;
  state.MainChannelValue[32] = 77;
  EXPECT_EQ(access->GetFrequency(1), 77);  // still measuring: the previous count
  d.FrequencyCount = 1234;
  EXPECT_EQ(access->GetFrequency(1), 1234);
  EXPECT_TRUE(state.CollectingFrequency);  // and the next measurement has started

  access->GetTwinFreqs(0, 1);  // finishing the single one is not its business: starts channel 1
  d.FrequencyCount = 500;
  state.CollectingFrequency = false;
  access->GetTwinFreqs(0, 1);
  access->GetTwinFreqs(0, 1);
  EXPECT_EQ(state.MainChannelValue[33], 500);
}

TEST_F(TLegacyFixture, InverterFrameThroughTheBuffer) {
  TFakeDevice& d = card.Add(kVel0, KindVelUSB);
  access->SendToInverter("RJ01 0000");
  EXPECT_EQ(d.Registers[0x7A], 0x01);
  EXPECT_EQ(d.Registers[0x7A + 3], 0x05);
  EXPECT_EQ(d.Registers[0x7A + 13], 0x03);
  EXPECT_EQ(d.Registers[0x7A + 14], '4');
  EXPECT_EQ(d.Registers[0x7A + 15], '6');
  EXPECT_EQ(d.Registers[0x40], 0x80);
  const QByteArray reply = "\x01" "01\x06RJ01 1A2B\x03" "99";
  for (int i = 0; i < reply.size(); ++i) d.Registers[static_cast<size_t>(0x7A + i)] = static_cast<std::uint8_t>(reply[i]);
  EXPECT_EQ(access->ReadFromInverter(), "soh01ackRJ01 1A2Betx99");
}

TEST_F(TLegacyFixture, AVanishedDeviceClosesEverythingAndComesBack) {
  card.Add(kVel0, KindVelUSB);
  state.MainChannelInUse[0] = true;
  state.Multiplexing = true;
  state.MainChannelInUse[20] = true;
  access->SampleNow();
  state.EndSampleWindow();
  ASSERT_TRUE(state.PortsOpen);
  card.Vanished = true;
  access->SampleNow();
  state.EndSampleWindow();
  EXPECT_FALSE(state.ReadingAvailable(0)) << "closed devices read nothing: no value, not 0";
  EXPECT_FALSE(state.PortsOpen);
  EXPECT_EQ(state.IFDStatus, "Closed");
  EXPECT_TRUE(host.History.contains("IFD: A/I Error"));
  EXPECT_TRUE(host.History.contains("IFD: M/P Error"));
  EXPECT_EQ(host.Panels[3], "IFD: D/I Error");  // the last failing step's text stays
  EXPECT_EQ(card.OpenHandles(), 0);
  EXPECT_FALSE(access->SetAnalogueValue(0, 5));

  card.Vanished = false;  // back: the next tick opens it again
  card.Device(kVel0).Scan[0] = 2048 + 7;
  access->SampleNow();
  EXPECT_TRUE(state.PortsOpen);
  EXPECT_EQ(state.MainChannelValue[0], 7);
}
