#include "inifile.h"

#include <QStringList>

const TIniFile::TEntry* TIniFile::TSection::Find(const QString& key) const {
  for (const TEntry& e : Entries)
    if (e.Key == key) return &e;
  return nullptr;
}

static QString StripComment(const QString& line) {
  const QString trimmed = line.trimmed();
  if (trimmed.startsWith(u';') || trimmed.startsWith(u'#')) return {};
  for (int i = 1; i < line.size(); ++i)
    if ((line[i] == u';' || line[i] == u'#') && line[i - 1].isSpace()) return line.left(i).trimmed();
  return trimmed;
}

bool TIniFile::Parse(const QByteArray& text, QString* error) {
  FSections.clear();
  const QStringList lines = QString::fromUtf8(text).split(u'\n');
  for (int i = 0; i < lines.size(); ++i) {
    const int lineNo = i + 1;
    const QString line = StripComment(lines[i]);
    if (line.isEmpty()) continue;
    if (line.startsWith(u'[')) {
      if (!line.endsWith(u']') || line.size() < 3) {
        *error = QStringLiteral("line %1: a section header must look like [name]").arg(lineNo);
        return false;
      }
      TSection s;
      s.Name = line.mid(1, line.size() - 2).toLower().remove(u' ').remove(u'\t');
      s.Line = lineNo;
      for (const TSection& other : FSections)
        if (other.Name == s.Name) {
          *error = QStringLiteral("line %1: section [%2] already given on line %3")
                       .arg(lineNo).arg(s.Name).arg(other.Line);
          return false;
        }
      FSections.append(s);
      continue;
    }
    const int eq = line.indexOf(u'=');
    if (eq <= 0) {
      *error = QStringLiteral("line %1: expected key = value, got \"%2\"").arg(lineNo).arg(line);
      return false;
    }
    if (FSections.isEmpty()) {
      *error = QStringLiteral("line %1: \"%2\" stands before any [section]").arg(lineNo).arg(line);
      return false;
    }
    TEntry e{line.left(eq).trimmed().toLower(), line.mid(eq + 1).trimmed(), lineNo};
    TSection& s = FSections.last();
    if (const TEntry* old = s.Find(e.Key)) {
      *error = QStringLiteral("line %1: key \"%2\" already given on line %3")
                   .arg(lineNo).arg(e.Key).arg(old->Line);
      return false;
    }
    s.Entries.append(e);
  }
  return true;
}
