#pragma once
// What a running formula needs from the workbook: the value of a cell and the used part of a range.

#include <vector>

#include "workbook/model/cellvalue.h"

class ICellSource {
 public:
  virtual ~ICellSource() = default;
  // The cell's value (a formula's cached result); Empty for a cell never written.
  virtual void ReadCell(int sheetId, int row, int col, TCellValue& out) const = 0;
  // Narrows the range to the part of its sheet that holds data; false when the sheet is gone.
  virtual bool ClipRange(TRangeRef& range) const = 0;
  // The cell whose formula is running (ROW() and COLUMN() without arguments, INDIRECT's own sheet);
  // false when none is.
  virtual bool RunningCell(int& sheetId, int& row, int& col) const { (void)sheetId; (void)row; (void)col; return false; }
  // The id of the sheet of that name (any case), -1 when there is none.
  virtual int SheetIdOf(const QString& name) const { (void)name; return -1; }
  // Whether the cell holds a formula calling SUBTOTAL or AGGREGATE, which those functions pass
  // over so that a total of totals does not count them twice.
  virtual bool CallsSubtotal(int sheetId, int row, int col) const { (void)sheetId; (void)row; (void)col; return false; }
  // Holds a function's array result of rows x cols for the rest of the running formula and makes
  // `out` the range that reads it. Only its top-left dataRows x dataCols values are given (row by
  // row); the others are empty, so a whole column transposed costs its used part. False (with the
  // error in out) when arrays cannot be held here.
  virtual bool HoldArray(int rows, int cols, int dataRows, int dataCols, std::vector<TCellValue>&& values, TCellValue& out) const {
    (void)rows; (void)cols; (void)dataRows; (void)dataCols; (void)values;
    out = TCellValue::Error(TCellError::Value);
    return false;
  }
};
