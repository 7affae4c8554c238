// Fits, pictures and the lab report on the demo rig against the card simulator: a fit on recorded
// samples equals one made from the recorded cells and follows the next samples and a new run; the
// graph goes to the clipboard and to PNG, SVG and PDF files read back; the report holds every
// recorded cell of every run.
#include <gtest/gtest.h>

#include <QAbstractAxis>
#include <QApplication>
#include <QChart>
#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QXmlStreamReader>

#include "acquisition/qxloggerpanel.h"
#include "analysis/curvefit.h"
#include "ifd/serial/waitfor.h"
#include "results/graphform.h"
#include "results/tableform.h"
#include "shell/master.h"
#include "shell/resultsmdi.h"
#include "teaching/qa_calculate.h"
#include "teaching/qa_dragdrop.h"
#include "teaching/qa_radiobut.h"
#include "teaching/questionlist.h"
#include "teaching/walkthroughgroupform.h"
#include "workbook/model/workbook.h"
#include "workbook/view/f1book.h"
#include "demorecording.h"
#include "support/demosimulator.h"
#include "support/scriptedprompts.h"
#include "support/tempfolder.h"

namespace {

QString PdfText(const QString& path) {
  QProcess p;
  p.start("pdftotext", {"-layout", path, "-"});
  p.waitForFinished(60000);
  return QString::fromUtf8(p.readAllStandardOutput());
}

// The fit of `series` made straight from the table's cells of its run: X in seconds on the
// elapsed-time axis, rows with an empty cell left out.
TFitResult FitFromCells(TWorkbook& book, const TGraphForm& graph, const TSeries_Line& series, const TFitModel& model) {
  book.SetSheet(static_cast<int>(series.sheet_number));
  std::vector<double> x, y;
  for (int r = 2; r <= book.LastRow(); ++r) {
    const TCellValue a = book.ValueRC(r, graph.XAxisChoice), b = book.ValueRC(r, series.column);
    if (a.Kind != TValueKind::Number || b.Kind != TValueKind::Number) continue;
    x.push_back(graph.TimeOnXAxis() ? a.Num * 86400 : a.Num);
    y.push_back(b.Num);
  }
  return TCurveFit::Fit(model, x, y);
}

void ExpectSameFit(const TFitResult& got, const TFitResult& want) {
  ASSERT_EQ(got.Points, want.Points);
  for (std::size_t i = 0; i < want.Params.size(); ++i) {
    EXPECT_NEAR(got.Params[i], want.Params[i], 1e-9 * std::max(1.0, std::fabs(want.Params[i]))) << i;
    EXPECT_NEAR(got.StdErrors[i], want.StdErrors[i], 1e-9 * std::max(1.0, std::fabs(want.StdErrors[i]))) << i;
  }
}

}  // namespace

TEST_F(DemoRecording, FitsPicturesAndTheReportAgainstTheSimulator) {
  if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "pdftotext is not installed";
  TGraphForm* graph = master->Graph();
  ASSERT_NE(graph, nullptr);
  TWorkbook& results = master->Table()->ResultsTable->Book();

  auto timedRun = [&] {
    logger->Programmed_Sample_Mode = PSS_Timed;
    logger->Sample_Interval = 500;
    logger->Sampling_Duration = 2;
    master->Action("SampleNow")->trigger();
    return WaitFor([&] { return logger->Current_Sample_State == RSS_Idle; }, 8000);
  };
  ASSERT_TRUE(timedRun());

  // Graph > Fit... with the graph in front: the first shown series, a straight line.
  master->Action("Graph")->trigger();
  master->SetActiveForm(2);
  ASSERT_TRUE(master->Action("GraphFit")->isEnabled());
  prompts.ExpectChoice(0);
  master->Action("GraphFit")->trigger();
  ASSERT_EQ(graph->Fits().size(), 1u);
  const TGraphFit& fit = graph->Fits()[0];
  ASSERT_TRUE(fit.Result()) << fit.Error().toStdString();
  const TSeries_Line* series = nullptr;
  for (const TSeries_Line& s : graph->SeriesList)
    if (s.sheet_number == fit.Run() && s.column == fit.Column()) series = &s;
  ASSERT_NE(series, nullptr);
  const TFitModel linear = *TFitModel::Parse("linear");
  ExpectSameFit(*fit.Result(), FitFromCells(results, *graph, *series, linear));
  EXPECT_EQ(fit.Result()->Points, 5);

  // The next samples go on the same run: the fit takes them.
  ASSERT_TRUE(timedRun());
  ASSERT_TRUE(graph->Fits()[0].Result());
  EXPECT_EQ(graph->Fits()[0].Result()->Points, 10);
  ExpectSameFit(*graph->Fits()[0].Result(), FitFromCells(results, *graph, *series, linear));

  // Edit > Copy with the graph in front: a picture on the clipboard.
  QApplication::clipboard()->clear();
  master->SetActiveForm(2);
  ASSERT_TRUE(master->Action("Copy")->isEnabled());
  master->Action("Copy")->trigger();
  EXPECT_GE(QApplication::clipboard()->image().width(), 400);

  // File > Export Graph... in each format, read back.
  const QString xTitle = graph->XTitle();
  QString yTitle;
  for (QAbstractAxis* axis : graph->Chart()->axes(Qt::Vertical))
    if (axis->isVisible() && yTitle.isEmpty()) yTitle = axis->titleText();
  ASSERT_FALSE(yTitle.isEmpty());
  for (const char* name : {"graph.png", "graph.svg", "graph.pdf"}) {
    prompts.ExpectSaveFile(tmp.File(name)).ExpectInput("800 x 500 @ 120");
    master->Action("ExportGraph")->trigger();
  }
  const QImage png(tmp.File("graph.png"));
  EXPECT_EQ(png.size(), QSize(800, 500));
  QSvgRenderer svg(tmp.File("graph.svg"));
  EXPECT_TRUE(svg.isValid());
  QXmlStreamReader xml(TTempFolder::Read(tmp.File("graph.svg")));
  while (!xml.atEnd()) xml.readNext();
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  const QString graphText = PdfText(tmp.File("graph.pdf")).simplified();
  EXPECT_TRUE(graphText.contains(xTitle)) << graphText.toStdString();
  EXPECT_TRUE(graphText.contains(yTitle)) << yTitle.toStdString() << " in " << graphText.toStdString();

  // A new run: run 1's fit stays.
  master->Action("NextResults")->trigger();
  ASSERT_TRUE(timedRun());
  ASSERT_EQ(results.NumSheets(), 2);
  ASSERT_EQ(graph->Fits().size(), 1u);
  EXPECT_EQ(graph->Fits()[0].Run(), 1u);
  ASSERT_TRUE(graph->Fits()[0].Result());
  EXPECT_EQ(graph->Fits()[0].Result()->Points, 10);

  // The presentation's questions: the choice wrong then right, the calculation after a hint.
  ASSERT_NE(master->Presentation(), nullptr);
  TQuestionList& questions = *master->Questions();
  prompts.ExpectMessage("Wrong, try a hint");
  questions.ShowModal = [](TQuestionWindow& w) {
    if (auto* choice = dynamic_cast<TQA_RadioBut*>(&w)) {
      choice->Select(0);
      choice->OKClick();
      choice->Select(1);
    } else if (auto* phrase = dynamic_cast<TQA_DragDrop*>(&w)) {
      for (int gap = 0; gap < phrase->GapCount(); ++gap) phrase->PutChoice(gap, gap);
    } else if (auto* calc = dynamic_cast<TQA_Calculate*>(&w)) {
      w.HintClick();
      calc->AnswerBox()->setText("1.05");
    }
    w.OKClick();
    return w.Answered();
  };
  for (int i = 0; i < 5 && master->Presentation()->Unhide(); ++i) {
  }
  ASSERT_TRUE(master->Table()->QuestionsAreAnswered);
  const TQuestion* choice = nullptr;
  for (const TQuestion& q : questions.QList)
    if (q.QFormat == TQuestion::Choice) choice = &q;
  ASSERT_NE(choice, nullptr) << "the demo asks a choice";

  // File > Export Report...: the student's name, a note, the file.
  prompts.ExpectInput("Ada Student").ExpectInput("The pump hummed.").ExpectSaveFile(tmp.File("report.pdf"));
  master->Action("ExportReport")->trigger();
  const QString report = PdfText(tmp.File("report.pdf"));
  if (const QByteArray dir = qgetenv("QUORLEX_SHOTS"); !dir.isEmpty()) {
    QFile::copy(tmp.File("report.pdf"), QString::fromLocal8Bit(dir) + "/report.pdf");
    QFile::copy(tmp.File("graph.png"), QString::fromLocal8Bit(dir) + "/graph-export.png");
  }
  const QString flat = report.simplified();
  EXPECT_TRUE(flat.contains("Ada Student"));
  EXPECT_TRUE(flat.contains("The pump hummed."));
  EXPECT_TRUE(flat.contains("(linear)")) << "the fits are in the report";
  // The score and what was answered to each question, the wrong choice marked.
  EXPECT_TRUE(flat.contains(QStringLiteral("Score: %1").arg(master->Table()->Score))) << flat.toStdString();
  const int asked = flat.indexOf(QStringLiteral("Question %1: %2").arg(choice->FNumber).arg(choice->QText.value(0).simplified()));
  EXPECT_GE(asked, 0) << flat.toStdString();
  const int wrong = flat.indexOf("Wrong: " + choice->QAnswers.value(0).simplified(), asked);
  EXPECT_GT(wrong, asked);
  EXPECT_GT(flat.indexOf("Right: " + choice->QAnswers.value(1).simplified(), asked), wrong);
  EXPECT_TRUE(flat.contains("Right: 1.05"));
  EXPECT_TRUE(flat.contains("Hints opened: 1"));
  // Every recorded cell of every run, as the table shows it.
  int cells = 0;
  for (int s = 1; s <= results.NumSheets(); ++s) {
    results.SetSheet(s);
    EXPECT_TRUE(flat.contains(results.SheetName(s)));
    ASSERT_GE(graph->RunRows(s), 5);
    for (int r = 2; r <= graph->RunRows(s) + 1; ++r)
      for (int c = 1; c <= results.LastCol(); ++c) {
        const QString shown = results.FormattedTextRC(r, c).simplified();
        if (shown.isEmpty()) continue;
        ++cells;
        EXPECT_TRUE(flat.contains(shown)) << results.SheetName(s).toStdString() << " R" << r << "C" << c << " " << shown.toStdString();
      }
  }
  EXPECT_GT(cells, 200);

  prompts.ExpectMessage("The current table data has not been saved!", TModalResult::mrOk);
  master->close();
}
