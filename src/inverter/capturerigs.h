#pragma once
// The capture rigs of the range: the names behind an inverter's program number and behind the rig
// code a Vexa reads on its digital inputs 2-5. Index 0 is no rig at all; the spare indexes have no
// rig yet. A number outside the table (an inverter program of 16 or more) is "unknown".

#include <QString>

class TCaptureRigs {
 public:
  static constexpr int Count = 16;
  static QString Name(int index);
  // The last index whose name is `text` (the model names are four characters), 0 when none.
  static int IndexOf(const QString& text);
};
