// The whole program on the demo rig against the simulator's serial card at the line rate: Sample
// Now captures through the oscilloscope window, the transfer shows its progress, and the capture
// becomes a run of the table plotted on the graph.
#include <gtest/gtest.h>

#include <QAction>
#include <QProgressDialog>

#include "acquisition/qxloggerpanel.h"
#include "acquisition/sensorhistoryform.h"
#include "ifd/qxifd.h"
#include "ifd/serial/waitfor.h"
#include "results/graphform.h"
#include "results/tableform.h"
#include "scope/formoscilloscope.h"
#include "shell/master.h"
#include "shell/resultsmdi.h"
#include "support/demosimulator.h"
#include "support/scriptedprompts.h"
#include "support/tempfolder.h"
#include "workbook/view/f1book.h"

namespace {
// Pictures for a person to look at, when QUORLEX_SHOTS names a folder.
void Shoot(QWidget& w, const QString& name) {
  const QByteArray dir = qgetenv("QUORLEX_SHOTS");
  if (!dir.isEmpty()) w.grab().save(QString::fromLocal8Bit(dir) + "/" + name);
}
}  // namespace

TEST(ScopeDemo, SampleNowCapturesThroughTheSerialCardIntoANewRunAndTheGraph) {
  if (!TCardSimulator::Built()) GTEST_SKIP() << "the simulator is not built";
  TTempFolder tmp;
  TDemoSimulator sim(tmp);
  const QString demo = sim.Rig();
  ASSERT_TRUE(sim.Start());

  TScriptedPrompts prompts;
  prompts.ExpectChoice(0);  // exercise 1
  auto master = std::make_unique<TMaster>();
  master->StartUp(demo, {});
  master->resize(1280, 860);
  master->show();
  TFormOscilloscope* scope = master->Oscilloscope();
  ASSERT_NE(scope, nullptr) << "a rig with the Scope feature has the window from the start";
  EXPECT_FALSE(scope->isVisible());
  EXPECT_TRUE(master->Action("Oscilloscope")->isEnabled());
  EXPECT_TRUE(master->Action("Scope")->isEnabled());
  EXPECT_EQ(master->FeaturePanelText("oscilloscope"), "scope: active configuration loaded");

  TQXIFD* ifd = master->Diagram()->IFD();
  // A rig that used the card before connects to it by itself; otherwise the port list: COM3 first.
  if (!WaitFor([&] { return ifd->vComPortOpen(); }, 1000)) {
    prompts.ExpectChoice(0);
    master->ConnectClick(true);
  }
  ASSERT_TRUE(WaitFor([&] { return ifd->FvComIOActive && ifd->FMainCardActive; }, 8000));

  TTableForm* table = master->Table();
  const int runsBefore = table->GetSheetCount();
  // The sensor history fetches nothing from the card while it captures, and goes on after.
  TSensorHistoryForm* history = master->Diagram()->Logger()->SensorHistory();
  ASSERT_NE(history, nullptr);
  history->show();
  ASSERT_TRUE(history->Fetching());
  master->ShowOscilloscope();
  master->SampleNowClick();
  EXPECT_TRUE(scope->FIsCaptureRunning);
  EXPECT_FALSE(history->Fetching());
  EXPECT_EQ(master->FeaturePanelText("oscilloscope"), "scope: running capture..");
  // 2 x 1000 readings of about seven bytes each take some seconds at 38400 baud.
  bool progressShown = false;
  ASSERT_TRUE(WaitFor([&] {
    if (auto* p = scope->findChild<QProgressDialog*>(); p && p->isVisible()) {
      if (!progressShown) Shoot(*p, "scope-progress.png");
      progressShown = true;
    }
    return !scope->FIsCaptureRunning;
  }, 20000));
  EXPECT_TRUE(progressShown);
  ASSERT_TRUE(scope->FHasCapturedData) << prompts.MessageTexts().join('\n').toStdString();
  EXPECT_TRUE(history->Fetching());
  history->hide();
  EXPECT_EQ(scope->FVectorHSSScanCH1.size(), 1000u);
  EXPECT_EQ(table->FNumberLastScanSamples, 1000u);
  EXPECT_EQ(table->GetSheetCount(), runsBefore + 1);
  EXPECT_TRUE(table->IsCaptureRun(table->GetSheetCount()));
  EXPECT_EQ(table->RecordedSamples(table->GetSheetCount()), 1000);
  EXPECT_TRUE(master->FeaturePanelText("oscilloscope").endsWith("- data available: 1000"))
      << master->FeaturePanelText("oscilloscope").toStdString();
  EXPECT_EQ(master->Graph()->MaxRow[table->GetSheetCount()], 1000);

  scope->move(master->x() + 40, master->y() + 40);
  Shoot(*scope, "scope-window.png");
  master->ShowChild(2);
  WaitFor([] { return false; }, 500);
  Shoot(*master, "scope-graph.png");
  prompts.ExpectMessage("has not been saved", TModalResult::mrYes);
  master->close();
  master.reset();
  sim.Process().terminate();
  sim.Process().waitForFinished(5000);
}
