#include "workbook/model/referencefunctions.h"

#include "workbook/model/a1notation.h"
#include "workbook/model/functionargs.h"

namespace {
using A = TFunctionArgs;

// A range of one cell shows as that cell's value; a larger one stays a range.
void SetRange(const TRangeRef& r, const ICellSource& cells, TCellValue& result) {
  if (r.Row1 == r.Row2 && r.Col1 == r.Col2) {
    cells.ReadCell(r.SheetId, r.Row1, r.Col1, result);
    result.FromRef = true;
    return;
  }
  result = TCellValue{};
  result.Kind = TValueKind::Range;
  result.Range = r;
}

// ROW([ref]) and COLUMN([ref]): of the reference's first cell, or of the formula's own cell.
void Position(std::span<TCellValue> args, const ICellSource& cells, TCellValue& result, bool row) {
  if (args.empty() || args[0].Kind == TValueKind::Empty) {
    int sheet = 0, r = 0, c = 0;
    if (!cells.RunningCell(sheet, r, c)) return A::SetError(TCellError::Value, result);
    return A::SetNumber(row ? r : c, result);
  }
  if (args[0].IsError()) { result = args[0]; return; }
  // An array (TRANSPOSE's) has no place on a sheet.
  if (args[0].Kind != TValueKind::Range || args[0].Range.IsArray()) return A::SetError(TCellError::Value, result);
  A::SetNumber(row ? args[0].Range.Row1 : args[0].Range.Col1, result);
}
void Row(std::span<TCellValue> a, const ICellSource& c, TCellValue& r) { Position(a, c, r, true); }
void Column(std::span<TCellValue> a, const ICellSource& c, TCellValue& r) { Position(a, c, r, false); }

// INDIRECT(text[, a1]): "B2", "Sheet!B2:C9", "'My sheet'!B2"; with a1 FALSE "R2C3" forms.
bool ParseCell(const QString& text, bool a1Style, int& row, int& col) {
  if (a1Style) {
    const auto cell = a1::ParseCellName(text);
    if (!cell) return false;
    row = cell->Row;
    col = cell->Col;
    return true;
  }
  const QString t = text.toUpper();
  const qsizetype c = t.indexOf(QLatin1Char('C'));
  if (!t.startsWith(QLatin1Char('R')) || c < 2) return false;
  bool okRow = false, okCol = false;
  row = t.mid(1, c - 1).toInt(&okRow);
  col = t.mid(c + 1).toInt(&okCol);
  return okRow && okCol && row >= 1 && row <= a1::MaxRows && col >= 1 && col <= a1::MaxCols;
}

void Indirect(std::span<TCellValue> args, const ICellSource& cells, TCellValue& result) {
  QString text;
  if (!A::Text(args[0], text, result)) return;
  bool a1Style = true;
  TCellError err = TCellError::None;
  if (args.size() > 1 && args[1].Kind != TValueKind::Empty && !TFormulaEvaluator::ToBool(args[1], a1Style, err))
    return A::SetError(err, result);
  text = text.trimmed();
  int sheetId = -1, ownRow = 0, ownCol = 0;
  const qsizetype bang = text.lastIndexOf(QLatin1Char('!'));
  if (bang >= 0) {
    QString name = text.left(bang);
    if (name.size() >= 2 && name.startsWith(QLatin1Char('\'')) && name.endsWith(QLatin1Char('\'')))
      name = name.mid(1, name.size() - 2).replace(QStringLiteral("''"), QStringLiteral("'"));
    sheetId = cells.SheetIdOf(name);
    text = text.mid(bang + 1);
  } else if (!cells.RunningCell(sheetId, ownRow, ownCol)) {
    sheetId = -1;
  }
  if (sheetId < 0) return A::SetError(TCellError::Ref, result);
  TRangeRef r{sheetId};
  const qsizetype colon = text.indexOf(QLatin1Char(':'));
  const QString first = colon < 0 ? text : text.left(colon);
  const QString second = colon < 0 ? text : text.mid(colon + 1);
  if (!ParseCell(first, a1Style, r.Row1, r.Col1) || !ParseCell(second, a1Style, r.Row2, r.Col2))
    return A::SetError(TCellError::Ref, result);
  if (r.Row2 < r.Row1) std::swap(r.Row1, r.Row2);
  if (r.Col2 < r.Col1) std::swap(r.Col1, r.Col2);
  SetRange(r, cells, result);
}

// OFFSET(ref, rows, cols[, height][, width]): the reference moved and resized; #REF! off the sheet.
void Offset(std::span<TCellValue> args, const ICellSource& cells, TCellValue& result) {
  if (args[0].IsError()) { result = args[0]; return; }
  if (args[0].Kind != TValueKind::Range || args[0].Range.IsArray()) return A::SetError(TCellError::Value, result);
  const TRangeRef base = args[0].Range;
  long long rows = 0, cols = 0, height = A::Rows(base), width = A::Cols(base);
  if (!A::Integer(args[1], rows, result) || !A::Integer(args[2], cols, result)) return;
  if (args.size() > 3 && args[3].Kind != TValueKind::Empty && !A::Integer(args[3], height, result)) return;
  if (args.size() > 4 && args[4].Kind != TValueKind::Empty && !A::Integer(args[4], width, result)) return;
  if (height == 0 || width == 0) return A::SetError(TCellError::Ref, result);
  // A negative height or width reaches up or left from the moved corner.
  long long r1 = base.Row1 + rows, c1 = base.Col1 + cols;
  long long r2 = r1 + height + (height > 0 ? -1 : 1), c2 = c1 + width + (width > 0 ? -1 : 1);
  if (r2 < r1) std::swap(r1, r2);
  if (c2 < c1) std::swap(c1, c2);
  if (r1 < 1 || c1 < 1 || r2 > a1::MaxRows || c2 > a1::MaxCols) return A::SetError(TCellError::Ref, result);
  SetRange(TRangeRef{base.SheetId, static_cast<int>(r1), static_cast<int>(c1), static_cast<int>(r2), static_cast<int>(c2)}, cells,
           result);
}

// XLOOKUP(key, lookup, return[, if not found][, match mode][, search mode]). Match mode 0 exact,
// -1 exact or the next smaller, 1 exact or the next larger, 2 wildcards; search mode 1 first to
// last, -1 last to first (2 and -2, the binary searches, give the same answers on sorted data).
void XLookup(std::span<TCellValue> args, const ICellSource& cells, TCellValue& result) {
  const TCellValue& key = args[0];
  if (key.IsError()) { result = key; return; }
  if (args[1].IsError()) { result = args[1]; return; }
  if (args[2].IsError()) { result = args[2]; return; }
  if (args[1].Kind != TValueKind::Range || args[2].Kind != TValueKind::Range) return A::SetError(TCellError::Value, result);
  const TRangeRef look = args[1].Range, back = args[2].Range;
  const bool down = A::Cols(look) == 1;
  if (!down && A::Rows(look) != 1) return A::SetError(TCellError::Value, result);
  const int length = down ? A::Rows(look) : A::Cols(look);
  if ((down ? A::Rows(back) : A::Cols(back)) != length) return A::SetError(TCellError::Value, result);
  long long mode = 0, search = 1;
  if (args.size() > 4 && args[4].Kind != TValueKind::Empty && !A::Integer(args[4], mode, result)) return;
  if (args.size() > 5 && args[5].Kind != TValueKind::Empty && !A::Integer(args[5], search, result)) return;
  if (mode < -1 || mode > 2 || search == 0 || search < -2 || search > 2) return A::SetError(TCellError::Value, result);
  TRangeRef clipped = look;
  if (!cells.ClipRange(clipped)) return A::SetError(TCellError::Ref, result);
  const int used = down ? clipped.Row2 - look.Row1 + 1 : clipped.Col2 - look.Col1 + 1;
  int found = 0;
  TCellValue best, cell;
  for (int k = 0; k < used; ++k) {
    const int i = search > 0 ? k : used - 1 - k;
    cells.ReadCell(look.SheetId, down ? look.Row1 + i : look.Row1, down ? look.Col1 : look.Col1 + i, cell);
    if (cell.Kind == TValueKind::Empty || cell.IsError() || A::KindRank(cell.Kind) != A::KindRank(key.Kind)) continue;
    if (mode == 2 && key.Kind == TValueKind::Text) {
      if (A::WildcardMatch(key.Str, cell.Str, false) == 0) { found = i + 1; break; }
      continue;
    }
    const int c = TFormulaEvaluator::Compare(cell, key);
    if (c == 0) { found = i + 1; break; }
    // The nearest on the asked side so far.
    if ((mode == -1 && c < 0) || (mode == 1 && c > 0)) {
      if (found == 0 || TFormulaEvaluator::Compare(cell, best) * static_cast<int>(mode) < 0) {
        found = i + 1;
        best = cell;
      }
    }
  }
  if (found == 0) {
    if (args.size() > 3 && args[3].Kind != TValueKind::Empty) { result = args[3]; return; }
    return A::SetError(TCellError::NA, result);
  }
  TRangeRef r = back;
  if (down) r.Row1 = r.Row2 = back.Row1 + found - 1;
  else r.Col1 = r.Col2 = back.Col1 + found - 1;
  SetRange(r, cells, result);
}

const TFamilyFunction kFunctions[] = {
    {"ROW", 0, 1, Row, false, true},
    {"COLUMN", 0, 1, Column, false, true},
    // Which cells they read is known only when they run: recomputed on every recalculation.
    {"INDIRECT", 1, 2, Indirect, true},
    {"OFFSET", 3, 5, Offset, true, true},
    {"XLOOKUP", 3, 6, XLookup},
};
}  // namespace

std::span<const TFamilyFunction> TReferenceFunctions::Functions() { return kFunctions; }
