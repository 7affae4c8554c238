#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QPixmap>
#include <QPrinter>
#include <QCheckBox>
#include <QFile>
#include <QTextStream>

#include "platform/services.h"
#include "results/resultsprinter.h"
#include "results/tableform.h"
#include "workbook/view/f1book.h"
#include "rigconfig/registry.h"
#include "rigconfig/rigchecker.h"
#include "rigconfig/rigconfig.h"
#include "rigconfig/settingsnames.h"
#include "shell/master.h"
#include "support/recordinghelpviewer.h"
#include "support/scriptedprompts.h"
#include "support/tempfolder.h"
#include "teaching/qa_calculate.h"
#include "teaching/qa_dragdrop.h"
#include "teaching/qa_radiobut.h"
#include "teaching/questionlist.h"
#include "teaching/walkthroughgroupform.h"
#include "workbook/model/workbook.h"

#include <QLineEdit>

namespace {
const QString kDemoSource = QStringLiteral(QUORLEX_SOURCE_DIR "/examples/rigs/demo");

QString CheckReport(const QString& rig, bool* ok = nullptr) {
  QString report;
  QTextStream out(&report);
  const bool passed = TRigChecker::Check(rig, out);
  if (ok) *ok = passed;
  return report;
}
}  // namespace

TEST(TeachingRigCheck, DemoPassesAndFaultsAreNamed) {
  TTempFolder tmp;
  const QString rig = tmp.CopyTree(kDemoSource, "demo");
  bool ok = false;
  QString report = CheckReport(rig, &ok);
  EXPECT_TRUE(ok) << report.toStdString();
  EXPECT_TRUE(report.contains("Presentation: 3 chapters, 7 slides, 3 questions")) << report.toStdString();

  QFile::remove(rig + "/walk/heating.png");
  TWorkbook qa;
  qa.Read(rig + "/config/qa.vts");
  qa.SetNumberRC(1, 5, 7);   // right answer past the four answers
  qa.SetNumberRC(12, 5, 0);  // a choice for a gap the phrase does not have
  qa.SetTextRC(13, 6, "heat.Hints\\Nowhere.htm");
  qa.SetTextRC(13, 3, QString(201, QLatin1Char('x')));
  qa.Write(rig + "/config/qa.vts", TWorkbook::ftNative3);
  TWorkbook wtg;
  wtg.Read(rig + "/config/wtg.vts");
  wtg.SetNumberRC(2, 6, 9);  // a question that does not exist
  wtg.Write(rig + "/config/wtg.vts", TWorkbook::ftNative3);
  report = CheckReport(rig, &ok);
  EXPECT_FALSE(ok);
  for (const char* fault : {"heating.png does not exist", "question 1: the right answer 7", "gap 5 does not exist",
                            "row 2: question 9 is not in", "\"heat.Hints\\Nowhere.htm\" has no page",
                            "row 13, column 3: the text is longer than 200 characters"})
    EXPECT_TRUE(report.contains(fault)) << fault << "\n" << report.toStdString();
}

// The demo rig in the program: the presentation in front at start, its status text, and the
// last question revealing the table's hidden columns.
TEST(TeachingInTheProgram, PresentationQuestionsAndTheTable) {
  TTempFolder tmp;
  qputenv("QUORLEX_DEVICE_DIR", tmp.File("no-devices").toLocal8Bit());
  TScriptedPrompts prompts;
  TRecordingHelpViewer help;
  prompts.ExpectChoice(0);  // the exercise
  TMaster master;
  master.StartUp(tmp.CopyTree(kDemoSource, "demo"), {});
  ASSERT_NE(master.Presentation(), nullptr);
  EXPECT_TRUE(master.Action("Presentation")->isEnabled());
  EXPECT_EQ(master.ActiveForm, 4) << "Show at startup is ticked the first time";
  EXPECT_EQ(master.PanelText(0), "The equipment : Slide 1 of 3");
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(master.Rig()->RegistryKey, false));
    EXPECT_TRUE(reg.ReadBool(settings::reg::ShowPresentation));
  }
  master.ShowChild(3);
  EXPECT_TRUE(master.Action("Unhide")->isEnabled());
  master.ShowChild(1);
  EXPECT_FALSE(master.Action("Unhide")->isEnabled()) << "only with the table in front";

  TTableForm& table = *master.Table();
  TQuestionList& questions = *master.Questions();
  prompts.ExpectMessage("Wrong, try a hint");
  questions.ShowModal = [](TQuestionWindow& w) {
    if (auto* choice = dynamic_cast<TQA_RadioBut*>(&w)) {
      choice->Select(0);  // the vessel: wrong
      choice->OKClick();
      choice->Select(1);
    } else if (auto* phrase = dynamic_cast<TQA_DragDrop*>(&w)) {
      phrase->PutChoice(0, 0);
      phrase->PutChoice(1, 1);
      phrase->PutChoice(2, 2);
    } else if (auto* calc = dynamic_cast<TQA_Calculate*>(&w)) {
      w.HintClick();
      calc->AnswerBox()->setText("1.05");
    }
    w.OKClick();
    return w.Answered();
  };
  master.ShowChild(3);
  const QString firstSampleNumber = table.ResultsTable->Book().TextRC(2, 1);
  master.Action("Unhide")->trigger();
  EXPECT_EQ(table.WrongAnswers, 1);
  EXPECT_FALSE(table.QuestionsAreAnswered);
  master.Presentation()->Unhide();
  master.Presentation()->Unhide();
  EXPECT_EQ(table.HintsUsed, 1);
  EXPECT_TRUE(table.QuestionsAreAnswered) << "question 3 is the last";
  EXPECT_DOUBLE_EQ(table.Score, 1.01);
  // The demo records its sample number in column 1: the score must not overwrite it.
  EXPECT_EQ(table.ResultsTable->Book().TextRC(2, 1), firstSampleNumber);
  EXPECT_FALSE(table.ScoreCellIsFree());
  EXPECT_FALSE(master.Presentation()->Unhide());
  ASSERT_EQ(help.Requests.size(), 1);
  EXPECT_TRUE(help.Requests[0].contains("heat.chm") && help.Requests[0].endsWith("Hints\\Q3_1.htm"))
      << help.Requests[0].toStdString();
  master.Presentation()->LinkClick(0);
  master.Presentation()->MoreClick();
  ASSERT_EQ(help.Requests.size(), 2);
  EXPECT_TRUE(help.Requests[1].endsWith("Teaching\\Equipment")) << help.Requests[1].toStdString();
  master.ShowChild(3);
  EXPECT_FALSE(master.Action("Unhide")->isEnabled());

  // Capture Screen and Print take the presentation when it is in front.
  master.ShowChild(4);
  QApplication::clipboard()->clear();
  master.Action("CaptureScreen")->trigger();
  EXPECT_EQ(QApplication::clipboard()->pixmap().size(), master.Presentation()->size());
  const QString pdf = tmp.File("presentation.pdf");
  master.Presentation()->Printing().SetPrintDialog([&](QPrinter& printer) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    return true;
  });
  master.Action("Print")->trigger();
  EXPECT_TRUE(TTempFolder::Read(pdf).startsWith("%PDF"));

  // Unticking "Show at startup" is remembered for the next start.
  master.Presentation()->findChild<QCheckBox*>()->click();
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(master.Rig()->RegistryKey, false));
    EXPECT_FALSE(reg.ReadBool(settings::reg::ShowPresentation));
  }
  master.Rig()->ExitWarning = false;
}

// Exercise 2 of the demo keeps column 1 for the score and hides the heat flow (the answer to the
// calculation) until the last question is answered: right answers reveal it, in the sample row
// and in the runs.
TEST(TeachingInTheProgram, TheLastAnswerRevealsTheHiddenHeatFlow) {
  TTempFolder tmp;
  qputenv("QUORLEX_DEVICE_DIR", tmp.File("no-devices").toLocal8Bit());
  TScriptedPrompts prompts;
  prompts.ExpectChoice(1);  // exercise 2
  TMaster master;
  master.StartUp(tmp.CopyTree(kDemoSource, "demo"), {});
  ASSERT_NE(master.Presentation(), nullptr);
  TWorkbook& sampleRow = *TServices::SampleBook();
  TTableForm& table = *master.Table();
  ASSERT_TRUE(table.ScoreCellIsFree());
  EXPECT_EQ(sampleRow.TextRC(2, 11), "") << "hidden before the questions";

  TQuestionList& questions = *master.Questions();
  questions.ShowModal = [](TQuestionWindow& w) {
    if (auto* choice = dynamic_cast<TQA_RadioBut*>(&w)) choice->Select(1);
    else if (auto* phrase = dynamic_cast<TQA_DragDrop*>(&w)) {
      for (int gap = 0; gap < 3; ++gap) phrase->PutChoice(gap, gap);
    } else if (auto* calc = dynamic_cast<TQA_Calculate*>(&w)) {
      calc->AnswerBox()->setText("1.045");
    }
    w.OKClick();
    return w.Answered();
  };
  master.ShowChild(3);
  master.Action("Unhide")->trigger();
  master.Presentation()->Unhide();
  EXPECT_FALSE(table.QuestionsAreAnswered) << "two of three answered";
  EXPECT_EQ(sampleRow.TextRC(2, 11), "") << "still hidden before the last answer";
  master.Presentation()->Unhide();
  ASSERT_TRUE(table.QuestionsAreAnswered);
  EXPECT_DOUBLE_EQ(table.Score, 0.001);  // no hints: the smallest score that reveals
  EXPECT_DOUBLE_EQ(sampleRow.NumberRC(2, 1), 0.001);
  EXPECT_EQ(sampleRow.ValueRC(2, 11).Kind, TValueKind::Number) << "revealed";
  EXPECT_DOUBLE_EQ(table.ResultsTable->Book().NumberRC(2, 1), 0.001);
  master.Rig()->ExitWarning = false;
}
