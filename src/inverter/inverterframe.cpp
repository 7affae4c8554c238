#include "inverter/inverterframe.h"

namespace inverterframe {

QByteArray Checksum(const QByteArray& body) {
  unsigned sum = 0;
  for (char c : body) sum += static_cast<unsigned char>(c);
  return QByteArray::number(sum & 0xFF, 16).toUpper().rightJustified(2, '0');
}

QByteArray Request(const QByteArray& send) {
  QByteArray body;
  body += "01";
  body += ENQ;
  body += send;
  body += ETX;
  return QByteArray(1, SOH) + body + Checksum(body);
}

TReply ParseSerialReply(const QByteArray& line) {
  QByteArray frame = line;
  // The card ends the line with its reply code and CR; the frame ends with its checksum digits.
  while (!frame.isEmpty() && (frame.back() == '\r' || frame.back() == '\n')) frame.chop(1);
  if (!frame.isEmpty() && static_cast<unsigned char>(frame.back()) == 0x9E) frame.chop(1);
  TReply reply;
  if (frame.size() < 15) {
    reply.ChecksumOk = false;
    return reply;
  }
  const QByteArray last = frame.right(15);  // the frame without SOH
  reply.Data = last.mid(8, 4);
  reply.ChecksumOk = Checksum(last.left(13)) == last.mid(13, 2);
  reply.Acknowledged = reply.ChecksumOk && last[2] == ACK;
  return reply;
}

TReply ParseRenderedReply(const QString& text) {
  TReply reply;
  reply.Acknowledged = text.contains(QLatin1String("ack"));
  // "soh", "01", "ack", the command letter, the code and the blank come before the data.
  reply.Data = text.mid(13, 4).toLatin1();
  return reply;
}

std::optional<int> ProgramNumber(TInverterType type, const QByteArray& data) {
  if (data.size() != 4) return std::nullopt;
  for (char c : data)
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'))) return std::nullopt;
  const int n = data.toInt(nullptr, 16);
  switch (type) {
    case Varnok: return n;
    case Pellor: return n / 10;
    default: return 0;
  }
}

TInverterType TypeFromReplies(bool j01Acknowledged, bool h10Acknowledged) {
  if (h10Acknowledged) return Varnok;
  return j01Acknowledged ? Pellor : na_inv;
}

}  // namespace inverterframe
