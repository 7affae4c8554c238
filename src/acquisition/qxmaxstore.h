#pragma once
// The largest value a column of the sample row has held since the last "Reset".

#include "acquisition/qxbuttonsource.h"

class TQXMaxStore : public TQXButtonSource {
  Q_OBJECT
 public:
  static constexpr double Empty = -999999.0;

  using TQXButtonSource::TQXButtonSource;
  void RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) override;
  void DataWrite() override;
  void ResetMax() { MaxValue = Empty; }

  double MaxValue = Empty;  // hides the base's integer range: this one is the held maximum
  int channel = 0;
};
