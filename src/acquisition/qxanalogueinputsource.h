#pragma once
// An analogue input: reads its channel from the interface and writes the engineering value.

#include "acquisition/qxifdanaloguesource.h"

class TQXAnalogueInputSource : public TQXIFDAnalogueSource {
  Q_OBJECT
 public:
  using TQXIFDAnalogueSource::TQXIFDAnalogueSource;
  void RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) override;
  void DataWrite() override;
  void DataDisplay() override;
};
