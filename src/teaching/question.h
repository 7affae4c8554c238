#pragma once
// One question of the rig's question sheet and how its answers are judged. Three kinds: a choice
// among up to six answers, a phrase completed by putting choices into the gaps between its parts,
// and a numeric calculation.

#include <array>

#include <QString>
#include <QStringList>

class TQuestion {
 public:
  enum TFormat { Choice = 1, Phrase = 2, Calculation = 3 };
  static constexpr int MaxItems = 6;
  // A typed numeric answer is right within this fraction of the right answer either way.
  static constexpr double NumericTolerance = 0.02;

  int FNumber = 0;
  int QFormat = 0;
  QStringList QText;     // the question, or the phrase parts
  QStringList QAnswers;  // the answers to choose from, or the choices for the gaps
  // Choice: [0] is the right answer's index. Phrase: for gap i the index of its choice, -1 none.
  std::array<int, MaxItems> QCorrectAnswer{-1, -1, -1, -1, -1, -1};
  double QNumericAnswer = 0;
  QStringList QHints;

  // A format other than the three kinds can never be answered.
  bool Answerable() const { return QFormat >= Choice && QFormat <= Calculation; }
  // The phrase has one gap fewer than parts.
  int GapCount() const { return QText.size() > 1 ? static_cast<int>(QText.size()) - 1 : 0; }

  bool ChoiceIsRight(int selected) const;
  // `gapTexts[i]` is what the student put into gap i ("" when nothing).
  bool PhraseIsRight(const QStringList& gapTexts) const;
  bool NumberIsRight(double typed) const { return NumberIsRight(QNumericAnswer, typed); }
  static bool NumberIsRight(double answer, double typed);
};
