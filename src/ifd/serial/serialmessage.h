#pragma once
// An incoming message of the serial path: card marker (2 characters) + code (3 digits) + data.

#include <QString>

#include "ifd/serial/ifdinputmode.h"

class TSerialMessage {
 public:
  QString CardMarker;
  int Code = -1;  // -1 when the code field is not a number
  TApdComPortRole Role = TApdComPortRole::na;
  QString Data;

  static TSerialMessage SplitCodeAndData(const QString& AData);
  // 1 for "ms", 2 for "sl", 0 otherwise.
  static int CardMarkerToCardRole(const QString& cardmrk);
};
