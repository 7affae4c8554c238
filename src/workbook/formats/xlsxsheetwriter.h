#pragma once
// Writes one worksheet part of an .xlsx package, streamed into the archive in pieces so a large
// sheet never exists whole in memory. Texts and styles go to the package tables.

#include <cstdint>

#include <QByteArray>
#include <QString>

#include "workbook/model/sheet.h"

class TWorkbook;
class TXlsxPackageTables;
class TZipWriter;

class TXlsxSheetWriter {
 public:
  // target names the file in messages.
  TXlsxSheetWriter(const TWorkbook& book, const TSheet& sheet, TXlsxPackageTables& tables, TZipWriter& zip,
                   const QString& target)
      : FBook(book), FSheet(sheet), FTables(tables), FZip(zip), FTarget(target) {}

  // selected: the sheet shown on opening. Throws EWorkbookError for a cell the format cannot hold.
  void Write(bool selected);

 private:
  static constexpr int MaxTextLength = 32767;  // longest cell text other programs accept
  static constexpr qsizetype FlushSize = 1 << 20;

  void Flush();
  [[noreturn]] void Fail(int row, int col, const QString& what) const;
  void WriteDimension();
  void WriteColumns();
  void WriteRow(int r, const TRowCells* cells, std::uint16_t heightTwips);
  void WriteContent(int r, int c, const TCell& cell);

  const TWorkbook& FBook;
  const TSheet& FSheet;
  TXlsxPackageTables& FTables;
  TZipWriter& FZip;
  QString FTarget;
  QByteArray FOut;
};
