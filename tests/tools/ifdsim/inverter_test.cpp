// The inverter behind "IMO," frames: frames, checksums and the answers of each program type.
#include <gtest/gtest.h>

#include "inverter.h"
#include "serialclient.h"
#include "simrig.h"

namespace {
QByteArray Reply(char ackOrNak, const QByteArray& body) {
  const QByteArray inner = QByteArray("01") + ackOrNak + body + '\x03';
  return '\x01' + inner + TInverter::Checksum(inner) + '\x9E' + '\r';
}
}  // namespace

TEST(Inverter, RequestFramesCarryTheChecksumOfStationToEtx) {
  EXPECT_EQ(TInverter::RequestFrame("RJ01 0000"), QByteArray("\x01" "01\x05RJ01 0000\x03" "46"));
  EXPECT_EQ(TInverter::RequestFrame("RH10 0000").right(2), "44");
  EXPECT_EQ(TInverter::RequestFrame("RA05 0000").right(2), "41");
  EXPECT_EQ(TInverter::Checksum(QByteArray(1, '\x0F')), "0F") << "two digits, upper case";
}

TEST(Inverter, VarnokAndPellorAnswerTheIdentificationReads) {
  struct {
    const char* Type;
    const char* Program;
    char H10;
    const char* A05;
  } const cases[] = {{"varnok", "25", '\x06', "0019"}, {"pellor", "3", '\x15', "001E"}};
  for (const auto& c : cases) {
    TSimRig rig;
    ASSERT_TRUE(rig.Start({"--inverter", c.Type, "--inverter-program", c.Program})) << rig.Error.toStdString();
    TSerialClient card(rig.SerialPath());
    EXPECT_EQ(card.Ask("IMO," + TInverter::RequestFrame("RJ01 0000")), Reply('\x06', "RJ01 0000")) << c.Type;
    EXPECT_EQ(card.Ask("IMO," + TInverter::RequestFrame("RH10 0000")), Reply(c.H10, "RH10 0000")) << c.Type;
    EXPECT_EQ(card.Ask("IMO," + TInverter::RequestFrame("RA05 0000")), Reply('\x06', QByteArray("RA05 ") + c.A05))
        << c.Type;
  }
}

TEST(Inverter, RefusesBadFramesAndKeepsWrittenValues) {
  TInverter inverter(TInverter::TType::Varnok, 1, {"J01"});
  QString why;
  QByteArray frame = TInverter::RequestFrame("RA05 0000");
  frame[15] = '0';
  EXPECT_EQ(inverter.Answer(frame, &why).at(3), '\x15') << "bad checksum: NAK";
  EXPECT_EQ(inverter.Answer(TInverter::RequestFrame("RJ01 0000"), &why).at(3), '\x15') << "refused code";
  EXPECT_EQ(inverter.Answer(TInverter::RequestFrame("WS01 12AB"), &why).mid(3, 10), "\x06WS01 12AB");
  EXPECT_EQ(inverter.Answer(TInverter::RequestFrame("RS01 0000"), &why).mid(9, 4), "12AB");
  EXPECT_TRUE(inverter.Answer("garbage", &why).isEmpty());
  EXPECT_TRUE(TInverter(TInverter::TType::None, 0, {}).Answer(TInverter::RequestFrame("RJ01 0000"), &why).isEmpty());
}

TEST(Inverter, OnlyAVexaPassesFramesToTheLine) {
  TSimRig rig;
  ASSERT_TRUE(rig.Start({"--master", "brenna", "--inverter", "varnok"})) << rig.Error.toStdString();
  TSerialClient card(rig.SerialPath());
  card.Send("IMO," + TInverter::RequestFrame("RJ01 0000"));
  EXPECT_EQ(card.ReadFor(50), QByteArray());
  EXPECT_EQ(card.Ask("ARM\r").right(2), "\x9D\r") << "the card still answers after the refused frame";
}
