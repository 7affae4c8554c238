#include "workbook/model/formulalexer.h"

#include <charconv>

#include "workbook/model/cellvalue.h"
#include "workbook/model/workbookerror.h"

namespace {

bool IsWordChar(QChar c) {
  return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('.') || c == QLatin1Char('$');
}

[[noreturn]] void Fail(const QString& what, int pos) {
  throw EWorkbookError(QStringLiteral("%1 at position %2").arg(what).arg(pos + 1));
}

// Reads a number starting at i; returns its length.
int ScanNumber(const QString& s, int i, double& value) {
  const int n = static_cast<int>(s.size());
  int j = i;
  while (j < n && s[j].isDigit() && s[j].unicode() < 128) ++j;
  if (j < n && s[j] == QLatin1Char('.')) {
    ++j;
    while (j < n && s[j].isDigit() && s[j].unicode() < 128) ++j;
  }
  if (j < n && (s[j] == QLatin1Char('e') || s[j] == QLatin1Char('E'))) {
    int k = j + 1;
    if (k < n && (s[k] == QLatin1Char('+') || s[k] == QLatin1Char('-'))) ++k;
    if (k < n && s[k].isDigit() && s[k].unicode() < 128) {
      while (k < n && s[k].isDigit() && s[k].unicode() < 128) ++k;
      j = k;
    }
  }
  const QByteArray text = s.mid(i, j - i).toLatin1();
  const auto [ptr, ec] = std::from_chars(text.constData(), text.constData() + text.size(), value);
  if (ec == std::errc::result_out_of_range) Fail(QStringLiteral("number out of range"), i);
  if (ec != std::errc() || ptr != text.constData() + text.size()) Fail(QStringLiteral("malformed number"), i);
  return j - i;
}

// A whole-column or whole-row range ("A:C", "$3:$3") at i: both ends must be of one kind. On a hit
// the two ends and the colon are appended as a Ref, Colon, Ref triple, as a cell range would be,
// and the length taken is returned; 0 otherwise. `first` carries any sheet prefix already read.
int ScanWholeLines(const QString& s, int i, TFormulaToken first, std::vector<TFormulaToken>& out) {
  const int n = static_cast<int>(s.size());
  a1::TCellName a, b;
  const int lenA = a1::ScanLineName(s.constData() + i, n - i, a);
  if (lenA == 0 || i + lenA >= n || s[i + lenA] != QLatin1Char(':')) return 0;
  const int j = i + lenA + 1;
  const int lenB = a1::ScanLineName(s.constData() + j, n - j, b);
  if (lenB == 0 || a.WholeCol != b.WholeCol) return 0;
  if (b.WholeCol) b.Row = a1::MaxRows;
  else b.Col = a1::MaxCols;
  first.Kind = TTokenKind::Ref;
  first.CellPos = i;
  first.Len = i + lenA - first.Pos;
  first.Cell = a;
  out.push_back(first);
  TFormulaToken colon{TTokenKind::Colon};
  colon.Pos = i + lenA;
  colon.Len = 1;
  colon.Text = QStringLiteral(":");
  out.push_back(colon);
  TFormulaToken second{TTokenKind::Ref};
  second.Pos = second.CellPos = j;
  second.Len = lenB;
  second.Cell = b;
  out.push_back(second);
  return j + lenB - first.Pos;
}

}  // namespace

int TFormulaLexer::BodyStart(const QString& formula) {
  return formula.startsWith(QLatin1Char('=')) ? 1 : 0;
}

std::vector<TFormulaToken> TFormulaLexer::Tokenize(const QString& s) {
  std::vector<TFormulaToken> out;
  const int n = static_cast<int>(s.size());
  int i = BodyStart(s);
  auto push = [&](TTokenKind kind, int pos, int len, const QString& text) {
    TFormulaToken t{kind};
    t.Pos = pos; t.Len = len; t.Text = text;
    out.push_back(std::move(t));
  };
  while (i < n) {
    const QChar c = s[i];
    if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
      ++i;
      continue;
    }
    if ((c.isLetterOrNumber() || c == QLatin1Char('$'))) {
      TFormulaToken first{TTokenKind::Ref};
      first.Pos = i;
      if (const int len = ScanWholeLines(s, i, first, out)) {
        i += len;
        continue;
      }
    }
    if ((c.isDigit() && c.unicode() < 128) ||
        (c == QLatin1Char('.') && i + 1 < n && s[i + 1].isDigit())) {
      TFormulaToken t{TTokenKind::Number};
      t.Pos = i;
      t.Len = ScanNumber(s, i, t.Num);
      out.push_back(t);
      i += t.Len;
      continue;
    }
    if (c == QLatin1Char('"')) {
      QString text;
      int j = i + 1;
      for (;; ++j) {
        if (j >= n) Fail(QStringLiteral("unterminated string"), i);
        if (s[j] == QLatin1Char('"')) {
          if (j + 1 < n && s[j + 1] == QLatin1Char('"')) { text += QLatin1Char('"'); ++j; continue; }
          break;
        }
        text += s[j];
      }
      push(TTokenKind::String, i, j + 1 - i, text);
      i = j + 1;
      continue;
    }
    if (c == QLatin1Char('#')) {
      int best = 0;
      for (int len = 3; len <= 7 && i + len <= n; ++len)
        if (TCellValue::ParseError(s.mid(i, len)) != TCellError::None) best = len;
      if (best == 0) Fail(QStringLiteral("unknown error value"), i);
      push(TTokenKind::Error, i, best, s.mid(i, best).toUpper());
      i += best;
      continue;
    }
    if (c == QLatin1Char('\'') || IsWordChar(c)) {
      TFormulaToken t{TTokenKind::Ref};
      t.Pos = i;
      int j = i;
      QString word;
      if (c == QLatin1Char('\'')) {
        for (j = i + 1;; ++j) {
          if (j >= n) Fail(QStringLiteral("unterminated sheet name"), i);
          if (s[j] == QLatin1Char('\'')) {
            if (j + 1 < n && s[j + 1] == QLatin1Char('\'')) { word += QLatin1Char('\''); ++j; continue; }
            break;
          }
          word += s[j];
        }
        ++j;
        if (j >= n || s[j] != QLatin1Char('!')) Fail(QStringLiteral("expected ! after sheet name"), j);
      } else {
        while (j < n && IsWordChar(s[j])) ++j;
        word = s.mid(i, j - i);
      }
      if (j < n && s[j] == QLatin1Char('!')) {
        t.HasSheet = true;
        t.Text = word;
        t.CellPos = j + 1;
        if (const int whole = ScanWholeLines(s, t.CellPos, t, out)) {
          i += whole;
          continue;
        }
        const int len = a1::ScanCellName(s.constData() + t.CellPos, n - t.CellPos, t.Cell);
        if (len == 0 || (t.CellPos + len < n && IsWordChar(s[t.CellPos + len])))
          Fail(QStringLiteral("expected a cell after sheet name"), t.CellPos);
        t.Len = t.CellPos + len - i;
        out.push_back(t);
        i += t.Len;
        continue;
      }
      int k = j;
      while (k < n && (s[k] == QLatin1Char(' '))) ++k;
      const bool call = k < n && s[k] == QLatin1Char('(');
      const int len = a1::ScanCellName(s.constData() + i, j - i, t.Cell);
      if (!call && len == j - i) {
        t.CellPos = i;
        t.Len = len;
        out.push_back(t);
        i = j;
        continue;
      }
      if (word.contains(QLatin1Char('$'))) Fail(QStringLiteral("malformed reference"), i);
      push(TTokenKind::Ident, i, j - i, word);
      i = j;
      continue;
    }
    switch (c.unicode()) {
      case u'(': push(TTokenKind::LParen, i, 1, QStringLiteral("(")); ++i; continue;
      case u')': push(TTokenKind::RParen, i, 1, QStringLiteral(")")); ++i; continue;
      case u',': push(TTokenKind::Comma, i, 1, QStringLiteral(",")); ++i; continue;
      case u':': push(TTokenKind::Colon, i, 1, QStringLiteral(":")); ++i; continue;
      case u'+': case u'-': case u'*': case u'/': case u'^': case u'&': case u'%': case u'=':
        push(TTokenKind::Op, i, 1, QString(c)); ++i; continue;
      case u'<':
        if (i + 1 < n && (s[i + 1] == QLatin1Char('=') || s[i + 1] == QLatin1Char('>'))) {
          push(TTokenKind::Op, i, 2, s.mid(i, 2)); i += 2;
        } else {
          push(TTokenKind::Op, i, 1, QStringLiteral("<")); ++i;
        }
        continue;
      case u'>':
        if (i + 1 < n && s[i + 1] == QLatin1Char('=')) { push(TTokenKind::Op, i, 2, QStringLiteral(">=")); i += 2; }
        else { push(TTokenKind::Op, i, 1, QStringLiteral(">")); ++i; }
        continue;
      default: break;
    }
    Fail(QStringLiteral("unexpected character '%1'").arg(c), i);
  }
  return out;
}
