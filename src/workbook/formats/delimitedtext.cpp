#include "workbook/formats/delimitedtext.h"

#include <algorithm>

#include <QStringDecoder>

#include "platform/numbers.h"
#include "workbook/model/a1notation.h"
#include "workbook/model/workbook.h"
#include "workbook/model/workbookerror.h"

namespace {

// Text that starts with a UTF-16 byte-order mark (as some programs save "Unicode text"), turned into
// UTF-8 with a UTF-8 mark; other text unchanged. Units that do not pair up leave a U+FFFD that
// `ok` reports.
QByteArray FromUtf16(const QByteArray& data, bool* ok = nullptr) {
  if (ok) *ok = true;
  const bool little = data.startsWith("\xFF\xFE"), big = data.startsWith("\xFE\xFF");
  if (!little && !big) return data;
  QStringDecoder decoder(little ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE, QStringDecoder::Flag::Stateless);
  const QString text = decoder.decode(data.mid(2));
  if (ok) *ok = !decoder.hasError() && data.size() % 2 == 0;
  return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

// Windows-1252, the 8-bit encoding spreadsheet programs on Windows save text in: Latin-1 but for
// 0x80..0x9F (five of which are unassigned and kept as their Latin-1 controls).
QString FromWindows1252(const QByteArray& data) {
  static const char16_t high[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                    0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
  QString text;
  text.reserve(data.size());
  for (const char c : data) {
    const auto b = static_cast<unsigned char>(c);
    text += QChar(b >= 0x80 && b < 0xA0 ? high[b - 0x80] : char16_t{b});
  }
  return text;
}

}  // namespace

char TDelimitedText::GuessSeparator(const QByteArray& raw) {
  const QByteArray data = FromUtf16(raw);
  bool quoted = false, comma = false;
  for (char c : data) {
    if (c == '"') quoted = !quoted;
    else if (!quoted && c == '\t') return '\t';
    else if (!quoted && c == ',') comma = true;
    else if (!quoted && (c == '\n' || c == '\r')) break;
  }
  return comma ? ',' : '\t';
}

TWorkbook TDelimitedText::Read(const QString& path, const QByteArray& raw, char separator, QStringList* notes) {
  auto fail = [&](int line, const QString& what) {
    throw EWorkbookError(path, QStringLiteral("line %1").arg(line), what);
  };
  bool utf16Ok = true;
  const QByteArray data = FromUtf16(raw, &utf16Ok);
  if (!utf16Ok) {
    const QByteArray good = data.left(data.indexOf("\xEF\xBF\xBD", 3));
    fail(static_cast<int>(good.count('\n')) + 1, QStringLiteral("the text is marked as UTF-16 but is not valid UTF-16"));
  }
  if (data.contains('\0')) {
    const int line = static_cast<int>(data.left(data.indexOf('\0')).count('\n')) + 1;
    fail(line, QStringLiteral("not a text file (it holds a NUL byte)"));
  }
  // One leading U+FEFF is a byte-order mark; the decoder keeps it so that exactly one is dropped.
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
  QString text = decoder.decode(data);
  if (decoder.hasError()) {
    // Not UTF-8: text saved by Windows programs is in their 8-bit encoding, which every byte
    // decodes in. The reader is told, since a guess may be wrong.
    int line = 1;
    for (const QByteArray& l : data.split('\n')) {
      QStringDecoder d(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
      const QString decoded = d.decode(l);
      if (d.hasError()) break;
      ++line;
    }
    text = FromWindows1252(data);
    if (notes)
      *notes << QStringLiteral("%1: line %2: the text is not UTF-8; it was read as Windows-1252 (Western European)").arg(path).arg(line);
  }
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  // Lines that end in CR alone, as old Macintosh programs write them.
  if (!text.contains(QLatin1Char('\n'))) text.replace(QLatin1Char('\r'), QLatin1Char('\n'));

  TWorkbook book;
  book.SetAutoRecalc(false);
  // A line is a row at most: room for them all at once, rather than the rows copied at every
  // doubling of their table.
  book.ReserveRows(1, static_cast<int>(std::min<qsizetype>(text.count(QLatin1Char('\n')) + 1, a1::MaxRows)));
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

QByteArray TDelimitedText::Write(const TWorkbook& book, char separator, int rowLimit, QStringList* changes) {
  QByteArray all;
  Write(book, separator, [&all](const QByteArray& piece) { all += piece; }, rowLimit, changes);
  return all;
}

void TDelimitedText::Write(const TWorkbook& book, char separator, const std::function<void(const QByteArray&)>& put, int rowLimit,
                           QStringList* changes) {
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
  // Built as UTF-8 bytes, a piece at a time: a table of numbers is most of what is written, and
  // neither a UTF-16 copy nor the whole file need be held.
  constexpr qsizetype Piece = 1 << 20;
  QByteArray out;
  out.reserve(Piece + 4096);
  bool written = false;
  int nulCells = 0;
  QString firstNulCell;
  for (int r = 1; r <= lastRow; ++r) {
    for (int c = 1; c <= lastCol; ++c) {
      if (c > 1) out += separator;
      const TCell* cell = sheet.Find(r, c);
      if (!cell || cell->Kind == TCellKind::Empty) continue;
      const TCellValue v = book.CellValue(sheet, *cell);
      // A number's shortest form holds no separator, quote or line end: it goes out as it is.
      if (v.Kind == TValueKind::Number && cell->Format == 0) {
        numbers::AppendShortest(out, v.Num);
        continue;
      }
      QString field = book.FormattedTextRC(r, c);  // the sheet written is the active one
      // A NUL makes the file binary to every reader, ours included.
      if (field.contains(QChar(0))) {
        field.remove(QChar(0));
        if (nulCells++ == 0) firstNulCell = a1::CellName(r, c);
      }
      const bool quote = field.contains(QLatin1Char(separator)) || field.contains(QLatin1Char('"')) ||
                         field.contains(QLatin1Char('\n')) || field.contains(QLatin1Char('\r')) ||
                         field.startsWith(QChar(0xFEFF)) ||  // else read back as a byte-order mark
                         (v.Kind == TValueKind::Text && numbers::ParseTypedNumber(field).has_value());
      if (quote) {
        field.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        field = QLatin1Char('"') + field + QLatin1Char('"');
      }
      out += field.toUtf8();
    }
    out += '\n';
    if (out.size() >= Piece) {
      put(out);
      out.resize(0);
      written = true;
    }
  }
  if (nulCells > 0 && changes)
    *changes << (nulCells == 1 ? QStringLiteral("cell %1 held NUL characters, which a text file cannot hold: they were left out").arg(firstNulCell)
                               : QStringLiteral("%1 cells (the first %2) held NUL characters, which a text file cannot hold: they were left out")
                                     .arg(nulCells).arg(firstNulCell));
  // An empty file is no text file to any reader: the empty sheet is one blank line.
  if (!written && out.isEmpty()) {
    out = "\n";
    if (changes) *changes << QStringLiteral("the sheet is empty: the file holds one blank line");
  }
  if (!out.isEmpty()) put(out);
}
