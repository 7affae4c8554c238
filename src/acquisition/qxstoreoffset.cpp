#include "acquisition/qxstoreoffset.h"

#include "acquisition/ioffsetprovider.h"

namespace {
IOffsetProvider* gProvider = nullptr;
}

void TQXStoreOffset::SetOffsetProvider(IOffsetProvider* provider) { gProvider = provider; }
IOffsetProvider* TQXStoreOffset::OffsetProvider() { return gProvider; }

void TQXStoreOffset::DataWrite() {
  if (Source_Column != 0) WriteNumber(gProvider ? gProvider->Offset() : 0.0);
}
