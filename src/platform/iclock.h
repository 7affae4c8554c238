#pragma once
// The clock service: every reading of the time goes through it, so tests can set the time.

#include <cstdint>

#include "platform/datetime.h"

class IClock {
 public:
  virtual ~IClock() = default;
  // Local date and time.
  virtual TDateTime Now() const = 0;
  // Milliseconds from an arbitrary start, never going backwards (for intervals and timeouts).
  virtual std::int64_t TickCountMs() const = 0;
};
