#pragma once
// A source bound to an interface channel.

#include "acquisition/qxsource.h"

class TQXSourceMeta : public TQXSource {
  Q_OBJECT
 public:
  using TQXSource::TQXSource;
  int FChannel = 0;
};
