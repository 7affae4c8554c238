// Results table and graph: appending a sample to a long run (the cost must not grow with the run),
// the graph of 20 runs x 5 000 samples on two axes drawn from scratch and appended to, and a saved
// table of 100 000 samples reopened in the window.
#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>
#include <string>

#include <QApplication>
#include <QChart>
#include <QPixmap>
#include <QTemporaryDir>

#include "answeryes.h"
#include "benchapplication.h"
#include "platform/services.h"
#include "results/graphform.h"
#include "results/tableform.h"
#include "rigconfig/rigconfig.h"
#include "workbook/model/workbook.h"
#include "workbook/view/f1book.h"

namespace {

// A run template shaped like the demo rig's: 14 columns, two formula columns in the sample row and
// the data-row pattern.
void MakeTemplate(TWorkbook& book) {
  book.SetMaxCol(14);
  book.SetMaxRow(3);
  const char* titles[] = {"Sample", "Time", "Elapsed time", "T1 Tank (°C)", "T2 Vessel (°C)", "F1 Flow (l/min)", "Heater (%)",
                          "Pump (%)", "cp (kJ/kg K)", "Ambient (°C)", "Heat flow (kW)", "Note", "Insulation", "dT (K)"};
  for (int c = 1; c <= 14; ++c) book.SetColText(c, QString::fromUtf8(titles[c - 1]));
  for (int r = 2; r <= 3; ++r) {
    for (int c = 1; c <= 14; ++c) book.SetNumberFormatRC(r, c, c == 3 ? "[h]:mm:ss" : "0.0");
    book.SetFormulaRC(r, 11, QString("=IF(F%1>0,F%1/60*I%1*(D%1-E%1),0)").arg(r));
    book.SetFormulaRC(r, 14, QString("=D%1-E%1").arg(r));
  }
}

// T1 (column 4) on the left axis and T2 (column 5) on the right, against the elapsed time.
struct TBenchRig {
  TBenchRig() : Rig(nullptr, nullptr, nullptr) {
    Rig.Using_Graph = true;
    Rig.ColumnStatus.resize(15);
    Rig.ColumnStatus[3].plot_on_X_Axis = Rig.ColumnStatus[3].DefPlot = true;
    Rig.ColumnStatus[4].plot_on_Y_Axis = Rig.ColumnStatus[4].DefPlot = true;
    Rig.ColumnStatus[5].plot_on_Y_Axis = Rig.ColumnStatus[5].DefPlot = true;
    TServices::SetRig(&Rig);
  }
  ~TBenchRig() { TServices::SetRig(nullptr); }
  TRigConfig Rig;
};

void FillSample(TWorkbook& row, int n) {
  row.SetNumberRC(2, 1, n);
  row.SetNumberRC(2, 3, n / 8640.0);
  row.SetNumberRC(2, 4, 20 + (n % 97) * 0.1);
  row.SetNumberRC(2, 5, 15 + (n % 89) * 0.1);
  row.SetNumberRC(2, 6, 3);
  row.SetNumberRC(2, 9, 4.18);
}

// The process's resident memory in KiB (VmRSS of /proc/self/status); 0 when it cannot be read.
double ResidentKiB() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6));
  return 0;
}

// Per-row cost of WriteRow once the run already holds range(0) rows.
void BM_WriteRowAppend(benchmark::State& state) {
  TBenchRig rig;
  TWorkbook sampleRow;
  MakeTemplate(sampleRow);
  TTableForm table(sampleRow);
  table.Initialise();
  const double rssStart = ResidentKiB();
  int n = 0;
  while (n < state.range(0)) {
    FillSample(sampleRow, ++n);
    table.WriteRow(sampleRow, n, 2);
  }
  for (auto _ : state) {
    FillSample(sampleRow, ++n);
    table.WriteRow(sampleRow, n, 2);
  }
  state.counters["rows_at_end"] = n;
  // The process's own growth: the table reserves room for a whole run's formulas up front, address
  // space the workbook counts but the rows do not fill until they are recorded.
  state.counters["KiB_per_row"] = benchmark::Counter((ResidentKiB() - rssStart) / n);
}
BENCHMARK(BM_WriteRowAppend)->Arg(1000)->Arg(BenchShort() ? 10000 : 100000)->Iterations(BenchShort() ? 300 : 3000)->Unit(benchmark::kMicrosecond);

// 20 runs of 5 000 samples with T1 and T2 shown: 40 series of 5 000 points on two axes.
struct TFullGraph {
  TFullGraph() : SampleRow(Template()), Table(SampleRow), Graph(&Table) {
    Table.Initialise();
    Graph.Initialise();
    for (int run = 1; run <= 20; ++run) {
      if (run > 1) Table.AddSheet();
      for (int n = 1; n <= 5000; ++n) {
        FillSample(SampleRow, n);
        Table.WriteRow(SampleRow, n, 2);
      }
    }
    Graph.DrawGraph();
    for (TSeries_Line& s : Graph.SeriesList)
      if (s.column == 5) s.Second_Y_axis = true;
    Graph.resize(1200, 800);
  }
  static TWorkbook Template() {
    TWorkbook book;
    MakeTemplate(book);
    return book;
  }
  TBenchRig Rig;
  TWorkbook SampleRow;
  TTableForm Table;
  TGraphForm Graph;
};

// Built once for both graph benchmarks; destroyed at the end while the application still exists.
std::unique_ptr<TFullGraph> FullGraphInstance;

TFullGraph& FullGraph() {
  if (!FullGraphInstance) {
    FullGraphInstance = std::make_unique<TFullGraph>();
    AtBenchEnd([] { FullGraphInstance.reset(); });
  }
  return *FullGraphInstance;
}

void BM_GraphDrawFromScratch(benchmark::State& state) {
  TFullGraph& g = FullGraph();
  for (auto _ : state) {
    g.Graph.DrawGraph();
    if (state.range(0)) benchmark::DoNotOptimize(g.Graph.grab());
  }
  state.counters["series"] = static_cast<double>(g.Graph.Chart()->series().size());
}
BENCHMARK(BM_GraphDrawFromScratch)->ArgName("render")->Arg(0)->Arg(1)->Iterations(BenchShort() ? 1 : 5)->Unit(benchmark::kMillisecond);

// One more sample of the recording run (run 20): its T1 and T2 series get a point each.
void BM_GraphAppendSample(benchmark::State& state) {
  TFullGraph& g = FullGraph();
  g.Graph.DrawGraph();
  g.Graph.First = false;
  benchmark::DoNotOptimize(g.Graph.grab());
  int n = 5000;
  for (auto _ : state) {
    state.PauseTiming();
    FillSample(g.SampleRow, ++n);
    g.Table.WriteRow(g.SampleRow, n, 2);
    state.ResumeTiming();
    g.Graph.DataHasChanged(n);
  }
}
BENCHMARK(BM_GraphAppendSample)->Iterations(BenchShort() ? 50 : 500)->Unit(benchmark::kMicrosecond);

// A saved results table of 100 000 samples of 30 full-precision readings (.xlsx) reopened in the
// shown results window: the file read, its run taken over and the window painted. Processor time
// of the whole process, since the reader may use more than one thread.
void BM_ReopenResultsXlsx(benchmark::State& state) {
  const int rows = BenchShort() ? 10000 : 100000;
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("results.xlsx"));
  {
    TWorkbook saved;
    saved.SetAutoRecalc(false);
    for (int c = 1; c <= 30; ++c) saved.SetTextRC(1, c, QStringLiteral("Column %1").arg(c));
    for (int r = 2; r <= rows + 1; ++r)
      for (int c = 1; c <= 30; ++c) saved.SetNumberRC(r, c, r * 0.001 + c / 7.0);
    saved.Write(path, 4);
  }
  TBenchRig rig;
  TAnswerYes prompts;
  TServices::SetPrompts(&prompts);
  TWorkbook sampleRow;
  MakeTemplate(sampleRow);
  for (auto _ : state) {
    state.PauseTiming();
    auto table = std::make_unique<TTableForm>(sampleRow);
    table->Initialise();
    table->resize(1000, 600);
    table->show();
    QCoreApplication::processEvents();
    state.ResumeTiming();
    if (!table->OpenFile(path)) state.SkipWithError("the saved table did not open");
    QCoreApplication::processEvents();
    state.PauseTiming();
    TWorkbook& book = table->ResultsTable->Book();
    book.SetSheet(1);
    if (book.NumberRC(rows + 1, 30) != (rows + 1) * 0.001 + 30 / 7.0) state.SkipWithError("the reopened table differs");
    table.reset();
    state.ResumeTiming();
  }
  TServices::SetPrompts(nullptr);
}
BENCHMARK(BM_ReopenResultsXlsx)->Iterations(BenchShort() ? 1 : 3)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
