#pragma once
// The calculation question: the question and a box for the numeric answer, judged within the
// question's tolerance.

#include "teaching/questionwindow.h"

class QLabel;
class QLineEdit;

class TQA_Calculate : public TQuestionWindow {
  Q_OBJECT
 public:
  explicit TQA_Calculate(ITeachingHost* host, QWidget* parent = nullptr);
  QLineEdit* AnswerBox() const { return FAnswer; }

 protected:
  void Setup() override;
  void ClearAnswer() override;
  TVerdict Judge() override;
  QString AnswerText() const override;

 private:
  QLabel* FText = nullptr;
  QLineEdit* FAnswer;
};
