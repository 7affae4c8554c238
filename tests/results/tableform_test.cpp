// The results table: runs made from the demo run template, samples written as rows, files in every
// format, deleting and renaming runs, the unsaved warnings, the 20-run limit and refused files.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPrinter>
#include <QTabBar>
#include <QTableView>

#include "platform/safesave.h"
#include "results/resultsprinter.h"
#include "results/tableform.h"
#include "resultsfixture.h"
#include "workbook/view/f1book.h"

using namespace results_test;

namespace {

class TableTest : public ::testing::Test {
 protected:
  TableTest() : Table(SampleRow) {
    Table.SetGraph(&Graph);
    Table.SetLogger(&Logger);
    Table.Initialise();
  }

  TWorkbook& Book() { return Table.ResultsTable->Book(); }

  // One sample with distinct values: T1 = 20 + n, T2 = 10 + n / 2, flow 3, cp 4.18.
  void Sample(int n) {
    FillSample(SampleRow, {{colSample, double(n)}, {colElapsed, n / 8640.0}, {colT1, 20.0 + n},
                           {colT2, 10.0 + n / 2.0}, {colFlow, 3}, {colCp, 4.18}});
    Table.WriteRow(SampleRow, n, 2);
  }
  void Samples(int count) {
    for (int n = 1; n <= count; ++n) Sample(n);
  }

  TTempFolder Tmp;
  TScriptedPrompts Prompts;
  TResultsRig Rig;
  TRecordingGraph Graph;
  TRecordingLogger Logger;
  TWorkbook SampleRow;
  TTableForm Table;
};

double HeatFlow(double flow, double cp, double t1, double t2) { return flow / 60 * cp * (t1 - t2); }

}  // namespace

TEST_F(TableTest, ANewTableHoldsRun1ShapedByTheTemplate) {
  EXPECT_EQ(Table.windowTitle(), "Table");
  ASSERT_EQ(Book().NumSheets(), 1);
  EXPECT_EQ(Book().SheetName(1), "Run 1");
  EXPECT_EQ(Table.RunNo, 1);
  EXPECT_EQ(Book().MaxRow(), 17);  // row 2 plus 15 grown rows
  EXPECT_EQ(Book().MaxCol(), SampleRow.MaxCol());
  EXPECT_EQ(Book().TextRC(1, colT1), "T1 Tank (°C)");
  EXPECT_EQ(Book().ColWidth(colTime), SampleRow.ColWidth(colTime));
  // The data-row pattern carries formats and formulas, and is copied down to the grown rows.
  EXPECT_EQ(Book().NumberFormatRC(2, colFlow), "0.00");
  EXPECT_EQ(Book().FormulaRC(17, colDT), "=D17-E17");
  EXPECT_EQ(Book().NumberFormatRC(17, colElapsed), "[h]:mm:ss");
  EXPECT_FALSE(Table.AnyRunUnsaved());
  EXPECT_TRUE(Table.current_filename.isEmpty());
  EXPECT_EQ(Table.current_filetype, 1);
  EXPECT_EQ(SampleRow.Row(), 2);
  EXPECT_TRUE(SampleRow.AutoRecalc());
}

TEST_F(TableTest, TitlesWithLineBreaksShowOnOneLine) {
  SampleRow.SetColText(colT1, "T1\r(°C)");
  SampleRow.SetColText(colT2, "T2\r\n(°C)");
  ASSERT_TRUE(Table.AddSheet());
  EXPECT_EQ(Book().TextRC(1, colT1), "T1 (°C)");
  EXPECT_EQ(Table.GetColumnTitle(colT1), "T1 (°C)");
  EXPECT_EQ(Table.GetColumnTitle(colT2), "T2 (°C)");
}

TEST_F(TableTest, WriteRowPutsSampleNInRowNPlus1WithItsOwnFormulas) {
  Samples(3);
  EXPECT_EQ(Book().NumberRC(2, colSample), 1);
  EXPECT_EQ(Book().NumberRC(4, colT1), 23);
  EXPECT_EQ(Book().NumberRC(4, colT2), 11.5);
  // The copied formulas refer to their own row.
  EXPECT_EQ(Book().FormulaRC(4, colHeat), "=IF(F4>0,F4/60*I4*(D4-E4),0)");
  EXPECT_DOUBLE_EQ(Book().NumberRC(4, colHeat), HeatFlow(3, 4.18, 23, 11.5));
  EXPECT_EQ(Book().NumberRC(3, colDT), 22 - 11);
  EXPECT_TRUE(Table.sample_taken_but_not_saved[0]);
  EXPECT_EQ(Graph.Rows[1], 3);
  // The graph's count is only raised: rewriting an earlier sample keeps it.
  Sample(2);
  EXPECT_EQ(Graph.Rows[1], 3);
}

TEST_F(TableTest, TheSheetGrowsBeforeItIsFull) {
  Samples(15);
  EXPECT_EQ(Book().MaxRow(), 17);
  Sample(16);
  EXPECT_EQ(Book().MaxRow(), 27);
  EXPECT_EQ(Book().NumberRC(17, colT1), 36);
  EXPECT_EQ(Book().FormulaRC(27, colDT), "=D27-E27");
  // A sample far ahead grows the sheet enough at once.
  Sample(100);
  EXPECT_GT(Book().MaxRow(), 101);
  EXPECT_EQ(Book().NumberRC(101, colT1), 120);
}

// A run that reaches its last row ends there: recording goes on in a new run from sample 1 while
// the table has room, and stops when it holds 20 runs; no sample is lost or overwritten, and the
// user hears of it only after the tick (queued, never from inside it).
TEST_F(TableTest, AFullRunContinuesInANewRunAndTheTwentiethStopsRecording) {
  Table.SetRowLimit(6);  // samples 1..5 in rows 2..6
  Logger.Sampling = true;
  int taken = 0;
  // The logger's side: its count goes up a sample at a time and is what the table sets it to.
  auto tick = [&] {
    Logger.TransferCount = Logger.TransferCount < 0 ? 1 : Logger.TransferCount + 1;
    ++taken;
    FillSample(SampleRow, {{colSample, double(Logger.TransferCount)}, {colT1, 1000.0 + taken}});
    Table.WriteRow(SampleRow, Logger.TransferCount, 2);
  };
  Logger.TransferCount = 0;
  for (int i = 0; i < 5; ++i) tick();
  ASSERT_EQ(Book().NumSheets(), 2);
  EXPECT_EQ(Book().SheetName(2), "Run 2");
  EXPECT_EQ(Logger.TransferCount, 0);  // the next sample is run 2's first
  EXPECT_EQ(Book().SheetAt(2).MaxRow, 6);  // a run made under the limit never grows past its last row
  EXPECT_TRUE(Prompts.MessageTexts().isEmpty());  // nothing from inside the tick
  Prompts.ExpectMessage("Run 1 is full: a run holds at most 5 samples, and every one of them is kept. Recording goes on in Run 2.");
  QCoreApplication::processEvents();
  EXPECT_EQ(Prompts.Pending(), 0);

  for (int run = 2; run <= 19; ++run) Prompts.ExpectMessage(QString("Run %1 is full").arg(run));
  Prompts.ExpectMessage("Run 20 is full: a run holds at most 5 samples, and every one of them is kept. The table holds "
                        "20 runs, the most it can keep, so recording has stopped.");
  while (Logger.Sampling && taken < 1000) tick();
  EXPECT_EQ(taken, 100);
  EXPECT_EQ(Logger.Stops, 1);
  QCoreApplication::processEvents();
  ASSERT_EQ(Book().NumSheets(), 20);
  for (int s = 1; s <= 20; ++s) {
    EXPECT_EQ(Table.RecordedSamples(s), 5) << "run " << s;
    for (int n = 1; n <= 5; ++n) {
      EXPECT_EQ(Table.GetCellValue(s, n, colSample), n);
      EXPECT_EQ(Table.GetCellValue(s, n, colT1), 1000.0 + (s - 1) * 5 + n) << "run " << s << " sample " << n;
    }
    EXPECT_TRUE(Table.sample_taken_but_not_saved[s - 1]);
  }
  EXPECT_EQ(Graph.Rows[20], 5);

  // A caller that writes past a full run anyway is refused, and the run stays as it was.
  FillSample(SampleRow, {{colT1, -1}});
  Table.WriteRow(SampleRow, 6, 2);
  EXPECT_EQ(Table.RecordedSamples(20), 5);
  EXPECT_EQ(Book().SheetAt(20).MaxRow, 6);
  Prompts.ExpectMessage("Sample 6 was not recorded: Run 20 holds at most 5 samples.");
  QCoreApplication::processEvents();
}

TEST_F(TableTest, SamplesGoToTheLastRunWhateverSheetIsShown) {
  Samples(2);
  ASSERT_TRUE(Table.AddSheet());
  Book().SetSheet(1);
  Sample(1);
  EXPECT_EQ(Book().Sheet(), 1);
  EXPECT_EQ(Table.GetCellValue(2, 1, colT1), 21);
  EXPECT_EQ(Table.GetCellValue(0, 1, colT1), 21);
  EXPECT_EQ(Table.GetCellValue(1, 2, colT1), 22);
  EXPECT_TRUE(Table.sample_taken_but_not_saved[1]);
  EXPECT_EQ(Graph.Rows[2], 1);
}

// Samples recorded into the last run while an earlier run is shown leave the view on the shown
// run, not rebuilt for each sample; shown, the recording run holds every sample.
TEST_F(TableTest, TheShownRunStaysInViewUnrebuiltWhileTheLastRecords) {
  Samples(2);
  ASSERT_TRUE(Table.AddSheet());
  Book().SetSheet(1);
  QAbstractItemModel* model = Table.ResultsTable->View()->model();
  const int rows = model->rowCount();
  int resets = 0;
  QObject::connect(model, &QAbstractItemModel::modelReset, [&] { ++resets; });
  for (int n = 1; n <= 30; ++n) Sample(n);
  EXPECT_EQ(resets, 0);
  EXPECT_EQ(Book().Sheet(), 1);
  EXPECT_EQ(model->rowCount(), rows);
  EXPECT_EQ(model->data(model->index(2, colT1 - 1), Qt::DisplayRole).toString(), Book().FormattedTextRC(3, colT1));
  Book().SetSheet(2);
  EXPECT_EQ(model->rowCount(), Book().MaxRow());
  EXPECT_EQ(Table.RecordedSamples(2), 30);
  EXPECT_EQ(Table.GetCellValue(2, 30, colT1), 20 + 30);
  EXPECT_EQ(model->data(model->index(30, colT1 - 1), Qt::DisplayRole).toString(), Book().FormattedTextRC(31, colT1));
}

TEST_F(TableTest, GetCellValueTellsEmptyCellsAndMissingRuns) {
  Samples(1);
  EXPECT_EQ(Table.GetCellValue(1, 1, colNote), TTableForm::EmptyCell);
  EXPECT_EQ(Table.GetCellValue(1, 5, colT1), TTableForm::EmptyCell);
  EXPECT_EQ(Table.GetCellValue(2, 1, colT1), 0);  // no run 2
  Book().SetTextRC(2, colNote, "");
  EXPECT_EQ(Table.GetCellValue(1, 1, colNote), TTableForm::EmptyCell);
  Book().SetTextRC(2, colNote, "stirred");
  EXPECT_EQ(Table.GetCellValue(1, 1, colNote), 0);
}

TEST_F(TableTest, ScoreCell) {
  Table.WriteCell();
  EXPECT_DOUBLE_EQ(Table.Score, 0.001);
  Table.HintsUsed = 2;
  Table.WrongAnswers = 150;
  Table.WriteCell();
  EXPECT_DOUBLE_EQ(Table.Score, 3.0);
  EXPECT_DOUBLE_EQ(Book().NumberRC(2, 1), 3.0);
  EXPECT_DOUBLE_EQ(SampleRow.NumberRC(2, 1), 3.0);
  Table.HintsUsed = 1;
  Table.WrongAnswers = 25;
  Table.WriteCell();
  EXPECT_DOUBLE_EQ(Table.Score, 1.25);
  // Once the questions are answered every new run and every sample carries the score.
  Table.QuestionsAreAnswered = true;
  ASSERT_TRUE(Table.AddSheet());
  EXPECT_DOUBLE_EQ(Book().NumberRC(2, 1), 1.25);
  Sample(1);
  EXPECT_DOUBLE_EQ(Book().NumberRC(2, 1), 1.25);
}

TEST_F(TableTest, TheTwentyFirstRunIsRefusedAndNothingMoves) {
  for (int i = 2; i <= 20; ++i) {
    Sample(i);  // each run but the last gets samples
    ASSERT_TRUE(Table.AddSheet());
  }
  ASSERT_EQ(Book().NumSheets(), 20);
  const auto flags = Table.sample_taken_but_not_saved;
  const auto rows = Graph.Rows;
  const int runNo = Table.RunNo;
  Prompts.ExpectMessage("already holds 20 runs");
  EXPECT_FALSE(Table.AddSheet());
  EXPECT_EQ(Book().NumSheets(), 20);
  EXPECT_EQ(Table.sample_taken_but_not_saved, flags);
  EXPECT_EQ(Graph.Rows, rows);
  EXPECT_EQ(Table.RunNo, runNo);
  // Samples still go to run 20.
  Sample(1);
  EXPECT_TRUE(Table.sample_taken_but_not_saved[19]);
  EXPECT_EQ(Graph.Rows[20], 1);
}

TEST_F(TableTest, DeletingARunMovesFlagsAndRowCountsWithTheSheets) {
  Samples(4);                      // run 1: 4 rows, unsaved
  ASSERT_TRUE(Table.AddSheet());   // run 2: saved, 0 rows
  ASSERT_TRUE(Table.AddSheet());   // run 3: recording
  Samples(2);
  Table.sample_taken_but_not_saved[1] = false;
  Graph.Rows[2] = 7;

  // Cancelling keeps everything.
  Book().SetSheet(1);
  Prompts.ExpectMessage("This unsaved data will be lost", TModalResult::mrCancel);
  Table.DeleteSheet();
  EXPECT_EQ(Book().NumSheets(), 3);
  EXPECT_EQ(Graph.Rows[1], 4);

  const int draws = Graph.Draws;
  Prompts.ExpectMessage("This unsaved data will be lost", TModalResult::mrYes);
  Table.DeleteSheet();
  ASSERT_EQ(Book().NumSheets(), 2);
  EXPECT_EQ(Book().SheetName(1), "Run 2");
  EXPECT_EQ(Book().SheetName(2), "Run 3");
  EXPECT_FALSE(Table.sample_taken_but_not_saved[0]);  // run 2 was saved
  EXPECT_TRUE(Table.sample_taken_but_not_saved[1]);   // run 3 was not
  EXPECT_EQ(Graph.Rows[1], 7);
  EXPECT_EQ(Graph.Rows[2], 2);
  EXPECT_EQ(Graph.Draws, draws + 1);

  // A saved run goes without a question.
  Book().SetSheet(1);
  Table.DeleteSheet();
  EXPECT_EQ(Book().NumSheets(), 1);
  EXPECT_EQ(Book().SheetName(1), "Run 3");
  EXPECT_EQ(Table.GetCellValue(1, 2, colT1), 22);
}

TEST_F(TableTest, DeletingTheRecordingRunStartsANewOneAndStopsSampling) {
  ASSERT_TRUE(Table.AddSheet());
  Samples(2);
  Logger.Sampling = true;
  Prompts.ExpectMessage("This unsaved data will be lost", TModalResult::mrYes);
  Table.DeleteSheet();
  ASSERT_EQ(Book().NumSheets(), 2);
  EXPECT_EQ(Book().SheetName(2), "Run 3");
  EXPECT_EQ(Logger.Stops, 1);
  EXPECT_EQ(Logger.Resets, 1);
  EXPECT_FALSE(Table.AnyRunUnsaved());
  EXPECT_EQ(Table.GetCellValue(2, 1, colT1), TTableForm::EmptyCell);
}

TEST_F(TableTest, DeletingTheOnlyRunClearsTheTableAfterAsking) {
  Samples(2);
  Prompts.ExpectMessage("The current table data will be lost. Are you sure you wish to proceed?", TModalResult::mrCancel);
  Table.DeleteSheet();
  EXPECT_EQ(Book().SheetName(1), "Run 1");
  EXPECT_EQ(Table.GetCellValue(1, 2, colT1), 22);
  EXPECT_EQ(Logger.Resets, 0);

  Prompts.ExpectMessage("The current table data will be lost", TModalResult::mrOk);
  Table.DeleteSheet();
  ASSERT_EQ(Book().NumSheets(), 1);
  EXPECT_EQ(Book().SheetName(1), "Run 2");
  EXPECT_EQ(Table.GetCellValue(1, 2, colT1), TTableForm::EmptyCell);
  EXPECT_FALSE(Table.AnyRunUnsaved());
  EXPECT_EQ(Logger.Resets, 1);
  EXPECT_EQ(Graph.Rows[1], 1);
}

TEST_F(TableTest, RenamingARun) {
  ASSERT_TRUE(Table.AddSheet());
  const int draws = Graph.Draws;
  Prompts.ExpectInput(QString("Warm-up"));
  Table.ChangeSheetName();
  EXPECT_EQ(Book().SheetName(2), "Warm-up");
  EXPECT_EQ(Graph.Draws, draws + 1);

  Prompts.ExpectInput(QString("run 1")).ExpectMessage("already a sheet named");
  Table.ChangeSheetName();
  EXPECT_EQ(Book().SheetName(2), "Warm-up");

  Prompts.ExpectInput(std::nullopt);
  Table.ChangeSheetName();
  EXPECT_EQ(Book().SheetName(2), "Warm-up");
  EXPECT_EQ(Prompts.Records()[0].Text, "&Name for sheet:");
}

// One tab per run, in sheet order and named as the sheets; the chosen tab is the sheet the sheet
// commands act on, and an opened file shows every run it holds.
TEST_F(TableTest, SheetTabsShowEveryRunAndTheChosenOneIsRenamedAndDeleted) {
  QTabBar& tabs = *Table.SheetTabs();
  auto names = [&] {
    QStringList list;
    for (int i = 0; i < tabs.count(); ++i) list << tabs.tabText(i);
    return list;
  };
  ASSERT_TRUE(Table.AddSheet());
  Samples(2);
  ASSERT_TRUE(Table.AddSheet());
  Samples(1);
  EXPECT_EQ(names(), QStringList({"Run 1", "Run 2", "Run 3"}));
  EXPECT_EQ(tabs.currentIndex(), 2);

  tabs.setCurrentIndex(0);
  EXPECT_EQ(Book().Sheet(), 1);
  Prompts.ExpectInput(QString("Warm-up"));
  Table.ChangeSheetName();
  EXPECT_EQ(names(), QStringList({"Warm-up", "Run 2", "Run 3"}));

  tabs.setCurrentIndex(1);
  Prompts.ExpectMessage("This unsaved data will be lost", TModalResult::mrYes);
  Table.DeleteSheet();
  EXPECT_EQ(names(), QStringList({"Warm-up", "Run 3"}));
  EXPECT_EQ(Book().SheetName(Book().Sheet()), tabs.tabText(tabs.currentIndex()));

  const QString path = Tmp.File("two.vts");
  Prompts.ExpectSaveFile(path);
  ASSERT_TRUE(Table.SaveAs());
  Prompts.ExpectOpenFile(path);
  ASSERT_TRUE(Table.Open());
  EXPECT_EQ(names(), QStringList({"Warm-up", "Run 3", "Run 4"}));
  EXPECT_EQ(tabs.currentIndex(), 2);  // the fresh run that records next
  tabs.setCurrentIndex(1);
  EXPECT_EQ(Table.ResultsTable->View()->model()->index(1, colT1 - 1).data().toString(), Book().FormattedTextRC(2, colT1));
  EXPECT_EQ(Book().NumberRC(2, colT1), 21);
}

// Keys typed into the grid start an edit only below the recorded samples: the titles and the
// samples stay as they are.
TEST_F(TableTest, TypingChangesNeitherTitlesNorRecordedSamples) {
  Samples(2);
  QTableView* view = Table.ResultsTable->View();
  Table.resize(600, 400);
  Table.show();
  auto type = [&](int row, int col) {
    view->setCurrentIndex(view->model()->index(row - 1, col - 1));
    QKeyEvent press(QEvent::KeyPress, Qt::Key_W, Qt::NoModifier, "w");
    QCoreApplication::sendEvent(view, &press);
    for (QLineEdit* editor : view->findChildren<QLineEdit*>()) {
      QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
      QCoreApplication::sendEvent(editor, &enter);
    }
    QCoreApplication::processEvents();
  };
  const QString title = Book().TextRC(1, colT1);
  type(1, colT1);
  EXPECT_EQ(Book().TextRC(1, colT1), title);
  type(3, colT1);
  EXPECT_EQ(Book().NumberRC(3, colT1), 22);
  type(6, colT1);  // a row no sample has reached yet
  EXPECT_EQ(Book().TextRC(6, colT1), "w");
}

// Cut and Paste, from the Edit menu or the keyboard, refuse to touch the titles or a recorded
// sample and say so; below the samples they work as usual.
TEST_F(TableTest, CutAndPasteLeaveTitlesAndRecordedSamplesAlone) {
  Samples(2);
  TF1Book& grid = *Table.ResultsTable;
  const QString title = Book().TextRC(1, colT1);
  QApplication::clipboard()->setText(QStringLiteral("before"));

  Prompts.ExpectMessage("recorded samples cannot be cut");
  grid.SetSelection(1, colT1, 2, colT2);  // titles and sample 1
  grid.EditCut();
  EXPECT_EQ(Book().TextRC(1, colT1), title);
  EXPECT_EQ(Book().NumberRC(2, colT1), 21);
  EXPECT_EQ(QApplication::clipboard()->text(), "before");  // a refused Cut copies nothing either

  QApplication::clipboard()->setText(QStringLiteral("7\t8\r\n9\t10\r\n"));
  for (int row : {1, 3}) {  // onto the titles, onto the last sample
    Prompts.ExpectMessage("recorded samples cannot be cut");
    grid.SetSelection(row, colT1, row, colT1);
    grid.EditPaste();
  }
  EXPECT_EQ(Book().TextRC(1, colT1), title);
  EXPECT_EQ(Book().NumberRC(3, colT1), 22);
  EXPECT_EQ(Book().NumberRC(3, colT2), 11);

  // Below the samples both work: the pattern row's formula is cut, then a block pasted.
  ASSERT_FALSE(Book().FormulaRC(4, colHeat).isEmpty());
  grid.SetSelection(4, colHeat, 4, colHeat);
  grid.EditCut();
  EXPECT_TRUE(Book().FormulaRC(4, colHeat).isEmpty());
  QApplication::clipboard()->setText(QStringLiteral("7\t8\r\n9\t10\r\n"));
  grid.SetSelection(4, colT1, 4, colT1);
  grid.EditPaste();
  EXPECT_EQ(Book().NumberRC(4, colT1), 7);
  EXPECT_EQ(Book().NumberRC(5, colT2), 10);
  EXPECT_EQ(Book().NumberRC(3, colT1), 22);
  EXPECT_EQ(Prompts.MessageTexts().size(), 3);
}

// ------------------------------------------------------------------------------- files

namespace {

struct TFormatCase {
  const char* Name;
  std::int16_t Type;
  bool AllRuns;
};

class TableFileTest : public TableTest, public ::testing::WithParamInterface<TFormatCase> {};

}  // namespace

TEST_P(TableFileTest, SavedAndReopenedValuesAreTheSame) {
  const TFormatCase fmt = GetParam();
  Samples(3);
  ASSERT_TRUE(Table.AddSheet());
  Samples(2);
  Prompts.ExpectSaveFile(Tmp.File(fmt.Name));
  ASSERT_TRUE(Table.SaveAs());
  EXPECT_EQ(Table.current_filename, Tmp.File(fmt.Name));
  EXPECT_EQ(Table.current_filetype, fmt.Type);
  // Text formats hold only the shown run: the other stays unsaved.
  EXPECT_EQ(Table.AnyRunUnsaved(), !fmt.AllRuns);
  EXPECT_FALSE(Table.sample_taken_but_not_saved[1]);

  // The titles and the recorded samples of each run (text files hold no grown blank rows).
  const int rowsOf[] = {0, 4, 3};
  QStringList shown;
  for (int s = 1; s <= 2; ++s) {
    Book().SetSheet(s);
    for (int r = 1; r <= rowsOf[s]; ++r)
      for (int c = 1; c <= 14; ++c) shown << Book().FormattedTextRC(r, c);
  }
  TWorkbook saved;
  saved.Read(Tmp.File(fmt.Name));

  TTableForm other(SampleRow);
  TRecordingGraph otherGraph;
  other.SetGraph(&otherGraph);
  other.Initialise();
  Prompts.ExpectOpenFile(Tmp.File(fmt.Name));
  ASSERT_TRUE(other.Open());
  TWorkbook& book = other.ResultsTable->Book();
  const int runs = fmt.AllRuns ? 2 : 1;
  ASSERT_EQ(book.NumSheets(), runs + 1);  // and a fresh run after them
  EXPECT_EQ(book.SheetName(runs + 1), QString("Run %1").arg(runs + 1));
  EXPECT_EQ(other.RunNo, runs + 1);
  const int firstShown = fmt.AllRuns ? 0 : 14 * rowsOf[1];
  QStringList reopened;
  for (int s = 1; s <= runs; ++s) {
    book.SetSheet(s);
    for (int r = 1; r <= rowsOf[fmt.AllRuns ? s : 2]; ++r)
      for (int c = 1; c <= 14; ++c) reopened << book.FormattedTextRC(r, c);
  }
  EXPECT_EQ(reopened, shown.mid(firstShown));
  if (fmt.AllRuns) {
    book.SetSheet(1);
    EXPECT_DOUBLE_EQ(book.NumberRC(4, colHeat), HeatFlow(3, 4.18, 23, 11.5));
    // The loaded rows (with the pattern rows below them) are plotted.
    EXPECT_GE(otherGraph.Rows[1], 3);
    EXPECT_GE(otherGraph.Rows[2], 2);
  } else {
    // Numbers and clock times come back as numbers in the numeric columns.
    book.SetSheet(1);
    EXPECT_EQ(book.ValueRC(3, colT1).Kind, TValueKind::Number);
    EXPECT_NEAR(book.NumberRC(3, colElapsed), 2 / 8640.0, 1e-9);
    EXPECT_GE(otherGraph.Rows[1], 2);
  }
  EXPECT_FALSE(other.AnyRunUnsaved());
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, TableFileTest,
                         ::testing::Values(TFormatCase{"results.vts", TWorkbook::ftNative3, true},
                                           TFormatCase{"results.xlsx", TWorkbook::ftXlsx5, true},
                                           TFormatCase{"results.txt", TWorkbook::ftTabText, false},
                                           TFormatCase{"results.csv", TWorkbook::ftCsv, false}),
                         [](const auto& info) { return std::string(info.param.Name).substr(8); });

TEST_F(TableTest, SaveAsNamesAndSaveReusesTheFile) {
  Samples(1);
  Prompts.ExpectSaveFile(Tmp.File("lab3"));
  ASSERT_TRUE(Table.SaveAs());
  EXPECT_EQ(Table.current_filename, Tmp.File("lab3.vts"));
  EXPECT_EQ(Table.current_extension, ".vts");
  EXPECT_TRUE(QFile::exists(Tmp.File("lab3.vts")));
  EXPECT_EQ(Prompts.Records()[0].Text, "Save As");

  Sample(2);
  EXPECT_TRUE(Table.AnyRunUnsaved());
  ASSERT_TRUE(Table.Save());  // no dialog: the file is known
  EXPECT_FALSE(Table.AnyRunUnsaved());
  TWorkbook saved;
  saved.Read(Tmp.File("lab3.vts"));
  EXPECT_EQ(saved.NumberRC(3, colT1), 22);

  // Cancel keeps the old name.
  Prompts.ExpectSaveFile(std::nullopt);
  EXPECT_FALSE(Table.SaveAs());
  EXPECT_EQ(Table.current_filename, Tmp.File("lab3.vts"));
}

TEST_F(TableTest, AFailedSaveSaysSoAndKeepsTheRunsUnsaved) {
  Samples(1);
  Prompts.ExpectSaveFile(Tmp.File("no/such/folder/r.vts")).ExpectMessage("could not be saved");
  EXPECT_FALSE(Table.SaveAs());
  EXPECT_TRUE(Table.AnyRunUnsaved());
  EXPECT_TRUE(Table.current_filename.isEmpty());
}

TEST_F(TableTest, OpeningOverUnsavedRunsAsksFirst) {
  Samples(2);
  Prompts.ExpectMessage("The current unsaved results will be lost. Do you wish to continue?", TModalResult::mrCancel);
  EXPECT_FALSE(Table.Open());
  EXPECT_EQ(Table.GetCellValue(1, 2, colT1), 22);
  EXPECT_EQ(Prompts.Records().size(), 1u);
}

namespace {

class TableBadFileTest : public TableTest {
 protected:
  void ExpectRefused(const QString& path, const QString& messagePart) {
    Samples(3);
    ASSERT_TRUE(Table.AddSheet());
    Sample(1);
    const auto flags = Table.sample_taken_but_not_saved;
    const auto rows = Graph.Rows;
    Table.current_filename = "kept.vts";
    Prompts.ExpectMessage("unsaved results will be lost").ExpectOpenFile(path).ExpectMessage(messagePart);
    EXPECT_FALSE(Table.Open());
    EXPECT_EQ(Book().NumSheets(), 2);
    EXPECT_EQ(Book().SheetName(2), "Run 2");
    EXPECT_EQ(Table.GetCellValue(1, 3, colT1), 23);
    EXPECT_EQ(Table.GetCellValue(2, 1, colT1), 21);
    EXPECT_EQ(Table.sample_taken_but_not_saved, flags);
    EXPECT_EQ(Graph.Rows, rows);
    EXPECT_EQ(Table.current_filename, "kept.vts");
    EXPECT_EQ(Table.RunNo, 2);
  }
};

}  // namespace

TEST_F(TableBadFileTest, NotAWorkbook) {
  ExpectRefused(Tmp.Write("picture.vts", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)), "could not be opened as a results table");
}

TEST_F(TableBadFileTest, AMissingFile) {
  ExpectRefused(Tmp.File("gone.vts"), "does not exist");
}

TEST_F(TableBadFileTest, FiveHundredSheets) {
  TWorkbook big;
  big.SetNumSheets(500);
  big.Write(Tmp.File("big.vts"), TWorkbook::ftNative3);
  ExpectRefused(Tmp.File("big.vts"), "holds 500 sheets");
}

TEST_F(TableBadFileTest, TextInANumericColumn) {
  Tmp.Write("notes.txt", "Sample\tTime\tElapsed\tT1\n1\t10:00:00\t0:00:10\t21.5\n2\t10:00:10\t0:00:20\twarm\n");
  ExpectRefused(Tmp.File("notes.txt"), "row 3, column 4 holds the text \"warm\"");
}

TEST_F(TableTest, AFileFromAnotherRigIsOpenedWithAWarning) {
  Tmp.Write("other.csv", "Sample,Reading\n1,5\n2,6\n");
  Prompts.ExpectOpenFile(Tmp.File("other.csv")).ExpectMessage("may not have come from this version of the program");
  ASSERT_TRUE(Table.Open());
  EXPECT_EQ(Table.GetCellValue(1, 2, 2), 6);
  Book().SetSheet(1);
  EXPECT_EQ(Table.GetColumnTitle(2), "Reading");
  EXPECT_EQ(Logger.CountResets, 1);
  EXPECT_EQ(Logger.TransferCount, 0);
}

TEST_F(TableTest, ATableOfTwentyRunsOpensWithoutAFreshRunAndNewSamplesFollowItsLastRow) {
  // Twenty runs saved by this program, the last with three samples and grown blank rows below.
  Samples(2);
  for (int i = 2; i <= 20; ++i) ASSERT_TRUE(Table.AddSheet());
  Samples(3);
  Prompts.ExpectSaveFile(Tmp.File("full.vts"));
  ASSERT_TRUE(Table.SaveAs());
  ASSERT_GT(Book().SheetAt(20).RowCount(), 4);

  Table.Initialise();
  Prompts.ExpectOpenFile(Tmp.File("full.vts")).ExpectMessage("holds 20 runs, the most it can keep");
  ASSERT_TRUE(Table.Open());
  EXPECT_EQ(Book().NumSheets(), 20);
  EXPECT_EQ(Table.RecordedSamples(20), 3);
  EXPECT_EQ(Table.RecordedSamples(1), 2);
  ASSERT_EQ(Logger.TransferCount, 3);
  // The logger's next sample is number 4: it lands in row 5, after the three.
  Sample(Logger.TransferCount + 1);
  for (int n = 1; n <= 4; ++n) EXPECT_EQ(Table.GetCellValue(20, n, colT1), 20 + n) << "sample " << n;
}

TEST_F(TableTest, TextExportsHoldOnlyTheRecordedRows) {
  Samples(3);
  ASSERT_GT(Book().SheetAt(1).RowCount(), 10);  // grown ahead of the samples
  for (const char* name : {"r.csv", "r.txt"}) {
    Prompts.ExpectSaveFile(Tmp.File(name));
    ASSERT_TRUE(Table.SaveAs());
    const QList<QByteArray> lines = TTempFolder::Read(Tmp.File(name)).split('\n');
    ASSERT_EQ(lines.size(), 5) << name;  // titles, three samples, the final line end
    EXPECT_TRUE(lines[3].startsWith("3")) << lines[3].toStdString();
    EXPECT_TRUE(lines[4].isEmpty());
  }
}

TEST_F(TableTest, ABlankTextInANumericColumnOfAnOlderFileReadsAsEmpty) {
  Samples(2);
  Book().SetSheet(1);
  Book().SetTextRC(2, colElapsed, " ");  // as a second timed run used to write
  Prompts.ExpectSaveFile(Tmp.File("old.vts"));
  ASSERT_TRUE(Table.SaveAs());
  Table.Initialise();
  Prompts.ExpectOpenFile(Tmp.File("old.vts"));
  ASSERT_TRUE(Table.Open());
  EXPECT_EQ(Table.GetCellValue(1, 1, colElapsed), TTableForm::EmptyCell);
  EXPECT_NEAR(Table.GetCellValue(1, 2, colElapsed), 2 / 8640.0, 1e-12);
  EXPECT_EQ(Table.GetCellValue(1, 2, colT1), 22);
}

namespace {

struct TFaultCase {
  const char* Name;
  TSafeSave::TFaults Faults;
};

class TableSaveFaultTest : public TableTest, public ::testing::WithParamInterface<std::tuple<const char*, TFaultCase>> {};

}  // namespace

// A disk that fills up part way, a sync or a rename that fails: the message names the file and the
// cause, the file saved before is byte for byte as it was, and the runs stay unsaved.
TEST_P(TableSaveFaultTest, AFailedSaveKeepsTheOldFileAndTheRunsUnsaved) {
  const auto [file, fault] = GetParam();
  const QString path = Tmp.File(file);
  Samples(40);
  Prompts.ExpectSaveFile(path);
  ASSERT_TRUE(Table.SaveAs());
  const QByteArray before = TTempFolder::Read(path);
  Sample(41);
  ASSERT_TRUE(Table.AnyRunUnsaved());
  {
    TSafeSave::TFaultScope failing(fault.Faults);
    Prompts.ExpectMessage(QFileInfo(path).fileName());
    EXPECT_FALSE(Table.Save());
  }
  const QString message = Prompts.Records().back().Text;
  EXPECT_TRUE(message.contains("could not be saved")) << message.toStdString();
  EXPECT_TRUE(message.contains(fault.Faults.FailAfterBytes >= 0 ? "No space left on device" : "Input/output error"))
      << message.toStdString();
  EXPECT_EQ(TTempFolder::Read(path), before);
  EXPECT_TRUE(Table.AnyRunUnsaved());
  EXPECT_EQ(QDir(Tmp.Path()).entryList(QDir::Files | QDir::Hidden), QStringList{file}) << "a temporary file was left";
  // With the disk back, the same save succeeds.
  ASSERT_TRUE(Table.Save());
  EXPECT_FALSE(Table.AnyRunUnsaved());
  EXPECT_NE(TTempFolder::Read(path), before);
}

INSTANTIATE_TEST_SUITE_P(
    EveryFormatAndFault, TableSaveFaultTest,
    ::testing::Combine(::testing::Values("r.vts", "r.xlsx", "r.txt", "r.csv"),
                       ::testing::Values(TFaultCase{"NoRoomAtAll", {0, false, false}},
                                         TFaultCase{"FullAfter100Bytes", {100, false, false}},
                                         TFaultCase{"FullAfter1000Bytes", {1000, false, false}},
                                         TFaultCase{"SyncFails", {-1, true, false}},
                                         TFaultCase{"RenameFails", {-1, false, true}})),
    [](const auto& info) {
      return QString(std::get<0>(info.param)).mid(2).toStdString() + "_" + std::get<1>(info.param).Name;
    });

TEST_F(TableTest, RunNumbersSkipNamesAFileAlreadyUses) {
  TWorkbook gaps;
  gaps.SetNumSheets(2);
  gaps.SetSheetName(1, "Run 1");
  gaps.SetSheetName(2, "Run 3");
  for (int s = 1; s <= 2; ++s) {
    gaps.SetSheet(s);
    for (int c = 1; c <= SampleRow.MaxCol(); ++c) gaps.SetTextRC(1, c, SampleRow.ColText(c));
  }
  gaps.Write(Tmp.File("gaps.vts"), TWorkbook::ftNative3);
  Prompts.ExpectOpenFile(Tmp.File("gaps.vts"));
  ASSERT_TRUE(Table.Open());
  ASSERT_EQ(Book().NumSheets(), 3);
  EXPECT_EQ(Book().SheetName(3), "Run 4");
}

TEST_F(TableTest, PrintsToAPdfFile) {
  Samples(40);
  const QString pdf = Tmp.File("table.pdf");
  Table.Printing().SetPrintDialog([&](QPrinter& printer) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    return true;
  });
  Table.PrintForm();
  const QByteArray bytes = TTempFolder::Read(pdf);
  EXPECT_TRUE(bytes.startsWith("%PDF"));
  EXPECT_GT(bytes.size(), 2000);

  // Cancelling the dialog prints nothing.
  QFile::remove(pdf);
  Table.Printing().SetPrintDialog([](QPrinter&) { return false; });
  Table.PrintForm();
  EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(TableTest, ColumnFormatsForTheGraph) {
  EXPECT_EQ(Table.GetColumnFormat(colHeat), "0.000");
  EXPECT_EQ(Table.GetColumnFormat(colElapsed), "[h]:mm:ss");
  EXPECT_EQ(Table.GetColumnFormat(colNote), "0.0");  // General
}

TEST_F(TableTest, TheDemoTableIsMissing) {
  Prompts.ExpectMessage("Cannot find file " + Rig.Rig.Demo_Spreadsheet);
  Table.SetupDemo();
  EXPECT_EQ(Book().NumSheets(), 1);
  EXPECT_EQ(Logger.TransferCount, 0);
}

TEST_F(TableTest, TheDemoTableIsLoadedAndFormatted) {
  Samples(5);
  ASSERT_TRUE(Table.AddSheet());
  Samples(2);
  Prompts.ExpectSaveFile(Tmp.File("demo.vts"));
  ASSERT_TRUE(Table.SaveAs());
  Rig.Rig.Demo_Spreadsheet = Tmp.File("demo.vts");
  Table.Initialise();
  Table.SetupDemo();
  ASSERT_EQ(Book().NumSheets(), 2);
  EXPECT_EQ(Graph.Rows[1], Book().SheetAt(1).LastRow() - 1);
  EXPECT_EQ(Table.GetCellValue(1, 5, colT1), 25);
  EXPECT_FALSE(Table.AnyRunUnsaved());
}

TEST(TableIteration, FindsTheFinConstantRowByRow) {
  TScriptedPrompts prompts;
  TWorkbook sampleRow;
  sampleRow.SetMaxCol(18);
  sampleRow.SetMaxRow(3);
  TTableForm table(sampleRow);
  table.Initialise();
  TWorkbook& book = table.ResultsTable->Book();
  // y = cosh((0.35 - x) m) / cosh(0.35 m) for m = 2.5; row 9 cannot be met (y > 1).
  for (int r = 3; r <= 8; ++r) {
    const double x = 0.05 * (r - 3);
    book.SetNumberRC(r, 3, x);
    book.SetNumberRC(r, 17, std::cosh((0.35 - x) * 2.5) / std::cosh(0.35 * 2.5));
  }
  book.SetNumberRC(9, 3, 0.1);
  book.SetNumberRC(9, 17, 5);
  book.SetTextRC(4, 18, "old");
  table.Iterate_Table_Data();
  for (int r = 4; r <= 8; ++r) EXPECT_NEAR(book.NumberRC(r, 18), 2.5, 0.01) << "row " << r;
  EXPECT_EQ(book.TextRC(9, 18), "no convergence");
  // Row 3 has x = 0, where every m fits: the first step already converges.
  EXPECT_NEAR(book.NumberRC(3, 18), 1.0001, 1e-9);
}
