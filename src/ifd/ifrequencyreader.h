#pragma once
// A frequency source as the facade sees it: it gets every frequency count that arrives on the
// serial path, and is told to take a fresh reading (after the inverter identification, which
// pauses frequency sampling).

class IFrequencyReader {
 public:
  virtual ~IFrequencyReader() = default;
  virtual void FrequencyReceived(int count) = 0;
  virtual void ResetFrequencyReader() = 0;
};
