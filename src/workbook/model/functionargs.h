#pragma once
// Argument handling shared by the formula functions: numbers and texts from evaluated arguments,
// results, and walks over ranges as spreadsheets walk them.

#include <span>

#include <QString>

#include "workbook/model/cellsource.h"
#include "workbook/model/cellvalue.h"
#include "workbook/model/formulaevaluator.h"

class TFunctionArgs {
 public:
  // The argument as a number; false with the error in `result` when it is not one.
  static bool Number(const TCellValue& v, double& x, TCellValue& result);
  // The argument as a whole number (truncated, bounded to +-1e9 so it can index anything).
  static bool Integer(const TCellValue& v, long long& n, TCellValue& result);
  static bool Text(const TCellValue& v, QString& s, TCellValue& result);
  // A finite number, else #NUM!.
  static void SetNumber(double v, TCellValue& result);
  static void SetError(TCellError e, TCellValue& result) { result = TCellValue::Error(e); }

  // "*" any run, "?" any one character, "~" takes the next literally; without case. `search`:
  // the pattern may match anywhere and the position (0-based) of the first match is returned;
  // otherwise the whole text must match and 0 is returned. -1 when there is no match.
  static qsizetype WildcardMatch(const QString& pattern, const QString& text, bool search, qsizetype from = 0);

  // Rows and columns a range argument spans as written (A:A spans the whole sheet).
  static int Rows(const TRangeRef& r) { return r.Row2 - r.Row1 + 1; }
  static int Cols(const TRangeRef& r) { return r.Col2 - r.Col1 + 1; }

  // Calls visit(row, col, value) for every cell of the range's used part, row by row, until it
  // returns false. False when the range's sheet is gone.
  template <typename Visit>
  static bool EachCell(const TRangeRef& range, const ICellSource& cells, Visit visit) {
    TRangeRef r = range;
    if (!cells.ClipRange(r)) return false;
    TCellValue cell;
    for (int row = r.Row1; row <= r.Row2; ++row)
      for (int col = r.Col1; col <= r.Col2; ++col) {
        cells.ReadCell(r.SheetId, row, col, cell);
        cell.FromRef = true;
        if (!visit(row, col, cell)) return true;
      }
    return true;
  }

  // Where key sits in a one-column (or one-row) range as VLOOKUP and HLOOKUP look for it: the
  // first equal value of its kind, or with `sorted` the last one not above it. Its position from
  // 1; 0 when there is none, -1 when the range's sheet is gone.
  static int FindKey(const TCellValue& key, const TRangeRef& line, bool sorted, const ICellSource& cells);
  // Numbers, texts and truth values are never compared with one another by the lookups.
  static int KindRank(TValueKind k) { return k == TValueKind::Text ? 1 : k == TValueKind::Bool ? 2 : 0; }

  // Walks the numbers of the arguments as aggregates see them: ranges and references give only
  // their numbers; values typed into the call count when they convert. Returns an error met, or
  // None (errors are passed over when skipErrors).
  template <typename Visit>
  static TCellError EachNumber(std::span<TCellValue> args, const ICellSource& cells, bool skipErrors, Visit visit) {
    for (TCellValue& a : args) {
      if (a.Kind == TValueKind::Range) {
        TCellError err = TCellError::None;
        const bool ok = EachCell(a.Range, cells, [&](int, int, const TCellValue& cell) {
          if (cell.Kind == TValueKind::Number) visit(cell.Num);
          else if (cell.Kind == TValueKind::Error && !skipErrors) err = cell.Err;
          return err == TCellError::None;
        });
        if (!ok && !skipErrors) return TCellError::Ref;
        if (err != TCellError::None) return err;
      } else if (a.Kind == TValueKind::Error) {
        if (!skipErrors) return a.Err;
      } else if (a.FromRef) {
        if (a.Kind == TValueKind::Number) visit(a.Num);
      } else if (a.Kind != TValueKind::Empty) {
        double x = 0;
        TCellError err = TCellError::None;
        if (TFormulaEvaluator::ToNumber(a, x, err)) visit(x);
        else if (!skipErrors) return err;
      }
    }
    return TCellError::None;
  }
};
