#pragma once
// The running diagram's sources of one kind, in the order of the source list.

#include <vector>

#include "acquisition/qxdatalist.h"
#include "platform/services.h"

template <typename T>
std::vector<T*> SourcesOf() {
  std::vector<T*> found;
  for (TQXSource* s : TServices::DataList()->Sources())
    if (auto* t = dynamic_cast<T*>(s)) found.push_back(t);
  return found;
}
