#pragma once
// Which formulas read a range that holds a given cell. Ranges are filed under the blocks of the
// sheet they cover (64 rows by 16 columns; tall ranges under their columns only), so finding the
// formulas that depend on a cell looks at the ranges near it, not at every range of the workbook:
// a sheet of many range formulas recalculates in linear, not quadratic, time.

#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

class TRangeDependencies {
 public:
  struct TEntry { int SheetId, Row1, Col1, Row2, Col2; std::uint32_t Slot, Generation; };

  void Add(const TEntry& entry);
  // visit(entry) for each entry whose range holds the cell, stale ones too (the caller knows them).
  template <typename F>
  void ForEachHolding(int sheetId, int row, int col, F&& visit) const {
    auto scan = [&](const std::vector<TEntry>& entries) {
      for (const TEntry& d : entries)
        if (d.SheetId == sheetId && row >= d.Row1 && row <= d.Row2 && col >= d.Col1 && col <= d.Col2) visit(d);
    };
    if (FSize == 0) return;  // the usual sample row: no ranges, no lookups
    if (auto it = FBlocks.find(BlockKey(sheetId, row >> RowShift, col >> ColShift)); it != FBlocks.end()) scan(it->second);
    if (auto it = FColumns.find(BlockKey(sheetId, 0, col >> ColShift)); it != FColumns.end()) scan(it->second);
    scan(FWide);
  }
  void RemoveIf(const std::function<bool(const TEntry&)>& stale);
  std::size_t Size() const { return FSize; }

 private:
  static constexpr int RowShift = 6, ColShift = 4, MaxBlocks = 4;
  static std::uint64_t BlockKey(int sheetId, int rowBlock, int colBlock) {
    return (static_cast<std::uint64_t>(sheetId) << 40) | (static_cast<std::uint64_t>(rowBlock) << 16) | static_cast<std::uint64_t>(colBlock);
  }

  std::unordered_map<std::uint64_t, std::vector<TEntry>> FBlocks;   // short and narrow ranges
  std::unordered_map<std::uint64_t, std::vector<TEntry>> FColumns;  // tall, narrow ranges
  std::vector<TEntry> FWide;                                         // wider ranges
  std::size_t FSize = 0;
};
