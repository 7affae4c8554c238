#pragma once
// Frames to the rig's inverter: SOH, station "01", ENQ, the request text (command letter, function
// code, blank, four data digits), ETX, then a two-digit checksum. Replies have the same shape with
// ACK or NAK in place of ENQ.

#include <optional>

#include <QByteArray>
#include <QString>

#include "inverter/invertertype.h"

namespace inverterframe {
inline constexpr char SOH = 0x01, ETX = 0x03, ENQ = 0x05, ACK = 0x06, NAK = 0x15;

// The low byte of the sum of the bytes from the station up to and including ETX, as two upper-case
// hexadecimal digits. `body` is the frame without its SOH.
QByteArray Checksum(const QByteArray& body);
// The whole request frame for `send` ("RJ01 0000"), checksum included.
QByteArray Request(const QByteArray& send);

// What a reply says, whichever way it came back.
struct TReply {
  bool Acknowledged = false;  // ACK, and (on the serial path) a checksum that agrees
  bool ChecksumOk = true;
  QByteArray Data;            // the four data characters
};
// A reply line from the serial card: the frame, possibly followed by the card's reply code and CR.
TReply ParseSerialReply(const QByteArray& line);
// A reply read back from the legacy card's frame buffer as rendered text ("soh01ackRA05 0019etx..").
TReply ParseRenderedReply(const QString& text);

// The program number in A05 data: as is for a Varnok, in tenths for a Pellor, 0 when the type is
// unknown; nothing when the data is not four hexadecimal digits.
std::optional<int> ProgramNumber(TInverterType type, const QByteArray& data);
// The type the replies to J01 and H10 name: H10 is known to a Varnok program only, J01 to both.
TInverterType TypeFromReplies(bool j01Acknowledged, bool h10Acknowledged);
}  // namespace inverterframe
