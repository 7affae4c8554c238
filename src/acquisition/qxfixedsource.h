#pragma once
// A value the run sheet holds (a constant or a formula): shown, never written.

#include "acquisition/qxsource.h"

class TQXFixedSource : public TQXSource {
  Q_OBJECT
 public:
  using TQXSource::TQXSource;
};
