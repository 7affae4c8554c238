#pragma once
// A held set point that a controller can drive and another can read from the sample row. It never
// talks to the interface.

#include "acquisition/qxifdanaloguesource.h"

class TQXRemoteSetPointSource : public TQXIFDAnalogueSource {
  Q_OBJECT
 public:
  using TQXIFDAnalogueSource::TQXIFDAnalogueSource;

  void RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) override;
  void DataWrite() override;
  void SetPointChange();
  void SetPointSet(double percent);
  int SetPoint() const { return SpinValue(); }
};
