#pragma once

#include <QElapsedTimer>

#include "platform/iclock.h"

class TSystemClock : public IClock {
 public:
  TSystemClock();
  TDateTime Now() const override;
  std::int64_t TickCountMs() const override;

 private:
  QElapsedTimer FTimer;
};
