#pragma once
// Reads .ods through liborcus. Loading does not let the library compute anything: constants are
// taken as they are, formulas as text (printed in A1 style), and our engine computes the results.

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
