#pragma once
// A digital output that toggles itself every second, so that the interface card's own watchdog
// sees the program alive. It is not ticked and its picture cannot be clicked.

#include <QTimer>

#include "acquisition/qxdigitaloutputsource.h"

class TQXWatchdog : public TQXDigitalOutputSource {
  Q_OBJECT
 public:
  static constexpr int PeriodMs = 1000;

  using TQXDigitalOutputSource::TQXDigitalOutputSource;
  void RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) override;
  void DataWrite() override {}
  // Every second while the rig is loaded.
  virtual void WatchdogTick();

  QTimer LogTimer;
};
