#include "acquisition/qxvexawatchdog.h"

#include "ifd/qxifd.h"

void TQXVexaWatchdog::WatchdogTick() {
  if (IFD()) IFD()->Watchdog();
}
