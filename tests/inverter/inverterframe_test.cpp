// Inverter frames byte for byte, reply parsing on both card generations, program numbers and the
// texts shown for the capture rigs.
#include <gtest/gtest.h>

#include "inverter/capturerigs.h"
#include "inverter/inverterframe.h"
#include "inverter/inverterlink.h"

using namespace inverterframe;

TEST(InverterFrames, RequestsCarryTheirChecksums) {
  EXPECT_EQ(Request("RJ01 0000"), QByteArray("\x01" "01\x05" "RJ01 0000\x03" "46"));
  EXPECT_EQ(Request("RH10 0000"), QByteArray("\x01" "01\x05" "RH10 0000\x03" "44"));
  EXPECT_EQ(Request("RA05 0000"), QByteArray("\x01" "01\x05" "RA05 0000\x03" "41"));
  EXPECT_EQ(Request("RJ01 0000").size(), 16);
  // Only the low byte of the sum counts, written with two digits even when it is small.
  EXPECT_EQ(Checksum(QByteArray("\x01\x02", 2)), "03");
  EXPECT_EQ(Checksum(QByteArray(3, '\xFF')), "FD");
}

TEST(InverterFrames, SerialRepliesAreCheckedAndCut) {
  const QByteArray ack("\x01" "01\x06" "RA05 0019\x03" "4C");
  TReply r = ParseSerialReply(ack);
  EXPECT_TRUE(r.Acknowledged);
  EXPECT_TRUE(r.ChecksumOk);
  EXPECT_EQ(r.Data, "0019");
  // As the card hands it over: its reply code and CR behind the checksum.
  r = ParseSerialReply(ack + "\x9E\r");
  EXPECT_TRUE(r.Acknowledged);
  EXPECT_EQ(r.Data, "0019");

  r = ParseSerialReply(QByteArray("\x01" "01\x15" "RH10 0000\x03" "54"));
  EXPECT_FALSE(r.Acknowledged);
  EXPECT_TRUE(r.ChecksumOk);

  // A checksum that does not agree makes even an ACK count as refused.
  r = ParseSerialReply(QByteArray("\x01" "01\x06" "RA05 0019\x03" "4D"));
  EXPECT_FALSE(r.Acknowledged);
  EXPECT_FALSE(r.ChecksumOk);
  r = ParseSerialReply("01\x06RA05");
  EXPECT_FALSE(r.Acknowledged);
  EXPECT_FALSE(r.ChecksumOk);
}

TEST(InverterFrames, RenderedLegacyReplies) {
  TReply r = ParseRenderedReply("soh01ackRA05 0019etx4C");
  EXPECT_TRUE(r.Acknowledged);
  EXPECT_EQ(r.Data, "0019");
  EXPECT_FALSE(ParseRenderedReply("soh01nakRH10 0000etx54").Acknowledged);
  // A buffer nobody answered still holds the request.
  EXPECT_FALSE(ParseRenderedReply("soh01enqRJ01 0000etx46").Acknowledged);
  EXPECT_FALSE(ParseRenderedReply("").Acknowledged);
}

TEST(InverterFrames, ProgramNumbersAndTypes) {
  EXPECT_EQ(ProgramNumber(Pellor, "0019"), 2);
  EXPECT_EQ(ProgramNumber(Pellor, "0023"), 3);
  EXPECT_EQ(ProgramNumber(Varnok, "0019"), 25);
  EXPECT_EQ(ProgramNumber(na_inv, "0019"), 0);
  EXPECT_EQ(ProgramNumber(Varnok, "00G1"), std::nullopt);
  EXPECT_EQ(ProgramNumber(Varnok, "19"), std::nullopt);

  EXPECT_EQ(TypeFromReplies(true, true), Varnok);
  EXPECT_EQ(TypeFromReplies(false, true), Varnok);
  EXPECT_EQ(TypeFromReplies(true, false), Pellor);
  EXPECT_EQ(TypeFromReplies(false, false), na_inv);
}

TEST(InverterTexts, StatusPanelAndMismatchWarning) {
  EXPECT_EQ(TInverterLink::StatusText(na_inv, -1, 0), "Rig: nothing; On: NA");
  EXPECT_EQ(TInverterLink::StatusText(Varnok, 3, 3), "Inverter Type: Varnok; Prog: QC03; Rig: QC03; On: yes");
  // Program 0 on no rig: the name of 0 twice.
  EXPECT_EQ(TInverterLink::StatusText(Pellor, 0, 0), "Inverter Type: Pellor; Prog: nothing; Rig: nothing; On: NA");
  // A program past the table is not read from beyond it, nor folded back into it.
  EXPECT_EQ(TInverterLink::StatusText(Varnok, 25, 9), "Inverter Type: Varnok; Prog: unknown; Rig: QC09; On: yes");
  EXPECT_EQ(TInverterLink::MismatchText(1, 2),
            "The detected Vexa inverter program does not match Capture equipment \rconnected to the Vexa. This "
            "could damage the equipment. Please, use  \rthe Vexa Programmer Tool to upload the right program to "
            "the Vexa then \rrestart the application. \r \rCapture Rig: QC01 \rVexa Program: QC02");
}

TEST(InverterTexts, CaptureRigTable) {
  EXPECT_EQ(TCaptureRigs::Name(0), "nothing");
  EXPECT_EQ(TCaptureRigs::Name(16), "unknown");
  EXPECT_EQ(TCaptureRigs::Name(-1), "unknown");
  for (int spare : {11, 13, 14, 15}) EXPECT_EQ(TCaptureRigs::Name(spare), "spare") << spare;
  for (int i = 1; i < TCaptureRigs::Count; ++i) {
    if (TCaptureRigs::Name(i) == "spare") continue;
    EXPECT_EQ(TCaptureRigs::Name(i).size(), 4) << "a caption names its rig in its first four characters";
    EXPECT_EQ(TCaptureRigs::IndexOf(TCaptureRigs::Name(i)), i);
  }
  EXPECT_EQ(TCaptureRigs::IndexOf("Quor"), 0);
}
