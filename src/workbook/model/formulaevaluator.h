#pragma once
// Runs compiled formula code on a value stack. No recursion: the depth of a chain of formulas is
// handled by the workbook's recalculation order, and each formula runs flat.

#include <vector>

#include "workbook/model/arraycells.h"
#include "workbook/model/cellsource.h"
#include "workbook/model/cellvalue.h"
#include "workbook/model/formula.h"

// Where code runs: (DRow, DCol) away from where it was compiled, on sheet SheetId (-1: the sheets
// it was compiled for). See TFormula::Moved.
struct TFormulaPlace { int SheetId = -1, DRow = 0, DCol = 0; };

class TFormulaEvaluator {
 public:
  // The formula's value as a cell shows it: a range or an empty reference become #VALUE! and 0.
  // An array result gives its top-left element.
  void Run(const TFormula& formula, const ICellSource& cells, TCellValue& result, TFormulaPlace place = {});
  // Runs an array formula for the formula.ArrayRows x formula.ArrayCols cells it fills: `out`
  // receives their values row by row. A range or array result gives each cell its element (a
  // single row or column repeats along the other side; #N/A beyond the result); a single value
  // fills every cell. False when the formula used a range where it wanted one value (an operator
  // on a range, IF over one, a range given for a number): spreadsheets then compute element by
  // element, which this engine does not, so the result differs from theirs.
  bool RunArray(const TFormula& formula, const ICellSource& cells, std::vector<TCellValue>& out, TFormulaPlace place = {});

  // Conversions shared with the functions. Each gives false and sets err on a value it cannot take.
  static bool ToNumber(const TCellValue& v, double& out, TCellError& err);
  static bool ToBool(const TCellValue& v, bool& out, TCellError& err);
  static QString ToText(const TCellValue& v);
  // Spreadsheet ordering: numbers < text < booleans; text compares without case; an empty value
  // takes the kind of the other side. -1, 0 or 1.
  // Numbers equal to about 15 significant digits compare equal.
  static int Compare(const TCellValue& a, const TCellValue& b);
  static bool ApproxEqual(double x, double y);
  // A conversion met a range where it wanted one value (see RunArray).
  static void RangeAsScalar() { ++tRangeAsScalar; }

 private:
  // Runs the code, leaving its value (a range still a range) on the stack.
  void Execute(const TFormula& formula, const ICellSource& cells, TFormulaPlace place);
  void Binary(TOp op);
  // A range where one value is wanted: a single cell is its value; a one-column (one-row) range
  // gives its cell in the running formula's row (column), as other spreadsheets do; any other
  // range stays one, and becomes #VALUE! where it is used. An array gives its top-left element.
  void Intersect(TCellValue& v);
  const ICellSource* FCells = nullptr;  // while Run runs
  TArrayCells FArrays;
  bool FArrayMode = false;    // running RunArray
  bool FElementwise = false;  // a range met where RunArray's formula wanted one value
  static thread_local unsigned tRangeAsScalar;
  static bool ArithmeticNumber(const TCellValue& v, double& out, TCellError& err);
  std::vector<TCellValue> FStack;
};
