#pragma once
// The time of day.

#include "acquisition/qxsource.h"

class TQXTimeSource : public TQXSource {
  Q_OBJECT
 public:
  using TQXSource::TQXSource;
  void DataWrite() override;
};
