#include "workbook/model/rangedependencies.h"

void TRangeDependencies::Add(const TEntry& entry) {
  ++FSize;
  const int r1 = entry.Row1 >> RowShift, r2 = entry.Row2 >> RowShift;
  const int c1 = entry.Col1 >> ColShift, c2 = entry.Col2 >> ColShift;
  if (c2 - c1 >= MaxBlocks) {
    FWide.push_back(entry);
  } else if (r2 - r1 >= MaxBlocks) {
    for (int c = c1; c <= c2; ++c) FColumns[BlockKey(entry.SheetId, 0, c)].push_back(entry);
  } else {
    for (int r = r1; r <= r2; ++r)
      for (int c = c1; c <= c2; ++c) FBlocks[BlockKey(entry.SheetId, r, c)].push_back(entry);
  }
}

void TRangeDependencies::RemoveIf(const std::function<bool(const TEntry&)>& stale) {
  FSize = 0;
  for (auto* map : {&FBlocks, &FColumns})
    for (auto it = map->begin(); it != map->end();) {
      std::erase_if(it->second, stale);
      FSize += it->second.size();
      it = it->second.empty() ? map->erase(it) : std::next(it);
    }
  std::erase_if(FWide, stale);
  FSize += FWide.size();
}
