#pragma once
// What the serial layer says when a card's line fails: the message to the user, the mark handed to
// the outgoing log, and the card-lost notice the facade gives for it.

#include <QString>

class TLostConnection {
 public:
  static constexpr char WriteFailureMark = 'X';
  static constexpr const char* NoticeCardMarker = "BOTH";
  static constexpr const char* NoticeText = "LOST_CONNECTION_ON_ONE_OF_THE_2_IFD_CARDS";

  static QString Message() {
    return QStringLiteral(
        "The software has stopped communicating with the equipment \rdue to a connection error.Please, check "
        "the USB connector and \rreconnect the software to the equipment.");
  }
};
