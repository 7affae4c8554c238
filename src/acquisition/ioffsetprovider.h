#pragma once
// The angle offset the user keeps in the "TDC Sensor Offset" dialog, as a store-offset source sees
// it: the source logs it with every sample.

class IOffsetProvider {
 public:
  virtual ~IOffsetProvider() = default;
  // The remembered offset in degrees (0 until the user sets one).
  virtual double Offset() const = 0;
};
