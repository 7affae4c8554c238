#pragma once
// The legacy burst capture: two inputs captured by the card on its own, then read back as 125
// blocks of 16 sample pairs into the facade's Ch1Vals / Ch2Vals. Runs synchronously; the facade's
// GettingBurst keeps the sampling tick, outputs and frequency reads off the card meanwhile.

#include <functional>

struct TIFDState;
class TLegacyAccess;

class TLegacyBurst {
 public:
  using TPause = std::function<void(int ms)>;  // waits, keeping the window alive

  static constexpr int Blocks = 125;

  TLegacyBurst(TIFDState& state, TLegacyAccess& access) : S(state), FAccess(access) {}

  void SetBurstChannel(int channel1, int channel2);
  // True when the card captured and every block was read back; otherwise the buffers hold no
  // capture (a block that could not be read would otherwise pass for samples at -2047).
  bool GetBurst(int trigger, const TPause& pause);

 private:
  // Waits up to 2 s for a frequency count; 0 when none came.
  int FrequencyBefore(const TPause& pause);
  bool ReadBlocks();

  TIFDState& S;
  TLegacyAccess& FAccess;
};
