// Quorlex on the capture rig against the simulator: the identifier checks the inverter on the
// driver path, the serial link queries it by itself, and a wrong program is reported on both.
#include <gtest/gtest.h>

#include <QAction>
#include <QToolBar>

#include "acquisition/qxvexaidentifier.h"
#include "ifd/qxifd.h"
#include "inverter/inverterlink.h"
#include "platform/icaptionedprompts.h"
#include "ifd/serial/waitfor.h"
#include "shell/master.h"
#include "shell/resultsmdi.h"
#include "support/demosimulator.h"
#include "support/scriptedprompts.h"
#include "support/sourcesof.h"
#include "support/tempfolder.h"

namespace {
// Scripted prompts that also note the caption a message window was given.
struct TCaptionNotingPrompts : TScriptedPrompts, ICaptionedPrompts {
  QStringList captions;
  TModalResult CaptionedMessageDlg(const QString& caption, const QString& text, TMsgDlgType kind,
                                   TMsgDlgButtons buttons) override {
    captions << caption;
    return MessageDlg(text, kind, buttons);
  }
};

struct CaptureRig : ::testing::Test {
  TTempFolder tmp;
  TDemoSimulator sim{tmp, QStringLiteral(QUORLEX_SOURCE_DIR "/examples/rigs/capture"), TCardSimulator::Program()};
  TCaptionNotingPrompts prompts;
  std::unique_ptr<TMaster> master;

  void SetUp() override {
    if (!TCardSimulator::Built()) GTEST_SKIP() << "the simulator is not built";
  }
  void TearDown() override { master.reset(); }

  void Open(const QStringList& simOptions) {
    ASSERT_TRUE(sim.Start(simOptions));
    master = std::make_unique<TMaster>();
    master->StartUp(sim.Rig(), {});
  }
  static TQXVexaIdentifier* Identifier() {
    const std::vector<TQXVexaIdentifier*> found = SourcesOf<TQXVexaIdentifier>();
    return found.empty() ? nullptr : found.front();
  }
  void ConnectSerial() {
    prompts.ExpectChoice(0);  // the port list: COM3 first
    master->ConnectClick(true);
  }
};
}  // namespace

TEST_F(CaptureRig, TheRightProgramIsFoundQuietlyOnBothPaths) {
  Open({});
  if (HasFatalFailure()) return;
  EXPECT_TRUE(master->windowTitle().startsWith("QC03"));
  TQXVexaIdentifier* id = Identifier();
  ASSERT_NE(id, nullptr);
  ASSERT_TRUE(WaitFor([&] { return id->CheckedEquipment; }, 15000)) << master->PanelText(3).toStdString();
  EXPECT_EQ(id->InverterType, Varnok);
  EXPECT_EQ(id->InverterProgram, 3);
  EXPECT_EQ(id->Apparatus, 3);
  EXPECT_EQ(id->Software, 3);

  ConnectSerial();
  ASSERT_TRUE(WaitFor([&] {
    return master->FeaturePanelText("Inverter") == "Inverter Type: Varnok; Prog: QC03; Rig: QC03; On: yes";
  }, 15000)) << master->FeaturePanelText("Inverter").toStdString();
  EXPECT_TRUE(master->FattempedQueryVexa);
  EXPECT_TRUE(master->Diagram()->IFD()->FisFrequencySamplingOn);

  // The Inverter Programmer button asks again.
  QAction* programmer = master->Action("InverterProgrammer");
  QToolBar* tools = nullptr;
  for (QToolBar* bar : master->findChildren<QToolBar*>())
    if (bar->windowTitle() == "Tools") tools = bar;
  ASSERT_NE(tools, nullptr);
  EXPECT_TRUE(programmer->isVisible());
  EXPECT_TRUE(tools->widgetForAction(programmer)->isEnabled());
  master->SetInverterProgram(-1);
  programmer->trigger();
  EXPECT_TRUE(WaitFor([&] { return master->FInverterProgram == 3; }, 10000));
  EXPECT_TRUE(prompts.MessageTexts().isEmpty());
}

TEST_F(CaptureRig, AProgramForAnotherRigIsReportedOnBothPaths) {
  Open({"--inverter-program", "5"});
  if (HasFatalFailure()) return;
  prompts.ExpectMessage("Inverter is currently programmed for QC05, and is connected to QC03");
  TQXVexaIdentifier* id = Identifier();
  ASSERT_NE(id, nullptr);
  ASSERT_TRUE(WaitFor([&] { return id->CheckedEquipment; }, 15000));

  ConnectSerial();
  prompts.ExpectMessage("Capture Rig: QC03 \rVexa Program: QC05");
  ASSERT_TRUE(WaitFor([&] { return prompts.Pending() == 0; }, 15000)) << master->FeaturePanelText("Inverter").toStdString();
  EXPECT_EQ(master->FeaturePanelText("Inverter"), "Inverter Type: Varnok; Prog: QC05; Rig: QC03; On: yes");
}

// On the driver path the main window's own identification reads the rig's code off the card's
// inputs too: rig 3 with program 3 is a match, and the status bar names the rig.
TEST_F(CaptureRig, TheInverterProgrammerOnTheDriverPathKnowsTheRig) {
  Open({});
  if (HasFatalFailure()) return;
  TQXVexaIdentifier* id = Identifier();
  ASSERT_NE(id, nullptr);
  ASSERT_TRUE(WaitFor([&] { return id->CheckedEquipment; }, 15000)) << master->PanelText(3).toStdString();
  ASSERT_TRUE(master->Diagram()->IFD()->FLegIOActive);
  EXPECT_EQ(master->Diagram()->IFD()->F_CaptureApparatus, 3);
  master->Action("InverterProgrammer")->trigger();
  ASSERT_TRUE(WaitFor([&] { return master->FInverterProgram == 3 && !master->InverterLink()->Running(); }, 10000))
      << master->FeaturePanelText("Inverter").toStdString();
  EXPECT_EQ(master->FeaturePanelText("Inverter"), "Inverter Type: Varnok; Prog: QC03; Rig: QC03; On: yes");
  EXPECT_TRUE(prompts.MessageTexts().isEmpty()) << prompts.MessageTexts().join('\n').toStdString();
}

TEST_F(CaptureRig, AMismatchOnTheDriverPathIsWarnedOfUnderItsCaption) {
  Open({"--inverter-program", "5"});
  if (HasFatalFailure()) return;
  prompts.ExpectMessage("Inverter is currently programmed for QC05, and is connected to QC03");
  TQXVexaIdentifier* id = Identifier();
  ASSERT_NE(id, nullptr);
  ASSERT_TRUE(WaitFor([&] { return id->CheckedEquipment; }, 15000));
  prompts.ExpectMessage("Capture Rig: QC03 \rVexa Program: QC05");
  master->Action("InverterProgrammer")->trigger();
  ASSERT_TRUE(WaitFor([&] { return prompts.Pending() == 0; }, 15000)) << master->FeaturePanelText("Inverter").toStdString();
  EXPECT_EQ(prompts.captions, QStringList{"Warning!"});
  EXPECT_EQ(master->FeaturePanelText("Inverter"), "Inverter Type: Varnok; Prog: QC05; Rig: QC03; On: yes");
}
