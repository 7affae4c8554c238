#pragma once
// Reads .xlsx and .ods through liborcus. Loading does not let the library compute anything:
// constants are taken as they are, formulas as text, and our engine computes the results.

#include <QString>

class TWorkbook;

class TOrcusImport {
 public:
  // Throws EWorkbookError naming path (and the cell, for a formula our engine cannot read).
  static TWorkbook Read(const QString& path, bool ods);

  // The code of a built-in .xlsx number format (0..49), empty when unknown.
  static QString BuiltinFormat(std::size_t id);
};
