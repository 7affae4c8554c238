#pragma once
// A strict reader for the small ini files of the simulator. It keeps line numbers so that a rig
// author is told exactly which line is wrong, and refuses what it does not understand instead of
// guessing.

#include <QByteArray>
#include <QList>
#include <QString>

class TIniFile {
 public:
  struct TEntry {
    QString Key;  // lower case
    QString Value;
    int Line = 0;
  };
  struct TSection {
    QString Name;  // lower case, inner blanks removed ("AI 0" -> "ai0")
    int Line = 0;
    QList<TEntry> Entries;
    const TEntry* Find(const QString& key) const;
  };

  // Comments start with ';' or '#' at the beginning of a line or after a blank.
  bool Parse(const QByteArray& text, QString* error);
  const QList<TSection>& Sections() const { return FSections; }

 private:
  QList<TSection> FSections;
};
