#include "ifd/serial/serialmessage.h"

#include "ifd/serial/apdcomportex.h"

TSerialMessage TSerialMessage::SplitCodeAndData(const QString& AData) {
  TSerialMessage message;
  message.CardMarker = AData.left(2);
  const QString code = AData.mid(2, 3);
  bool ok = false;
  // Exactly three digits: a sign or blank is not a code.
  const bool digits = code.size() == 3 && code[0].isDigit() && code[1].isDigit() && code[2].isDigit();
  const int value = digits ? code.toInt(&ok) : -1;
  message.Code = ok ? value : -1;
  message.Data = AData.mid(5);
  message.Role = static_cast<TApdComPortRole>(CardMarkerToCardRole(message.CardMarker));
  return message;
}

int TSerialMessage::CardMarkerToCardRole(const QString& cardmrk) {
  if (cardmrk == TApdComPortEx::MasterMarker) return 1;
  if (cardmrk == TApdComPortEx::SlaveMarker) return 2;
  return 0;
}
