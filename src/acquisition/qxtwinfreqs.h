#pragma once
// Two frequency inputs measured in turn (the interface alternates between them); their scaled
// values go into two neighbouring columns. Nothing is shown on the diagram.

#include "acquisition/qxsource.h"

class TQXTwinFreqs : public TQXSource {
  Q_OBJECT
 public:
  using TQXSource::TQXSource;

  void RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) override;
  void DataWrite() override;
  void DataDisplay() override {}

  int channel1 = 0, channel2 = 1;
  double Frequency1 = 0, Frequency2 = 0;
};
