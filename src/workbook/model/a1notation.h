#pragma once
// A1-style cell names: column letters A..XFD, rows from 1.

#include <optional>

#include <QByteArray>
#include <QString>

namespace a1 {

constexpr int MaxRows = 1048576;
constexpr int MaxCols = 16384;

// 1 -> "A", 27 -> "AA".
QString ColumnName(int col);
void AppendColumnName(QByteArray& out, int col);
// The column's letters written at out, which has room for 8; returns their end.
char* WriteColumnName(char* out, int col);
// (1, 1) -> "A1".
QString CellName(int row, int col);

struct TCellName {
  int Row = 0, Col = 0;
  bool AbsRow = false, AbsCol = false;
  // One end of a whole-column (A:A) or whole-row (3:3) range: only the column, or only the row, is
  // written; the other part spans the sheet and never moves when the formula is copied.
  bool WholeCol = false, WholeRow = false;
};
// "B7", "$B$7", "b7" -> the cell; nothing unless the whole text is one cell name within limits.
std::optional<TCellName> ParseCellName(const QString& text);
// As above on part of a text; returns the number of characters taken, 0 when none.
int ScanCellName(const QChar* p, int n, TCellName& out);

// "$B" or "B" (a column), "$7" or "7" (a row), ending where a name cannot go on: one end of a
// whole-column or whole-row range. Returns the characters taken, 0 when none.
int ScanLineName(const QChar* p, int n, TCellName& out);
// The text of a cell name or range end as written: "$B$7", "B", "$7".
QString NameText(const TCellName& c);
// The same into `out`, which must hold NameChars characters; returns how many were written.
constexpr int NameChars = 24;
int WriteName(const TCellName& c, char16_t* out);

// A sheet name as a formula writes it: quoted when it holds anything but letters, digits and
// "_" or could be read as a cell name ("'Run 1'", "Sheet1").
QString QuoteSheetName(const QString& name);

}  // namespace a1
