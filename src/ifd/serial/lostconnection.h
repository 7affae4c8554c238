#pragma once
// What the serial layer says when a card's line fails: the message to the user, the mark handed to
// the outgoing log, and the card-lost notice the facade gives for it.

#include <QString>

class TLostConnection {
 public:
  static constexpr char WriteFailureMark = 'X';
  static constexpr const char* NoticeCardMarker = "BOTH";

  static QString Message() {
    return QStringLiteral(
        "The software has stopped communicating with the equipment \rdue to a connection error.Please, check "
        "the USB connector and \rreconnect the software to the equipment.");
  }
};
