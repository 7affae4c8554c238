#pragma once
// Logs the angle offset the user keeps in the sensor-offset dialog with every sample.

#include "acquisition/qxsource.h"

class IOffsetProvider;

class TQXStoreOffset : public TQXSource {
  Q_OBJECT
 public:
  using TQXSource::TQXSource;
  void DataWrite() override;

  // The dialog that keeps the offset registers itself while it exists; without one the offset
  // is 0, as the dialog starts.
  static void SetOffsetProvider(IOffsetProvider* provider);
  static IOffsetProvider* OffsetProvider();
};
