#include "workbook/model/a1notation.h"

namespace a1 {

QString ColumnName(int col) {
  QByteArray name;
  AppendColumnName(name, col);
  return QString::fromLatin1(name);
}

char* WriteColumnName(char* out, int col) {
  char letters[8];
  int n = 0;
  while (col > 0 && n < 8) {
    letters[n++] = static_cast<char>('A' + (col - 1) % 26);
    col = (col - 1) / 26;
  }
  while (n > 0) *out++ = letters[--n];
  return out;
}

void AppendColumnName(QByteArray& out, int col) {
  char letters[8];
  out.append(letters, WriteColumnName(letters, col) - letters);
}

QString CellName(int row, int col) { return ColumnName(col) + QString::number(row); }

namespace {

// Column letters (A..XFD, any case) at p: the characters taken, 0 when there are none or too many.
int ScanColumn(const QChar* p, int n, int& col) {
  int i = 0;
  col = 0;
  while (i < n && i < 4) {
    const char16_t c = p[i].toUpper().unicode();
    if (c < u'A' || c > u'Z') break;
    col = col * 26 + (c - u'A' + 1);
    ++i;
  }
  return i == 0 || i > 3 || col > MaxCols ? 0 : i;
}

// A row number (1..MaxRows, ASCII digits) at p: the characters taken, 0 when there is none.
int ScanRow(const QChar* p, int n, int& row) {
  int i = 0;
  long long value = 0;
  while (i < n && p[i].unicode() < 128 && p[i].isDigit()) {
    value = value * 10 + (p[i++].unicode() - u'0');
    if (value > MaxRows) return 0;
  }
  if (i == 0 || value < 1) return 0;
  row = static_cast<int>(value);
  return i;
}

}  // namespace

int ScanCellName(const QChar* p, int n, TCellName& out) {
  out = TCellName{};
  int i = 0;
  if (i < n && p[i] == QLatin1Char('$')) { out.AbsCol = true; ++i; }
  const int letters = ScanColumn(p + i, n - i, out.Col);
  if (letters == 0) return 0;
  i += letters;
  if (i < n && p[i] == QLatin1Char('$')) { out.AbsRow = true; ++i; }
  const int digits = ScanRow(p + i, n - i, out.Row);
  if (digits == 0) { out = TCellName{}; return 0; }
  return i + digits;
}

int ScanLineName(const QChar* p, int n, TCellName& out) {
  out = TCellName{};
  int i = 0;
  const bool abs = i < n && p[i] == QLatin1Char('$');
  if (abs) ++i;
  if (i < n && p[i].unicode() < 128 && p[i].isDigit()) {
    const int digits = ScanRow(p + i, n - i, out.Row);
    if (digits == 0) return 0;
    i += digits;
    out.Col = 1;
    out.AbsRow = abs;
    out.AbsCol = true;
    out.WholeRow = true;
  } else {
    const int letters = ScanColumn(p + i, n - i, out.Col);
    if (letters == 0) return 0;
    i += letters;
    out.Row = 1;
    out.AbsCol = abs;
    out.AbsRow = true;
    out.WholeCol = true;
  }
  if (i < n && (p[i].isLetterOrNumber() || p[i] == QLatin1Char('_') || p[i] == QLatin1Char('.') ||
                p[i] == QLatin1Char('$') || p[i] == QLatin1Char('(')))
    return 0;
  return i;
}

QString NameText(const TCellName& c) {
  char16_t buffer[NameChars];
  return QString(reinterpret_cast<const QChar*>(buffer), WriteName(c, buffer));
}

int WriteName(const TCellName& c, char16_t* out) {
  int n = 0;
  if (!c.WholeRow) {
    if (c.AbsCol) out[n++] = u'$';
    char16_t letters[8];
    int k = 0;
    for (int col = c.Col; col > 0 && k < 8; col = (col - 1) / 26) letters[k++] = static_cast<char16_t>(u'A' + (col - 1) % 26);
    while (k > 0) out[n++] = letters[--k];
  }
  if (!c.WholeCol) {
    if (c.AbsRow) out[n++] = u'$';
    char16_t digits[11];
    int k = 0;
    unsigned row = c.Row < 0 ? 0u - static_cast<unsigned>(c.Row) : static_cast<unsigned>(c.Row);
    do {
      digits[k++] = static_cast<char16_t>(u'0' + row % 10);
      row /= 10;
    } while (row > 0);
    if (c.Row < 0) out[n++] = u'-';
    while (k > 0) out[n++] = digits[--k];
  }
  return n;
}

std::optional<TCellName> ParseCellName(const QString& text) {
  TCellName name;
  const int n = static_cast<int>(text.size());
  if (ScanCellName(text.constData(), n, name) != n || n == 0) return std::nullopt;
  return name;
}

QString QuoteSheetName(const QString& name) {
  bool plain = !name.isEmpty() && !name[0].isDigit();
  for (QChar c : name)
    if (!(c.isLetterOrNumber() || c == QLatin1Char('_'))) plain = false;
  TCellName dummy;
  if (plain && ScanCellName(name.constData(), static_cast<int>(name.size()), dummy) == name.size())
    plain = false;
  if (plain) return name;
  QString quoted = name;
  quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
  return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

}  // namespace a1
