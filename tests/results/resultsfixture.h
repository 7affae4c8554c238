#pragma once
// Shared set-up of the results tests: the demo rig's run template and column flags in a rig
// configuration of our own, scripted prompts, a temporary folder, and doubles of the graph and the
// logger panel that record what the table asks of them.

#include <vector>
#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <ostream>
#include <utility>

#include "platform/services.h"
#include "results/iresultsgraph.h"
#include "results/iresultslogger.h"
#include "rigconfig/rigconfig.h"
#include "workbook/model/workbook.h"
#include "support/scriptedprompts.h"
#include "support/tempfolder.h"

// Readable QStrings in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace results_test {

inline const QString kDemoConfig = QStringLiteral(QUORLEX_SOURCE_DIR "/examples/rigs/demo/config/");

// Demo column numbers.
enum { colSample = 1, colTime = 2, colElapsed = 3, colT1 = 4, colT2 = 5, colFlow = 6, colCp = 9, colHeat = 11, colNote = 12, colDT = 14 };

class TRecordingGraph : public IResultsGraph {
 public:
  TRecordingGraph() { Rows.fill(-1); }
  int RunRows(int run) const override { return Rows.at(run); }
  void SetRunRows(int run, int rows) override { Rows.at(run) = rows; }
  void DrawGraph() override { ++Draws; }
  void ScopeInvokeDrawGraph(int run, int columnOne, double xFactor, int columnTwo) override {
    ScopeCalls.push_back({run, columnOne, columnTwo, xFactor});
  }
  struct TScopeCall {
    int Run, ColumnOne, ColumnTwo;
    double XFactor;
  };
  std::array<int, MaxRuns + 1> Rows{};
  int Draws = 0;
  std::vector<TScopeCall> ScopeCalls;
};

class TRecordingLogger : public IResultsLogger {
 public:
  bool IsSampling() const override { return Sampling; }
  void SampleNow() override { Sampling = false; ++Stops; }
  void Reset_Sample_Status() override { ++Resets; }
  void SetSampleTransferCount(int count) override { TransferCount = count; }
  void ResetSampleCounts() override { ++CountResets; }
  bool Sampling = false;
  int Stops = 0, Resets = 0, CountResets = 0, TransferCount = -1;
};

// The column flags as the rig loader reads them from columns.vts (X, XD, Y, YD in column A).
inline std::vector<TColumnStatus> DemoColumns() {
  TWorkbook book;
  book.Read(kDemoConfig + "columns.vts");
  std::vector<TColumnStatus> list(1);
  for (int r = 1; r <= book.LastRow(); ++r) {
    TColumnStatus c;
    const QString plot = book.TextRC(r, 1).toUpper();
    c.plot_on_X_Axis = plot.startsWith('X');
    c.plot_on_Y_Axis = plot.startsWith('Y');
    c.DefPlot = plot.endsWith('D');
    c.help_context = book.TextRC(r, 3);
    c.short_text = book.TextRC(r, 4);
    list.push_back(c);
  }
  return list;
}

// A rig configuration holding what the results windows read, registered for the test's life.
class TResultsRig {
 public:
  TResultsRig() : Rig(nullptr, nullptr, nullptr) {
    Rig.Run_Spreadsheet = kDemoConfig + "run.vts";
    Rig.Demo_Spreadsheet = kDemoConfig + "demo.vts";
    Rig.Print_Header = QStringLiteral("Heat Transfer Teaching Rig");
    Rig.ColumnStatus = DemoColumns();
    Rig.Using_Graph = true;
    TServices::SetRig(&Rig);
  }
  ~TResultsRig() { TServices::SetRig(nullptr); }
  TRigConfig Rig;
};

// Puts values into the sample row (row 2) of the template, as the sources do before a sample.
inline void FillSample(TWorkbook& sampleRow, std::initializer_list<std::pair<int, double>> values) {
  for (const auto& [col, v] : values) sampleRow.SetNumberRC(2, col, v);
}

}  // namespace results_test
