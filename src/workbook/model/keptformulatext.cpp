#include "workbook/model/keptformulatext.h"

#include "workbook/model/a1notation.h"

#include <algorithm>

namespace {

bool NameChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('.'); }

// The prefix (without "!") for a sheet or a span of sheets, quoted when a name needs it.
QString Prefix(const QString& first, const QString& last) {
  if (last.isNull()) return a1::QuoteSheetName(first);
  if (a1::QuoteSheetName(first) == first && a1::QuoteSheetName(last) == last) return first + QLatin1Char(':') + last;
  QString both = first + QLatin1Char(':') + last;
  both.replace(QLatin1Char('\''), QStringLiteral("''"));
  return QLatin1Char('\'') + both + QLatin1Char('\'');
}

}  // namespace

QString TKeptFormulaText::RenameSheet(const QString& text, const QString& oldName, const QString& newName) {
  auto same = [&](const QString& name) { return name.compare(oldName, Qt::CaseInsensitive) == 0; };
  // Rewrites a prefix naming the sheet(s) first[:last] when one of them is oldName.
  auto renamed = [&](QString first, QString last, bool& changed) {
    changed = same(first) || (!last.isNull() && same(last));
    if (same(first)) first = newName;
    if (!last.isNull() && same(last)) last = newName;
    return Prefix(first, last);
  };
  QString out;
  out.reserve(text.size());
  const qsizetype n = text.size();
  qsizetype i = 0;
  while (i < n) {
    const QChar c = text[i];
    if (c == QLatin1Char('"')) {  // a string, "" inside
      qsizetype j = i + 1;
      while (j < n && !(text[j] == QLatin1Char('"') && (j + 1 >= n || text[j + 1] != QLatin1Char('"')))) j += text[j] == QLatin1Char('"') ? 2 : 1;
      j = std::min(j + 1, n);
      out += text.mid(i, j - i);
      i = j;
      continue;
    }
    if (c == QLatin1Char('\'')) {  // a quoted name, '' inside
      QString name;
      qsizetype j = i + 1;
      while (j < n) {
        if (text[j] == QLatin1Char('\'')) {
          if (j + 1 < n && text[j + 1] == QLatin1Char('\'')) { name += QLatin1Char('\''); j += 2; continue; }
          break;
        }
        name += text[j++];
      }
      const qsizetype end = std::min(j + 1, n);
      bool changed = false;
      QString prefix;
      if (end < n && text[end] == QLatin1Char('!') && !name.contains(QLatin1Char('['))) {
        const qsizetype colon = name.indexOf(QLatin1Char(':'));
        prefix = colon < 0 ? renamed(name, QString(), changed) : renamed(name.left(colon), name.mid(colon + 1), changed);
      }
      out += changed ? prefix : text.mid(i, end - i);
      i = end;
      continue;
    }
    // A run of name characters starting here; after "!" it is a cell, after "]" another workbook's sheet.
    const bool start = NameChar(c) && (i == 0 || (!NameChar(text[i - 1]) && text[i - 1] != QLatin1Char('!') &&
                                                  text[i - 1] != QLatin1Char(']') && text[i - 1] != QLatin1Char('$')));
    if (!start) {
      out += c;
      ++i;
      continue;
    }
    qsizetype j = i;
    while (j < n && NameChar(text[j])) ++j;
    const QString first = text.mid(i, j - i);
    QString last;
    qsizetype end = j;
    if (j < n && text[j] == QLatin1Char(':')) {
      qsizetype k = j + 1;
      while (k < n && NameChar(text[k])) ++k;
      if (k > j + 1 && k < n && text[k] == QLatin1Char('!')) {
        last = text.mid(j + 1, k - j - 1);
        end = k;
      }
    }
    bool changed = false;
    QString prefix;
    if (end < n && text[end] == QLatin1Char('!')) prefix = renamed(first, last, changed);
    if (changed) {
      out += prefix;
      i = end;
    } else {
      out += text.mid(i, j - i);  // the span's second name, if any, is scanned on its own
      i = j;
    }
  }
  return out;
}
