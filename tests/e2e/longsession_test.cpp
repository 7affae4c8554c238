// A recording session that fills its runs, against the card simulator. With runs cut to five
// samples, recording goes on run after run without a pause until the table holds its 20 runs, then
// stops; the program lives on, every sample is in the table in order with the reading that arrived
// for it, and the user hears of each full run after the tick that filled it.
#include <gtest/gtest.h>

#include <QAction>
#include <QTimer>

#include "acquisition/qxloggerpanel.h"
#include "ifd/serial/waitfor.h"
#include "results/tableform.h"
#include "shell/master.h"
#include "shell/resultsmdi.h"
#include "workbook/model/workbook.h"
#include "workbook/view/f1book.h"
#include "demorecording.h"
#include "support/demosimulator.h"
#include "support/scriptedprompts.h"
#include "support/tempfolder.h"

TEST_F(DemoRecording, FullRunsGoOnInNewRunsUntilTheTableIsFullAndNoSampleIsLost) {
  constexpr int PerRun = 5;
  master->Table()->SetRowLimit(PerRun + 1);
  for (int run = 1; run < TTableForm::MaxRuns; ++run)
    prompts.ExpectMessage(QString("Run %1 is full: a run holds at most 5 samples, and every one of them is kept. "
                                  "Recording goes on in Run %2.")
                              .arg(run)
                              .arg(run + 1));
  prompts.ExpectMessage("Run 20 is full: a run holds at most 5 samples, and every one of them is kept. The table holds "
                        "20 runs, the most it can keep, so recording has stopped.");
  TWorkbook& results = master->Table()->ResultsTable->Book();
  logger->LogTimer->setInterval(20);
  logger->Programmed_Sample_Mode = PSS_FreeRun;
  logger->Sample_Interval = 20;
  master->Action("SampleNow")->trigger();
  ASSERT_TRUE(WaitFor([&] { return logger->Current_Sample_State == RSS_Idle; }, 60000))
      << results.NumSheets() << " runs, " << logger->Sample_Transfer_Count << " samples in the last";
  ASSERT_TRUE(WaitFor([&] { return prompts.Pending() == 0; }, 5000)) << prompts.Pending() << " messages not shown";

  ASSERT_EQ(results.NumSheets(), TTableForm::MaxRuns);
  double lastElapsed = -1;
  for (int s = 1; s <= TTableForm::MaxRuns; ++s) {
    results.SetSheet(s);
    EXPECT_EQ(master->Table()->RecordedSamples(s), PerRun) << "run " << s;
    // A run made under the limit never grows past its last row (run 1 came before it).
    if (s > 1) EXPECT_EQ(results.MaxRow(), PerRun + 1) << "run " << s;
    for (int r = 2; r <= PerRun + 1; ++r) {
      EXPECT_EQ(results.NumberRC(r, 1), r - 1) << "run " << s << " row " << r;
      EXPECT_GT(results.NumberRC(r, 4), 5) << "run " << s << " row " << r;  // the tank's reading
      // One session: the elapsed time runs on from run to run, never back. A tick that catches up
      // after the machine stalled comes straight after the one before, often in the same
      // millisecond of the clock, so two samples may show the same time.
      ASSERT_EQ(results.ValueRC(r, 3).Kind, TValueKind::Number) << "run " << s << " row " << r;
      EXPECT_GE(results.NumberRC(r, 3), lastElapsed) << "run " << s << " row " << r;
      lastElapsed = results.NumberRC(r, 3);
    }
  }
  EXPECT_TRUE(master->Table()->AnyRunUnsaved());
  // Alive and answering: the ticks go on, and a 21st run is refused as always.
  EXPECT_TRUE(logger->LoggerActive());
  prompts.ExpectMessage("already holds 20 runs");
  master->Action("NextResults")->trigger();
  EXPECT_EQ(results.NumSheets(), TTableForm::MaxRuns);

  prompts.ExpectMessage("The current table data has not been saved!", TModalResult::mrOk);
  EXPECT_TRUE(master->close());
  master.reset();
}
