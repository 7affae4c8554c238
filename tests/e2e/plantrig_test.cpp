// Quorlex on the process-plant rig against the simulated controller, over Modbus TCP: values
// reach the diagram's level bar and indicators, the plant tool buttons drive the window, a
// parameter goes to the controller and comes back, and a controller that goes away is retried.
#include <gtest/gtest.h>

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>

#include "acquisition/qxscadamodule.h"
#include "acquisition/qxvarimage1source.h"
#include "acquisition/twostateimage.h"
#include "acquisition/picturebar.h"
#include "ifd/serial/waitfor.h"
#include "plant/scadaform.h"
#include "rigconfig/inistore.h"
#include "rigconfig/rigconfig.h"
#include "shell/master.h"
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
}  // namespace
