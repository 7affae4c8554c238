#include "platform/systemclock.h"

TSystemClock::TSystemClock() { FTimer.start(); }

TDateTime TSystemClock::Now() const { return datetime::FromQDateTime(QDateTime::currentDateTime()); }

std::int64_t TSystemClock::TickCountMs() const { return FTimer.elapsed(); }
