#include <gtest/gtest.h>

#include <functional>

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStatusBar>
#include <QToolBar>
#include <QPointer>
#include <QTimer>

#include "acquisition/channelstatusform.h"
#include "acquisition/qxloggerpanel.h"
#include "acquisition/qxstoreoffset.h"
#include "acquisition/sensorhistoryform.h"
#include "ifd/qxifd.h"
#include "ifd/serial/qrlinfo.h"
#include "platform/messagebus.h"
#include "platform/services.h"
#include "results/tableform.h"
#include "rigconfig/registry.h"
#include "rigconfig/rigconfig.h"
#include "rigconfig/settingsnames.h"
#include "shell/changepassword.h"
#include "scope/formoscilloscope.h"
#include "shell/master.h"
#include "shell/passwordform.h"
#include "shell/resultsmdi.h"
#include "workbook/model/workbook.h"
#include "workbook/view/f1book.h"
#include "support/recordinglauncher.h"
#include "support/scriptedprompts.h"
#include "support/tempfolder.h"

namespace {
const QString kDemoSource = QStringLiteral(QUORLEX_SOURCE_DIR "/examples/rigs/demo");

// A copy of the demo rig, with no interface card present, whose general sheet `edit` changes.
QString EditedDemoRig(TTempFolder& tmp, const std::function<void(TWorkbook&)>& edit) {
  qputenv("QUORLEX_DEVICE_DIR", tmp.File("no-devices").toLocal8Bit());
  const QString rig = tmp.CopyTree(kDemoSource, "demo");
  TWorkbook general;
  general.Read(rig + "/config/general.vts");
  edit(general);
  general.Write(rig + "/config/general.vts", TWorkbook::ftNative3);
  return rig;
}

// The demo rig with no interface card present.
struct TMasterFixture : ::testing::Test {
  TTempFolder tmp;
  std::unique_ptr<TScriptedPrompts> prompts = std::make_unique<TScriptedPrompts>();
  std::unique_ptr<TMaster> master;
  void SetUp() override {
    qputenv("QUORLEX_DEVICE_DIR", tmp.File("no-devices").toLocal8Bit());
    prompts->ExpectChoice(0);
    master = std::make_unique<TMaster>();
    master->StartUp(tmp.CopyTree(kDemoSource, "demo"), {});
  }
  void TearDown() override {
    if (!master) return;
    master->Rig()->ExitWarning = false;
    master.reset();
  }
};
}  // namespace

TEST_F(TMasterFixture, StartUpAssemblesTheRig) {
  EXPECT_EQ(master->windowTitle(), "Heat Transfer Teaching Rig: Exercise 1");
  EXPECT_EQ(master->PanelText(3), "IFD: No Device");
  EXPECT_TRUE(master->Action("LoadNew")->isEnabled());  // the rig has exercises
  EXPECT_TRUE(master->Diagram()->Logger()->LoggerActive());
  EXPECT_EQ(master->FeaturePanelText("oscilloscope"), "scope: active configuration loaded");
  EXPECT_TRUE(master->Action("Scope")->isVisible());
  EXPECT_TRUE(master->Action("Scope")->isEnabled());
  ASSERT_NE(master->Oscilloscope(), nullptr) << "made, not shown, for the rig's Sample Now";
  EXPECT_EQ(master->SCADAForm(), nullptr) << "no process-plant links";
  EXPECT_FALSE(master->Action("ControlParameters")->isVisible());
  EXPECT_FALSE(master->Oscilloscope()->isVisible());
}

// Store-offset sources log the offset the main window's "TDC Sensor Offset" dialog keeps, and
// stop reading it when the window goes.
TEST_F(TMasterFixture, StoreOffsetSourcesReadTheWindowsOffsetDialog) {
  ASSERT_NE(master->OffsetProvider(), nullptr);
  EXPECT_EQ(TQXStoreOffset::OffsetProvider(), master->OffsetProvider());
  master->Rig()->ExitWarning = false;
  master.reset();
  EXPECT_EQ(TQXStoreOffset::OffsetProvider(), nullptr);
}

TEST_F(TMasterFixture, StatusBarShowsTheIntervalInItsLargestUnit) {
  master->SampleMode = RSS_Idle;
  for (auto [ms, text] : {std::pair{90000, "Sample Mode - Auto : 90 sec"}, {120000, "Sample Mode - Auto : 2 min"},
                          {1500, "Sample Mode - Auto : 1500 msec"}}) {
    master->SetSampleInterval(ms);
    master->UpdateStatusBar();
    EXPECT_EQ(master->PanelText(1), text);
  }
  master->SampleMode = RSS_Manual;
  master->UpdateStatusBar();
  EXPECT_EQ(master->PanelText(1), "Sample Mode - Manual");
}

TEST_F(TMasterFixture, ToolbarsFollowTheWindowInFront) {
  master->SetEnableUnhideButton(false);
  master->SetActiveForm(3);
  EXPECT_EQ(master->PanelText(0), "Table");
  EXPECT_TRUE(master->Action("DeleteSheet")->isEnabled());
  EXPECT_FALSE(master->Action("Unhide")->isEnabled());  // no question pending
  EXPECT_FALSE(master->Action("GraphData")->isEnabled());
  EXPECT_TRUE(master->Action("Copy")->isEnabled());  // the table takes the clipboard commands
  master->SetActiveForm(2);
  EXPECT_FALSE(master->Action("DeleteSheet")->isEnabled());
  EXPECT_TRUE(master->Action("Copy")->isEnabled());  // the graph copies as a picture
}

// Commands whose windows are not built yet are shown where the rig asks for them, but never
// offered: the graph configuration and format pages with the graph in front, the remote tool.
TEST_F(TMasterFixture, CommandsWithoutAWindowBehindThemStayOff) {
  master->SetActiveForm(2);
  EXPECT_TRUE(master->Action("Scope")->isVisible());
  EXPECT_FALSE(master->Action("RemoteTool")->isEnabled());
  // The graph's dialogs: with the graph in front only.
  const QStringList graphCommands = {"GraphData", "GraphFormatMenu", "GraphFormat&Plot...", "GraphFormat&Axes...",
                                     "GraphFormatA&xis Scales...", "GraphFormat&Series...", "GraphFormat&Legend..."};
  for (const QString& name : graphCommands) EXPECT_TRUE(master->Action(name)->isEnabled()) << name.toStdString();
  master->SetActiveForm(3);
  for (const QString& name : graphCommands) EXPECT_FALSE(master->Action(name)->isEnabled()) << name.toStdString();
  // The demo rig has the scheduler: its commands are offered and its panel says it is off.
  EXPECT_TRUE(master->Action("StartSchedule")->isVisible());
  for (const char* name : {"Scheduler", "ShowSchedules", "StartSchedule"})
    EXPECT_TRUE(master->Action(name)->isEnabled()) << name;
  EXPECT_EQ(master->FeaturePanelText("autopilot"), "Scheduling: off");
}

// Hints over menus and tool buttons never take the place of the five panels.
TEST_F(TMasterFixture, StatusPanelsStayWhileAHintShows) {
  master->show();
  master->statusBar()->showMessage("a hint");
  QCoreApplication::processEvents();
  QLabel* panel = nullptr;
  for (QLabel* l : master->statusBar()->findChildren<QLabel*>())
    if (l->text() == master->PanelText(0)) panel = l;
  ASSERT_NE(panel, nullptr);
  EXPECT_TRUE(panel->isVisible());
  for (const QString& name : {QStringLiteral("Open"), QStringLiteral("SampleNow"), QStringLiteral("Print")})
    EXPECT_TRUE(master->Action(name)->statusTip().isEmpty()) << name.toStdString();
}

// Show Gauge and Show History open over the main window, not at the screen's corner, and the
// gauge's fields are wide enough for the readings they show.
TEST_F(TMasterFixture, GaugeAndHistoryOpenOverTheMainWindow) {
  master->setGeometry(200, 100, 1000, 700);
  master->show();
  ASSERT_TRUE(master->Action("ShowGauge")->isEnabled());
  master->Action("ShowGauge")->trigger();
  master->Action("ShowHistory")->trigger();
  TQXLoggerPanel* logger = master->Diagram()->Logger();
  for (QWidget* w : {static_cast<QWidget*>(logger->ChannelStatus()), static_cast<QWidget*>(logger->SensorHistory())}) {
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(master->geometry().contains(w->geometry())) << w->windowTitle().toStdString();
  }
  TChannelStatusForm& gauge = *logger->ChannelStatus();
  gauge.Refresh(*master->Diagram()->DataList());
  ASSERT_FALSE(gauge.ValueFields().empty());
  for (QLineEdit* field : gauge.ValueFields())
    EXPECT_GE(field->width(), field->fontMetrics().horizontalAdvance(field->text()) + 8) << field->text().toStdString();
}

// A tool bar hidden from its context menu, or any other way, loses its tick in View > Toolbars,
// and the context menu names the same three bars.
TEST_F(TMasterFixture, ToolbarTicksFollowTheBars) {
  master->show();
  QToolBar* standard = nullptr;
  for (QToolBar* bar : master->findChildren<QToolBar*>())
    if (bar->windowTitle() == "Standard") standard = bar;
  ASSERT_NE(standard, nullptr);
  std::unique_ptr<QMenu> context(master->createPopupMenu());
  QStringList names;
  for (QAction* a : context->actions())
    if (a->isVisible()) names << a->text();
  EXPECT_EQ(names, QStringList({"Standard", "Sampling", "Format"}));
  context->actions().first()->trigger();  // as the context menu does
  EXPECT_TRUE(standard->isHidden());
  EXPECT_FALSE(master->Action("BarStandard")->isChecked());
  EXPECT_FALSE(master->StandardVisible);
  standard->show();
  EXPECT_TRUE(master->Action("BarStandard")->isChecked());
  master->Action("BarStandard")->trigger();
  EXPECT_TRUE(standard->isHidden());
}

TEST_F(TMasterFixture, WordProcessorIsSplitAndLaunched) {
  prompts->ExpectMessage("Do you wish to locate a Word Processor", TModalResult::mrOk);
  prompts->ExpectOpenFile(QStringLiteral("C:\\W.exe"));
  master->ConfigureWordProcessor();
  EXPECT_EQ(master->Rig()->WordProcessorPath, "C:\\");
  EXPECT_EQ(master->Rig()->WordProcessorName, "W.exe");
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(master->Rig()->RegistryKey, false));
  EXPECT_EQ(reg.ReadString(settings::reg::WordProcessorName), "W.exe");
  TRecordingLauncher launcher;
  master->LaunchWordProcessor();
  ASSERT_EQ(launcher.Launches().size(), 1u);
  EXPECT_EQ(launcher.Launches()[0].Program, "C:\\W.exe");
  EXPECT_EQ(launcher.Launches()[0].WorkingDir, "C:\\");
}

TEST_F(TMasterFixture, LecturerPasswordIsStoredAndChecked) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(master->Rig()->RegistryKey, false));
  EXPECT_EQ(reg.ReadString(settings::reg::LecturerPassword), "tamarind");
  TPasswordForm& password = *master->PasswordForm();
  password.Edit->setText("wrong");
  prompts->ExpectMessage("The password you have typed is incorrect. Please try again.");
  password.OKClick();
  EXPECT_FALSE(master->Rig()->LectureMode);

  TChangePassword& change = *master->ChangePasswordForm();
  change.Current->setText("TAMARIND");
  change.New->setText("Mango");
  change.Confirm->setText("mangoes");
  prompts->ExpectMessage("The passwords you have entered do not match. Please try again.");
  change.OKClick();
  EXPECT_EQ(reg.ReadString(settings::reg::LecturerPassword), "tamarind");
  change.New->setText("Mango");
  change.Confirm->setText("MANGO");
  change.OKClick();
  EXPECT_EQ(reg.ReadString(settings::reg::LecturerPassword), "mango");

  password.Edit->setText("MANGO");
  password.OKClick();
  EXPECT_TRUE(master->Rig()->LectureMode);
  EXPECT_FALSE(master->Action("LecturerMode")->isEnabled());
}

// The whole command line reaches the start-up: the about box names the program and its build, and
// the ports a previous instance handed over are the ones the first connection tries.
TEST(MasterLaunch, TheCommandLineCarriesTheNameAndThePorts) {
  TTempFolder tmp;
  qputenv("QUORLEX_DEVICE_DIR", tmp.File("no-devices").toLocal8Bit());
  const QString rig = tmp.CopyTree(kDemoSource, "demo");
  TScriptedPrompts prompts;
  prompts.ExpectChoice(0);
  TMaster master;
  const QString sep(QChar(TQrlInfo::Separator));
  master.StartUp(rig, {"/opt/quorlex/quorlex", "--rig", rig, sep + "COMm=3" + sep + "COMs=4"});
  EXPECT_TRUE(master.ShellVersion().startsWith("quorlex build ")) << master.ShellVersion().toStdString();
  EXPECT_FALSE(master.ShellVersion().endsWith(" build 0.0.0.0") && QCoreApplication::applicationVersion().size());
  EXPECT_EQ(master.Diagram()->IFD()->FpreAssignedPortValCOMm, 3);
  EXPECT_EQ(master.Diagram()->IFD()->FpreAssignedPortValCOMs, 4);
  master.Rig()->ExitWarning = false;
}

TEST_F(TMasterFixture, NewResultsAsksAndLoadNewExperimentRestarts) {
  prompts->ExpectMessage("The current results table will be closed. Do you wish to continue?", TModalResult::mrCancel);
  master->NewResults();
  TRecordingLauncher launcher;
  master->LoadNewExperiment();
  ASSERT_EQ(launcher.Launches().size(), 1u);
  EXPECT_TRUE(launcher.Launches()[0].Arguments.contains("--rig"));
  EXPECT_TRUE(master->FChangingExercise);
}

TEST_F(TMasterFixture, NextResultsOnAFullTableChangesNothing) {
  TTableForm* table = master->Table();
  for (int run = 2; run <= TTableForm::MaxRuns; ++run) ASSERT_TRUE(table->AddSheet());
  TQXLoggerPanel* logger = master->Diagram()->Logger();
  logger->Sample_Transfer_Count = 7;
  logger->Start_Time = 46000.5;
  prompts->ExpectMessage("already holds 20 runs");
  master->NextResults();
  EXPECT_EQ(table->GetSheetCount(), TTableForm::MaxRuns);
  EXPECT_EQ(logger->Sample_Transfer_Count, 7);  // the next sample still follows sample 7
  EXPECT_EQ(logger->Start_Time, 46000.5);
  EXPECT_EQ(prompts->Records().size(), 2u);  // the exercise choice and the refusal
}

// A help window or any other top-level window left open does not keep the program alive once
// the main window has closed.
TEST_F(TMasterFixture, ClosingTheMainWindowEndsTheProgramWithOtherWindowsOpen) {
  master->Rig()->ExitWarning = false;
  master->SetEndsProgram(true);
  master->show();
  QWidget help;
  help.setWindowTitle("Help");
  help.show();
  QTimer::singleShot(0, master.get(), [this] { master->close(); });
  QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(2); });  // still running: the fault
  EXPECT_EQ(QCoreApplication::exec(), 0);
}

TEST(MasterStartUp, AFailedDiagramAssemblyIsReportedAndNoTickStarts) {
  TTempFolder tmp;
  qputenv("QUORLEX_DEVICE_DIR", tmp.File("no-devices").toLocal8Bit());
  QDir().mkpath(tmp.File("config"));
  TWorkbook general;
  general.SetNumberRC(1, 1, 1);
  general.SetTextRC(2, 1, "Broken Rig");
  general.Write(tmp.File("config/general.vts"), TWorkbook::ftNative3);
  TWorkbook columns;
  columns.SetTextRC(1, 1, "X");
  columns.Write(tmp.File("config/columns.vts"), TWorkbook::ftNative3);
  TScriptedPrompts prompts;
  prompts.ExpectMessage("The run sheet could not be loaded");
  prompts.ExpectMessage("datasrc.vts: the file does not exist");  // the workbook's own message
  TMaster master;
  master.StartUp(tmp.Path(), {});
  EXPECT_EQ(master.Diagram()->Logger(), nullptr);
  EXPECT_EQ(master.windowTitle(), "Broken Rig");
}

TEST(MasterStartUp, ADemonstrationRigShowsItsTableWithSamplingOff) {
  TTempFolder tmp;
  // Exercise 1 becomes a demonstration from a stored table.
  const QString rig = EditedDemoRig(tmp, [](TWorkbook& general) {
    general.SetNumberRC(29, 3, 3);
    general.SetTextRC(29, 9, "config\\demo.vts");
  });
  TWorkbook demo;
  demo.SetSheetName(1, "Run 1");
  demo.SetTextRC(1, 4, "T1 Tank");
  for (int r = 2; r <= 4; ++r) {
    demo.SetNumberRC(r, 1, r - 1);
    demo.SetNumberRC(r, 4, 20 + r);
  }
  demo.Write(rig + "/config/demo.vts", TWorkbook::ftNative3);

  TScriptedPrompts prompts;
  prompts.ExpectChoice(0);
  TMaster master;
  master.StartUp(rig, {});
  EXPECT_EQ(master.Rig()->fData_Capture_Type, 3);
  EXPECT_FALSE(master.Action("SampleNow")->isEnabled());
  EXPECT_FALSE(master.Action("NextResults")->isEnabled());
  const TWorkbook& table = master.Table()->ResultsTable->Book();
  EXPECT_EQ(table.NumberRC(4, 4), 24);
}

TEST_F(TMasterFixture, InverterMessagesSendTheReadsAndWarnOnAMismatch) {
  TMessageBus& bus = TServices::Bus();
  const unsigned programmer = bus.RegisterWindowMessage("WM_INVERTER_ACTIVATE_PROGRAMMER");
  master->FInverterProgram = 3;
  master->setCaptureID(1);
  prompts->ExpectMessage("The detected Vexa inverter program does not match Capture equipment \rconnected");
  bus.SendMessage(programmer);
  EXPECT_TRUE(prompts->Records().back().Text.endsWith("Capture Rig: QC01 \rVexa Program: QC03"));
  master->FInverterProgram = 1;
  bus.SendMessage(programmer);  // matching: no warning
  // A program beyond the table names no rig of it, and does not match the code that wraps to it.
  master->FInverterProgram = 17;
  prompts->ExpectMessage("Vexa Program: unknown");
  bus.SendMessage(programmer);
  master->EnableVexamode();
  EXPECT_EQ(master->FeaturePanelText("Inverter"), "Prog: unknown; Rig: QC01; On: yes");
}

// Closing a child window only hides it: the main window keeps using the table, graph and diagram.
TEST_F(TMasterFixture, ClosingAChildWindowHidesItAndTheViewMenuBringsItBack) {
  QPointer<QWidget> table = master->Table();
  QWidget* window = table->parentWidget();
  while (window && !window->inherits("QMdiSubWindow")) window = window->parentWidget();
  ASSERT_NE(window, nullptr);
  window->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_FALSE(table.isNull());
  EXPECT_TRUE(window->isHidden());
  master->ShowChild(3);
  EXPECT_FALSE(window->isHidden());
  master->NextResults();  // the table is still usable
}

// On an industrial rig the lecturer commands leave the menu; the tool button stays, disabled.
TEST(TMasterIndustrial, LecturerCommandsLeaveTheMenuAndTheButtonIsDisabled) {
  TTempFolder tmp;
  const QString rig = EditedDemoRig(tmp, [](TWorkbook& general) { general.SetNumberRC(2, 5, 1); });
  auto prompts = std::make_unique<TScriptedPrompts>();
  prompts->ExpectChoice(0);
  auto master = std::make_unique<TMaster>();
  master->StartUp(rig, {});
  ASSERT_TRUE(master->Rig()->Industrial);
  QAction* lecturer = master->Action("LecturerMode");
  EXPECT_FALSE(lecturer->isEnabled());
  EXPECT_TRUE(lecturer->isVisible());
  bool inMenu = false, onToolBar = false;
  for (QObject* user : lecturer->associatedObjects()) {
    if (user->inherits("QMenu")) inMenu = true;
    if (user->inherits("QToolBar")) onToolBar = true;
  }
  EXPECT_FALSE(inMenu);
  EXPECT_TRUE(onToolBar);
  master->Rig()->ExitWarning = false;
}
