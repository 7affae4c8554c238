#pragma once
// The time since logging started, in days (the column's format shows it as a time).

#include "acquisition/qxsource.h"
#include "platform/datetime.h"

class TQXETimeSource : public TQXSource {
  Q_OBJECT
 public:
  using TQXSource::TQXSource;
  void Tick(int Current_Count, TDateTime Start_Time) override;
  // Called every tick with the logger's start time (0 before logging starts).
  void WriteTime(TDateTime Start_value);
};
