// The legacy burst capture: two inputs captured by the card and read back as 2000 samples each,
// against the simulator's devices, and nothing taken from a card kind that has no capture.
#include <gtest/gtest.h>

#include <cmath>

#include "ifd/legacy/legacyaccess.h"
#include "ifd/legacy/legacyburst.h"
#include "ifd/legacy/socketdriver.h"
#include "ifd/qxifd.h"
#include "platform/services.h"
#include "rigconfig/rigconfig.h"
#include "support/cardsimulator.h"
#include "support/fakelegacycard.h"
#include "support/manualclock.h"
#include "support/tempfolder.h"

namespace {
// The waits of the burst pass at once on the test's clock.
const auto kInstant = [](TManualClock& clock) { return [&clock](int ms) { clock.AdvanceMs(ms); }; };
}  // namespace

TEST(LegacyBurst, TwoThousandSamplePairsOfTheChosenInputs) {
  if (!TCardSimulator::Built()) GTEST_SKIP() << "the simulator is not built";
  TTempFolder tmp;
  TCardSimulator sim(tmp);
  ASSERT_TRUE(sim.StartDevices(tmp.Write("plant.ini",
                                         "[ai3]\nsource = 0\nwave = sine\nwave_frequency = 50\nwave_amplitude = 800\n"
                                         "noise = 0\n[ai5]\nsource = -250\ntau = 0\nnoise = 0\n")));
  TSocketDriver driver(sim.DeviceDir());
  TRigConfig rig(nullptr, nullptr, nullptr);
  rig.Using_IFD = true;
  rig.UsingSingleEndedChannels = true;
  TServices::SetRig(&rig);
  {
    TQXIFD ifd(nullptr, nullptr, &driver);
    ifd.OpenPorts();
    ASSERT_TRUE(ifd.PortsOpen);
    TManualClock clock;
    TLegacyBurst burst(ifd, ifd.LegacyAccess());
    burst.SetBurstChannel(3, 5);
    burst.GetBurst(0, kInstant(clock));
    EXPECT_FALSE(ifd.GettingBurst);
    EXPECT_TRUE(ifd.PortsOpen) << "the devices are open again after the burst";
    for (int v : ifd.Ch2Vals) ASSERT_EQ(v, -250);
    // 255 us apart: 2000 samples hold about 25 periods of the 50 Hz sine.
    double s = 0, c = 0;
    for (int k = 0; k < TIFDState::BurstSamples; ++k) {
      s += ifd.Ch1Vals[size_t(k)] * std::sin(2 * M_PI * 50 * k * 255e-6);
      c += ifd.Ch1Vals[size_t(k)] * std::cos(2 * M_PI * 50 * k * 255e-6);
    }
    EXPECT_NEAR(2 * std::hypot(s, c) / TIFDState::BurstSamples, 800, 20);
  }
  TServices::SetRig(nullptr);
}

TEST(LegacyBurst, ACardWithoutCaptureGivesNoSamplesAndNoFrequency) {
  TFakeLegacyCard card;
  card.Add(legacy::DoruzOVA0, legacy::KindDoruzOVA);
  TQXIFD ifd(nullptr, nullptr, &card);
  ifd.OpenPorts();
  ifd.MainChannelValue[32] = 77;
  ifd.Ch1Vals[5] = 9;
  TManualClock clock;
  TLegacyBurst burst(ifd, ifd.LegacyAccess());
  burst.GetBurst(1, kInstant(clock));
  EXPECT_EQ(ifd.MainChannelValue[32], 0);
  EXPECT_EQ(ifd.Ch1Vals[5], 9) << "nothing was read";
  EXPECT_TRUE(card.CallsOf(legacy::DoruzOVA0, legacy::GetRAM).empty()) << "no capture memory read";
  EXPECT_FALSE(ifd.GettingBurst);
}

TEST(LegacyBurst, ABlockThatCannotBeReadEndsTheCaptureInsteadOfPassingForSamples) {
  TRigConfig rig(nullptr, nullptr, nullptr);
  rig.Using_IFD = true;
  TServices::SetRig(&rig);
  TFakeLegacyCard card;
  TFakeDevice& device = card.Add(legacy::VelUSB0, legacy::KindVelUSB);
  TQXIFD ifd(nullptr, nullptr, &card);
  ifd.OpenPorts();
  TManualClock clock;
  TLegacyBurst burst(ifd, ifd.LegacyAccess());
  device.Registers[0xBE] = 0xFF;  // 255 counts in the first word of every block
  EXPECT_TRUE(burst.GetBurst(0, kInstant(clock)));
  EXPECT_EQ(ifd.Ch1Vals[16], 255 - 2047);

  device.CaptureReadsLeft = 40;  // the 41st of the 125 blocks fails
  EXPECT_FALSE(burst.GetBurst(0, kInstant(clock)));
  for (int v : ifd.Ch1Vals) ASSERT_EQ(v, 0) << "no part of a broken capture is kept";
  EXPECT_FALSE(ifd.GettingBurst);
  EXPECT_TRUE(ifd.PortsOpen);
  TServices::SetRig(nullptr);
}
