#pragma once
// Deliberate misbehaviour for fault tests: which replies to drop or corrupt, how long to hold
// them back, when the card vanishes and whether it ignores "ARM". One plan per port or device,
// so the counting of one line does not depend on the traffic of another.

#include <QByteArray>

class TFaultPlan {
 public:
  struct TSettings {
    int DropEvery = 0;       // 0: never; n: the n-th, 2n-th, ... reply
    int CorruptEvery = 0;
    int DelayMs = 0;
    double VanishAfter = -1;  // seconds; negative: never
    bool NoArm = false;
    int CutTransferAt = 0;    // bytes; 0: transfers are whole
  };
  enum class TAction { Send, Drop, Corrupt };

  explicit TFaultPlan(const TSettings& settings) : FSettings(settings) {}
  const TSettings& Settings() const { return FSettings; }
  // Decides the fate of the next reply (a drop wins over a corruption of the same reply).
  TAction Next();

  // A serial reply with every digit of its first data field replaced by '?' and a '?' in front:
  // the framing stays intact, the value does not parse.
  static QByteArray CorruptFrame(const QByteArray& frame);
  // Device answer data with every byte inverted.
  static QByteArray CorruptData(const QByteArray& data);

 private:
  TSettings FSettings;
  qint64 FCount = 0;
};
