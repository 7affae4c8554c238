#pragma once
// Writes a workbook as .xlsx: every sheet, numbers, texts, formulas with the results our engine
// computed (so other programs show them before recalculating), number formats, column widths and
// row heights. Column headings have no place in the format and are not written.
//
// The package is written here rather than through a general-purpose library because results
// tables are large: numbers are printed in their shortest exact form and the parts are compressed
// for speed, which keeps a 100 000-row save within a few seconds.

#include <QString>

class QIODevice;
class TWorkbook;

class TXlsxExport {
 public:
  // Writes to out (a seekable file opened for writing, at its start); target names the real file in
  // messages. Throws EWorkbookError.
  static void Write(const TWorkbook& book, QIODevice& out, const QString& target);

  // "" when name can be a sheet's name in .xlsx, else why not.
  static QString SheetNameProblem(const QString& name);
};
