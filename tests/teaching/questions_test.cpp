#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include "support/scriptedprompts.h"
#include "teaching/choicelabel.h"
#include "teaching/phrasegap.h"
#include "teaching/qa_calculate.h"
#include "teaching/qa_dragdrop.h"
#include "teaching/qa_radiobut.h"
#include "teaching/questionlist.h"
#include "teachinghostrecorder.h"
#include "workbook/model/workbook.h"

namespace {
void Put(TWorkbook& book, int row, int col, const QVariant& v) {
  if (v.typeId() == QMetaType::QString) book.SetTextRC(row, col, v.toString());
  else book.SetNumberRC(row, col, v.toDouble());
}

// Question 1: choice (right: the first answer, two hints); 2: phrase of three parts; 3: number
// 0 (skipped); 4: calculation with the answer 50.
TWorkbook QuestionSheet() {
  TWorkbook book;
  Put(book, 1, 1, 1); Put(book, 1, 2, 1); Put(book, 1, 3, "Which is hotter?");
  Put(book, 1, 4, "The tank"); Put(book, 2, 4, "The vessel"); Put(book, 4, 4, "after a gap");
  Put(book, 1, 5, 0); Put(book, 1, 6, "heat.H1"); Put(book, 3, 6, "heat.H2");
  Put(book, 7, 1, 2); Put(book, 7, 2, 2);
  Put(book, 7, 3, "Heat flows from the"); Put(book, 8, 3, "to the"); Put(book, 9, 3, ".");
  Put(book, 7, 4, "vessel"); Put(book, 8, 4, "tank"); Put(book, 9, 4, "pump");
  Put(book, 7, 5, 1); Put(book, 8, 5, 0);
  for (int r = 9; r <= 12; ++r) Put(book, r, 5, -1);
  Put(book, 13, 1, 0); Put(book, 13, 2, 3); Put(book, 13, 3, "skipped");
  Put(book, 19, 1, 4); Put(book, 19, 2, 3); Put(book, 19, 3, "Heat flow?"); Put(book, 19, 5, 50);
  Put(book, 19, 6, "heat.C1");
  return book;
}

struct TQuestionsFixture : ::testing::Test {
  TTeachingHostRecorder host;
  TScriptedPrompts prompts;
  TQuestionList list{&host};
  // What the student does in the window before the window is closed; true = OK pressed last.
  std::function<void(TQuestionWindow&)> student;
  void SetUp() override {
    list.Set_List(QuestionSheet(), "qa.vts");
    list.ShowModal = [this](TQuestionWindow& w) {
      student(w);
      return w.Answered();
    };
  }
};
}  // namespace

TEST_F(TQuestionsFixture, BlocksAreReadBySixRows) {
  ASSERT_EQ(list.QList.size(), 3u) << "the block numbered 0 is skipped";
  const TQuestion& choice = list.QList[0];
  EXPECT_EQ(choice.QAnswers, QStringList({"The tank", "The vessel"})) << "answers end at the first empty";
  EXPECT_EQ(choice.QHints, QStringList({"heat.H1", "heat.H2"})) << "empty hints are skipped";
  const TQuestion& phrase = list.QList[1];
  EXPECT_EQ(phrase.GapCount(), 2);
  EXPECT_EQ(phrase.QCorrectAnswer[0], 1);
  EXPECT_EQ(phrase.QCorrectAnswer[2], -1);
  EXPECT_EQ(list.QList[2].QNumericAnswer, 50);
  EXPECT_EQ(list.HighestNumber(), 4);
  EXPECT_TRUE(list.Notes.isEmpty());
}

TEST(QuestionJudging, NumbersWithinTwoPercentOfTheAnswer) {
  EXPECT_TRUE(TQuestion::NumberIsRight(50, 49.5));
  EXPECT_TRUE(TQuestion::NumberIsRight(50, 51));
  EXPECT_FALSE(TQuestion::NumberIsRight(50, 52));
  EXPECT_FALSE(TQuestion::NumberIsRight(50, 48.9));
  EXPECT_TRUE(TQuestion::NumberIsRight(-10, -10.15)) << "negative answers are judged alike";
  EXPECT_FALSE(TQuestion::NumberIsRight(-10, -9.7));
  EXPECT_TRUE(TQuestion::NumberIsRight(0, 0));
  EXPECT_FALSE(TQuestion::NumberIsRight(0, 0.001));
  EXPECT_TRUE(TQuestion::NumberIsRight(1.045, 1.05));
}

TEST_F(TQuestionsFixture, ChoiceRightWrongAndCancelled) {
  EXPECT_FALSE(list.AskQuestion(0));
  EXPECT_FALSE(list.AskQuestion(7)) << "no such question";
  // Wrong first, with a hint, then cancelled: the hint waits for the next answered question.
  prompts.ExpectMessage("Wrong, try a hint to help you");
  student = [](TQuestionWindow& w) {
    auto& c = static_cast<TQA_RadioBut&>(w);
    EXPECT_EQ(c.AnswerCount(), 2);
    c.Select(1);
    c.OKClick();
    c.HintClick();
    c.CancelClick();
  };
  EXPECT_FALSE(list.AskQuestion(1));
  EXPECT_EQ(host.Wrong, 1);
  EXPECT_EQ(host.Hints, 0);
  student = [](TQuestionWindow& w) {
    auto& c = static_cast<TQA_RadioBut&>(w);
    c.OKClick();  // nothing selected: wrong
    c.Select(0);
    c.OKClick();
  };
  prompts.ExpectMessage("Wrong");
  EXPECT_TRUE(list.AskQuestion(1)) << "right index 0 is the first answer";
  EXPECT_EQ(host.Wrong, 2);
  EXPECT_EQ(host.Hints, 1) << "the cancelled question's hint counts now";
  EXPECT_EQ(list.ChoiceWindow().AnswerCount(), 0) << "closing empties the window";
  EXPECT_EQ(host.Answered, 0) << "question 1 is not the last";
}

TEST_F(TQuestionsFixture, HintsStayOnTheLast) {
  student = [](TQuestionWindow& w) {
    EXPECT_TRUE(w.HintButton()->isEnabled());
    for (int i = 0; i < 3; ++i) w.HintClick();
    static_cast<TQA_RadioBut&>(w).Select(0);
    w.OKClick();
  };
  EXPECT_TRUE(list.AskQuestion(1));
  EXPECT_EQ(host.HintsShown, QStringList({"heat.H1", "heat.H2", "heat.H2"}));
  EXPECT_EQ(host.Hints, 3);
  student = [](TQuestionWindow& w) {
    EXPECT_EQ(w.hintlevel, 0) << "a new question starts at the first hint";
    w.CancelClick();
  };
  list.AskQuestion(1);
}

TEST_F(TQuestionsFixture, PhraseFromTheKeyboardAndByDrop) {
  prompts.ExpectMessage("Wrong, try a hint");
  student = [](TQuestionWindow& w) {
    auto& d = static_cast<TQA_DragDrop&>(w);
    ASSERT_EQ(d.GapCount(), 2);
    EXPECT_FALSE(w.HintButton()->isEnabled()) << "no hints for this question";
    d.PutChoice(0, 0);
    d.OKClick();  // gap 2 still empty
    // Keyboard: Space on a choice picks it, Space on a gap puts it there.
    auto space = [](QWidget* target) {
      QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
      QCoreApplication::sendEvent(target, &press);
    };
    space(d.Choice(1));
    EXPECT_TRUE(d.Choice(1)->Picked());
    space(d.Gap(0));
    space(d.Choice(0));
    space(d.Gap(1));
    EXPECT_FALSE(d.Choice(0)->Picked());
    EXPECT_EQ(d.GapTexts(), QStringList({"tank", "vessel"}));
    d.OKClick();
  };
  EXPECT_TRUE(list.AskQuestion(2));
  EXPECT_EQ(host.Wrong, 1);
  EXPECT_EQ(list.PhraseWindow().GapCount(), 0) << "closing removes the labels";
}

TEST_F(TQuestionsFixture, CalculationNeedsANumberAndTheLastQuestionRevealsTheTable) {
  prompts.ExpectMessage("Please input a numeric answer").ExpectMessage("Wrong, try a hint to help you");
  student = [](TQuestionWindow& w) {
    auto& c = static_cast<TQA_Calculate&>(w);
    EXPECT_TRUE(c.AnswerBox()->text().isEmpty());
    c.AnswerBox()->setText("fifty");
    c.OKClick();
    c.AnswerBox()->setText("52");
    c.OKClick();
    c.AnswerBox()->setText("49.5");
    c.OKClick();
  };
  EXPECT_TRUE(list.AskQuestion(4));
  EXPECT_EQ(host.Wrong, 1) << "text that is no number is not a wrong answer";
  EXPECT_EQ(host.Answered, 1) << "4 is the highest number";
}

TEST_F(TQuestionsFixture, AnsweringAnEarlierQuestionLastRevealsNothing) {
  student = [](TQuestionWindow& w) {
    static_cast<TQA_Calculate&>(w).AnswerBox()->setText("50");
    w.OKClick();
  };
  EXPECT_TRUE(list.AskQuestion(4));
  student = [](TQuestionWindow& w) {
    static_cast<TQA_RadioBut&>(w).Select(0);
    w.OKClick();
  };
  EXPECT_TRUE(list.AskQuestion(1));
  EXPECT_EQ(host.Answered, 1);
}

// What the lab report lists: per question, every answer judged in the window's own terms with the
// wrong ones marked, and the hints opened there; a cancelled asking and the next one are one entry.
TEST_F(TQuestionsFixture, AnswersAreRecordedAsGivenWithWrongTriesMarked) {
  prompts.ExpectMessage("Wrong, try a hint").ExpectMessage("Wrong, try a hint").ExpectMessage("Please input a numeric answer")
      .ExpectMessage("Wrong, try a hint");
  student = [](TQuestionWindow& w) {
    auto& c = static_cast<TQA_RadioBut&>(w);
    c.Select(1);
    c.OKClick();
    c.HintClick();
    c.CancelClick();
  };
  EXPECT_FALSE(list.AskQuestion(1));
  student = [](TQuestionWindow& w) {
    auto& c = static_cast<TQA_RadioBut&>(w);
    c.HintClick();
    c.Select(0);
    c.OKClick();
  };
  EXPECT_TRUE(list.AskQuestion(1));
  student = [](TQuestionWindow& w) {
    auto& d = static_cast<TQA_DragDrop&>(w);
    d.PutChoice(1, 0);  // "tank" into the first gap, the second left empty
    d.OKClick();
    d.PutChoice(0, 1);
    d.OKClick();
  };
  EXPECT_TRUE(list.AskQuestion(2));
  student = [](TQuestionWindow& w) {
    auto& c = static_cast<TQA_Calculate&>(w);
    c.AnswerBox()->setText("fifty");
    c.OKClick();  // no number: no answer given
    c.AnswerBox()->setText(" 52 ");
    c.OKClick();
    c.AnswerBox()->setText("49.5");
    c.OKClick();
  };
  EXPECT_TRUE(list.AskQuestion(4));
  student = [](TQuestionWindow& w) { w.CancelClick(); };
  list.AskQuestion(2);  // opened and closed again: nothing new to tell

  const auto& entries = list.Answers().Entries();
  ASSERT_EQ(entries.size(), 3u);
  auto tries = [](const TAnswerLog::TEntry& e) {
    QStringList out;
    for (const TAnswerLog::TTry& t : e.Tries) out << (t.Right ? "right: " : "wrong: ") + t.Answer;
    return out;
  };
  EXPECT_EQ(entries[0].Number, 1);
  EXPECT_EQ(entries[0].Text, "Which is hotter?");
  EXPECT_EQ(tries(entries[0]), QStringList({"wrong: The vessel", "right: The tank"}));
  EXPECT_EQ(entries[0].Hints, 2) << "the cancelled asking's hint belongs to the question";
  EXPECT_EQ(entries[1].Text, "Heat flows from the ___ to the ___ .");
  EXPECT_EQ(tries(entries[1]), QStringList({"wrong: Heat flows from the [tank] to the [ ] .",
                                            "right: Heat flows from the [tank] to the [vessel] ."}));
  EXPECT_EQ(entries[1].Hints, 0);
  EXPECT_EQ(tries(entries[2]), QStringList({"wrong: 52", "right: 49.5"}));
  EXPECT_TRUE(entries[2].Answered());

  const QStringList lines = list.Answers().ReportLines();
  EXPECT_EQ(lines.mid(0, 4), QStringList({"Question 1: Which is hotter?", "    Wrong: The vessel", "    Right: The tank",
                                          "    Hints opened: 2"}));
  EXPECT_FALSE(lines.join('\n').contains("Not answered")) << "every question ends answered";
}

TEST(AnswerLog, AnUnansweredQuestionAndNothingChosenSaySo) {
  TAnswerLog log;
  log.Record(3, "Which valve?", {}, 0);
  EXPECT_TRUE(log.IsEmpty()) << "closed untouched";
  log.Record(3, "Which valve?", {{QString(), false}}, 1);
  EXPECT_FALSE(log.Entries().front().Answered());
  EXPECT_EQ(log.ReportLines(), QStringList({"Question 3: Which valve?", "    Wrong: (nothing chosen)", "    Not answered yet",
                                            "    Hints opened: 1"}));
}

TEST(QuestionSheet, UnreadableFileAndUnknownFormat) {
  TTeachingHostRecorder host;
  TQuestionList list(&host);
  EXPECT_FALSE(list.Set_List(QStringLiteral("/nonexistent/qa.vts")));
  EXPECT_EQ(list.Notes.value(0), "Not found QA sheet");
  TWorkbook book;
  book.SetNumberRC(1, 1, 5);
  book.SetNumberRC(1, 2, 7);
  list.Set_List(book, "qa.vts");
  ASSERT_EQ(list.QList.size(), 1u);
  EXPECT_FALSE(list.QList[0].Answerable());
  EXPECT_FALSE(list.AskQuestion(5));
  EXPECT_TRUE(list.Notes.last().contains("format 7")) << list.Notes.last().toStdString();
}
