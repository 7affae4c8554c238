// A finished capture as a run of the results table of its own: sample number, time in seconds and
// both channels in their sources' units, beside the logger's runs; a burst fills the rig's run.
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

#include <QTabBar>

using namespace results_test;

namespace {
const QString kDemo = QStringLiteral(QUORLEX_SOURCE_DIR "/examples/rigs/demo/");

struct TCaptureRun : ::testing::Test, TDemoRigFixture {
  TScriptedPrompts prompts;
  TRecordingGraph graph;
  TRecordingLogger logger;
  std::unique_ptr<TTableForm> table;

  void SetUp() override {
    ASSERT_TRUE(LoadDemo(kDemo, nullptr, &prompts));
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

TEST_F(TCaptureRun, ACaptureIsARunOfItsOwnInSecondsAndItsSourcesUnits) {
  const TQXAnalogueInputSource* one = Input(0);
  const TQXAnalogueInputSource* two = Input(1);
  ASSERT_TRUE(one && two);
  // A logger sample in run 1 stays as it was.
  Book().SetSheet(1);
  Book().SetNumberRC(2, 2, 0.5);
  Book().SetNumberRC(2, one->Source_Column, 21.5);
  TScopeRun run;
  run.SampleInterval = 745;  // 1 ms
  run.ChannelOne = 0;
  run.ChannelTwo = 1;
  for (int i = 0; i < 40; ++i) {
    run.Ch1.push_back(20 * i - 400);
    run.Ch2.push_back(-5 * i);
  }
  const int sheet = table->GetScopeData(run);

  ASSERT_EQ(sheet, 2);
  EXPECT_EQ(Book().NumSheets(), 2);
  EXPECT_EQ(Book().SheetName(2), "Capture 2");
  EXPECT_TRUE(table->IsCaptureRun(2));
  EXPECT_FALSE(table->IsCaptureRun(1));
  EXPECT_EQ(table->RecordingSheet(), 1) << "the logger goes on in its own run";
  EXPECT_EQ(table->SheetTabs()->tabText(1), "Capture 2");
  EXPECT_EQ(Book().NumberRC(2, 2), 0.5);
  EXPECT_EQ(Book().NumberRC(2, one->Source_Column), 21.5);
  EXPECT_EQ(table->RecordedSamples(1), 1);

  Book().SetSheet(sheet);
  EXPECT_EQ(Book().MaxCol(), 4);
  EXPECT_EQ(Book().TextRC(1, 1), "Sample");
  EXPECT_EQ(Book().TextRC(1, 2), "Time (s)");
  EXPECT_EQ(Book().TextRC(1, 3), one->fLong_text + " (" + one->fUnits_text + ")");
  EXPECT_EQ(Book().TextRC(1, 4), two->fLong_text + " (" + two->fUnits_text + ")");
  EXPECT_EQ(table->GetColumnTitleOf(sheet, 2), "Time (s)");
  EXPECT_EQ(table->FNumberLastScanSamples, 40u);
  for (int i : {0, 17, 39}) {
    EXPECT_EQ(Book().NumberRC(i + 2, 1), i + 1);
    EXPECT_NEAR(Book().NumberRC(i + 2, 2), i * 0.001, 1e-12);
    EXPECT_DOUBLE_EQ(Book().NumberRC(i + 2, 3), one->Calibration.Process(20 * i - 400));
    EXPECT_DOUBLE_EQ(Book().NumberRC(i + 2, 4), two->Calibration.Process(-5 * i));
  }
  EXPECT_NE(Book().NumberRC(19, 3), 20 * 17 - 400) << "converted to the source's units";
  EXPECT_EQ(Book().NumberFormatRC(30, 3), "0.000");
  EXPECT_EQ(Book().FormattedTextRC(3, 2), "0.001000") << "seconds, not a clock";
  EXPECT_EQ(table->RecordedSamples(sheet), 40);
  EXPECT_TRUE(table->AnyRunUnsaved());
  EXPECT_EQ(logger.TransferCount, -1) << "the logger's count is its own run's";
  EXPECT_EQ(graph.RunRows(sheet), 40);
  ASSERT_EQ(graph.ScopeCalls.size(), 1u);
  EXPECT_EQ(graph.ScopeCalls[0].Run, sheet);
  EXPECT_EQ(graph.ScopeCalls[0].ColumnOne, 3);
  EXPECT_EQ(graph.ScopeCalls[0].ColumnTwo, 4);
  EXPECT_NEAR(graph.ScopeCalls[0].XFactor, 1.0, 1e-12) << "milliseconds per sample";

  // The next capture is another run; a logger row goes to run 1, never below a capture.
  table->GetScopeData(run);
  EXPECT_EQ(Book().SheetName(3), "Capture 3");
  TWorkbook sampleRow;
  sampleRow.SetNumberRC(2, 2, 0.75);
  table->WriteRow(sampleRow, 2, 2);
  EXPECT_EQ(table->RecordedSamples(1), 2);
  EXPECT_EQ(table->RecordedSamples(2), 40);
  EXPECT_EQ(table->RecordedSamples(3), 40);
}

TEST_F(TCaptureRun, OneInputOnBothChannelsIsOneColumnAndAFullTableTakesNoCapture) {
  const TQXAnalogueInputSource* one = Input(0);
  ASSERT_TRUE(one);
  TScopeRun run;
  run.ChannelOne = run.ChannelTwo = 0;
  run.Ch1 = {100, 200, 300};
  run.Ch2 = {-100, -200, -300};
  const int sheet = table->GetScopeData(run);
  Book().SetSheet(sheet);
  EXPECT_EQ(Book().MaxCol(), 3);
  EXPECT_DOUBLE_EQ(Book().NumberRC(3, 3), one->Calibration.Process(200));
  EXPECT_NEAR(Book().NumberRC(4, 2), 2 * 0.000255, 1e-12);
  // An input without a source on the diagram keeps its counts and says so.
  run.ChannelOne = 9;
  run.ChannelTwo = 0;
  Book().SetSheet(table->GetScopeData(run));
  EXPECT_EQ(Book().TextRC(1, 3), "Input 9 (counts)");
  EXPECT_EQ(Book().NumberRC(3, 3), 200);

  while (Book().NumSheets() < TTableForm::MaxRuns) table->AddSheet();
  prompts.ExpectMessage("already holds 20 runs");
  EXPECT_EQ(table->GetScopeData(run), 0);
  EXPECT_EQ(Book().NumSheets(), TTableForm::MaxRuns);
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
