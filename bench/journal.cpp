// The sample journal: a logger tick of a 100-source rig that takes a sample into the results table
// on every tick, with the journal off and on (the journal adds one appended record per sample),
// the journal's bytes per sample row, and what the once-a-second sync costs its timer.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <QWidget>

#include "acquisition/isampletable.h"
#include "acquisition/qxdatalist.h"
#include "benchapplication.h"
#include "hundredsourcerig.h"
#include "ifd/qxifd.h"
#include "platform/services.h"
#include "results/samplejournal.h"
#include "results/tableform.h"
#include "rigconfig/rigconfig.h"
#include "workbook/view/f1book.h"
#include "workbook/model/workbook.h"

namespace {
class TTableLink : public ISampleTable {
 public:
  explicit TTableLink(TTableForm& table) : FTable(table) {}
  void WriteRow(TWorkbook& source, int n, int row) override { FTable.WriteRow(source, n, row); }
  void DataChanged(int) override {}
  void RedrawGraph() override {}
  void WriteCaptureRun(const TCapturedRun&) override {}

 private:
  TTableForm& FTable;
};

// Every journal of this program goes into a folder of its own, never the user's data folder.
void UseBenchDataFolder() {
  static QTemporaryDir dir;
  qputenv("XDG_DATA_HOME", dir.filePath("data").toLocal8Bit());
}
}  // namespace

// range(0): journal off / on. Each sample row holds 100 cells: 70 numbers and 30 formulas.
static void BM_LoggerTickWithSample(benchmark::State& state) {
  EnsureApplication();
  UseBenchDataFolder();
  THundredSourceRig bench;
  TRigConfig& rig = bench.Rig;
  TWorkbook& sample = bench.Sample;
  TQXIFD ifd(nullptr, nullptr, &bench.Driver);
  QWidget panel;
  TTableForm table(sample);
  table.Initialise();
  TSampleJournal journal(TSampleJournal::PathFor(rig.PathName, 1), {rig.PathName, 1, "bench"});
  if (state.range(0)) {
    if (!journal.Claim()) state.SkipWithError("the journal could not be claimed");
    table.SetJournal(&journal);
  }
  TTableLink link(table);
  TQXDataList list(&panel);
  list.Initialise(rig, &link);
  if (list.Sources().size() != 100) state.SkipWithError("the rig did not build 100 sources");
  int n = 0;
  // The first sample journals the (empty) table whole: outside the measurement.
  ifd.SampleNow();
  list.Update_All_Sources(false, n, 0);
  list.TakeSample(++n);
  const qint64 startBytes = journal.BytesWritten();
  const int startRows = n;
  for (auto _ : state) {
    ifd.SampleNow();
    list.Update_All_Sources(false, n, 0);
    list.TakeSample(++n);
    // A run fills a sheet; starting the next before it grows without end keeps every tick alike.
    if (n == 2000) {
      state.PauseTiming();
      table.Initialise();
      table.SetJournal(state.range(0) ? &journal : nullptr);
      n = 0;
      list.TakeSample(++n);
      state.ResumeTiming();
    }
  }
  state.counters["cells_per_row"] = static_cast<double>(table.ResultsTable->Book().MaxCol());
  if (state.range(0) && n > startRows)
    state.counters["journal_bytes_per_row"] = static_cast<double>(journal.BytesWritten() - startBytes) / (n - startRows);
  table.SetJournal(nullptr);
  journal.Retire();
}
BENCHMARK(BM_LoggerTickWithSample)->ArgName("journal")->Arg(0)->Arg(1)->Iterations(1500)->Unit(benchmark::kMicrosecond);

// The timer's sync after a second of samples: fdatasync of the journal's new records.
static void BM_JournalSync(benchmark::State& state) {
  EnsureApplication();
  UseBenchDataFolder();
  const QString rig = QStringLiteral("/bench/rig");
  TSampleJournal journal(TSampleJournal::PathFor(rig, 1), {rig, 1, "bench"});
  if (!journal.Claim()) state.SkipWithError("the journal could not be claimed");
  journal.BeginSnapshot();
  journal.RunAdded("Run 1", 1);
  journal.EndSnapshot();
  std::vector<TJournalCell> cells(30);
  for (int c = 0; c < 30; ++c) cells[c] = {TJournalCell::TKind::Number, 20.0 + c / 7.0, {}};
  int row = 2;
  for (auto _ : state) {
    state.PauseTiming();
    journal.RowWritten(1, row++, cells);
    state.ResumeTiming();
    journal.Sync();
  }
  journal.Retire();
}
BENCHMARK(BM_JournalSync)->Iterations(50)->Unit(benchmark::kMicrosecond);
