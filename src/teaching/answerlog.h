#pragma once
// What the student answered this session: per question asked, its number and text, every answer
// tried in the window's own terms (the chosen option, the phrase with its gaps filled, the typed
// number), whether each was right, and the hints opened. Kept in memory only, for the lab report.

#include <vector>

#include <QString>
#include <QStringList>

class TAnswerLog {
 public:
  struct TTry {
    QString Answer;
    bool Right = false;
  };
  struct TEntry {
    int Number = 0;
    QString Text;
    std::vector<TTry> Tries;
    int Hints = 0;
    bool Answered() const { return !Tries.empty() && Tries.back().Right; }
  };

  // One asking of question `number`: its tries and hints add to that question's entry, so a
  // question cancelled and asked again shows all its tries in order.
  void Record(int number, const QString& text, const std::vector<TTry>& tries, int hints);
  const std::vector<TEntry>& Entries() const { return FEntries; }
  bool IsEmpty() const { return FEntries.empty(); }
  void Clear() { FEntries.clear(); }

  // The entries as report lines: the question, then each answer marked right or wrong, then the
  // hints opened.
  QStringList ReportLines() const;

 private:
  std::vector<TEntry> FEntries;
};
