// Quorlex on the process-plant rig against the simulated controller, over Modbus TCP: values
// reach the diagram's level bar and indicators, the plant tool buttons drive the window, a
// parameter goes to the controller and comes back, and a controller that goes away is retried.
#include <gtest/gtest.h>

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>

#include "acquisition/qxloggerpanel.h"
#include "acquisition/qxscadamodule.h"
#include "acquisition/qxvarimage1source.h"
#include "acquisition/twostateimage.h"
#include "acquisition/picturebar.h"
#include "ifd/serial/waitfor.h"
#include "plant/modbusplclink.h"
#include "plant/scadaform.h"
#include "results/tableform.h"
#include "rigconfig/inistore.h"
#include "rigconfig/rigconfig.h"
#include "shell/master.h"
#include "shell/resultsmdi.h"
#include "workbook/model/workbook.h"
#include "support/freeport.h"
#include "support/scriptedprompts.h"
#include "support/sourcesof.h"
#include "support/tempfolder.h"

namespace {
const QString kPlantSim = QStringLiteral(QUORLEX_BINARY_DIR "/tools/plantsim/plantsim");


struct TPlantRig : ::testing::Test {
  TTempFolder tmp;
  QProcess sim;
  int port = FreePort();
  TScriptedPrompts prompts;
  std::unique_ptr<TMaster> master;

  void SetUp() override {
    if (!QFileInfo::exists(kPlantSim)) GTEST_SKIP() << "the controller simulator is not built";
    qputenv("QUORLEX_DEVICE_DIR", tmp.File("no-devices").toLocal8Bit());
    const QString rig = tmp.CopyTree(QStringLiteral(QUORLEX_SOURCE_DIR "/examples/rigs/plant"), "plant");
    TIniStore ini(rig + "/config/Configuration.ini");
    ini.WriteInteger("PLANT", "port", port);
    ASSERT_TRUE(ini.UpdateFile());
    StartSim();
    master = std::make_unique<TMaster>();
    master->StartUp(rig, {});
  }
  void TearDown() override {
    if (master) master->Rig()->ExitWarning = false;
    master.reset();
    sim.kill();
    sim.waitForFinished();
  }
  void StartSim() {
    sim.start(kPlantSim, {"--port", QString::number(port), "--stage-seconds", "1", "--speed", "4"});
    ASSERT_TRUE(sim.waitForStarted());
    ASSERT_TRUE(WaitFor([&] { return sim.readAllStandardError().contains("controller on"); }, 5000));
  }
};

TEST_F(TPlantRig, ControllerValuesDriveTheDiagramAndTheToolButtonsDriveTheWindow) {
  TSCADAForm* form = master->SCADAForm();
  ASSERT_NE(form, nullptr);
  EXPECT_TRUE(master->Action("ControlParameters")->isEnabled());
  ASSERT_TRUE(WaitFor([&] { return form->Poll().CyclesCompleted > 0; }, 8000)) << form->Poll().Messages.toStdString();
  EXPECT_EQ(form->findChild<QLabel*>("Messages")->text(), "OK");
  EXPECT_EQ(master->FeaturePanelText("Plant"), "Plant: OK");
  EXPECT_EQ(form->Box("TankALevel")->text(), "200");

  // Tank A starts at 40 mm of its 250: the level bar over a 250-pixel rectangle stands 40 high,
  // and the low-level switch (above 20 mm) lights its indicator.
  std::vector<TQXVarImage1Source*> bars = SourcesOf<TQXVarImage1Source>();
  ASSERT_EQ(bars.size(), 2u);
  ASSERT_TRUE(WaitFor([&] { return bars[0]->Display->height() == 40; }, 5000)) << bars[0]->Display->height();
  TQXSCADAModule* lowLevel = nullptr;
  for (TQXSCADAModule* m : SourcesOf<TQXSCADAModule>())
    if (m->ChannelNo == 10) lowLevel = m;
  ASSERT_NE(lowLevel, nullptr);
  ASSERT_NE(lowLevel->InputButton, nullptr);
  EXPECT_TRUE(WaitFor([&] { return lowLevel->InputButton->State(); }, 3000));

  // The plant buttons are live only with the window in front, and press its buttons.
  EXPECT_FALSE(master->Action("PlantLadder")->isEnabled());
  master->Action("ControlParameters")->trigger();
  EXPECT_EQ(master->PanelText(0), "Control Parameters");
  ASSERT_TRUE(master->Action("PlantLadder")->isEnabled());
  master->Action("PlantLadder")->trigger();
  EXPECT_FALSE(master->Action("PlantLadder")->isEnabled());
  ASSERT_TRUE(WaitFor([&] { return form->Poll().LadderRunning; }, 8000));
  ASSERT_TRUE(WaitFor([&] { return form->Poll().stage >= 3; }, 15000)) << form->Poll().stage;
  EXPECT_TRUE(master->Action("PlantLadder")->isEnabled());

  // A parameter written reaches the controller and reads back.
  QLineEdit* tank = form->Box("TankALevel");
  tank->setText("120");
  emit tank->editingFinished();
  master->Action("PlantWrite")->trigger();
  ASSERT_TRUE(WaitFor([&] { return master->Action("PlantWrite")->isEnabled(); }, 8000));
  tank->setText("99");  // not confirmed by a write: Read Values shows the controller's value
  emit tank->editingFinished();
  master->Action("PlantRead")->trigger();
  ASSERT_TRUE(WaitFor([&] { return master->Action("PlantRead")->isEnabled(); }, 8000));
  EXPECT_EQ(tank->text(), "120");
}

TEST_F(TPlantRig, AVanishedControllerIsReportedAndFoundAgain) {
  TSCADAForm* form = master->SCADAForm();
  ASSERT_TRUE(WaitFor([&] { return form->Poll().CyclesCompleted > 0; }, 8000));
  sim.kill();
  sim.waitForFinished();
  ASSERT_TRUE(WaitFor([&] { return !form->StatusText().isEmpty(); }, 8000));
  EXPECT_TRUE(master->FeaturePanelText("Plant").startsWith("Plant: conn")) << master->FeaturePanelText("Plant").toStdString();
  EXPECT_TRUE(form->Poll().Messages.startsWith("Communications Error: ")) << form->Poll().Messages.toStdString();
  const int before = form->Poll().CyclesCompleted;
  StartSim();
  ASSERT_TRUE(WaitFor([&] { return form->Poll().CyclesCompleted > before; }, 8000));
  EXPECT_EQ(master->FeaturePanelText("Plant"), "Plant: OK");
}

// The word at `address` as another client of the controller reads it: what the controller holds.
std::optional<qint16> ControllerWord(int port, const QString& address) {
  TModbusPlcLink probe(QStringLiteral("127.0.0.1"), port);
  std::optional<qint16> word;
  bool failed = false;
  probe.SetEvents({[&](qint16 w) { word = w; }, [] {}, [&](int, const QString&) { failed = true; }});
  probe.Read(address);
  WaitFor([&] { return word || failed; }, 5000);
  return word;
}

// A timed run with the controller stopped part-way: the samples taken while it was gone have
// empty cells, never its last numbers, and the saved file keeps them empty.
TEST_F(TPlantRig, ARunWithTheControllerGoneRecordsEmptyCellsForTheGap) {
  TSCADAForm* form = master->SCADAForm();
  ASSERT_TRUE(WaitFor([&] { return form->Poll().CyclesCompleted > 0; }, 8000));
  TQXLoggerPanel* logger = master->Diagram()->Logger();
  ASSERT_NE(logger, nullptr);
  logger->Programmed_Sample_Mode = PSS_Timed;
  logger->Sample_Interval = 500;
  logger->Sampling_Duration = 10;
  master->Action("SampleNow")->trigger();
  WaitFor([] { return false; }, 2500);
  sim.kill();
  sim.waitForFinished();
  WaitFor([] { return false; }, 3500);
  StartSim();
  ASSERT_TRUE(WaitFor([&] { return logger->Current_Sample_State == RSS_Idle; }, 20000));
  EXPECT_EQ(form->findChild<QLabel*>("Messages")->text(), "OK");

  const QString saved = tmp.File("plant.xlsx");
  prompts.ExpectSaveFile(saved);
  master->Action("SaveAs")->trigger();
  ASSERT_TRUE(QFileInfo::exists(saved));
  TWorkbook book;
  book.Read(saved);
  book.SetSheet(1);
  const int rows = logger->Sample_Transfer_Count;
  ASSERT_GE(rows, 15);
  int gap = 0, firstGap = 0, lastGap = 0;
  for (int r = 2; r <= rows + 1; ++r) {
    EXPECT_EQ(book.ValueRC(r, 3).Kind, TValueKind::Number) << "row " << r << ": the elapsed time is always known";
    const bool tankEmpty = book.ValueRC(r, 4).Kind == TValueKind::Empty;
    // A sample without the controller has none of its values: no old number beside an empty cell.
    if (tankEmpty)
      for (int c : {5, 6, 12, 15, 16, 26})
        EXPECT_EQ(book.ValueRC(r, c).Kind, TValueKind::Empty) << "row " << r << " column " << c;
    if (tankEmpty) {
      ++gap;
      if (!firstGap) firstGap = r;
      lastGap = r;
    }
  }
  EXPECT_GE(gap, 4) << "about 3.5 s without the controller at two samples a second";
  EXPECT_GT(firstGap, 3) << "the run began with the controller there";
  EXPECT_LT(lastGap, rows + 1) << "and ended with it back";
  EXPECT_EQ(lastGap - firstGap + 1, gap) << "one gap, from the stop to the restart";
  EXPECT_EQ(book.NumberRC(rows + 1, 12), 2) << "Gain A as the controller holds it";
}

// Gain A typed, then Read Values and Write Values before the next poll: the controller takes the
// typed gain and the panel shows it beside "OK", never the gain the read found before the write.
TEST_F(TPlantRig, ReadAndWriteClickedInOnePollShowWhatTheControllerHolds) {
  TSCADAForm* form = master->SCADAForm();
  ASSERT_TRUE(WaitFor([&] { return form->Poll().CyclesCompleted > 0 && !form->Poll().processing; }, 8000));
  QLineEdit* gain = form->Box("PropBand1");
  ASSERT_EQ(gain->text(), "2.0");
  gain->setText("5.5");
  emit gain->textEdited("5.5");
  emit gain->editingFinished();
  form->ReadButtonClick();
  form->WriteButtonClick();
  EXPECT_EQ(form->RequestsText(), "Pending: Read Values, Write Values");
  ASSERT_TRUE(WaitFor([&] { return form->Poll().PendingRequests().isEmpty(); }, 8000)) << form->RequestsText().toStdString();
  EXPECT_EQ(ControllerWord(port, "N7:23"), std::optional<qint16>(55));
  EXPECT_EQ(gain->text(), "5.5");
  EXPECT_EQ(form->findChild<QLabel*>("Messages")->text(), "OK");
  EXPECT_EQ(form->findChild<QLabel*>("Requests")->text(), "Values written; Values read");

  // The next write puts back what the panel shows, not the gain from before.
  form->WriteButtonClick();
  ASSERT_TRUE(WaitFor([&] { return form->Poll().PendingRequests().isEmpty(); }, 8000));
  EXPECT_EQ(ControllerWord(port, "N18:11"), std::optional<qint16>(55));
}
}  // namespace
