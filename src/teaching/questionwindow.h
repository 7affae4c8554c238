#pragma once
// The frame the three question windows share: caption "Question", placed 200 pixels right of and
// below the main window's top-left corner, with OK, Cancel and Hint. OK judges the answer: right
// closes the window, wrong says so and counts a wrong answer. Hint opens the question's hints in
// turn, staying on the last.

#include <vector>

#include <QDialog>

#include "teaching/answerlog.h"
#include "teaching/question.h"

class QLabel;
class QPushButton;
class QVBoxLayout;
class ITeachingHost;

class TQuestionWindow : public QDialog {
  Q_OBJECT
 public:
  explicit TQuestionWindow(ITeachingHost* host, QWidget* parent = nullptr);

  // Sets the window up for `question` (hint level back to 0, no answer given).
  void SetQuestion(const TQuestion& question);
  // Empties the answers, hints and labels after the window closed.
  void Clear();
  const TQuestion& Question() const { return FQuestion; }
  QString QuestionText() const { return FQuestion.QText.join(QLatin1Char(' ')); }
  // True after OK found the answer right.
  bool Answered() const { return FAnswered; }
  // The answers OK judged since SetQuestion, in order, as the student gave them.
  const std::vector<TAnswerLog::TTry>& Tries() const { return FTries; }

  void OKClick();
  void CancelClick() { reject(); }
  void HintClick();
  QPushButton* HintButton() const { return FHint; }
  QPushButton* OKButton() const { return FOK; }

  int hintlevel = 0;
  int HintsUsed = 0;  // hints opened since this window's last answered question

 protected:
  enum class TVerdict { Right, Wrong, NotGiven };
  // Fills the window's controls from Question().
  virtual void Setup() = 0;
  virtual void ClearAnswer() = 0;
  virtual TVerdict Judge() = 0;
  // The answer in the window as the student would read it back.
  virtual QString AnswerText() const = 0;
  QVBoxLayout* Body() const { return FBody; }
  // A framed box holding the question's text, added to the body; returns the text's label.
  QLabel* AddQuestionBox(int stretch);
  void showEvent(QShowEvent* event) override;

 private:
  ITeachingHost* FHost;
  TQuestion FQuestion;
  bool FAnswered = false;
  std::vector<TAnswerLog::TTry> FTries;
  QVBoxLayout* FBody;
  QPushButton *FOK, *FCancel, *FHint;
};
