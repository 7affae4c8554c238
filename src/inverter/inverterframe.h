#pragma once
// Frames to the rig's inverter: SOH, station "01", ENQ, the request text (command letter, function
// code, blank, four data digits), ETX, then a two-digit checksum.

#include <QByteArray>

namespace inverterframe {
inline constexpr char SOH = 0x01, ETX = 0x03, ENQ = 0x05, ACK = 0x06, NAK = 0x15;

// The low byte of the sum of the bytes from the station up to and including ETX, as two upper-case
// hexadecimal digits. `body` is the frame without its SOH.
QByteArray Checksum(const QByteArray& body);
// The whole request frame for `send` ("RJ01 0000"), checksum included.
QByteArray Request(const QByteArray& send);
}  // namespace inverterframe
