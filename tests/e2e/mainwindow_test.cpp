// Quorlex as a whole on the demo rig, against the card simulator: live values, a timed run into
// the table, saving, the serial path and back, the simulator vanishing, and closing.
#include <gtest/gtest.h>

#include <QAction>
#include <QFileInfo>
#include <QTabBar>
#include <QTableView>

#include "acquisition/qxloggerpanel.h"
#include "ifd/qxifd.h"
#include "ifd/serial/waitfor.h"
#include "platform/safesave.h"
#include "platform/services.h"
#include "results/tableform.h"
#include "rigconfig/rigconfig.h"
#include "shell/master.h"
#include "shell/resultsmdi.h"
#include "workbook/model/workbook.h"
#include "workbook/view/f1book.h"
#include "demorecording.h"
#include "support/demosimulator.h"
#include "support/scriptedprompts.h"
#include "support/tempfolder.h"

TEST_F(DemoRecording, DemoRigAgainstTheSimulator) {
  // The tank's ambient temperature has arrived through the legacy devices.
  EXPECT_TRUE(master->PanelText(3).startsWith("IFD: OK (F")) << master->PanelText(3).toStdString();
  // The demo rig's presentation comes to the front at start.
  EXPECT_EQ(master->PanelText(0), "The equipment : Slide 1 of 3");

  // A timed run: 2 s at 0.5 s takes 5 samples, then stops.
  logger->Programmed_Sample_Mode = PSS_Timed;
  logger->Sample_Interval = 500;
  logger->Sampling_Duration = 2;
  master->Action("SampleNow")->trigger();
  EXPECT_EQ(master->PanelText(2), "Sampling - click 'STOP' to end the current run");
  ASSERT_TRUE(WaitFor([&] { return logger->Current_Sample_State == RSS_Idle; }, 8000));
  EXPECT_EQ(master->PanelText(2), "Stopped - click 'GO' to begin recording data");
  TWorkbook& results = master->Table()->ResultsTable->Book();
  EXPECT_EQ(results.SheetName(1), "Run 1");
  results.SetSheet(1);
  EXPECT_EQ(logger->Sample_Transfer_Count, 5);
  EXPECT_GT(results.NumberRC(6, 4), 5);  // titles in row 1, sample n in row n + 1
  EXPECT_EQ(results.TextRC(7, 4), "");
  EXPECT_TRUE(master->Table()->AnyRunUnsaved());

  if (const QByteArray dir = qgetenv("QUORLEX_SHOTS"); !dir.isEmpty()) {
    master->resize(1280, 860);
    master->show();
    WaitFor([] { return false; }, 1200);
    master->Action("Tile")->trigger();
    master->Action("ViewTable")->trigger();
    WaitFor([] { return false; }, 600);
    master->grab().save(QString::fromLocal8Bit(dir) + "/run.png");
  }

  // A second timed run on the same sheet goes on after the first, every sample with a real
  // elapsed time counted from the run's first sample.
  master->Action("SampleNow")->trigger();
  ASSERT_TRUE(WaitFor([&] { return logger->Current_Sample_State == RSS_Idle; }, 8000));
  EXPECT_EQ(logger->Sample_Transfer_Count, 10);
  results.SetSheet(1);
  for (int r = 2; r <= 11; ++r) {
    ASSERT_EQ(results.ValueRC(r, 3).Kind, TValueKind::Number) << "row " << r << ": \"" << results.TextRC(r, 3).toStdString() << '"';
    if (r > 2) EXPECT_GT(results.NumberRC(r, 3), results.NumberRC(r - 1, 3)) << "row " << r;
  }

  // Saved as .xlsx, it reads back with the same cells, and the program opens its own file again.
  std::vector<TCellValue> recorded;
  for (int r = 1; r <= 11; ++r)
    for (int c = 1; c <= results.MaxCol(); ++c) recorded.push_back(results.ValueRC(r, c));
  auto expectRecorded = [&](const TWorkbook& book, const char* what) {
    std::size_t i = 0;
    for (int r = 1; r <= 11; ++r)
      for (int c = 1; c <= results.MaxCol(); ++c, ++i) {
        const TCellValue got = book.ValueRC(r, c);
        EXPECT_EQ(got.Kind, recorded[i].Kind) << what << " R" << r << "C" << c;
        if (got.Kind == TValueKind::Number) EXPECT_EQ(got.Num, recorded[i].Num) << what << " R" << r << "C" << c;
        else EXPECT_EQ(got.Str, recorded[i].Str) << what << " R" << r << "C" << c;
      }
  };
  const QString saved = tmp.File("results.xlsx");
  prompts.ExpectSaveFile(saved);
  master->Action("SaveAs")->trigger();
  ASSERT_TRUE(QFileInfo::exists(saved));
  EXPECT_FALSE(master->Table()->AnyRunUnsaved());
  TWorkbook reopened;
  reopened.Read(saved);
  expectRecorded(reopened, "file");
  prompts.ExpectOpenFile(saved);
  master->Action("Open")->trigger();
  ASSERT_EQ(results.NumSheets(), 2);  // the run and a fresh one after it
  results.SetSheet(1);
  expectRecorded(results, "table");

  // A save onto a disk that fills up says so, keeps the file saved before and the run unsaved.
  logger->Current_Sample_State = RSS_Manual;
  master->Action("SampleNowItem")->trigger();
  logger->Current_Sample_State = RSS_Idle;
  ASSERT_TRUE(master->Table()->AnyRunUnsaved());
  const QByteArray before = TTempFolder::Read(saved);
  {
    TSafeSave::TFaultScope full({2000, false, false});
    prompts.ExpectMessage("No space left on device");
    master->Action("Save")->trigger();
  }
  EXPECT_TRUE(prompts.Records().back().Text.contains("results.xlsx")) << prompts.Records().back().Text.toStdString();
  EXPECT_EQ(TTempFolder::Read(saved), before);
  EXPECT_TRUE(master->Table()->AnyRunUnsaved());

  // A results file of two runs opens with each run on its own tab, with its own values.
  {
    TWorkbook two;
    two.Read(saved);
    two.SetNumSheets(2);
    two.SetSheetName(1, "Run 1");
    two.SetSheetName(2, "Run 2");
    two.SetSheet(2);
    for (int c = 1; c <= results.MaxCol(); ++c) two.SetTextRC(1, c, reopened.TextRC(1, c));
    for (int r = 2; r <= 4; ++r) {
      two.SetNumberRC(r, 1, r - 1);
      two.SetNumberRC(r, 4, 70 + r);
    }
    const QString twoRuns = tmp.File("two-runs.vts");
    two.Write(twoRuns, TWorkbook::ftNative3);
    prompts.ExpectMessage("The current unsaved results will be lost.").ExpectOpenFile(twoRuns);
    master->Action("Open")->trigger();
    QTabBar* tabs = master->Table()->SheetTabs();
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->tabText(0), "Run 1");
    EXPECT_EQ(tabs->tabText(1), "Run 2");
    EXPECT_EQ(tabs->currentIndex(), 2);  // the fresh run that records next
    QAbstractItemModel* shown = master->Table()->ResultsTable->View()->model();
    tabs->setCurrentIndex(0);
    EXPECT_EQ(shown->index(5, 3).data().toString(), results.FormattedTextRC(6, 4));
    EXPECT_GT(results.NumberRC(6, 4), 5);
    tabs->setCurrentIndex(1);
    EXPECT_EQ(results.NumberRC(4, 4), 74);
    EXPECT_EQ(shown->index(3, 3).data().toString(), results.FormattedTextRC(4, 4));
    EXPECT_EQ(results.LastRow(), 4);
    results.SetSheet(1);
  }

  // Twenty runs, the last with samples: a 21st is refused, and GO goes on after run 20's samples.
  while (results.NumSheets() < TTableForm::MaxRuns) master->Action("NextResults")->trigger();
  logger->Sampling_Duration = 1;  // 3 samples
  master->Action("SampleNow")->trigger();
  ASSERT_TRUE(WaitFor([&] { return logger->Current_Sample_State == RSS_Idle; }, 8000));
  results.SetSheet(20);
  const double third = results.NumberRC(4, 4);
  ASSERT_GT(third, 5);
  prompts.ExpectMessage("already holds 20 runs");
  master->Action("NextResults")->trigger();
  EXPECT_EQ(results.NumSheets(), TTableForm::MaxRuns);
  master->Action("SampleNow")->trigger();
  ASSERT_TRUE(WaitFor([&] { return logger->Current_Sample_State == RSS_Idle; }, 8000));
  EXPECT_EQ(logger->Sample_Transfer_Count, 6);
  results.SetSheet(20);
  EXPECT_EQ(results.NumberRC(4, 4), third);  // not written over
  for (int r = 2; r <= 7; ++r) {
    EXPECT_EQ(results.NumberRC(r, 1), r - 1) << "row " << r;
    EXPECT_EQ(results.ValueRC(r, 3).Kind, TValueKind::Number) << "row " << r;
  }
  results.SetSheet(1);

  // The serial card: connect, identify, and come back to the driver.
  TQXIFD* ifd = master->Diagram()->IFD();
  prompts.ExpectChoice(0);  // the port list: COM3 first
  master->ConnectClick(true);
  ASSERT_TRUE(WaitFor([&] { return ifd->FvComIOActive; }, 8000)) << master->PanelText(3).toStdString();
  ASSERT_TRUE(WaitFor([&] { return master->PanelText(3).startsWith("IFD: vCOM(3)"); }, 5000))
      << master->PanelText(3).toStdString();
  prompts.ExpectMessage("Are you sure you want to terminate the session?", TModalResult::mrYes);
  master->ConnectClick(true);
  EXPECT_TRUE(ifd->FLegIOActive);
  EXPECT_FALSE(ifd->vComPortOpen());
  EXPECT_EQ(master->PanelText(3), "IFDVCM: LOST");  // the serial card's notice on leaving

  // The simulator vanishes: the status bar says so, the samples stay.
  sim.Kill();
  ASSERT_TRUE(WaitFor([&] { return master->PanelText(3).startsWith("IFD: "); }, 5000))
      << master->PanelText(3).toStdString();
  EXPECT_FALSE(master->PanelText(3).startsWith("IFD: OK"));
  EXPECT_GT(results.NumberRC(6, 4), 5);

  // Closing with unsaved samples and the exit warning asks both questions.
  master->Action("SampleNowItem");  // the menu item exists
  logger->Current_Sample_State = RSS_Manual;
  master->Action("SampleNowItem")->trigger();
  ASSERT_TRUE(master->Table()->AnyRunUnsaved());
  master->Rig()->ExitWarning = true;
  prompts.ExpectMessage("The equipment must be stopped before you exit the software.", TModalResult::mrOk);
  prompts.ExpectMessage("The current table data has not been saved!", TModalResult::mrCancel);
  EXPECT_FALSE(master->close());
  EXPECT_TRUE(logger->LoggerActive());  // still running
  prompts.ExpectMessage("The equipment must be stopped before you exit the software.", TModalResult::mrOk);
  prompts.ExpectMessage("The current table data has not been saved!", TModalResult::mrOk);
  EXPECT_TRUE(master->close());
  master.reset();
}
