#pragma once
// The number of the sample being taken.

#include "acquisition/qxsource.h"

class TQXSampleNumberSource : public TQXSource {
  Q_OBJECT
 public:
  using TQXSource::TQXSource;
  void Tick(int Current_Count, TDateTime Start_Time) override;
  // Called every tick with the logger's count; the sample in hand is count + 1.
  void WriteSample(int value);
};
