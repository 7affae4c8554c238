// The sample journal: the table rebuilt exactly from it (runs, rows, names, unsaved flags), a file
// cut at any byte still read up to its last whole record, damaged and foreign journals refused
// with a message, retiring on save and New, and the recovery question at start-up.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "results/journalreader.h"
#include "results/journalrecovery.h"
#include "results/samplejournal.h"
#include "results/scoperun.h"
#include "scope/capturetrace.h"
#include "results/tableform.h"
#include "resultsfixture.h"
#include "workbook/view/f1book.h"
#include "support/manualclock.h"

using namespace results_test;

namespace {

const QString kRig = QStringLiteral("/labs/heat-rig");

struct TJournalTable {
  explicit TJournalTable(ISampleJournal* journal) : Table(SampleRow) {
    Table.SetGraph(&Graph);
    Table.SetLogger(&Logger);
    Table.Initialise();
    Table.SetJournal(journal);
  }
  TWorkbook& Book() { return Table.ResultsTable->Book(); }
  void Sample(int n, double t1) {
    FillSample(SampleRow, {{colSample, double(n)}, {colElapsed, n / 8640.0}, {colT1, t1}, {colT2, 10.0 + n / 3.0},
                           {colFlow, 3}, {colCp, 4.18}});
    SampleRow.SetTextRC(2, colNote, n % 3 ? QString() : QStringLiteral("Notiz %1: Ventil ½ offen, 25 µl").arg(n));
    Table.WriteRow(SampleRow, n, 2);
  }
  TRecordingGraph Graph;
  TRecordingLogger Logger;
  TWorkbook SampleRow;
  TTableForm Table;
};

class JournalTest : public ::testing::Test {
 protected:
  JournalTest() : Path(TSampleJournal::PathFor(kRig, 2)), Journal(Path, {kRig, 2, "Heat rig: Exercise 2"}), Recorded(&Journal) {
    EXPECT_TRUE(Journal.Claim());
  }

  // Compares every cell, name and flag of two tables.
  static void ExpectSameTable(TTableForm& want, TTableForm& got) {
    TWorkbook& a = want.ResultsTable->Book();
    TWorkbook& b = got.ResultsTable->Book();
    ASSERT_EQ(a.NumSheets(), b.NumSheets());
    EXPECT_EQ(want.RunNo, got.RunNo);
    EXPECT_EQ(want.sample_taken_but_not_saved, got.sample_taken_but_not_saved);
    EXPECT_EQ(want.current_filename, got.current_filename);
    for (int s = 1; s <= a.NumSheets(); ++s) {
      EXPECT_EQ(a.SheetName(s), b.SheetName(s));
      EXPECT_EQ(want.RecordedSamples(s), got.RecordedSamples(s)) << "sheet " << s;
      a.SetSheet(s);
      b.SetSheet(s);
      for (int r = 1; r <= want.RecordedSamples(s) + 1; ++r)
        for (int c = 1; c <= 14; ++c) {
          const TCellValue x = a.ValueRC(r, c), y = b.ValueRC(r, c);
          EXPECT_EQ(x.Kind, y.Kind) << "sheet " << s << " R" << r << "C" << c;
          EXPECT_EQ(std::bit_cast<std::uint64_t>(x.Num), std::bit_cast<std::uint64_t>(y.Num)) << "R" << r << "C" << c;
          EXPECT_EQ(x.Str, y.Str) << "R" << r << "C" << c;
          EXPECT_EQ(a.FormulaRC(r, c), b.FormulaRC(r, c)) << "R" << r << "C" << c;
        }
    }
  }

  TTempFolder Tmp;  // first: the journal's folder lives in it
  TManualClock Clock;
  TScriptedPrompts Prompts;
  TResultsRig Rig;
  QString Path;
  TSampleJournal Journal;
  TJournalTable Recorded;
};

}  // namespace

TEST_F(JournalTest, RebuildsRunsRowsNamesAndFlagsExactly) {
  EXPECT_FALSE(QFileInfo::exists(Path)) << "nothing is written before the first sample";
  Recorded.Sample(1, 1.0 / 3.0);
  EXPECT_TRUE(QFileInfo::exists(Path));
  Recorded.Sample(2, -0.0);
  Recorded.Sample(3, 6.02214076e23);
  ASSERT_TRUE(Recorded.Table.AddSheet());
  for (int n = 1; n <= 20; ++n) Recorded.Sample(n, 20 + n * 0.1);  // grows past the first 15 rows
  ASSERT_TRUE(Recorded.Table.AddSheet());
  Recorded.Sample(1, 5);
  // Run 2 renamed, run 1 deleted (its flag goes with it), run 3 written to a text file alone.
  Recorded.Book().SetSheet(2);
  Prompts.ExpectInput(QStringLiteral("Aufheizen (°C)"));
  Recorded.Table.ChangeSheetName();
  Recorded.Book().SetSheet(1);
  Prompts.ExpectMessage("This unsaved data will be lost", TModalResult::mrYes);
  Recorded.Table.DeleteSheet();
  Recorded.Book().SetSheet(2);
  Prompts.ExpectSaveFile(Tmp.File("run3.txt"));
  ASSERT_TRUE(Recorded.Table.SaveAs());
  Recorded.Sample(2, 7);  // the text save made run 3 saved; this makes it unsaved again
  Journal.Sync();

  const TJournalReader::TResult read = TJournalReader::Read(Path);
  ASSERT_EQ(read.Status, TJournalReader::TStatus::Read) << read.Problem.toStdString();
  EXPECT_FALSE(read.TornTail);
  EXPECT_EQ(read.RigFolder, kRig);
  EXPECT_EQ(read.Exercise, 2);
  EXPECT_EQ(read.ExerciseTitle, "Heat rig: Exercise 2");
  TJournalTable rebuilt(nullptr);
  rebuilt.Table.RestoreJournal(read.State);
  ExpectSameTable(Recorded.Table, rebuilt.Table);
  EXPECT_EQ(rebuilt.Book().SheetName(1), "Aufheizen (°C)");
  EXPECT_EQ(rebuilt.Graph.Rows[1], 20);
  EXPECT_EQ(rebuilt.Logger.TransferCount, 2) << "new samples go after the last run's rows";
  rebuilt.Book().SetSheet(1);
  EXPECT_EQ(rebuilt.Book().FormulaRC(21, colDT), "=D21-E21");
  EXPECT_EQ(rebuilt.Book().NumberRC(21, colDT), rebuilt.Book().NumberRC(21, colT1) - rebuilt.Book().NumberRC(21, colT2));
}

TEST_F(JournalTest, AFileCutAtAnyByteGivesEveryWholeRowAndNoHalfRow) {
  for (int n = 1; n <= 8; ++n) Recorded.Sample(n, 100 + n);
  Journal.Sync();
  const QByteArray whole = TTempFolder::Read(Path);
  const QString cut = Tmp.File("cut.qxj");
  int lastRows = -1;
  for (qsizetype size = TJournalRecord::PreambleBytes; size <= whole.size(); ++size) {
    Tmp.Write("cut.qxj", whole.left(size));
    const TJournalReader::TResult r = TJournalReader::Read(cut);
    if (r.Status == TJournalReader::TStatus::Unreadable) {
      ASSERT_EQ(lastRows, -1) << "only a cut inside the header makes a journal unreadable, not one at " << size;
      continue;
    }
    ASSERT_EQ(r.Status, TJournalReader::TStatus::Read) << "cut at " << size << ": " << r.Problem.toStdString();
    if (size == whole.size()) EXPECT_FALSE(r.TornTail);
    ASSERT_GE(r.State.RowsApplied, std::max(lastRows, 0));
    lastRows = r.State.RowsApplied;
    if (r.State.Runs.empty()) continue;
    // Rows 2 .. k + 1, each whole.
    int expectRow = 2;
    for (const TJournalState::TRow& row : r.State.Runs[0].Rows) {
      ASSERT_EQ(row.Row, expectRow++);
      const std::vector<TJournalCell> cells = row.Cells();
      ASSERT_GE(cells.size(), std::size_t(colT2));
      EXPECT_EQ(cells[colT1 - 1].Num, 100 + (row.Row - 1)) << "cut at " << size;
    }
  }
  EXPECT_EQ(lastRows, 8);
}

TEST_F(JournalTest, DamagedForeignAndNewerJournalsAreRefusedWithAMessage) {
  for (int n = 1; n <= 6; ++n) Recorded.Sample(n, n);
  Journal.Sync();
  const QByteArray whole = TTempFolder::Read(Path);

  // A byte flipped in the middle: the rows before it are offered, and the question says so.
  QByteArray damaged = whole;
  damaged[whole.size() / 2] = static_cast<char>(damaged[whole.size() / 2] ^ 0x5A);
  const TJournalReader::TResult r = TJournalReader::Read(Tmp.Write("d.qxj", damaged));
  ASSERT_EQ(r.Status, TJournalReader::TStatus::Damaged);
  EXPECT_GT(r.State.RowsApplied, 0);
  EXPECT_LT(r.State.RowsApplied, 6);

  struct TCase {
    const char* Name;
    QByteArray Content;
    QString Message;
  };
  QByteArray newer = whole;
  newer[8] = 2;
  TSampleJournal other(Tmp.File("x.qxj"), {QStringLiteral("/labs/other-rig"), 2, "Other"});
  ASSERT_TRUE(other.Claim());
  TJournalTable otherTable(&other);
  otherTable.Sample(1, 1);
  other.Sync();
  const TCase cases[] = {
      {"newer", newer, "written by a newer version of Quorlex (journal format 2; this version reads format 1)"},
      {"other rig", TTempFolder::Read(Tmp.File("x.qxj")), "belongs to the rig in /labs/other-rig (exercise 2)"},
      {"not a journal", QByteArray("quorlex-workbook 1\nsheet \"Run 1\"\n"), "cannot be read: it does not start as a sample journal"},
      {"header cut", whole.left(20), "cannot be read: its header is missing or damaged"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TSampleJournal fresh(Path, Journal.Header());
    TJournalTable table(&fresh);
    Journal.Retire();
    Tmp.Write(QDir(Tmp.Path()).relativeFilePath(Path), c.Content);
    Prompts.ExpectMessage(c.Message);
    EXPECT_EQ(TJournalRecovery::Run(Journal, table.Table), TJournalRecovery::TOutcome::Refused);
    EXPECT_EQ(Prompts.Records().back().Text.contains("Nothing was recovered from it. It was kept as"), true)
        << Prompts.Records().back().Text.toStdString();
    EXPECT_FALSE(QFileInfo::exists(Path)) << "kept aside, so this session's journal does not replace it";
    EXPECT_FALSE(table.Table.AnyRunUnsaved());
    EXPECT_EQ(table.Book().NumSheets(), 1);
  }
  const QStringList aside = QFileInfo(Path).dir().entryList({"samples-*-*.qxj"});
  EXPECT_EQ(aside.size(), 4) << aside.join(' ').toStdString();
}

TEST_F(JournalTest, AWholeSaveNewAndLoadingRetireTheJournalATextSaveDoesNot) {
  Recorded.Sample(1, 1);
  ASSERT_TRUE(QFileInfo::exists(Path));
  Prompts.ExpectSaveFile(Tmp.File("run.txt"));
  ASSERT_TRUE(Recorded.Table.SaveAs());
  EXPECT_TRUE(QFileInfo::exists(Path)) << "a text file holds one run, not the table";

  Prompts.ExpectSaveFile(Tmp.File("all.vts"));
  ASSERT_TRUE(Recorded.Table.SaveAs());
  EXPECT_FALSE(QFileInfo::exists(Path));
  // The next sample journals the whole table again: the saved row too, as saved... then unsaved.
  Recorded.Sample(2, 2);
  TJournalReader::TResult r = TJournalReader::Read(Path);
  ASSERT_EQ(r.Status, TJournalReader::TStatus::Read);
  EXPECT_EQ(r.State.Runs.at(0).Rows.size(), 2u);
  EXPECT_EQ(r.State.FileName, Tmp.File("all.vts"));

  Recorded.Table.Initialise();  // New
  EXPECT_FALSE(QFileInfo::exists(Path));
  Recorded.Sample(1, 1);
  Prompts.ExpectMessage("The current unsaved results will be lost", TModalResult::mrOk);
  Prompts.ExpectOpenFile(Tmp.File("all.vts"));
  ASSERT_TRUE(Recorded.Table.Open());
  EXPECT_FALSE(QFileInfo::exists(Path));
}

TEST_F(JournalTest, RecoveryAsksThenRestoresOrKeepsTheJournalAside) {
  // The crashed session, on exercise 3; its journal's lock goes with it.
  const QString path = TSampleJournal::PathFor(kRig, 3);
  const TSampleJournal::THeader header{kRig, 3, "Heat rig: Exercise 3"};
  auto crashed = std::make_unique<TSampleJournal>(path, header);
  ASSERT_TRUE(crashed->Claim());
  TJournalTable recorded(crashed.get());
  for (int n = 1; n <= 4; ++n) recorded.Sample(n, 40 + n);
  ASSERT_TRUE(recorded.Table.AddSheet());
  recorded.Sample(1, 9);
  crashed.reset();
  const QByteArray journal = TTempFolder::Read(path);

  {  // No: the table stays empty, the journal goes aside under its date.
    TSampleJournal next(path, header);
    ASSERT_TRUE(next.Claim());
    TJournalTable table(&next);
    Prompts.ExpectMessage("5 unsaved samples in 2 runs of \"Heat rig: Exercise 3\"", TModalResult::mrNo);
    EXPECT_EQ(TJournalRecovery::Run(next, table.Table), TJournalRecovery::TOutcome::Declined);
    EXPECT_FALSE(table.Table.AnyRunUnsaved());
    EXPECT_FALSE(QFileInfo::exists(path));
    const QStringList aside = QFileInfo(path).dir().entryList({QFileInfo(path).completeBaseName() + "-*.qxj"});
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(TTempFolder::Read(QFileInfo(path).dir().filePath(aside[0])), journal);
  }
  {  // Yes: the table comes back, and is journalled again at once.
    Tmp.Write(QDir(Tmp.Path()).relativeFilePath(path), journal);
    TSampleJournal next(path, header);
    ASSERT_TRUE(next.Claim());
    TJournalTable table(&next);
    Prompts.ExpectMessage("Do you wish to recover them?", TModalResult::mrYes);
    EXPECT_EQ(TJournalRecovery::Run(next, table.Table), TJournalRecovery::TOutcome::Recovered);
    ExpectSameTable(recorded.Table, table.Table);
    EXPECT_TRUE(next.Recording());
    TJournalTable again(nullptr);
    again.Table.RestoreJournal(TJournalReader::Read(path).State);
    ExpectSameTable(recorded.Table, again.Table);
    // Nothing unsaved left after a whole save: the next start asks nothing.
    Prompts.ExpectSaveFile(Tmp.File("recovered.vts"));
    ASSERT_TRUE(table.Table.SaveAs());
    EXPECT_EQ(TJournalRecovery::Run(next, table.Table), TJournalRecovery::TOutcome::Nothing);
  }
}

TEST_F(JournalTest, OneProgramAtATimeJournalsARig) {
  TSampleJournal second(Path, Journal.Header());
  EXPECT_FALSE(second.Claim());
  EXPECT_TRUE(second.Failure().contains("another Quorlex program"));
  TJournalTable table(&second);
  table.Sample(1, 1);
  EXPECT_FALSE(second.Recording());
  EXPECT_FALSE(QFileInfo::exists(Path));
}

// A capture run comes back from the journal as the capture it was: its own titles (time in
// seconds, each channel with its units), every column, and seconds shown as seconds.
TEST_F(JournalTest, ACaptureRunComesBackWithItsTitlesUnitsAndInterval) {
  Recorded.Sample(1, 21.5);
  TScopeRun run;
  run.SampleInterval = 245;  // 0.5 ms
  run.ChannelOne = 3;
  run.ChannelTwo = 4;
  for (int i = 0; i < 50; ++i) {
    run.Ch1.push_back(10 * i - 200);
    run.Ch2.push_back(-i);
  }
  ASSERT_EQ(Recorded.Table.GetScopeData(run), 2);
  Recorded.Sample(2, 22.5);  // the logger goes on in run 1
  Journal.Sync();
  const TJournalReader::TResult read = TJournalReader::Read(Path);
  ASSERT_EQ(read.Status, TJournalReader::TStatus::Read) << read.Problem.toStdString();
  EXPECT_EQ(read.State.UnsavedRows(), 52) << "the capture's titles counted as a sample";
  TJournalTable rebuilt(nullptr);
  rebuilt.Table.RestoreJournal(read.State);
  ExpectSameTable(Recorded.Table, rebuilt.Table);
  EXPECT_TRUE(rebuilt.Table.IsCaptureRun(2));
  TCaptureTrace before, after;
  QString why;
  ASSERT_TRUE(before.Read(Recorded.Book(), 2, &why)) << why.toStdString();
  ASSERT_TRUE(after.Read(rebuilt.Book(), 2, &why)) << why.toStdString();
  EXPECT_DOUBLE_EQ(after.Interval, 0.0005);
  ASSERT_EQ(after.Channels.size(), 2u);
  EXPECT_EQ(after.Channels[0].Name, "Input 3");
  EXPECT_EQ(after.Channels[1].Units, "counts");
  EXPECT_EQ(after.Channels[1].Values, before.Channels[1].Values);
  EXPECT_EQ(rebuilt.Book().MaxCol(), 4) << "the logger's columns beside a capture";
  rebuilt.Book().SetSheet(2);
  EXPECT_EQ(rebuilt.Book().FormattedTextRC(3, 2), "0.000500");
  EXPECT_EQ(rebuilt.Book().FormattedTextRC(3, 1), "2");
  // The rebuilt table is journalled again with its capture as it is.
  const TJournalReader::TResult again = TJournalReader::Read(Path);
  ASSERT_EQ(again.Status, TJournalReader::TStatus::Read);
}

// A recovered table goes on in the journal it was rebuilt from: the whole records stay as they
// were, a record torn by the crash is cut off, and new samples are appended after them. Read again,
// that journal gives the recovered table and the samples after it, formulas changed during the
// run included.
TEST_F(JournalTest, ARecoveredTableGoesOnInItsJournalCutAfterItsLastWholeRecord) {
  const QString path = TSampleJournal::PathFor(kRig, 3);
  const TSampleJournal::THeader header{kRig, 3, "Heat rig: Exercise 3"};
  auto crashed = std::make_unique<TSampleJournal>(path, header);
  ASSERT_TRUE(crashed->Claim());
  TJournalTable recorded(crashed.get());
  for (int n = 1; n <= 12; ++n) recorded.Sample(n, 40 + n);
  // The temperature difference doubled from sample 13 on.
  recorded.SampleRow.SetFormulaRC(2, colDT, "=(D2-E2)*2");
  for (int n = 13; n <= 30; ++n) recorded.Sample(n, 40 + n);
  ASSERT_EQ(recorded.Book().FormulaRC(31, colDT), "=(D31-E31)*2");
  recorded.Table.SetJournal(nullptr);  // goes on as the expected table
  crashed.reset();
  const QByteArray whole = TTempFolder::Read(path);
  // The crash came while the next row was being written: half its record is on the disk.
  TJournalRecord row(TJournalRecord::TType::Row);
  row.PutUInt(1);
  row.PutUInt(32);
  row.PutCells({{TJournalCell::TKind::Number, 31, {}}, {TJournalCell::TKind::Formula, 0, "=A32*2"}});
  QByteArray torn = whole;
  row.AppendFramed(torn);
  torn.chop(6);
  Tmp.Write(QDir(Tmp.Path()).relativeFilePath(path), torn);

  TSampleJournal next(path, header);
  ASSERT_TRUE(next.Claim());
  TJournalTable table(&next);
  Prompts.ExpectMessage("30 unsaved samples in 1 runs", TModalResult::mrYes);
  EXPECT_EQ(TJournalRecovery::Run(next, table.Table), TJournalRecovery::TOutcome::Recovered);
  ExpectSameTable(recorded.Table, table.Table);
  table.Book().SetSheet(1);
  EXPECT_EQ(table.Book().FormulaRC(13, colDT), "=D13-E13");
  EXPECT_EQ(table.Book().FormulaRC(14, colDT), "=(D14-E14)*2");
  EXPECT_EQ(table.Book().NumberRC(31, colDT), 2 * (table.Book().NumberRC(31, colT1) - table.Book().NumberRC(31, colT2)));
  EXPECT_TRUE(next.Recording());
  EXPECT_EQ(TTempFolder::Read(path), whole) << "the journal is kept as it was, less the torn record";

  table.SampleRow.SetFormulaRC(2, colDT, "=(D2-E2)*2");
  table.Sample(31, 71);
  next.Sync();
  const QByteArray after = TTempFolder::Read(path);
  EXPECT_TRUE(after.startsWith(whole));
  EXPECT_GT(after.size(), whole.size());
  recorded.Sample(31, 71);
  TJournalTable again(nullptr);
  const TJournalReader::TResult read = TJournalReader::Read(path);
  ASSERT_EQ(read.Status, TJournalReader::TStatus::Read) << read.Problem.toStdString();
  EXPECT_FALSE(read.TornTail);
  again.Table.RestoreJournal(read.State);
  ExpectSameTable(recorded.Table, again.Table);

  // Another journal's content, or a table rebuilt in part, is journalled afresh instead.
  TSampleJournal other(Tmp.File("other.qxj"), header);
  ASSERT_TRUE(other.Claim());
  EXPECT_FALSE(other.Resume(path, read.State.WholeBytes));
  TJournalTable elsewhere(&other);
  elsewhere.Table.RestoreJournal(read.State);
  EXPECT_TRUE(other.Recording());
  const TJournalReader::TResult fresh = TJournalReader::Read(other.Path());
  ASSERT_EQ(fresh.Status, TJournalReader::TStatus::Read);
  EXPECT_EQ(fresh.State.RowsApplied, 31) << "a snapshot of the rebuilt table, not the history";
  TJournalTable fromFresh(nullptr);
  fromFresh.Table.RestoreJournal(fresh.State);
  ExpectSameTable(recorded.Table, fromFresh.Table);
}
