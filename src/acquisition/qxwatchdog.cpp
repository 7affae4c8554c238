#include "acquisition/qxwatchdog.h"

#include "acquisition/conditionmarker.h"
#include "rigconfig/rigconfig.h"

void TQXWatchdog::RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  TQXDigitalOutputSource::RegisterParent(DisplayParent, Source);
  LogTimer.setInterval(PeriodMs);
  connect(&LogTimer, &QTimer::timeout, this, [this] { WatchdogTick(); });
  LogTimer.start();
}

void TQXWatchdog::WatchdogTick() {
  if (ProgramType() == TProgramType::ClientApp) return;
  const TWatchdogMarker self;
  DOutButtonClick(&self);
}
