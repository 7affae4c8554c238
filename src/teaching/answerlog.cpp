#include "teaching/answerlog.h"

#include <algorithm>

void TAnswerLog::Record(int number, const QString& text, const std::vector<TTry>& tries, int hints) {
  // An asking closed without an answer tried or a hint opened tells nothing.
  if (tries.empty() && hints == 0) return;
  auto it = std::find_if(FEntries.begin(), FEntries.end(), [number](const TEntry& e) { return e.Number == number; });
  if (it == FEntries.end()) {
    FEntries.push_back(TEntry{number, text, {}, 0});
    it = std::prev(FEntries.end());
  }
  it->Tries.insert(it->Tries.end(), tries.begin(), tries.end());
  it->Hints += hints;
}

QStringList TAnswerLog::ReportLines() const {
  QStringList out;
  for (const TEntry& e : FEntries) {
    out << QStringLiteral("Question %1: %2").arg(e.Number).arg(e.Text);
    for (const TTry& t : e.Tries)
      out << QStringLiteral("    %1: %2").arg(t.Right ? QStringLiteral("Right") : QStringLiteral("Wrong"),
                                              t.Answer.isEmpty() ? QStringLiteral("(nothing chosen)") : t.Answer);
    if (!e.Answered()) out << QStringLiteral("    Not answered yet");
    out << QStringLiteral("    Hints opened: %1").arg(e.Hints);
  }
  return out;
}
