#include "workbook/model/lookupfunctions.h"

#include <algorithm>
#include <vector>

#include "workbook/model/arraycells.h"
#include "workbook/model/functionargs.h"

namespace {
using A = TFunctionArgs;

// INDEX(range, row[, col]): row or col 0 takes the whole column or row; a one-row or one-column
// range takes a single index along itself.
void Index(std::span<TCellValue> args, const ICellSource& cells, TCellValue& result) {
  if (args[0].IsError()) { result = args[0]; return; }
  long long row = 0, col = 0;
  if (!A::Integer(args[1], row, result)) return;
  if (args.size() > 2 && args[2].Kind != TValueKind::Empty && !A::Integer(args[2], col, result)) return;
  if (args[0].Kind != TValueKind::Range) {
    if ((row == 0 || row == 1) && (col == 0 || col == 1)) { result = args[0]; return; }
    return A::SetError(TCellError::Ref, result);
  }
  const TRangeRef r = args[0].Range;
  if (args.size() == 2 && A::Rows(r) == 1) { col = row; row = 1; }
  else if (args.size() == 2 && A::Cols(r) == 1) col = 1;
  if (row < 0 || col < 0 || row > A::Rows(r) || col > A::Cols(r)) return A::SetError(TCellError::Ref, result);
  if (row == 0 || col == 0) {
    result.Kind = TValueKind::Range;
    result.Range = r;
    if (row) result.Range.Row1 = result.Range.Row2 = r.Row1 + static_cast<int>(row) - 1;
    if (col) result.Range.Col1 = result.Range.Col2 = r.Col1 + static_cast<int>(col) - 1;
    return;
  }
  cells.ReadCell(r.SheetId, r.Row1 + static_cast<int>(row) - 1, r.Col1 + static_cast<int>(col) - 1, result);
  result.FromRef = true;
}

// MATCH(key, range, type): 0 the first equal (text with wildcards), 1 the last not above the key in
// an ascending list, -1 the last not below it in a descending one. 1-based position or #N/A.
void Match(std::span<TCellValue> args, const ICellSource& cells, TCellValue& result) {
  const TCellValue& key = args[0];
  if (key.IsError()) { result = key; return; }
  long long type = 1;
  if (args.size() > 2 && args[2].Kind != TValueKind::Empty) {
    double t = 0;
    if (!A::Number(args[2], t, result)) return;
    type = t > 0 ? 1 : t < 0 ? -1 : 0;
  }
  if (args[1].Kind != TValueKind::Range) return A::SetError(TCellError::NA, result);
  const TRangeRef r = args[1].Range;
  if (A::Rows(r) != 1 && A::Cols(r) != 1) return A::SetError(TCellError::NA, result);
  const bool down = A::Cols(r) == 1;
  int found = 0;
  A::EachCell(r, cells, [&](int row, int col, const TCellValue& cell) {
    if (cell.Kind == TValueKind::Empty || cell.IsError() || A::KindRank(cell.Kind) != A::KindRank(key.Kind)) return true;
    const int pos = down ? row - r.Row1 + 1 : col - r.Col1 + 1;
    if (type == 0) {
      const bool same = key.Kind == TValueKind::Text ? A::WildcardMatch(key.Str, cell.Str, false) == 0
                                                     : TFormulaEvaluator::Compare(cell, key) == 0;
      if (same) found = pos;
      return !same;
    }
    const int c = TFormulaEvaluator::Compare(cell, key) * static_cast<int>(type);
    if (c <= 0) found = pos;
    return c <= 0;  // sorted: nothing further can match
  });
  if (found == 0) return A::SetError(TCellError::NA, result);
  A::SetNumber(found, result);
}

// HLOOKUP(key, range, row[, sorted]): VLOOKUP turned on its side.
void HLookup(std::span<TCellValue> args, const ICellSource& cells, TCellValue& result) {
  const TCellValue& key = args[0];
  if (key.IsError()) { result = key; return; }
  if (args[1].Kind != TValueKind::Range) return A::SetError(TCellError::NA, result);
  long long row = 0;
  if (!A::Integer(args[2], row, result)) return;
  bool approx = true;
  TCellError err = TCellError::None;
  if (args.size() > 3 && args[3].Kind != TValueKind::Empty && !TFormulaEvaluator::ToBool(args[3], approx, err))
    return A::SetError(err, result);
  const TRangeRef r = args[1].Range;
  if (row < 1) return A::SetError(TCellError::Value, result);
  if (row > A::Rows(r)) return A::SetError(TCellError::Ref, result);
  TRangeRef first = r;
  first.Row2 = first.Row1;
  const int found = A::FindKey(key, first, approx, cells);
  if (found <= 0) return A::SetError(TCellError::NA, result);
  cells.ReadCell(r.SheetId, r.Row1 + static_cast<int>(row) - 1, r.Col1 + found - 1, result);
  if (result.Kind == TValueKind::Empty) result = TCellValue::Number(0);
}

void Extent(std::span<TCellValue> args, TCellValue& result, bool rows) {
  if (args[0].IsError()) { result = args[0]; return; }
  if (args[0].Kind != TValueKind::Range) return A::SetNumber(1, result);
  A::SetNumber(rows ? A::Rows(args[0].Range) : A::Cols(args[0].Range), result);
}
void Rows(std::span<TCellValue> a, const ICellSource&, TCellValue& r) { Extent(a, r, true); }
void Columns(std::span<TCellValue> a, const ICellSource&, TCellValue& r) { Extent(a, r, false); }

// TRANSPOSE(range or array): rows become columns. Its result is an array; a lone value is itself.
void Transpose(std::span<TCellValue> args, const ICellSource& cells, TCellValue& result) {
  if (args[0].Kind != TValueKind::Range) {
    result = args[0];
    if (result.Kind == TValueKind::Empty) result = TCellValue::Number(0);
    return;
  }
  const TRangeRef r = args[0].Range;
  TRangeRef used = r;
  if (!cells.ClipRange(used)) return A::SetError(TCellError::Ref, result);
  // Only the used part is copied; the cells past it are empty, whatever the range's size.
  const int usedRows = std::max(used.Row2 - used.Row1 + 1, 0), usedCols = std::max(used.Col2 - used.Col1 + 1, 0);
  if (static_cast<std::size_t>(usedRows) * static_cast<std::size_t>(usedCols) > TArrayCells::MaxElements)
    return A::SetError(TCellError::Num, result);
  std::vector<TCellValue> values(static_cast<std::size_t>(usedRows) * static_cast<std::size_t>(usedCols));
  for (int row = 0; row < usedRows; ++row)
    for (int col = 0; col < usedCols; ++col)
      cells.ReadCell(r.SheetId, used.Row1 + row, used.Col1 + col,
                     values[static_cast<std::size_t>(col) * static_cast<std::size_t>(usedRows) + static_cast<std::size_t>(row)]);
  cells.HoldArray(A::Cols(r), A::Rows(r), usedCols, usedRows, std::move(values), result);
}

const TFamilyFunction kFunctions[] = {
    {"INDEX", 2, 3, Index}, {"MATCH", 2, 3, Match}, {"HLOOKUP", 3, 4, HLookup},
    {"ROWS", 1, 1, Rows},   {"COLUMNS", 1, 1, Columns}, {"TRANSPOSE", 1, 1, Transpose},
};
}  // namespace

std::span<const TFamilyFunction> TLookupFunctions::Functions() { return kFunctions; }
