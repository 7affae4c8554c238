#include "teaching/question.h"

#include <algorithm>
#include <cmath>

bool TQuestion::ChoiceIsRight(int selected) const {
  return QFormat == Choice && selected >= 0 && selected < QAnswers.size() && selected == QCorrectAnswer[0];
}

bool TQuestion::PhraseIsRight(const QStringList& gapTexts) const {
  if (QFormat != Phrase) return false;
  for (int gap = 0; gap < MaxItems; ++gap) {
    const int choice = QCorrectAnswer[static_cast<size_t>(gap)];
    if (choice == -1) continue;
    // A gap that points past the choices or past the phrase can never be filled rightly.
    if (choice < 0 || choice >= QAnswers.size() || gap >= gapTexts.size()) return false;
    if (gapTexts[gap] != QAnswers[choice]) return false;
  }
  return true;
}

// Relative to the right answer, so the band is the same either side and works for negative
// answers; a right answer of 0 needs 0 (a relative band around 0 has no width).
bool TQuestion::NumberIsRight(double answer, double typed) {
  if (!std::isfinite(typed) || !std::isfinite(answer)) return false;
  const double band = std::max(NumericTolerance * std::fabs(answer), 1e-12);
  return std::fabs(typed - answer) <= band * (1 + 1e-12);
}
