#pragma once
// A "Zero" button that remembers a column's value when pressed and writes it every tick; the run
// sheet's formulas subtract it.

#include "acquisition/qxbuttonsource.h"

class TQXReZeroSource : public TQXButtonSource {
  Q_OBJECT
 public:
  using TQXButtonSource::TQXButtonSource;
  void RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) override;
  void DataWrite() override;
  void TareClick() { TareValue = SampleNumber(channel); }

  double TareValue = 0;
  int channel = 0;
};
