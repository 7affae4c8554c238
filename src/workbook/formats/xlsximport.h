#pragma once
// Reads an .xlsx workbook: every worksheet with its numbers (exactly, as the text in the file
// says), texts, booleans, error values, formulas (shared formulas expanded to each cell), number
// formats, column widths and row heights. Formulas are recomputed by our engine; the results the
// file caches are not trusted. The package's parts are parsed by TXmlPartParser as they are
// inflated; a workbook's sheets are read side by side, one thread per sheet part.

#include <cstddef>

#include <QByteArray>
#include <QString>

class TWorkbook;

class TXlsxImport {
 public:
  // data holds the file's bytes; path names it in messages. Throws EWorkbookError naming the file
  // and the part, line or cell at fault.
  static TWorkbook Read(const QString& path, const QByteArray& data);

  // The format code of a built-in number format identifier; "" when it is not one we know.
  static QString BuiltinFormat(std::size_t id);
};
