// Driver devices on their sockets: register and port calls, answered from the card's registers.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <QtEndian>

#include "deviceclient.h"
#include "inverter.h"
#include "simrig.h"

namespace {
const QByteArray kPlant = R"(
[plant]
multiplexer = yes
[ai0]
source = AO0
[ai3]
source = 1000
[ai9]
source = 500
[ai16]
source = 321
[ai100]
source = AO100
[di1]
source = DO0
[freq2]
source = 2*AO1 + 7
)";

constexpr quint32 kGetScan = 0x80002000, kGetRam = 0x80002008;

QByteArray Address(int a) {
  QByteArray out(2, '\0');
  qToLittleEndian<quint16>(quint16(a), out.data());
  return out;
}

int WordAt(const QByteArray& data, int i) { return qFromLittleEndian<quint16>(data.constData() + 2 * i); }

// Writes counts to an output the way the host does: low byte, then high byte of counts + 2048.
void SetOutput(TDeviceClient& device, int lowRegister, int counts) {
  EXPECT_TRUE(device.SetRam(lowRegister, (counts + 2048) & 0xFF));
  EXPECT_TRUE(device.SetRam(lowRegister + 1, (counts + 2048) >> 8));
}

class LegacyDevice : public ::testing::Test {
 protected:
  void Start(const QStringList& options = {}) {
    ASSERT_TRUE(Rig.Start(QStringList{"--no-serial"} + options, kPlant)) << Rig.Error.toStdString();
  }
  TSimRig Rig;
};
}  // namespace

TEST_F(LegacyDevice, RegisterReadsFollowRegisterWrites) {
  Start();
  TDeviceClient dev(Rig.DevicePath("VelUSB0"));
  ASSERT_TRUE(dev.IsOpen());
  EXPECT_TRUE(dev.SetPort(0, 0x10));  // multiplexer off: register 0x50 is input 0
  SetOutput(dev, 0x9A, 5);  // output 0
  SetOutput(dev, 0x9C, -7);  // output 1
  SetOutput(dev, 0x96, 2047);  // output 2
  SetOutput(dev, 0x98, -2048);  // output 3
  EXPECT_EQ(Rig.Plant.AnalogueOutput(0), 5);
  EXPECT_EQ(Rig.Plant.AnalogueOutput(1), -7);
  EXPECT_EQ(Rig.Plant.AnalogueOutput(2), 2047);
  EXPECT_EQ(Rig.Plant.AnalogueOutput(3), -2048);
  EXPECT_EQ(dev.GetRam(0x9A), 0x0805);
  EXPECT_EQ(dev.GetRam(0x50), 2053) << "input 0 follows output 0";
  EXPECT_EQ(dev.GetRam(0x56), 3048);
  for (int k = 0; k < 16; ++k) EXPECT_TRUE(dev.SetRam(0x7A + k, 'a' + k));
  EXPECT_EQ(dev.GetRam(0x7A), 'a' + ('b' << 8));
  EXPECT_EQ(dev.GetRam(0x89), 'p');
  EXPECT_TRUE(dev.SetRam(0x4F, 0));
  EXPECT_TRUE(dev.SetRam(0xB6, 0x48));
  EXPECT_EQ(dev.GetRam(0xB6), 0x48);
  // A VelUSB-kind device answers a register read with a 64-byte block, register first.
  const TDeviceClient::TResult block = dev.Call(kGetRam, Address(0x50), 64);
  ASSERT_TRUE(block.Ok);
  ASSERT_EQ(block.Data.size(), 64);
  EXPECT_EQ(WordAt(block.Data, 0), 2053);
  EXPECT_EQ(WordAt(block.Data, 3), 3048);
}

TEST_F(LegacyDevice, ScanFollowsTheInputModeRegister) {
  Start();
  TDeviceClient dev(Rig.DevicePath("VelUSB0"));
  TDeviceClient::TResult scan = dev.Call(kGetScan, Address(0), 64);
  ASSERT_TRUE(scan.Ok);
  ASSERT_EQ(scan.Data.size(), 64);
  EXPECT_EQ(WordAt(scan.Data, 3), 3048);
  EXPECT_EQ(WordAt(scan.Data, 9), 2548);
  EXPECT_TRUE(dev.SetRam(0xA2, 0));  // differential: eight inputs
  scan = dev.Call(kGetScan, Address(0), 64);
  EXPECT_EQ(WordAt(scan.Data, 3), 3048);
  EXPECT_EQ(WordAt(scan.Data, 9), 2048);
  EXPECT_TRUE(dev.SetRam(0xA2, 0x80));
  EXPECT_EQ(dev.GetRam(0x62), 2548);
  EXPECT_FALSE(dev.Call(kGetScan, Address(0), 63).Ok) << "a buffer too small for the scan fails";
}

TEST_F(LegacyDevice, DoruzOvaDevicesAnswerTwoByteReadsAndHaveNoScan) {
  Start({"--master-device", "doruzova"});
  EXPECT_FALSE(QFileInfo::exists(Rig.DevicePath("VelUSB0")));
  TDeviceClient dev(Rig.DevicePath("DoruzOVA0"));
  ASSERT_TRUE(dev.IsOpen());
  const TDeviceClient::TResult read = dev.Call(kGetRam, Address(0x56), 64);
  ASSERT_TRUE(read.Ok);
  EXPECT_EQ(read.Data.size(), 2);
  EXPECT_EQ(WordAt(read.Data, 0), 3048);
  const TDeviceClient::TResult scan = dev.Call(kGetScan, Address(0), 64);
  EXPECT_TRUE(scan.Answered);
  EXPECT_FALSE(scan.Ok);
}

TEST_F(LegacyDevice, PortsCarryOutputsInputsAndTheCardIdentity) {
  Start({"--slave", "brenna"});
  TDeviceClient main(Rig.DevicePath("VelUSB0"));
  TDeviceClient expansion(Rig.DevicePath("VelUSB1"));
  EXPECT_EQ(main.GetPort(3) & 0x10, 0);
  EXPECT_EQ(expansion.GetPort(3) & 0x10, 0x10);
  EXPECT_EQ(main.GetPort(1), 0);
  EXPECT_TRUE(main.SetPort(0, 0x11));
  EXPECT_EQ(main.GetPort(0), 0x11);
  EXPECT_EQ(main.GetPort(1), 0x02) << "input 1 echoes output 0";
  EXPECT_TRUE(main.SetPort(1, 0xFF));  // watchdog phase
  EXPECT_TRUE(expansion.SetPort(0, 0x81));
  EXPECT_EQ(Rig.Plant.DigitalOutputByte(8), 0x81);
  SetOutput(expansion, 0x9A, 42);  // the expansion card's output 0 is output 100
  EXPECT_EQ(Rig.Plant.AnalogueOutput(100), 42);
  EXPECT_EQ(expansion.GetRam(0x50), 2090);
}

TEST_F(LegacyDevice, MultiplexerAddressOnTheOutputPortSelectsInputs16To31) {
  Start();
  TDeviceClient dev(Rig.DevicePath("VelUSB0"));
  SetOutput(dev, 0x9A, 9);
  EXPECT_TRUE(dev.SetPort(0, 0xE0));  // lines 0-4 low: multiplexer input 16
  EXPECT_EQ(dev.GetRam(0x50), 321 + 2048);
  EXPECT_TRUE(dev.SetPort(0, 0xE0 | 0x10));  // line 4 high: input 0 again
  EXPECT_EQ(dev.GetRam(0x50), 9 + 2048);
}

TEST_F(LegacyDevice, FrequencyMeasurementRunsThenHoldsItsCount) {
  Start({"--frequency-gate", "300"});
  TDeviceClient dev(Rig.DevicePath("VelUSB0"));
  SetOutput(dev, 0x9C, 100);  // output 1
  EXPECT_TRUE(dev.SetRam(0x74, 1 << 2));
  EXPECT_EQ(dev.GetRam(0x74) & 0xFF, 4) << "running";
  QElapsedTimer timer;
  timer.start();
  while ((dev.GetRam(0x74) & 0xFF) != 0 && timer.elapsed() < 2000) {
  }
  EXPECT_EQ(dev.GetRam(0x74) & 0xFF, 0);
  EXPECT_EQ(dev.GetRam(0x75), 207);
}

TEST_F(LegacyDevice, BurstCaptureBlocksHoldSamplePairsFrom2047) {
  Start();
  TDeviceClient dev(Rig.DevicePath("VelUSB0"));
  SetOutput(dev, 0x9A, -100);
  EXPECT_TRUE(dev.SetRam(0x3E, 0));
  EXPECT_TRUE(dev.SetRam(0x3F, 3));
  EXPECT_TRUE(dev.SetRam(0xBD, 0));
  EXPECT_TRUE(dev.SetRam(0xAC, 0xC0));
  EXPECT_EQ(dev.GetRam(0xAC) & 0x80, 0) << "capture over when the host looks";
  for (int block = 0; block < 2; ++block) {
    const TDeviceClient::TResult r = dev.Call(kGetRam, Address(0xBE), 64);
    ASSERT_EQ(r.Data.size(), 64);
    for (int j = 0; j < 16; ++j) {
      EXPECT_EQ(WordAt(r.Data, 2 * j) - 2047, -100);
      EXPECT_EQ(WordAt(r.Data, 2 * j + 1) - 2047, 1000);
    }
  }
}

TEST_F(LegacyDevice, CaptureWaitsForItsDigitalTriggerAndCountBeforeTheBusyFlagClears) {
  Start();
  TDeviceClient dev(Rig.DevicePath("VelUSB0"));
  EXPECT_TRUE(dev.SetPort(0, 0));
  EXPECT_TRUE(dev.SetRam(0xAD, 745));  // 1 ms a pair
  EXPECT_TRUE(dev.SetRam(0xAE, 0));
  EXPECT_TRUE(dev.SetRam(0xBB, 40));   // 40 pairs: 40 ms once triggered
  EXPECT_TRUE(dev.SetRam(0xBC, 0));
  EXPECT_TRUE(dev.SetRam(0xBD, 0x02)); // digital input 1, which follows output line 0
  EXPECT_TRUE(dev.SetRam(0xAC, 0xC0));
  QThread::msleep(80);
  EXPECT_EQ(dev.GetRam(0xAC) & 0x80, 0x80) << "no trigger yet: still busy";
  EXPECT_TRUE(dev.SetPort(0, 0x01));
  EXPECT_EQ(dev.GetRam(0xAC) & 0x80, 0x80) << "triggered, its 40 samples still to come";
  QThread::msleep(60);
  EXPECT_EQ(dev.GetRam(0xAC) & 0x80, 0);

  // Armed again without the input going low: it triggers at once. A software capture's flag stays
  // up for its count; a disarm clears it.
  EXPECT_TRUE(dev.SetRam(0xBD, 0));
  EXPECT_TRUE(dev.SetRam(0xBB, 0xFF));
  EXPECT_TRUE(dev.SetRam(0xAC, 0xC0));
  EXPECT_EQ(dev.GetRam(0xAC) & 0x80, 0x80);
  EXPECT_TRUE(dev.SetRam(0xAC, 0));
  EXPECT_EQ(dev.GetRam(0xAC) & 0x80, 0);
}

TEST_F(LegacyDevice, AnalogueTriggerCaptureStartsItsPreTriggerCountBeforeTheCrossing) {
  ASSERT_TRUE(Rig.Start({"--no-serial"}, "[ai2]\nsource = 0\nwave = square\nwave_frequency = 10\nwave_amplitude = 500\n"))
      << Rig.Error.toStdString();
  TDeviceClient dev(Rig.DevicePath("VelUSB0"));
  EXPECT_TRUE(dev.SetRam(0x3E, 2));
  EXPECT_TRUE(dev.SetRam(0x3F, 2));
  EXPECT_TRUE(dev.SetRam(0xAD, 0));     // 255 us a pair
  EXPECT_TRUE(dev.SetRam(0xAE, 0));
  EXPECT_TRUE(dev.SetRam(0x50, 32));    // 32 pairs before the trigger
  EXPECT_TRUE(dev.SetRam(0x51, 0));
  EXPECT_TRUE(dev.SetRam(0x52, 0x00));  // level 2048: the square wave's rising edge
  EXPECT_TRUE(dev.SetRam(0x53, 0x08));
  EXPECT_TRUE(dev.SetRam(0xAC, 0xD0));
  QElapsedTimer t;
  t.start();
  while ((dev.GetRam(0xAC) & 0x80) && t.elapsed() < 1000) QThread::msleep(5);
  ASSERT_EQ(dev.GetRam(0xAC) & 0x80, 0) << "a 10 Hz edge comes within 100 ms";
  std::vector<int> samples;
  for (int block = 0; block < 4; ++block) {
    const TDeviceClient::TResult r = dev.Call(kGetRam, Address(0xBE), 64);
    ASSERT_EQ(r.Data.size(), 64);
    for (int j = 0; j < 16; ++j) samples.push_back(WordAt(r.Data, 2 * j) - 2047);
  }
  EXPECT_EQ(samples[31], -500);
  EXPECT_EQ(samples[32], 500) << "the trigger sample follows the pre-trigger count";
}

TEST_F(LegacyDevice, InverterFrameBufferIsSentAndHoldsTheReply) {
  Start({"--inverter", "varnok", "--inverter-program", "25"});
  TDeviceClient dev(Rig.DevicePath("VelUSB0"));
  const QByteArray frame = TInverter::RequestFrame("RA05 0000");
  for (int k = 0; k < frame.size(); ++k) EXPECT_TRUE(dev.SetRam(0x7A + k, quint8(frame[k])));
  EXPECT_TRUE(dev.SetRam(0x40, 0x80));
  QByteArray reply;
  for (int k = 0; k < 16; ++k) reply += char(dev.GetRam(0x7A + k, 64) & 0xFF);
  const QByteArray inner = QByteArray("01\x06RA05 0019\x03");
  EXPECT_EQ(reply, '\x01' + inner + TInverter::Checksum(inner));
}

TEST_F(LegacyDevice, BadRequestsFailOrEndTheHandleOnly) {
  Start();
  TDeviceClient dev(Rig.DevicePath("VelUSB0"));
  TDeviceClient::TResult r = dev.Call(0x80002004, Address(0), 2);
  EXPECT_TRUE(r.Answered);
  EXPECT_FALSE(r.Ok) << "unknown control code";
  r = dev.Call(0x8000200C, Address(0x9A), 0);
  EXPECT_TRUE(r.Answered);
  EXPECT_FALSE(r.Ok) << "SetRAM needs four input bytes";
  // A request split over several writes is still one request.
  const QByteArray request = TDeviceClient::Request(kGetRam, Address(0x56), 2);
  dev.SendRaw(request.left(5));
  dev.SendRaw(request.mid(5, 8));
  dev.SendRaw(request.mid(13));
  r = dev.ReadAnswer();
  EXPECT_TRUE(r.Ok);
  EXPECT_EQ(WordAt(r.Data, 0), 3048);
  TDeviceClient broken(Rig.DevicePath("VelUSB0"));
  QByteArray huge = TDeviceClient::Request(kGetRam, {}, 2);
  qToLittleEndian<quint32>(1u << 30, huge.data() + 4);  // inLen far beyond any driver buffer
  broken.SendRaw(huge);
  EXPECT_TRUE(broken.Closed());
  EXPECT_TRUE(Rig.Log().contains("breaks the framing"));
  TDeviceClient again(Rig.DevicePath("VelUSB0"));
  EXPECT_EQ(again.GetRam(0x56), 3048) << "other handles are not affected";
}
