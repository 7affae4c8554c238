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

}  // namespace inverterframe
