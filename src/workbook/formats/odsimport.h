#pragma once
// Reads .ods: the cells (values of every type, formulas in the file's own text, repeated rows and
// cells), their number formats and the column widths, through TOdsContentReader. Our engine
// computes the formulas' results.

#include <QByteArray>
#include <QString>

class TWorkbook;

class TOdsImport {
 public:
  // data holds the file's bytes; path names it in messages. Throws EWorkbookError naming path (and
  // the cell, for a formula our engine cannot read).
  static TWorkbook Read(const QString& path, const QByteArray& data);
};
