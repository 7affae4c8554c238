#pragma once
// Writes a workbook as .xlsx: every sheet, numbers, texts, formulas with the results our engine
// computed (so other programs show them before recalculating), number formats, column widths and
// row heights. Column headings have no place in the format and are not written.

#include <QString>

class TWorkbook;

class TXlsxExport {
 public:
  // Writes to file (a temporary path); target names the real file in messages. Throws EWorkbookError.
  static void Write(const TWorkbook& book, const QString& file, const QString& target);
};
