#pragma once
// Time-proportioning of a digital output: in every cycle the output is on for the controller's
// output percentage of the cycle time. At the output's limits it stays off or on without cycling.
// The off level is the output's resting state, so an output wired inverted works the same way.

#include <cstdint>
#include <optional>

class TTimeProportioner {
 public:
  // The level the output should take now, or nothing when it keeps its level.
  std::optional<bool> Drive(double output, double minOutput, double maxOutput, int offState, int cycleSeconds,
                            std::int64_t nowMs);
  // Starts a new cycle at the next call (the cycle time was changed).
  void Restart() { CycleTermHasChanged = true; }

  bool CycleTermHasChanged = false;
  std::optional<std::int64_t> EndofCycleTime;  // none: no cycle has started
  std::int64_t TurnOffDigitalTime = 0;
};
