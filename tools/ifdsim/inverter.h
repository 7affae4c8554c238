#pragma once
// The motor inverter on the card's RS485 line. It answers request frames
//   SOH "01" ENQ cmd(R|W) code(3) blank data(4 hex) ETX checksum(2 hex)
// with 16-byte reply frames
//   SOH "01" ACK|NAK cmd code blank data ETX checksum
// as an inverter of one of the two program types. The checksum is the low byte of the sum of all
// bytes from the station up to and including ETX, in two upper-case hex digits.

#include <QByteArray>
#include <QMap>
#include <QSet>
#include <QString>

class TInverter {
 public:
  enum class TType { None, Varnok, Pellor };

  // nakCodes: function codes answered with NAK (a Pellor program refuses H10 by default).
  TInverter(TType type, int program, QSet<QByteArray> nakCodes);
  static QSet<QByteArray> DefaultNakCodes(TType type);
  static QByteArray Checksum(const QByteArray& stationToEtx);
  // Builds a complete request frame ("RJ01 0000" -> SOH 01 ENQ RJ01 0000 ETX 46).
  static QByteArray RequestFrame(const QByteArray& body);

  TType Type() const { return FType; }
  // The reply frame to a request frame, or empty when the inverter stays silent (no inverter, or a
  // frame so garbled that no station could recognise it); *problem explains a silent or NAK answer.
  QByteArray Answer(const QByteArray& request, QString* problem);

 private:
  QByteArray Reply(bool ack, char command, const QByteArray& code, const QByteArray& data) const;

  TType FType;
  int FProgram;
  QSet<QByteArray> FNak;
  QMap<QByteArray, QByteArray> FWritten;  // function code -> data last written
};
