#include "workbook/formats/delimitedtext.h"

#include <algorithm>

#include <QStringDecoder>

#include "platform/numbers.h"
#include "workbook/model/a1notation.h"
#include "workbook/model/workbook.h"
#include "workbook/model/workbookerror.h"

char TDelimitedText::GuessSeparator(const QByteArray& data) {
  bool quoted = false, comma = false;
  for (char c : data) {
    if (c == '"') quoted = !quoted;
    else if (!quoted && c == '\t') return '\t';
    else if (!quoted && c == ',') comma = true;
    else if (!quoted && c == '\n') break;
  }
  return comma ? ',' : '\t';
}

TWorkbook TDelimitedText::Read(const QString& path, const QByteArray& data, char separator) {
  auto fail = [&](int line, const QString& what) {
    throw EWorkbookError(path, QStringLiteral("line %1").arg(line), what);
  };
  if (data.contains('\0')) {
    const int line = static_cast<int>(data.left(data.indexOf('\0')).count('\n')) + 1;
    fail(line, QStringLiteral("not a text file (it holds a NUL byte)"));
  }
  // One leading U+FEFF is a byte-order mark; the decoder keeps it so that exactly one is dropped.
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
  QString text = decoder.decode(data);
  if (decoder.hasError()) {
    // Name the first line that does not decode.
    int line = 1;
    for (const QByteArray& l : data.split('\n')) {
      QStringDecoder d(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
      const QString decoded = d.decode(l);
      if (d.hasError()) break;
      ++line;
    }
    fail(line, QStringLiteral("text is not valid UTF-8"));
  }
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);

  TWorkbook book;
  book.SetAutoRecalc(false);
  const QChar sep = QLatin1Char(separator);
  const int n = static_cast<int>(text.size());
  int row = 1, col = 1, line = 1, i = 0;
  auto store = [&](const QString& field, bool quoted, int fieldLine) {
    if (row > a1::MaxRows) fail(fieldLine, QStringLiteral("more than %1 rows").arg(a1::MaxRows));
    if (col > a1::MaxCols) fail(fieldLine, QStringLiteral("more than %1 columns").arg(a1::MaxCols));
    if (field.isEmpty()) return;
    if (!quoted) {
      if (auto v = numbers::ParseTypedNumber(field)) { book.SetNumberRC(row, col, *v); return; }
    }
    book.SetTextRC(row, col, field);
  };
  while (i < n) {
    QString field;
    bool quoted = false;
    const int fieldLine = line;
    if (text[i] == QLatin1Char('"')) {
      quoted = true;
      ++i;
      for (;;) {
        if (i >= n) fail(fieldLine, QStringLiteral("a quoted field is not closed"));
        if (text[i] == QLatin1Char('"')) {
          if (i + 1 < n && text[i + 1] == QLatin1Char('"')) { field += QLatin1Char('"'); i += 2; continue; }
          ++i;
          break;
        }
        if (text[i] == QLatin1Char('\n')) ++line;
        field += text[i++];
      }
      if (i < n && text[i] != sep && text[i] != QLatin1Char('\n') && text[i] != QLatin1Char('\r'))
        fail(line, QStringLiteral("text after a closing quote"));
    } else {
      const int start = i;
      while (i < n && text[i] != sep && text[i] != QLatin1Char('\n')) ++i;
      field = text.mid(start, i - start);
      if (field.endsWith(QLatin1Char('\r'))) field.chop(1);
    }
    store(field, quoted, fieldLine);
    if (i < n && text[i] == QLatin1Char('\r')) ++i;
    if (i >= n) break;
    if (text[i] == sep) {
      ++col;
      ++i;
      if (i == n) store(QString(), false, line);
    } else if (text[i] == QLatin1Char('\n')) {
      ++row;
      ++line;
      col = 1;
      ++i;
    }
  }
  book.SetMaxRow(std::max(book.LastRow(), 1));
  book.SetMaxCol(std::max(book.LastCol(), 1));
  book.SetAutoRecalc(true);
  return book;
}

QByteArray TDelimitedText::Write(const TWorkbook& book, char separator, int rowLimit) {
  const TSheet& sheet = book.SheetAt(book.Sheet());
  const int lastRow = rowLimit > 0 ? std::min(rowLimit, sheet.LastRow()) : sheet.LastRow();
  const int lastCol = sheet.LastCol();
  // A text file has a field for every address up to the last cell: one far cell would otherwise
  // write gigabytes of separators, or fail half-way with the target already given up.
  if (static_cast<std::int64_t>(lastRow) * lastCol > MaxFields)
    throw EWorkbookError(QString(), QStringLiteral("cell %1").arg(a1::CellName(lastRow, lastCol)),
                         QStringLiteral("the sheet reaches row %1, column %2: too many fields for a text file (at most %3); "
                                        "save it as a workbook (.vts or .xlsx) instead")
                             .arg(lastRow).arg(lastCol).arg(MaxFields));
  QString out;
  for (int r = 1; r <= lastRow; ++r) {
    for (int c = 1; c <= lastCol; ++c) {
      if (c > 1) out += QLatin1Char(separator);
      const TCell* cell = sheet.Find(r, c);
      if (!cell || cell->Kind == TCellKind::Empty) continue;
      const TCellValue v = book.CellValue(sheet, *cell);
      QString field;
      if (v.Kind == TValueKind::Number && cell->Format == 0) field = numbers::FloatToShortest(v.Num);
      else field = book.FormattedTextRC(r, c);  // the sheet written is the active one
      const bool quote = field.contains(QLatin1Char(separator)) || field.contains(QLatin1Char('"')) ||
                         field.contains(QLatin1Char('\n')) || field.contains(QLatin1Char('\r')) ||
                         field.startsWith(QChar(0xFEFF)) ||  // else read back as a byte-order mark
                         (v.Kind == TValueKind::Text && numbers::ParseTypedNumber(field).has_value());
      if (quote) {
        field.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        field = QLatin1Char('"') + field + QLatin1Char('"');
      }
      out += field;
    }
    out += QLatin1Char('\n');
  }
  return out.toUtf8();
}
