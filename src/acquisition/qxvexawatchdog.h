#pragma once
// The watchdog of a Vexa card: every second the interface facade toggles the card's watchdog line
// (line 15), leaving the other output lines as the program set them.

#include "acquisition/qxwatchdog.h"

class TQXVexaWatchdog : public TQXWatchdog {
  Q_OBJECT
 public:
  using TQXWatchdog::TQXWatchdog;
  void WatchdogTick() override;
};
