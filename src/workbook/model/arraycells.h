#pragma once
// The cells a running formula reads: the workbook's, plus the arrays its functions returned, each
// served as a range on a sheet id of its own from TRangeRef::ArraySheets up. Arrays live until
// the next formula starts.

#include <vector>

#include "workbook/model/cellsource.h"

class TArrayCells : public ICellSource {
 public:
  // Starts a formula over base; the arrays of the last one go.
  void Begin(const ICellSource& base);
  void End() { FBase = nullptr; }

  // Element (row, col), both from 1, of the array a range names; Empty beyond it.
  void ReadCell(int sheetId, int row, int col, TCellValue& out) const override;
  bool ClipRange(TRangeRef& range) const override;
  bool RunningCell(int& sheetId, int& row, int& col) const override;
  int SheetIdOf(const QString& name) const override;
  bool CallsSubtotal(int sheetId, int row, int col) const override;
  bool HoldArray(int rows, int cols, int dataRows, int dataCols, std::vector<TCellValue>&& values, TCellValue& out) const override;

  // Values one formula may hold in all: more are refused (#NUM!) rather than filling memory.
  static constexpr std::size_t MaxElements = 1u << 20;

 private:
  struct TArray {
    int Rows = 0, Cols = 0;
    int DataRows = 0, DataCols = 0;
    std::vector<TCellValue> Values;
  };
  const TArray* Find(int sheetId) const;

  const ICellSource* FBase = nullptr;
  // Functions get the cells as const; the arrays they return are the running formula's scratch.
  mutable std::vector<TArray> FArrays;
  mutable std::size_t FElements = 0;
};
