// The lab report PDF read back as text: every fact and every run's numbers under their titles on
// every page, the page size, and a cancel or failed save that leaves an older report as it was.
#include <gtest/gtest.h>

#include <QLocale>
#include <QPainter>
#include <QRegularExpression>

#include <algorithm>

#include "platform/safesave.h"
#include "results/labreport.h"
#include "support/tempfolder.h"
#include "pdftools.h"

namespace {

TReportContent Content(int runs, int rows) {
  TReportContent c;
  c.Rig = "Heat exchanger rig";
  c.Exercise = "Exercise 2: counter flow";
  c.Student = "Ada Lovelace";
  c.When = "10 December 2026 08:00";
  c.Notes = "The flow meter stuck at 2 l/min for run 2.";
  c.Fits = {"Run 1 T1 (linear)", "b = 0.1 +/- 0.002"};
  c.Presentation = {"Score: 2.01", "Wrong answers: 1", "Question 1: Which is hotter?", "    Wrong: The vessel",
                    "    Right: The tank", "    Hints opened: 2", "Question 2: Heat flows from the ___ to the ___ .",
                    "    Right: Heat flows from the [tank] to the [vessel] .", "    Hints opened: 0"};
  c.Graph = [](QPainter& painter, const QSize& size) {
    painter.drawRect(QRect(QPoint(0, 0), size).adjusted(10, 10, -10, -10));
    painter.drawText(QPointF(40, 40), "Elapsed time axis");
  };
  for (int r = 1; r <= runs; ++r) {
    TReportRun run;
    run.Name = QStringLiteral("Run %1").arg(r);
    run.Titles = {"Sample", "T1 Tank (°C)", "Flow (l/min)"};
    for (int i = 1; i <= rows; ++i)
      run.Rows.push_back({QString::number(i), QString::number(r * 100 + i * 0.25, 'f', 2), QStringLiteral("%1.5").arg(r)});
    c.Runs.push_back(run);
  }
  return c;
}

}  // namespace

TEST(LabReport, HoldsEveryFactAndEveryRunsNumbersUnderTheirTitles) {
  if (!HavePoppler()) GTEST_SKIP() << "poppler's tools are not installed";
  TTempFolder tmp;
  const QString path = tmp.File("report.pdf");
  const TReportContent content = Content(3, 150);
  QString error;
  std::vector<qint64> told;
  ASSERT_TRUE(TLabReport::Write(path, content, QPageSize::A4, [&](qint64 done, qint64) { told.push_back(done); return true; }, &error))
      << error.toStdString();
  const QString text = PdfText(path);
  const QString flat = text.simplified();  // the layout mode spreads words of a line apart
  for (const QString& fact : {content.Rig, content.Exercise, content.Student, content.When, content.Notes,
                              QString("Elapsed time axis"), QString("b = 0.1 +/- 0.002"), QString("Wrong answers: 1")})
    EXPECT_TRUE(flat.contains(fact)) << fact.toStdString();
  // The score and each question with its answers in the order given, the wrong one marked.
  int at = 0;
  for (const QString& line : content.Presentation) {
    const int found = flat.indexOf(line.simplified(), at);
    EXPECT_GE(found, at) << line.toStdString();
    at = std::max(at, found);
  }
  // Each row's cells in order on one line, for every run.
  for (const TReportRun& run : content.Runs)
    for (const QStringList& row : run.Rows)
      EXPECT_TRUE(text.contains(QRegularExpression("\\b" + QRegularExpression::escape(row[0]) + "\\s+" +
                                                   QRegularExpression::escape(row[1]) + "\\s+" + QRegularExpression::escape(row[2]) + "\\b")))
          << run.Name.toStdString() << " row " << row[0].toStdString();
  // Pages after a run's first repeat its name and titles with their units.
  EXPECT_GE(text.count("(continued)"), 3);
  EXPECT_EQ(text.count("T1 Tank"), text.count("(l/min)"));
  EXPECT_GE(text.count("(°C)"), 6);
  // Progress was told as pages filled, rising to the whole.
  ASSERT_GE(told.size(), 3u);
  EXPECT_TRUE(std::is_sorted(told.begin(), told.end()));
  EXPECT_EQ(told.back(), 450);
  const TPdfRead info = PdfInfo(path);
  EXPECT_TRUE(info.Out.contains("A4")) << info.Out.toStdString();
  EXPECT_TRUE(info.Out.contains("Lab report: Exercise 2")) << "the document's title survives the table pages";
  EXPECT_TRUE(info.Errors.isEmpty()) << info.Errors.toStdString();
}

// A run whose text the standard fonts cannot show is painted with the report's own fonts, in its
// place among the others; the rest keep the fast pages.
TEST(LabReport, ARunBeyondTheStandardFontsKeepsItsPlaceAndItsText) {
  if (!HavePoppler()) GTEST_SKIP() << "poppler's tools are not installed";
  TTempFolder tmp;
  const QString path = tmp.File("report.pdf");
  TReportContent content = Content(4, 120);
  content.Runs[1].Titles[2] = QStringLiteral("ΔT (K)");
  content.Runs[2].Rows[5][2] = QStringLiteral("Ω≈3");
  QString error;
  ASSERT_TRUE(TLabReport::Write(path, content, QPageSize::A4, {}, &error)) << error.toStdString();
  const TPdfRead info = PdfInfo(path);
  EXPECT_TRUE(info.Errors.isEmpty()) << info.Errors.toStdString();
  const QStringList pages = PdfText(path).split(QLatin1Char('\f'));
  // Every run starts a page of its own, and they come in order: the name on each page is the run's.
  int run = 0;
  for (const QString& page : pages) {
    const QRegularExpressionMatch named = QRegularExpression("^\\s*(Run \\d+)( \\(continued\\))?").match(page);
    if (!named.hasMatch()) continue;
    if (named.captured(2).isEmpty()) EXPECT_EQ(named.captured(1), QStringLiteral("Run %1").arg(++run)) << page.left(200).toStdString();
    else EXPECT_EQ(named.captured(1), QStringLiteral("Run %1").arg(run)) << page.left(200).toStdString();
  }
  EXPECT_EQ(run, 4);
  const QString text = PdfText(path);
  EXPECT_EQ(text.count(QStringLiteral("ΔT (K)")), text.count(QStringLiteral("Run 2")));
  EXPECT_TRUE(text.contains(QStringLiteral("Ω≈3")));
  for (const TReportRun& r : content.Runs)
    for (const QStringList& row : r.Rows)
      EXPECT_TRUE(text.contains(QRegularExpression("\\b" + QRegularExpression::escape(row[0]) + "\\s+" +
                                                   QRegularExpression::escape(row[1]) + "\\s+" + QRegularExpression::escape(row[2]))))
          << r.Name.toStdString() << " row " << row[0].toStdString();
}

TEST(LabReport, CancelOrAFailedSaveKeepsTheOlderReport) {
  TTempFolder tmp;
  const QString path = tmp.Write("report.pdf", "older report");
  QString error = "unchanged";
  int calls = 0;
  EXPECT_FALSE(TLabReport::Write(path, Content(2, 400), QPageSize::Letter, [&](qint64, qint64) { return ++calls < 3; }, &error));
  EXPECT_TRUE(error.isEmpty()) << "a cancel is not an error";
  EXPECT_EQ(TTempFolder::Read(path), "older report");
  {
    TSafeSave::TFaultScope full({.FailAfterBytes = 1000});
    EXPECT_FALSE(TLabReport::Write(path, Content(1, 10), QPageSize::Letter, {}, &error));
    EXPECT_FALSE(error.isEmpty());
  }
  EXPECT_EQ(TTempFolder::Read(path), "older report");
  ASSERT_TRUE(TLabReport::Write(path, Content(1, 10), QPageSize::Letter, {}, &error)) << error.toStdString();
  EXPECT_TRUE(PdfInfo(path).Out.contains("letter")) << PdfInfo(path).Out.toStdString();
}

TEST(LabReport, AWideTableGoesOnToFurtherPagesWithoutCuttingANumber) {
  if (!HavePoppler()) GTEST_SKIP() << "poppler's tools are not installed";
  TTempFolder tmp;
  TReportContent content;
  TReportRun run;
  run.Name = "Run 1";
  for (int c = 1; c <= 18; ++c) run.Titles << QStringLiteral("Channel %1 (V)").arg(c);
  for (int i = 1; i <= 30; ++i) {
    QStringList row{QString::number(i)};
    for (int c = 2; c <= 18; ++c) row << QStringLiteral("%1.%2").arg(c * 1000 + i).arg(123456 + i);
    run.Rows.push_back(row);
  }
  content.Runs.push_back(run);
  QString error;
  ASSERT_TRUE(TLabReport::Write(tmp.File("wide.pdf"), content, QPageSize::A4, {}, &error)) << error.toStdString();
  const QString text = PdfText(tmp.File("wide.pdf")).simplified();
  for (const QStringList& row : run.Rows)
    for (const QString& cell : row) EXPECT_TRUE(text.contains(cell)) << cell.toStdString();
  EXPECT_FALSE(text.contains("~"));
  EXPECT_TRUE(text.contains("Run 1, part 2 of")) << text.left(300).toStdString();
  EXPECT_TRUE(text.contains("Channel 18"));  // the titles wrap within their columns
}

TEST(LabReport, PaperFollowsTheLocale) {
  EXPECT_EQ(TLabReport::PageForLocale(QLocale(QLocale::English, QLocale::UnitedStates)), QPageSize::Letter);
  EXPECT_EQ(TLabReport::PageForLocale(QLocale(QLocale::French, QLocale::Canada)), QPageSize::Letter);
  EXPECT_EQ(TLabReport::PageForLocale(QLocale(QLocale::English, QLocale::UnitedKingdom)), QPageSize::A4);
  EXPECT_EQ(TLabReport::PageForLocale(QLocale(QLocale::German, QLocale::Germany)), QPageSize::A4);
}
