// A 2 x 4000-sample oscilloscope capture from the end of its transfer to the drawn graph: the
// collected text split and checked, the samples read as numbers, the run written into the results
// table and the graph redrawn and rendered. Target: under 100 ms.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include <QApplication>
#include <QChart>
#include <QPixmap>

#include "ifd/serial/hs_data_serialconnector.h"
#include "benchapplication.h"
#include "platform/services.h"
#include "results/graphform.h"
#include "results/scoperun.h"
#include "results/tableform.h"
#include "rigconfig/rigconfig.h"
#include "workbook/model/workbook.h"

namespace {
constexpr int kSamples = 4000;

// Time in column 3 on X; the two capture columns (2 and 3 without data sources) on Y.
void MakeTemplate(TWorkbook& book) {
  book.SetMaxCol(6);
  book.SetMaxRow(3);
  const char* titles[] = {"Note", "Channel one", "Time (s)", "T1", "T2", "Flow"};
  for (int c = 1; c <= 6; ++c) book.SetColText(c, QString::fromLatin1(titles[c - 1]));
  for (int r = 2; r <= 3; ++r)
    for (int c = 1; c <= 6; ++c) book.SetNumberFormatRC(r, c, "0.0");
}

// The bytes of a whole transfer: a 50 Hz sine on input 3 and a ramp on input 5, 1 ms apart.
QByteArray Transfer() {
  QByteArray out;
  for (int i = 0; i < kSamples; ++i) {
    out += QByteArray::number(int(800 * std::sin(2 * M_PI * 50 * i * 0.001))) + char(0x87 + 3) + '\r';
    out += QByteArray::number(i % 2000 - 1000) + char(0x87 + 5) + '\r';
  }
  return out;
}

void BM_CaptureToDrawnGraph(benchmark::State& state) {
  EnsureApplication();
  TRigConfig rig(nullptr, nullptr, nullptr);
  rig.Using_Graph = true;
  rig.ColumnStatus.resize(7);
  rig.ColumnStatus[3].plot_on_X_Axis = rig.ColumnStatus[3].DefPlot = true;
  rig.ColumnStatus[2].plot_on_Y_Axis = rig.ColumnStatus[2].DefPlot = true;
  rig.ColumnStatus[3].plot_on_Y_Axis = rig.ColumnStatus[3].DefPlot = true;
  TServices::SetRig(&rig);
  TWorkbook sampleRow;
  MakeTemplate(sampleRow);
  TTableForm table(sampleRow);
  TGraphForm graph(&table);
  graph.resize(800, 600);
  table.SetGraph(&graph);
  const QByteArray wire = Transfer();
  TScopeCnfg cfg;
  cfg.CH1 = 3;
  cfg.CH2 = 5;
  cfg.NOS = kSamples;
  THS_data_SerialConnector& hs = THS_data_SerialConnector::Instance();
  int points = 0;
  for (auto _ : state) {
    state.PauseTiming();
    table.Initialise();
    graph.Initialise();
    hs.ClearHSdata();
    hs.SetScopeConfig(cfg);
    hs.TransferComplete = false;
    if (!hs.ReceiveHS(wire)) state.SkipWithError("the transfer did not complete");
    state.ResumeTiming();

    if (hs.nosCollected() != kSamples || !hs.BuildData(false)) state.SkipWithError("the transfer did not build");
    TScopeRun run;
    run.SampleInterval = 745;
    run.ChannelOne = 3;
    run.ChannelTwo = 5;
    run.Ch1.reserve(kSamples);
    run.Ch2.reserve(kSamples);
    for (const QString& v : hs.dataCh1()) run.Ch1.push_back(v.toInt());
    for (const QString& v : hs.dataCh2()) run.Ch2.push_back(v.toInt());
    table.GetScopeData(run);
    benchmark::DoNotOptimize(graph.grab());
    points = int(graph.Chart() ? graph.Chart()->series().size() : 0);
  }
  state.counters["series"] = points;
  TServices::SetRig(nullptr);
}
BENCHMARK(BM_CaptureToDrawnGraph)->Iterations(10)->Unit(benchmark::kMillisecond);
}  // namespace
