#pragma once
// The choice question: the question and its answers as radio items, none selected at first.

#include <vector>

#include "teaching/questionwindow.h"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QRadioButton;
class QVBoxLayout;

class TQA_RadioBut : public TQuestionWindow {
  Q_OBJECT
 public:
  explicit TQA_RadioBut(ITeachingHost* host, QWidget* parent = nullptr);
  // Selects answer `index` as a click would; -1 selects none.
  void Select(int index);
  int AnswerCount() const { return static_cast<int>(FItems.size()); }

 protected:
  void Setup() override;
  void ClearAnswer() override;
  TVerdict Judge() override;
  QString AnswerText() const override;

 private:
  QLabel* FText = nullptr;
  QGroupBox* FAnswers;
  QVBoxLayout* FAnswerLayout;
  QButtonGroup* FGroup;
  std::vector<QRadioButton*> FItems;
};
