#include "workbook/model/subtotalcells.h"

void TSubtotalCells::ReadCell(int sheetId, int row, int col, TCellValue& out) const {
  if (FBase.CallsSubtotal(sheetId, row, col)) out = TCellValue{};
  else FBase.ReadCell(sheetId, row, col, out);
}

void TSubtotalCells::Value(TCellValue& v) const {
  if (v.Kind != TValueKind::Range || v.Range.Row1 != v.Range.Row2 || v.Range.Col1 != v.Range.Col2) return;
  const TRangeRef r = v.Range;
  FBase.ReadCell(r.SheetId, r.Row1, r.Col1, v);
  v.FromRef = true;
}
