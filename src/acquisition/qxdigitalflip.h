#pragma once
// A digital output that follows another digital output, straight or inverted, on every tick.

#include "acquisition/qxsource.h"

class TQXDigitalOutputSource;

class TQXDigitalFlip : public TQXSource {
  Q_OBJECT
 public:
  using TQXSource::TQXSource;

  void RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) override;
  void DataWrite() override;

  TQXDigitalOutputSource* OutputChannel = nullptr;
  TQXDigitalOutputSource* InputChannel = nullptr;
  int polarity = 0;
  int InputchannelNo = 0;
  int OutputChannelNo = 0;
};
