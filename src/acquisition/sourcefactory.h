#pragma once
// Which object each kind of definition row becomes.

#include <memory>

#include "rigconfig/datasourcetypes.h"

class TQXSource;

class TSourceFactory {
 public:
  // The source object for a kind, or null for a kind this program does not build (and for frames
  // and the end of the sheet, which have no source object).
  static std::unique_ptr<TQXSource> Create(data_Source_types kind);
  static bool IsBuilt(data_Source_types kind);
  // Listed sources are updated every tick and sampled; the others run by themselves.
  static bool IsListed(data_Source_types kind);
};
