// Command texts: the tables, the output value rules and the per-card command split.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include <QStringList>

#include "ifd/serial/serialcommandset.h"

namespace {
const TSerialCommandSet& Commands() { return TSerialCommandSet::Instance(); }
QByteArray Out(int output, double value) { return Commands().AnalogueOutputCommand(output, value).value_or("<none>"); }
}  // namespace

TEST(SerialCommandSet, OutputValueTextsCoverTheCountRange) {
  EXPECT_EQ(Commands().OutputValueText(-2048), QByteArray("-2048\r"));
  EXPECT_EQ(Commands().OutputValueText(-1), QByteArray("-1\r"));
  EXPECT_EQ(Commands().OutputValueText(0), QByteArray("0\r"));
  EXPECT_EQ(Commands().OutputValueText(5), QByteArray("+5\r"));
  EXPECT_EQ(Commands().OutputValueText(2047), QByteArray("+2047\r"));
  // The cards stop at +2047: +2048 and anything above go out as +2047; below -2048 nothing goes.
  EXPECT_EQ(Commands().OutputValueText(2048), QByteArray("+2047\r"));
  EXPECT_EQ(Commands().OutputValueText(100000), QByteArray("+2047\r"));
  EXPECT_FALSE(Commands().OutputValueText(-2049).has_value());
}

TEST(SerialCommandSet, AnalogueOutputCommandRoundsAndClips) {
  EXPECT_EQ(Out(2, -1), QByteArray("O2-1\r"));
  EXPECT_EQ(Out(2, 0), QByteArray("O20\r"));
  EXPECT_EQ(Out(2, 5), QByteArray("O2+5\r"));
  EXPECT_EQ(Out(0, 3000), QByteArray("O0+2047\r"));
  EXPECT_EQ(Out(0, -3000), QByteArray("<none>"));
  EXPECT_EQ(Out(0, -0.4), QByteArray("O00\r"));
  // Halves go to the even neighbour, on the magnitude, with the sign kept.
  EXPECT_EQ(Out(1, 2.5), QByteArray("O1+2\r"));
  EXPECT_EQ(Out(1, 3.5), QByteArray("O1+4\r"));
  EXPECT_EQ(Out(1, -2.5), QByteArray("O1-2\r"));
  // Values that are no number or far out of range must neither be sent as garbage nor overflow.
  EXPECT_EQ(Out(1, std::numeric_limits<double>::quiet_NaN()), QByteArray("<none>"));
  EXPECT_EQ(Out(1, std::numeric_limits<double>::infinity()), QByteArray("O1+2047\r"));
  EXPECT_EQ(Out(1, -1e300), QByteArray("<none>"));
  EXPECT_EQ(Out(4, 1), QByteArray("<none>"));
  EXPECT_EQ(Out(-1, 1), QByteArray("<none>"));
}

TEST(SerialCommandSet, DigitalOutputsByCardKind) {
  // Each command with the byte it sets, so a byte the card holds already need not go again.
  const auto texts = [](bool vexa, bool slave, std::uint16_t image) {
    QStringList out;
    for (const TOutputByteCommand& c : Commands().DigitalOutputCommands(vexa, slave, image))
      out << QStringLiteral("%1:%2=%3").arg(static_cast<int>(c.Byte)).arg(c.Value).arg(QString::fromLatin1(c.Text));
    return out;
  };
  EXPECT_EQ(texts(true, false, 0x0103), (QStringList{"0:3=DO0,3\r", "1:1=DO1,1\r"}));
  EXPECT_EQ(texts(false, false, 0x0103), (QStringList{"0:3=DO3\r"}));
  EXPECT_EQ(texts(false, true, 0xFF03), (QStringList{"2:255=DO255\r"}));
  EXPECT_EQ(Commands().WatchdogCommand(0x80), QByteArray("DO1,128\r"));
  EXPECT_EQ(Commands().WatchdogCommand(0), QByteArray("DO1,0\r"));
  EXPECT_EQ(Commands().WatchdogCommand(0x82), QByteArray("DO1,130\r"));
}

TEST(SerialCommandSet, TablesAndRangeLimits) {
  EXPECT_EQ(Commands().InputRequest(0), QByteArray("I0\r"));
  EXPECT_EQ(Commands().InputRequest(15), QByteArray("I15\r"));
  EXPECT_TRUE(Commands().InputRequest(16).isEmpty());
  EXPECT_EQ(Commands().FilterCommand(255).value_or(""), QByteArray("F255\r"));
  EXPECT_FALSE(Commands().FilterCommand(256).has_value());
  EXPECT_FALSE(Commands().FilterCommand(-1).has_value());
  EXPECT_EQ(Commands().FrequencyCommand(7).value_or(""), QByteArray("C7\r"));
  EXPECT_FALSE(Commands().FrequencyCommand(8).has_value());
  EXPECT_EQ(TSerialCommandSet::ModeCommand(TIFDInputMode::SE).value_or(""), QByteArray("IM2\r"));
  EXPECT_EQ(TSerialCommandSet::ModeCommand(TIFDInputMode::DIFF).value_or(""), QByteArray("IM1\r"));
  EXPECT_FALSE(TSerialCommandSet::ModeCommand(TIFDInputMode::NONE).has_value());
  EXPECT_EQ(TSerialCommandSet::TransferCommand(4, 2000), QByteArray("T4,2000\r"));
  // The inverter frame carries its own end: nothing is added.
  EXPECT_EQ(TSerialCommandSet::InverterCommand("\x02RH10\x03Z"), QByteArray("IMO,\x02RH10\x03Z"));
}
