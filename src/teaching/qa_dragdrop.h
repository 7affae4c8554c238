#pragma once
// The phrase question: the phrase parts with a gap between each two, and the choices to drag (or
// put from the keyboard) into the gaps. Phrase and choices flow left to right and wrap.

#include <vector>

#include "teaching/questionwindow.h"

class QGroupBox;
class QLabel;
class TChoiceLabel;
class TPhraseGap;

class TQA_DragDrop : public TQuestionWindow {
  Q_OBJECT
 public:
  explicit TQA_DragDrop(ITeachingHost* host, QWidget* parent = nullptr);

  int GapCount() const { return static_cast<int>(FGaps.size()); }
  QStringList GapTexts() const;
  TPhraseGap* Gap(int i) const { return FGaps.at(static_cast<size_t>(i)); }
  TChoiceLabel* Choice(int i) const { return FChoices.at(static_cast<size_t>(i)); }
  // Puts choice `choice` into gap `gap`, as a drop does.
  void PutChoice(int choice, int gap);

 protected:
  void Setup() override;
  void ClearAnswer() override;
  TVerdict Judge() override;
  QString AnswerText() const override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Pick(TChoiceLabel* label);
  void PutPicked(TPhraseGap* gap);
  // Lays `items` out in `box` from (10, 20), `spacing` pixels apart, wrapping at the box's edge.
  static void Flow(QWidget* box, const std::vector<QWidget*>& items, int spacing);
  void FlowAll();

  QGroupBox *FPhraseBox, *FChoiceBox;
  std::vector<QWidget*> FPhraseItems;  // parts and gaps in order
  std::vector<QLabel*> FParts;
  std::vector<TPhraseGap*> FGaps;
  std::vector<TChoiceLabel*> FChoices;
  TChoiceLabel* FPicked = nullptr;
};
