#pragma once
// A clock for tests: stands still until the test sets or advances it. Installs itself while alive.

#include "platform/iclock.h"

class TManualClock : public IClock {
 public:
  explicit TManualClock(TDateTime start = 45000.5);
  ~TManualClock() override;

  TDateTime Now() const override { return FNow; }
  std::int64_t TickCountMs() const override { return FTicks; }

  void Set(TDateTime now) { FNow = now; }
  // Moves both the date-time and the tick count forward.
  void AdvanceMs(std::int64_t ms);

 private:
  TDateTime FNow;
  std::int64_t FTicks = 0;
};
