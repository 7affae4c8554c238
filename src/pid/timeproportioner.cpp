#include "pid/timeproportioner.h"

#include <cmath>

std::optional<bool> TTimeProportioner::Drive(double output, double minOutput, double maxOutput, int offState,
                                             int cycleSeconds, std::int64_t nowMs) {
  const bool offLevel = offState != 0;
  if (output == minOutput) return offLevel;
  if (output == maxOutput) return !offLevel;
  if (!EndofCycleTime || nowMs >= *EndofCycleTime || CycleTermHasChanged) {
    CycleTermHasChanged = false;
    const double cycleMs = cycleSeconds * 1000.0;
    EndofCycleTime = nowMs + static_cast<std::int64_t>(std::llround(cycleMs));
    TurnOffDigitalTime = nowMs + static_cast<std::int64_t>(std::llround(output / 100.0 * cycleMs));
    // An inverted output told to rest at its off level stays there.
    return output == offState ? offLevel : !offLevel;
  }
  if (nowMs >= TurnOffDigitalTime) return offLevel;
  return std::nullopt;
}
