// A finished capture as a run of the results table: sample number, time and both channels in their
// sources' columns and units, the run's row count and time scale handed to the graph.
#include <gtest/gtest.h>

#include "acquisition/capturedrun.h"
#include "acquisition/qxanalogueinputsource.h"
#include "acquisition/qxdatalist.h"
#include "acquisition/sourcefixture.h"
#include "results/resultsfixture.h"
#include "results/scoperun.h"
#include "results/tableform.h"
#include "support/scriptedprompts.h"
#include "workbook/view/f1book.h"

using namespace results_test;

namespace {
const QString kDemo = QStringLiteral(QUORLEX_SOURCE_DIR "/examples/rigs/demo/");

struct TCaptureRun : ::testing::Test, TDemoRigFixture {
  TRecordingGraph graph;
  TRecordingLogger logger;
  std::unique_ptr<TTableForm> table;

  void SetUp() override {
    ASSERT_TRUE(LoadDemo(kDemo, nullptr));
    table = std::make_unique<TTableForm>(sample);
    table->SetGraph(&graph);
    table->SetLogger(&logger);
    table->Initialise();
  }
  void TearDown() override { table.reset(); }
  const TQXAnalogueInputSource* Input(int channel) const {
    for (TQXSource* s : list->Sources())
      if (auto* a = dynamic_cast<TQXAnalogueInputSource*>(s); a && a->FChannel == channel) return a;
    return nullptr;
  }
  TWorkbook& Book() { return table->ResultsTable->Book(); }
};
}  // namespace

TEST_F(TCaptureRun, ACaptureFillsTheLastRunInItsSourcesColumnsAndUnits) {
  const TQXAnalogueInputSource* one = Input(0);
  const TQXAnalogueInputSource* two = Input(1);
  ASSERT_TRUE(one && two);
  const int p = one->Source_Column, q = two->Source_Column;
  ASSERT_GT(p, 3);
  ASSERT_NE(p, q);
  TScopeRun run;
  run.SampleInterval = 745;  // 1 ms
  run.ChannelOne = 0;
  run.ChannelTwo = 1;
  for (int i = 0; i < 40; ++i) {
    run.Ch1.push_back(20 * i - 400);
    run.Ch2.push_back(-5 * i);
  }
  table->GetScopeData(run);

  const int sheet = Book().NumSheets();
  Book().SetSheet(sheet);
  EXPECT_EQ(table->FNumberLastScanSamples, 40u);
  for (int i : {0, 17, 39}) {
    EXPECT_EQ(Book().NumberRC(i + 2, 2), i + 1);
    EXPECT_NEAR(Book().NumberRC(i + 2, 3), i * 0.001, 1e-12);
    EXPECT_DOUBLE_EQ(Book().NumberRC(i + 2, p), one->Calibration.Process(20 * i - 400));
    EXPECT_DOUBLE_EQ(Book().NumberRC(i + 2, q), two->Calibration.Process(-5 * i));
  }
  EXPECT_NE(Book().NumberRC(19, p), 20 * 17 - 400) << "converted to the source's units";
  EXPECT_EQ(Book().NumberFormatRC(30, p), "0.000");
  EXPECT_EQ(table->RecordedSamples(sheet), 40);
  EXPECT_TRUE(table->AnyRunUnsaved());
  EXPECT_EQ(logger.TransferCount, 41);
  EXPECT_EQ(graph.RunRows(sheet), 39);
  ASSERT_EQ(graph.ScopeCalls.size(), 1u);
  EXPECT_EQ(graph.ScopeCalls[0].Run, sheet);
  EXPECT_EQ(graph.ScopeCalls[0].ColumnOne, p);
  EXPECT_EQ(graph.ScopeCalls[0].ColumnTwo, q);
  EXPECT_NEAR(graph.ScopeCalls[0].XFactor, 1.0, 1e-12) << "milliseconds per sample";
}

TEST_F(TCaptureRun, TwoChannelsOfOneColumnWriteItOnceFromChannelOne) {
  const TQXAnalogueInputSource* one = Input(0);
  ASSERT_TRUE(one);
  TScopeRun run;
  run.ChannelOne = run.ChannelTwo = 0;
  run.Ch1 = {100, 200, 300};
  run.Ch2 = {-100, -200, -300};
  table->GetScopeData(run);
  Book().SetSheet(Book().NumSheets());
  EXPECT_DOUBLE_EQ(Book().NumberRC(3, one->Source_Column), one->Calibration.Process(200));
  EXPECT_NEAR(Book().NumberRC(4, 3), 2 * 0.000255, 1e-12);
}

TEST_F(TCaptureRun, ABurstFillsItsRowsAndTheRigsGraphPlotsThem) {
  TCapturedRun run;
  run.SecondsPerSample = 0.000778;
  run.ColumnOne = 6;
  run.ColumnTwo = 7;
  for (int k = 0; k < 1000; ++k) {
    run.One.push_back(k * 0.5);
    run.Two.push_back(-k);
  }
  table->WriteCaptureRun(run);
  const int sheet = Book().NumSheets();
  Book().SetSheet(sheet);
  EXPECT_EQ(Book().NumberRC(2, 2), 1);
  EXPECT_EQ(Book().NumberRC(1001, 2), 1000);
  EXPECT_NEAR(Book().NumberRC(1001, 3), 0.777222, 1e-12);
  EXPECT_EQ(Book().NumberRC(1001, 6), 499.5);
  EXPECT_EQ(Book().NumberRC(1001, 7), -999);
  EXPECT_EQ(Book().NumberFormatRC(500, 7), "0.000");
  EXPECT_EQ(table->RecordedSamples(sheet), 1000);
  EXPECT_TRUE(table->AnyRunUnsaved());
  EXPECT_EQ(logger.TransferCount, 1001);
  EXPECT_EQ(graph.RunRows(sheet), 999);
  EXPECT_TRUE(graph.ScopeCalls.empty()) << "plotted as the rig's own graph, not as a scope trace";
}
