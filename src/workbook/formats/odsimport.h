#pragma once
// Reads .ods: the cells (values of every type, formulas in the file's own text, repeated rows and
// cells) through TOdsContentReader, number formats and column widths through liborcus. Nothing is
// computed by the library: our engine computes the results.

#include <QByteArray>
#include <QString>

class TWorkbook;

class TOdsImport {
 public:
  static constexpr int MaxSheets = 64;  // about 4 MB of the reader's storage each
  // data holds the file's bytes; path names it in messages. Throws EWorkbookError naming path (and
  // the cell, for a formula our engine cannot read).
  static TWorkbook Read(const QString& path, const QByteArray& data);
};
