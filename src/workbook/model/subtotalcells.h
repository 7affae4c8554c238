#pragma once
// The cells as SUBTOTAL and AGGREGATE see them: a cell whose formula calls one of them reads as
// empty, so a total over rows that hold totals counts each number once.

#include "workbook/model/cellsource.h"

class TSubtotalCells : public ICellSource {
 public:
  explicit TSubtotalCells(const ICellSource& base) : FBase(base) {}

  void ReadCell(int sheetId, int row, int col, TCellValue& out) const override;
  bool ClipRange(TRangeRef& range) const override { return FBase.ClipRange(range); }
  bool RunningCell(int& sheetId, int& row, int& col) const override { return FBase.RunningCell(sheetId, row, col); }
  int SheetIdOf(const QString& name) const override { return FBase.SheetIdOf(name); }
  bool CallsSubtotal(int sheetId, int row, int col) const override { return FBase.CallsSubtotal(sheetId, row, col); }
  bool HoldArray(int rows, int cols, int dataRows, int dataCols, std::vector<TCellValue>&& values, TCellValue& out) const override {
    return FBase.HoldArray(rows, cols, dataRows, dataCols, std::move(values), out);
  }

  // A lone cell given as a reference (a 1 x 1 range) where a number is wanted: its value.
  void Value(TCellValue& v) const;

 private:
  const ICellSource& FBase;
};
