#include "inverter.h"

namespace {
constexpr char SOH = 0x01, ETX = 0x03, ENQ = 0x05, ACK = 0x06, NAK = 0x15;

bool IsHex(const QByteArray& text) {
  for (char c : text)
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
  return !text.isEmpty();
}
}  // namespace

TInverter::TInverter(TType type, int program, QSet<QByteArray> nakCodes)
    : FType(type), FProgram(program), FNak(std::move(nakCodes)) {}

QSet<QByteArray> TInverter::DefaultNakCodes(TType type) {
  // Only a Varnok program knows H10; that is how the host tells the two apart.
  return type == TType::Pellor ? QSet<QByteArray>{"H10"} : QSet<QByteArray>{};
}

QByteArray TInverter::Checksum(const QByteArray& stationToEtx) {
  unsigned sum = 0;
  for (char c : stationToEtx) sum += quint8(c);
  return QByteArray::number(sum & 0xFF, 16).toUpper().rightJustified(2, '0');
}

QByteArray TInverter::RequestFrame(const QByteArray& body) {
  const QByteArray inner = QByteArray("01") + ENQ + body + ETX;
  return SOH + inner + Checksum(inner);
}

QByteArray TInverter::Reply(bool ack, char command, const QByteArray& code, const QByteArray& data) const {
  const QByteArray inner = QByteArray("01") + (ack ? ACK : NAK) + command + code + ' ' + data + ETX;
  return SOH + inner + Checksum(inner);
}

QByteArray TInverter::Answer(const QByteArray& request, QString* problem) {
  if (FType == TType::None) {
    *problem = QStringLiteral("no inverter on the line");
    return {};
  }
  if (request.size() != 16 || request[0] != SOH || request[3] != ENQ || request[13] != ETX ||
      request[8] != ' ') {
    *problem = QStringLiteral("not an inverter request frame");
    return {};
  }
  if (request.mid(1, 2) != "01") {
    *problem = QStringLiteral("frame for another station");
    return {};
  }
  const char command = request[4];
  const QByteArray code = request.mid(5, 3);
  const QByteArray data = request.mid(9, 4);
  if (Checksum(request.mid(1, 13)) != request.mid(14, 2)) {
    *problem = QStringLiteral("bad checksum");
    return Reply(false, command, code, "0000");
  }
  if ((command != 'R' && command != 'W') || !IsHex(data)) {
    *problem = QStringLiteral("bad command or data");
    return Reply(false, command, code, "0000");
  }
  if (FNak.contains(code)) {
    *problem = QStringLiteral("function %1 refused by this program").arg(QString::fromLatin1(code));
    return Reply(false, command, code, "0000");
  }
  if (command == 'W') {
    FWritten[code] = data;
    return Reply(true, command, code, data);
  }
  QByteArray value = FWritten.value(code, "0000");
  if (code == "A05") {
    // The program number sits in A05: as is on a Varnok, in tenths on a Pellor.
    const int raw = FType == TType::Varnok ? FProgram : FProgram * 10;
    value = QByteArray::number(raw & 0xFFFF, 16).toUpper().rightJustified(4, '0');
  }
  return Reply(true, command, code, value);
}
