// Frequency sources: one reading reaches every frequency source, on the serial and the legacy
// path; the twin frequencies alternate their two inputs into two columns.
#include <gtest/gtest.h>

#include <QLineEdit>

#include "acquisition/qxfrequencysource.h"
#include "acquisition/qxtwinfreqs.h"
#include "sourcefixture.h"

namespace {
struct TFrequencySources : ::testing::Test, TSourceFixture {
  // The serial path without a port: requests are marked as sent, replies come in as the
  // dispatcher hands them over.
  void SerialPath() {
    ifd->FLegIOActive = false;
    ifd->FvComIOActive = true;
  }
  void FrequencyReply(int value) { ifd->LogDataIn(QStringLiteral("ms152%1").arg(value)); }
};
}  // namespace

TEST_F(TFrequencySources, OneReadingFeedsEveryFrequencySource) {
  SerialPath();
  auto defA = Def(FREQUENCY_DATASRC, 3, 0, 0);
  auto defB = Def(FREQUENCY_DATASRC, 4, 1, 0);
  TQXFrequencySource a, b;
  a.RegisterParent(&panel, defA);
  b.RegisterParent(&panel, defB);
  EXPECT_EQ(a.channel, 0);
  EXPECT_EQ(b.channel, 1);
  a.DataWrite();  // asks for input 0; b's request waits until that reply is in
  b.DataWrite();
  FrequencyReply(1234);
  EXPECT_EQ(a.Frequency, 1234);
  EXPECT_EQ(b.Frequency, 1234);
  a.DataWrite();
  b.DataWrite();
  EXPECT_EQ(sample.NumberRC(2, 3), 1234);
  EXPECT_EQ(sample.NumberRC(2, 4), 1234);
  panel.show();
  a.DataDisplay();
  EXPECT_EQ(a.Display_Box->text(), "1234 Hz");

  a.FgetNewFrq = b.FgetNewFrq = false;
  ifd->reSetFrequencyReaders();
  EXPECT_TRUE(a.FgetNewFrq);
  EXPECT_TRUE(b.FgetNewFrq);
}

TEST_F(TFrequencySources, ASourceGoneNoLongerHearsTheFacade) {
  SerialPath();
  auto def = Def(FREQUENCY_DATASRC, 3, 0, 0);
  auto kept = std::make_unique<TQXFrequencySource>();
  {
    TQXFrequencySource gone;
    gone.RegisterParent(&panel, def);
    kept->RegisterParent(&panel, def);
    gone.DataWrite();
  }
  FrequencyReply(77);  // would reach a deleted source if it were still registered
  EXPECT_EQ(kept->Frequency, 77);
}

TEST_F(TFrequencySources, TheLegacyCountReachesTheSource) {
  auto def = Def(FREQUENCY_DATASRC, 3, 2, 0);
  TQXFrequencySource source;
  source.RegisterParent(&panel, def);
  auto& device = card.Device(legacy::VelUSB0);
  source.DataWrite();  // starts the measurement of input 2
  EXPECT_EQ(device.Registers[0x74], 1 << 2);
  EXPECT_EQ(sample.ValueRC(2, 3).Kind, TValueKind::Empty);  // nothing measured yet: no 0
  device.FrequencyCount = 500;  // measured
  source.DataWrite();
  EXPECT_EQ(source.Frequency, 500);
  EXPECT_EQ(sample.NumberRC(2, 3), 500);
}

TEST_F(TFrequencySources, TwinFrequenciesAlternateIntoTwoColumns) {
  SerialPath();
  ifd->RegisterChannel(32, 1000);
  auto def = Def(TWIN_FREQS_DATASRC, 5, 2, 0);
  TQXTwinFreqs twin;
  twin.RegisterParent(&panel, def);
  EXPECT_EQ(twin.channel1, 2);
  EXPECT_EQ(twin.channel2, 3);
  twin.DataWrite();
  FrequencyReply(500);
  twin.DataWrite();  // the second input asked for
  FrequencyReply(250);
  twin.DataWrite();
  EXPECT_EQ(sample.NumberRC(2, 5), 1024);  // 500 of 1000 full scale: 1023.5 to even
  EXPECT_EQ(sample.NumberRC(2, 6), 512);
  EXPECT_EQ(twin.Frequency1, 1024);
  EXPECT_EQ(twin.Frequency2, 512);
}

// A count lost on the line: the request is given up after a sample step and the answer time, the
// cell holds nothing (not the last count) until the next count arrives, and the input is asked
// again. A count garbled on the line is no count either.
TEST_F(TFrequencySources, ALostCountIsRecordedAsNothingAndAskedForAgain) {
  SerialPath();
  auto def = Def(FREQUENCY_DATASRC, 3, 0, 0);
  TQXFrequencySource source;
  source.RegisterParent(&panel, def);
  panel.show();
  const auto step = [&] {
    ifd->SampleNow();
    source.DataWrite();
    source.DataDisplay();
  };
  step();
  EXPECT_EQ(sample.ValueRC(2, 3).Kind, TValueKind::Empty);  // asked, nothing yet
  EXPECT_EQ(source.Display_Box->text(), QString(QChar(0x2014)));
  FrequencyReply(1234);
  clock.AdvanceMs(1000);
  step();
  EXPECT_EQ(sample.NumberRC(2, 3), 1234);
  EXPECT_TRUE(ifd->CollectingFrequency);  // the next count asked for
  // That reply is lost: the next step gives it up and has no count.
  clock.AdvanceMs(1000);
  step();
  EXPECT_EQ(sample.ValueRC(2, 3).Kind, TValueKind::Empty);
  EXPECT_EQ(source.Display_Box->text(), QString(QChar(0x2014)));
  EXPECT_TRUE(ifd->CollectingFrequency);  // asked again at once
  FrequencyReply(999);
  clock.AdvanceMs(1000);
  step();
  EXPECT_EQ(sample.NumberRC(2, 3), 999);
  ifd->LogDataIn(QStringLiteral("ms152?9"));
  clock.AdvanceMs(1000);
  step();
  EXPECT_EQ(sample.ValueRC(2, 3).Kind, TValueKind::Empty);
  // A request younger than the answer time (ticks faster than the card) is still waited for.
  clock.AdvanceMs(100);
  step();
  EXPECT_TRUE(ifd->CollectingFrequency);
  FrequencyReply(321);
  EXPECT_EQ(source.Frequency, 321);
}

TEST_F(TFrequencySources, TwinFrequenciesHoldNothingForALostCount) {
  SerialPath();
  ifd->RegisterChannel(32, 1000);
  TQXTwinFreqs twin;
  twin.RegisterParent(&panel, Def(TWIN_FREQS_DATASRC, 5, 2, 0));
  twin.DataWrite();  // first input asked
  FrequencyReply(500);
  clock.AdvanceMs(1000);
  ifd->SampleNow();
  twin.DataWrite();  // second input asked; its reply is lost
  EXPECT_EQ(sample.NumberRC(2, 5), 1024);
  EXPECT_EQ(sample.ValueRC(2, 6).Kind, TValueKind::Empty);
  clock.AdvanceMs(1000);
  ifd->SampleNow();
  twin.DataWrite();
  EXPECT_EQ(sample.NumberRC(2, 5), 1024);
  EXPECT_EQ(sample.ValueRC(2, 6).Kind, TValueKind::Empty);
  FrequencyReply(250);  // the second input, asked again
  twin.DataWrite();
  EXPECT_EQ(sample.NumberRC(2, 6), 512);
}
