#include "workbook/model/arraycells.h"

#include <algorithm>

void TArrayCells::Begin(const ICellSource& base) {
  FBase = &base;
  FArrays.clear();
  FElements = 0;
}

const TArrayCells::TArray* TArrayCells::Find(int sheetId) const {
  const auto i = static_cast<std::size_t>(sheetId - TRangeRef::ArraySheets);
  return sheetId >= TRangeRef::ArraySheets && i < FArrays.size() ? &FArrays[i] : nullptr;
}

void TArrayCells::ReadCell(int sheetId, int row, int col, TCellValue& out) const {
  if (sheetId < TRangeRef::ArraySheets) {
    FBase->ReadCell(sheetId, row, col, out);
    return;
  }
  const TArray* a = Find(sheetId);
  if (!a || row < 1 || col < 1 || row > a->DataRows || col > a->DataCols) {
    out = TCellValue{};
    return;
  }
  out = a->Values[static_cast<std::size_t>(row - 1) * static_cast<std::size_t>(a->DataCols) + static_cast<std::size_t>(col - 1)];
}

bool TArrayCells::ClipRange(TRangeRef& range) const {
  if (range.SheetId < TRangeRef::ArraySheets) return FBase->ClipRange(range);
  const TArray* a = Find(range.SheetId);
  if (!a) return false;
  range.Row2 = std::min(range.Row2, a->DataRows);
  range.Col2 = std::min(range.Col2, a->DataCols);
  return true;
}

bool TArrayCells::RunningCell(int& sheetId, int& row, int& col) const { return FBase->RunningCell(sheetId, row, col); }

int TArrayCells::SheetIdOf(const QString& name) const { return FBase->SheetIdOf(name); }

bool TArrayCells::CallsSubtotal(int sheetId, int row, int col) const {
  return sheetId < TRangeRef::ArraySheets && FBase->CallsSubtotal(sheetId, row, col);
}

bool TArrayCells::HoldArray(int rows, int cols, int dataRows, int dataCols, std::vector<TCellValue>&& values, TCellValue& out) const {
  dataRows = std::max(dataRows, 0);
  dataCols = std::max(dataCols, 0);
  if (rows < 1 || cols < 1 || dataRows > rows || dataCols > cols ||
      values.size() != static_cast<std::size_t>(dataRows) * static_cast<std::size_t>(dataCols) ||
      FElements + values.size() > MaxElements) {
    out = TCellValue::Error(TCellError::Num);
    return false;
  }
  FElements += values.size();
  for (TCellValue& v : values) v.FromRef = false;
  FArrays.push_back({rows, cols, dataRows, dataCols, std::move(values)});
  out = TCellValue{};
  out.Kind = TValueKind::Range;
  out.Range = {TRangeRef::ArraySheets + static_cast<int>(FArrays.size() - 1), 1, 1, rows, cols};
  return true;
}
