#pragma once
// The questions of the rig's question sheet, asked by the presentation's slides. Each question
// is a block of six rows; the question with the highest number is the last one: answering it
// reveals the results table's hidden columns.

#include <functional>
#include <memory>
#include <vector>

#include <QString>
#include <QStringList>

#include "teaching/answerlog.h"
#include "teaching/question.h"

class ITeachingHost;
class TWorkbook;
class TQuestionWindow;
class TQA_RadioBut;
class TQA_DragDrop;
class TQA_Calculate;

class TQuestionList {
 public:
  static constexpr int BlockRows = 6;

  explicit TQuestionList(ITeachingHost* host);
  ~TQuestionList();

  // Reads the questions; false, with "Not found QA sheet" in Notes, when the file cannot be read.
  bool Set_List(const QString& path);
  void Set_List(const TWorkbook& book, const QString& name);

  const TQuestion* Find(int number) const;
  int HighestNumber() const;
  // There is a question `number` that can be answered.
  bool CanAsk(int number) const;
  // Asks question `number` in its window; true when the student answered it rightly.
  bool AskQuestion(int number);

  // How a question window is shown modally: by default through the prompt service. Tests put
  // their own here to answer in the window.
  std::function<bool(TQuestionWindow&)> ShowModal;

  std::vector<TQuestion> QList;
  QStringList Notes;  // bad cells, unreadable file

  // Every question asked so far and what was answered, for the lab report.
  const TAnswerLog& Answers() const { return FAnswers; }
  void ForgetAnswers() { FAnswers.Clear(); }

  TQA_RadioBut& ChoiceWindow() { return *FChoice; }
  TQA_DragDrop& PhraseWindow() { return *FPhrase; }

 private:
  TQuestionWindow* WindowFor(int format) const;

  ITeachingHost* FHost;
  std::unique_ptr<TQA_RadioBut> FChoice;
  std::unique_ptr<TQA_DragDrop> FPhrase;
  std::unique_ptr<TQA_Calculate> FCalculation;
  TAnswerLog FAnswers;
};
