#include "support/manualclock.h"

#include "platform/services.h"

TManualClock::TManualClock(TDateTime start) : FNow(start) { TServices::SetClock(this); }

TManualClock::~TManualClock() { TServices::SetClock(nullptr); }

void TManualClock::AdvanceMs(std::int64_t ms) {
  FTicks += ms;
  FNow += static_cast<double>(ms) / datetime::MSecsPerDay;
}
