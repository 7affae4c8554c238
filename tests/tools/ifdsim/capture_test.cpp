// High-speed capture on a serial card: arming, the end report and the streamed transfer.
#include <gtest/gtest.h>

#include <QList>

#include "serialclient.h"
#include "simrig.h"

namespace {
// Input 0 swings between 600 and -400 at 100 Hz; input 1 stays at -250.
const QByteArray kPlant = R"(
[ai0]
source = 100
wave = square
wave_frequency = 100
wave_amplitude = 500
[ai1]
source = -250
)";

struct TReading {
  QByteArray Value;
  int Code;
};

// Splits a transfer into (reading, code byte) items, failing on anything that is not framed.
QList<TReading> Readings(const QByteArray& bytes) {
  QList<TReading> out;
  qsizetype start = 0;
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    if (quint8(bytes[i]) < 0x80) continue;
    EXPECT_LT(i + 1, bytes.size());
    EXPECT_EQ(bytes[i + 1], '\r');
    out.append({bytes.mid(start, i - start), quint8(bytes[i])});
    start = i + 2;
    ++i;
  }
  EXPECT_EQ(start, bytes.size()) << "bytes after the last reading";
  return out;
}

class Capture : public ::testing::Test {
 protected:
  void Start(const QStringList& options = {}) {
    ASSERT_TRUE(Rig.Start(options, kPlant)) << Rig.Error.toStdString();
    Card = std::make_unique<TSerialClient>(Rig.SerialPath());
  }
  TSimRig Rig;
  std::unique_ptr<TSerialClient> Card;
};
}  // namespace

TEST_F(Capture, SoftwareCaptureReportsItsEndAndStreamsBothChannels) {
  Start();
  // Vexa, software trigger, single-ended: HS34. Interval 745 + 255 = 1000 us, 16 pairs.
  EXPECT_EQ(Card->Ask("HS34,0,1,745,16\r", 2), QByteArray("OK\x9A\rHSEND68\x9B\r"));
  const QList<TReading> items = Readings(Card->Ask("T4,32\r", 32));
  ASSERT_EQ(items.size(), 32);
  QSet<QByteArray> channelOne;
  for (int i = 0; i < items.size(); ++i) {
    EXPECT_EQ(items[i].Code, i % 2 == 0 ? 0x87 : 0x88);
    if (i % 2 == 0) channelOne.insert(items[i].Value);
    else EXPECT_EQ(items[i].Value, "-250");
  }
  // 16 ms of a 100 Hz square wave shows both of its levels.
  EXPECT_EQ(channelOne, QSet<QByteArray>({"600", "-400"}));
}

TEST_F(Capture, ModeDigitsAreReadAccordingToTheCardKind) {
  // HS33 is single-ended on a Brenna-style card but differential on a Vexa, where input 9 does
  // not exist.
  Start({"--slave", "brenna"});
  TSerialClient brenna(Rig.SerialPath("slave"));
  EXPECT_EQ(brenna.Ask("HS33,9,1,0,4\r", 2), QByteArray("OK\x9A\rHSEND20\x9B\r"));
  Card->Send("HS33,9,1,0,4\r");
  EXPECT_EQ(Card->ReadFor(50), QByteArray());
  EXPECT_EQ(Card->Ask("HS33,7,1,0,4\r", 2), QByteArray("OK\x9A\rHSEND20\x9B\r"));
  EXPECT_TRUE(Rig.Log().contains("capture channels must be 0-7"));
}

TEST_F(Capture, AnalogueTriggerKeepsPreTriggerSamplesBeforeItsEndPosition) {
  Start();
  // Vexa, analogue trigger, single-ended: HS18; 8 pairs after a rising crossing of 2548
  // (100 counts above centre), so the end lies 16384 + 8 pairs after address 4.
  EXPECT_EQ(Card->Ask("HS18,0,1,0,8,2548\r", 2), QByteArray("OK\x9A\rHSEND65572\x9B\r"));
  // The host asks for NOS = 16 pairs ending there: T(p - 4*16),32.
  const QList<TReading> items = Readings(Card->Ask("T65508,32\r", 32));
  ASSERT_EQ(items.size(), 32);
  // The eight pairs after the trigger sit on the high level.
  for (int i = 16; i < 32; i += 2) EXPECT_EQ(items[i].Value, "600") << i;
}

TEST_F(Capture, BadCaptureCommandsAreRefused) {
  Start();
  for (const char* bad : {"T4,32\r", "HS94,0,1,0,16\r", "HS34,0,1,0\r", "HS34,0,1,0,0\r", "HS34,0,16,0,4\r",
                          "HS67,0,1,0,4,8\r", "HS18,0,1,0,4,4096\r", "ERRSCMDOUT\r"}) {
    Card->Send(bad);
    EXPECT_EQ(Card->ReadFor(30), QByteArray()) << bad;
  }
  EXPECT_EQ(Card->Ask("HS34,0,1,0,4\r", 2), QByteArray("OK\x9A\rHSEND20\x9B\r"));
  Card->Send("T0,8\r");
  EXPECT_EQ(Card->ReadFor(30), QByteArray()) << "memory starts at address 4";
}
