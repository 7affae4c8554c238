#include "shell/master.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>
#include <QShortcut>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <iterator>

#include "acquisition/channelstatusform.h"
#include "acquisition/qxanalogueoutputsource.h"
#include "acquisition/qxdatalist.h"
#include "acquisition/qxloggerpanel.h"
#include "acquisition/qxstoreoffset.h"
#include "acquisition/sensorhistoryform.h"
#include "calibration/calibrate.h"
#include "calibration/offsetform.h"
#include "ifd/ifdconfig.h"
#include "ifd/qxifd.h"
#include "ifd/serial/availableports.h"
#include "ifd/serial/qrlinfo.h"
#include "ifd/serial/serialcommandset.h"
#include "inverter/inverterlink.h"
#include "lab/labsettings.h"
#include "lab/labsettingsdialog.h"
#include "lab/labstation.h"
#include "platform/hourglass.h"
#include "platform/iclock.h"
#include "platform/installeddata.h"
#include "platform/iprogramlauncher.h"
#include "platform/icaptionedprompts.h"
#include "platform/iprompts.h"
#include "platform/messagebus.h"
#include "platform/services.h"
#include "results/graphform.h"
#include "results/journalrecovery.h"
#include "results/reportbuilder.h"
#include "results/samplejournal.h"
#include "results/tableform.h"
#include "rigconfig/inistore.h"
#include "rigconfig/registry.h"
#include "rigconfig/rigconfig.h"
#include "rigconfig/settingsnames.h"
#include "workbook/view/f1book.h"
#include "shell/aboutbox.h"
#include "shell/changepassword.h"
#include "shell/passwordform.h"
#include "shell/labrigview.h"
#include "shell/resultsmdi.h"
#include "shell/toolicons.h"
#include "scope/formoscilloscope.h"
#include "scope/scopeanalysisform.h"
#include "plant/scadaform.h"
#include "schedule/formoutputtimeprofiling.h"
#include "schedule/formschedulerdlg.h"
#include "teaching/questionlist.h"
#include "teaching/walkthroughgroupform.h"
#include "rigconfig/helprequests.h"
#include "platform/toolwindows.h"

namespace {
const char* const kMessageNames[] = {
    "WM_HS_DATA_RETRIEVED", "WM_REFRESH_VCOM_STATUS", "WM_REFRESH_VCOMAUX_STATUS", "WM_RECONNECT_COMS_SILENTLY",
    "WM_INVERTER_SEND_RH10", "WM_INVERTER_SEND_RA05", "WM_INVERTER_ACTIVATE_PROGRAMMER",
    "WM_INVERTER_VEXA_KICK_START", "WM_TRIGGER_AUX_COMPORT", "WM_INVERTER_R_NEXT_FC", "WM_INVERTER_W_NEXT_FC",
    "WM_INVERTER_ERR_R_FC", "WM_INVERTER_ERR_W_FC", "WM_INVERTER_ERR_CKS_R_FC", "WM_INVERTER_ERR_CKS_W_FC"};
// The process-plant tool buttons: each presses, and follows, one button of the control-parameters window.
struct TPlantButton {
  const char* Name;
  const char* Caption;
  const char* Hint;
  void (TSCADAForm::*Press)();
  bool (TSCADAForm::*Enabled)() const;
};
const TPlantButton kPlantButtons[] = {
    {"PlantLadder", "Ladder", "Start or stop the ladder", &TSCADAForm::LadderButtonClick, &TSCADAForm::LadderButtonEnabled},
    {"PlantRead", "Read", "Read the parameters from the controller", &TSCADAForm::ReadButtonClick,
     &TSCADAForm::ReadButtonEnabled},
    {"PlantComms", "Comms", "Stop or start communications", &TSCADAForm::CommsButtonClick, &TSCADAForm::CommsButtonEnabled},
    {"PlantWrite", "Write", "Write the parameters to the controller", &TSCADAForm::WriteButtonClick,
     &TSCADAForm::WriteButtonEnabled}};

// A tool window shown, in front and with the focus.
void BringUp(QWidget* window) {
  window->show();
  window->raise();
  window->activateWindow();
}
constexpr int kPanelWidths[5] = {150, 170, 350, 120, 120};
// The pages of the graph's format dialog, in its order: Format > Graph names one item after each.
const char* const kGraphFormatPages[] = {"&Plot...", "&Axes...", "A&xis Scales...", "&Series...", "&Legend..."};
}  // namespace

TMaster::TMaster(QWidget* parent) : QMainWindow(parent), FMdi(new QMdiArea(this)) {
  FInverterLink = new TInverterLink(*this, this);
  setWindowTitle(QStringLiteral("Quorlex"));
  FMdi->setBackground(QBrush(QColor(0x80, 0x80, 0x80)));
  // A diagram larger than the window scrolls instead of being cut off.
  FMdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  FMdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setCentralWidget(FMdi);
  new TToolWindows(this);
  // Ctrl+F4 closes the child window in front, as in any multiple-document window.
  auto* closeChild = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F4), FMdi);
  closeChild->setContext(Qt::WidgetWithChildrenShortcut);
  auto closeFront = [this] {
    if (QMdiSubWindow* w = FMdi->activeSubWindow()) w->close();
  };
  connect(closeChild, &QShortcut::activated, this, closeFront);
  // The child window's own system menu names Ctrl+F4 too, which leaves the key to neither.
  connect(closeChild, &QShortcut::activatedAmbiguously, this, closeFront);
  CreateActions();
  CreateToolBars();
  CreateMenus();
  CreateStatusBars();
  // The window's own size: small screens get a warning and a maximised window.
  const QScreen* screen = QGuiApplication::primaryScreen();
  const int width = screen ? screen->geometry().width() : 1024;
  if (width < 800) {
    TServices::Prompts().MessageDlg(
        QStringLiteral("This software is designed for use on displays with at least 600 x 800 resolution. You may "
                       "experience some problems."),
        TMsgDlgType::mtWarning, TMsgDlgButtons::OK);
    setWindowState(Qt::WindowMaximized);
  } else if (width == 800) {
    setWindowState(Qt::WindowMaximized);
  } else {
    resize(806, 638);
    if (screen) move(screen->geometry().center() - rect().center());
  }
  // In the settings folder, not beside the executable: an installed program's folder is not ours.
  QDir().mkpath(TInstalledData::SettingsDir());
  FIniIni = TIniStore::OpenCreating(TInstalledData::SettingsDir() + QStringLiteral("/ini.ini"));
  TMessageBus& bus = TServices::Bus();
  for (const char* name : kMessageNames) FMessages[QString::fromLatin1(name)] = bus.RegisterWindowMessage(name);
  bus.SetHandler([this](unsigned m, std::intptr_t w, std::intptr_t l) { HandleMessage(m, w, l); });
}

TMaster::~TMaster() {
  // Focus moves while the children go: no more updates of the commands from here on.
  disconnect(qApp, nullptr, this, nullptr);
  Shutdown();
  if (TServices::Rig() == FRig.get()) TServices::SetRig(nullptr);
  if (FOffsetForm && TQXStoreOffset::OffsetProvider() == FOffsetForm) TQXStoreOffset::SetOffsetProvider(nullptr);
  TServices::Bus().SetHandler({});
}

IOffsetProvider* TMaster::OffsetProvider() const { return FOffsetForm; }

QAction* TMaster::Add(const QString& name, const QString& caption, const QString& hint, void (TMaster::*slot)()) {
  auto* a = new QAction(caption, this);
  a->setToolTip(hint.isEmpty() ? QString(caption).remove(QLatin1Char('&')) : hint);
  // No status tip: Qt shows tips in the status bar, and the five panels stay in view.
  if (slot) connect(a, &QAction::triggered, this, slot);
  FActions.insert(name, a);
  return a;
}

void TMaster::CreateActions() {
  auto table = [this](auto fn) { return [this, fn] { if (FTable) (FTable.get()->*fn)(); }; };
  Add("Open", "&Open", "Open a results file", nullptr)->setIcon(TToolIcons::Icon(TToolIcon::Open));
  connect(FActions["Open"], &QAction::triggered, this, table(&TTableForm::Open));
  Add("Save", "&Save", "Save the results", nullptr)->setIcon(TToolIcons::Icon(TToolIcon::Save));
  connect(FActions["Save"], &QAction::triggered, this, table(&TTableForm::Save));
  Add("SaveAs", "Save &As", "Save the results under a new name", nullptr);
  connect(FActions["SaveAs"], &QAction::triggered, this, table(&TTableForm::SaveAs));
  Add("PageSetup", "Pa&ge Setup", "", nullptr);
  connect(FActions["PageSetup"], &QAction::triggered, this, table(&TTableForm::PageSetup));
  Add("PrintSetup", "P&rint Setup", "", nullptr)->setEnabled(false);
  Add("Print", "&Print", "Print the window in front", nullptr)->setIcon(TToolIcons::Icon(TToolIcon::Print));
  connect(FActions["Print"], &QAction::triggered, this, [this] {
    if (ActiveForm == 1 && FDiagram && FDiagram->Logger()) FDiagram->Logger()->Print();
    else if (ActiveForm == 2 && FGraph) FGraph->PrintForm();
    else if (ActiveForm == 3 && FTable) FTable->PrintForm();
    else if (ActiveForm == 5 && FSCADA) FSCADA->PrintForm();
    else if (ActiveForm == 4 && FPresentation) FPresentation->Print();
  });
  Add("ExportGraph", "Export &Graph...", "Save the graph as a PNG, SVG or PDF file", nullptr);
  connect(FActions["ExportGraph"], &QAction::triggered, this, [this] { if (FGraph) FGraph->ExportGraph(); });
  Add("ExportReport", "Export &Report...", "Save a lab report as a PDF file", &TMaster::ExportReport);
  Add("LoadNew", "&Load New Experiment...", "", &TMaster::LoadNewExperiment)->setEnabled(false);
  Add("Exit", "E&xit", "", nullptr);
  connect(FActions["Exit"], &QAction::triggered, this, &QWidget::close);
  Add("New", "New", "Start a new results file", &TMaster::NewResults)->setIcon(TToolIcons::Icon(TToolIcon::New));

  // The focused text box, else the table when it is in front.
  auto edit = [this](auto box, auto book) {
    return [this, box, book] {
      if (auto* e = qobject_cast<QLineEdit*>(QApplication::focusWidget())) (e->*box)();
      else if (ActiveForm == 3 && FTable) (FTable->ResultsTable->*book)();
    };
  };
  Add("Cut", "Cu&t", "", nullptr)->setShortcut(QKeySequence::Cut);
  connect(FActions["Cut"], &QAction::triggered, this, edit(&QLineEdit::cut, &TF1Book::EditCut));
  Add("Copy", "&Copy", "", nullptr)->setShortcut(QKeySequence::Copy);
  connect(FActions["Copy"], &QAction::triggered, this, [this, copy = edit(&QLineEdit::copy, &TF1Book::EditCopy)] {
    // With the graph in front (and no text box focused) the copy is the graph's picture.
    if (!qobject_cast<QLineEdit*>(QApplication::focusWidget()) && ActiveForm == 2 && FGraph) FGraph->EditCopy();
    else copy();
  });
  Add("Paste", "&Paste", "", nullptr)->setShortcut(QKeySequence::Paste);
  connect(FActions["Paste"], &QAction::triggered, this, edit(&QLineEdit::paste, &TF1Book::EditPaste));
  connect(qApp, &QApplication::focusChanged, this, [this] { UpdateEditCommands(); });
  Add("CaptureScreen", "C&apture Screen", "", nullptr);
  connect(FActions["CaptureScreen"], &QAction::triggered, this, [this] {
    if (ActiveForm == 4 && FPresentation) FPresentation->Copy();
    else if (FDiagram && FDiagram->Logger()) FDiagram->Logger()->Copy();
  });

  Add("ViewDiagram", "&Diagram", "Show the diagram", nullptr)->setIcon(TToolIcons::Icon(TToolIcon::Diagram));
  connect(FActions["ViewDiagram"], &QAction::triggered, this, [this] { ShowChild(1); });
  Add("Graph", "&Graph", "Show the graph", nullptr)->setIcon(TToolIcons::Icon(TToolIcon::Graph));
  connect(FActions["Graph"], &QAction::triggered, this, [this] { ShowChild(2); });
  Add("ViewTable", "Ta&ble", "Show the results table", nullptr)->setIcon(TToolIcons::Icon(TToolIcon::Table));
  connect(FActions["ViewTable"], &QAction::triggered, this, [this] { ShowChild(3); });
  Add("Presentation", "&Presentation", "Show the presentation", nullptr)->setEnabled(false);
  connect(FActions["Presentation"], &QAction::triggered, this, [this] { ShowChild(4); });
  Add("ControlParameters", "&Control Parameters", "Show the control parameters", nullptr)->setEnabled(false);
  connect(FActions["ControlParameters"], &QAction::triggered, this, [this] { ShowChild(5); });
  // The process-plant buttons press the control-parameters window's own.
  for (const TPlantButton& button : kPlantButtons) {
    QAction* a = Add(QString::fromLatin1(button.Name), QString::fromLatin1(button.Caption),
                     QString::fromLatin1(button.Hint), nullptr);
    a->setEnabled(false);
    connect(a, &QAction::triggered, this, [this, press = button.Press] { if (FSCADA) (FSCADA->*press)(); });
  }
  Add("ShowGauge", "Show G&auge", "", nullptr);
  connect(FActions["ShowGauge"], &QAction::triggered, this, [this] {
    if (FDiagram && FDiagram->Logger() && FDiagram->Logger()->ChannelStatus())
      ShowToolWindow(FDiagram->Logger()->ChannelStatus(), Qt::TopRightCorner);
  });
  Add("ShowHistory", "Show H&istory", "", nullptr);
  connect(FActions["ShowHistory"], &QAction::triggered, this, [this] {
    if (FDiagram && FDiagram->Logger() && FDiagram->Logger()->SensorHistory())
      ShowToolWindow(FDiagram->Logger()->SensorHistory(), Qt::BottomRightCorner);
  });
  Add("WordProcessor", "Word Processor...", "Open the word processor", &TMaster::LaunchWordProcessor)
      ->setIcon(TToolIcons::Icon(TToolIcon::WordProcessor));
  Add("WordProcessorLocation", "&Word Processor Location...", "", &TMaster::ConfigureWordProcessor);

  Add("Calibrate", "&Calibrate IFD Channels", "", nullptr)->setEnabled(false);
  connect(FActions["Calibrate"], &QAction::triggered, this, [this] {
    if (!FCalibrate) return;
    FCalibrate->show();
    FCalibrate->raise();
  });
  Add("IFDSettings", "IFD &Sampling Parameters", "IFD settings", nullptr)->setIcon(TToolIcons::Icon(TToolIcon::IFDSettings));
  connect(FActions["IFDSettings"], &QAction::triggered, this, [this] {
    if (FDiagram && FDiagram->Logger()) FDiagram->Logger()->DoIFDSetup();
  });
  Add("TDCOffset", "&TDC Sensor Offset", "", nullptr)->setEnabled(false);
  connect(FActions["TDCOffset"], &QAction::triggered, this, [this] {
    if (FOffsetForm) FOffsetForm->show();
  });
  Add("LecturerMode", "Lecturer Mode...", "Enter lecturer mode", nullptr)->setIcon(TToolIcons::Icon(TToolIcon::Lecturer));
  connect(FActions["LecturerMode"], &QAction::triggered, this, [this] {
    if (FPasswordForm) FPasswordForm->show();
  });
  Add("LabNetwork", "La&b Network...", "Where the lab's broker is and who this station is", &TMaster::ShowLabSettings);
  // A run saved, or the results replaced by an opened file: the lab gets the runs that ended.
  for (const char* n : {"Save", "SaveAs"})
    connect(FActions[n], &QAction::triggered, this, [this] {
      if (FLab && FTable && !FTable->AnyRunUnsaved()) FLab->RunsEnded();
    });
  connect(FActions["Open"], &QAction::triggered, this, [this] { if (FLab) FLab->RunsCleared(); });
  Add("ChangePassword", "Change Password...", "", nullptr);
  connect(FActions["ChangePassword"], &QAction::triggered, this, [this] {
    if (FChangePassword) FChangePassword->show();
  });

  Add("RemoteTool", "Open Remote Tool", "", nullptr);
  Add("Oscilloscope", "Oscilloscope...", "", &TMaster::ShowOscilloscope)->setEnabled(false);
  Add("MeasureCapture", "Measure Capture...", "Measurements, cursors, spectrum and XY of a capture",
      &TMaster::ShowScopeAnalysis)
      ->setEnabled(false);
  Add("Scope", "Scope", "Oscilloscope", &TMaster::ShowOscilloscope)->setIcon(TToolIcons::Icon(TToolIcon::Scope));
  FActions["Scope"]->setVisible(false);
  FActions["Scope"]->setEnabled(false);
  Add("Scheduler", "Scheduler...", "", &TMaster::ToolBtnOpenSchedulesClick)->setEnabled(false);
  Add("ShowSchedules", "Show all schedules", "", &TMaster::ToolBtnOpenSchedulesClick)->setEnabled(false);
  Add("StartSchedule", "Start Schedule", "Start the execution of scheduled outputs", &TMaster::ToolBtnAutoPilotClick)
      ->setEnabled(false);
  FActions["StartSchedule"]->setIcon(TToolIcons::Icon(TToolIcon::Schedule));
  FActions["StartSchedule"]->setVisible(false);
  Add("InverterProgrammer", "Inverter Programmer", "Identify the inverter's program", &TMaster::StartInverterIdentification)
      ->setVisible(false);

  Add("SampleNowItem", "&Sample Now", "", &TMaster::SampleNowClick);
  Add("SampleNow", "Sample Now", "Sample now", &TMaster::SampleNowClick)->setIcon(TToolIcons::Icon(TToolIcon::Go));
  Add("NextResults", "&Next Results", "Begin a new set of results", &TMaster::NextResults)
      ->setIcon(TToolIcons::Icon(TToolIcon::NextResults));
  Add("Configure", "&Configure...", "Configure sampling", nullptr)->setIcon(TToolIcons::Icon(TToolIcon::Configure));
  connect(FActions["Configure"], &QAction::triggered, this, [this] {
    if (FDiagram && FDiagram->Logger()) FDiagram->Logger()->ConfigureSample();
  });

  Add("GraphData", "Graph &Data...", "Graph data", nullptr)->setIcon(TToolIcons::Icon(TToolIcon::GraphData));
  connect(FActions["GraphData"], &QAction::triggered, this, [this] {
    if (FGraph) FGraph->LaunchConfigBox();
  });
  for (int page = 0; page < static_cast<int>(std::size(kGraphFormatPages)); ++page) {
    const char* caption = kGraphFormatPages[page];
    connect(Add(QStringLiteral("GraphFormat") + caption, caption, "", nullptr), &QAction::triggered, this, [this, page] {
      if (FGraph) FGraph->Format(page);
    });
  }
  Add("GraphFit", "&Fit...", "Fit a curve to a series of the graph", nullptr);
  connect(FActions["GraphFit"], &QAction::triggered, this, [this] { if (FGraph) FGraph->FitDialog(); });
  Add("GraphFitResults", "Fit &Results...", "The fits' numbers, to read and copy", nullptr);
  connect(FActions["GraphFitResults"], &QAction::triggered, this, [this] { if (FGraph) FGraph->ShowFitPanel(); });
  Add("DeleteSheet", "Delete Sheet", "Delete the sheet", nullptr)->setIcon(TToolIcons::Icon(TToolIcon::DeleteSheet));
  connect(FActions["DeleteSheet"], &QAction::triggered, this, table(&TTableForm::DeleteSheet));
  Add("RenameSheet", "Rename Sheet...", "Rename the sheet", nullptr)->setIcon(TToolIcons::Icon(TToolIcon::RenameSheet));
  connect(FActions["RenameSheet"], &QAction::triggered, this, table(&TTableForm::ChangeSheetName));
  Add("Unhide", "Unhide...", "Unhide results", nullptr)->setIcon(TToolIcons::Icon(TToolIcon::Unhide));
  FActions["Unhide"]->setEnabled(false);
  connect(FActions["Unhide"], &QAction::triggered, this, [this] {
    if (FPresentation) FPresentation->Unhide();
  });
  Add("Iterate", "Iterate", "Find constant m by iteration", nullptr)->setIcon(TToolIcons::Icon(TToolIcon::Iterate));
  FActions["Iterate"]->setVisible(false);
  connect(FActions["Iterate"], &QAction::triggered, this, [this] {
    if (!FTable) return;
    THourglass busy;
    FActions["Iterate"]->setEnabled(false);
    FTable->Iterate_Table_Data();
    FActions["Iterate"]->setEnabled(true);
  });
  Add("Connect", "Connect to IFD", "Start COM Session", nullptr)->setIcon(TToolIcons::Icon(TToolIcon::Connect));
  connect(FActions["Connect"], &QAction::triggered, this, [this] { ConnectClick(true); });
  Add("Nomenclature", "Nomenclature", "Nomenclature", nullptr)->setIcon(TToolIcons::Icon(TToolIcon::Nomenclature));
  connect(FActions["Nomenclature"], &QAction::triggered, this, [this] {
    if (FRig)
      FRig->RigStringHelp(QLatin1String(FRig->HelpFileType() == THelpFileTypes::HTML ? helptopics::kNomenclatureHtml
                                                                                     : helptopics::kNomenclatureWinHelp));
  });
  Add("HelpScreen", "Help", "Get help on the current screen", nullptr)->setIcon(TToolIcons::Icon(TToolIcon::Help));
  connect(FActions["HelpScreen"], &QAction::triggered, this, [this] {
    if (!FRig) return;
    if (ActiveForm == 5) FRig->RigTopicHelp(helptopics::kControlParameters);
    else FRig->ShellStringHelp(QString::fromLatin1(helptopics::kScreen[std::clamp(ActiveForm, 0, 4)]));
  });

  Add("Arrange", "&Arrange", "", nullptr);
  connect(FActions["Arrange"], &QAction::triggered, this, &TMaster::TileChildren);
  Add("Cascade", "&Cascade", "", nullptr);
  connect(FActions["Cascade"], &QAction::triggered, FMdi, &QMdiArea::cascadeSubWindows);
  Add("Tile", "&Tile", "", nullptr);
  connect(FActions["Tile"], &QAction::triggered, this, &TMaster::TileChildren);
  Add("Contents", "Contents", "", nullptr);
  connect(FActions["Contents"], &QAction::triggered, this, [this] { if (FRig) FRig->ShellHelpContents(); });
  Add("About", "&About", "", &TMaster::ShowAbout);
}

void TMaster::CreateMenus() {
  auto* file = menuBar()->addMenu(QStringLiteral("&File"));
  for (const char* n : {"New", "Open", "Save", "SaveAs"}) file->addAction(FActions[n]);
  file->addSeparator();
  for (const char* n : {"PageSetup", "PrintSetup", "Print"}) file->addAction(FActions[n]);
  file->addSeparator();
  file->addAction(FActions["ExportGraph"]);
  file->addAction(FActions["ExportReport"]);
  file->addSeparator();
  file->addAction(FActions["LoadNew"]);
  file->addSeparator();
  file->addAction(FActions["Exit"]);
  auto* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
  for (const char* n : {"Cut", "Copy", "Paste"}) edit->addAction(FActions[n]);
  edit->addSeparator();
  edit->addAction(FActions["CaptureScreen"]);
  connect(edit, &QMenu::aboutToShow, this, [this] { UpdateEditCommands(); });
  auto* view = menuBar()->addMenu(QStringLiteral("&View"));
  for (const char* n : {"ViewDiagram", "Graph", "ViewTable", "Presentation", "ControlParameters"}) view->addAction(FActions[n]);
  view->addSeparator();
  view->addAction(FActions["ShowGauge"]);
  view->addAction(FActions["ShowHistory"]);
  // Each tick is its bar's own show/hide action, so the menu, the bars' context menu and a bar
  // hidden in any other way show one state.
  auto* bars = view->addMenu(QStringLiteral("Tool&bars"));
  const std::pair<const char*, QToolBar*> toolBars[] = {{"Standard", FStandardBar}, {"Sampling", FSamplingBar}, {"Format", FFormatBar}};
  for (const auto& [n, bar] : toolBars) {
    QAction* a = bar->toggleViewAction();
    a->setText(QString::fromLatin1(n));
    bars->addAction(a);
    FActions.insert(QStringLiteral("Bar") + n, a);
  }
  connect(FActions["BarStandard"], &QAction::toggled, this, [this](bool on) { StandardVisible = on; });
  connect(FActions["BarSampling"], &QAction::toggled, this, [this](bool on) { SamplingVisible = on; });
  connect(FActions["BarFormat"], &QAction::toggled, this, [this](bool on) { FormatVisible = on; });
  view->addSeparator();
  view->addAction(FActions["WordProcessor"]);
  view->addAction(FActions["WordProcessorLocation"]);
  FOptionsMenu = menuBar()->addMenu(QStringLiteral("&Options"));
  for (const char* n : {"Calibrate", "IFDSettings", "TDCOffset"}) FOptionsMenu->addAction(FActions[n]);
  FActions.insert("LecturerSeparator", FOptionsMenu->addSeparator());
  FOptionsMenu->addAction(FActions["LecturerMode"]);
  FOptionsMenu->addAction(FActions["ChangePassword"]);
  FOptionsMenu->addSeparator();
  FOptionsMenu->addAction(FActions["LabNetwork"]);
  auto* tools = menuBar()->addMenu(QStringLiteral("&Tools"));
  for (const char* n : {"RemoteTool", "Oscilloscope", "MeasureCapture", "Scheduler", "ShowSchedules"}) tools->addAction(FActions[n]);
  auto* sample = menuBar()->addMenu(QStringLiteral("&Sample"));
  for (const char* n : {"SampleNowItem", "NextResults", "Configure"}) sample->addAction(FActions[n]);
  // Alt+R: Alt+O belongs to Options.
  auto* format = menuBar()->addMenu(QStringLiteral("Fo&rmat"));
  format->addAction(FActions["GraphData"]);
  auto* graph = format->addMenu(QStringLiteral("&Graph"));
  graph->setEnabled(false);
  FActions.insert("GraphFormatMenu", graph->menuAction());
  for (const char* page : kGraphFormatPages)
    graph->addAction(FActions[QStringLiteral("GraphFormat") + page]);
  graph->addSeparator();
  graph->addAction(FActions["GraphFit"]);
  graph->addAction(FActions["GraphFitResults"]);
  for (const char* n : {"DeleteSheet", "RenameSheet", "Unhide"}) format->addAction(FActions[n]);
  auto* window = menuBar()->addMenu(QStringLiteral("&Window"));
  for (const char* n : {"Arrange", "Cascade", "Tile"}) window->addAction(FActions[n]);
  auto* help = menuBar()->addMenu(QStringLiteral("&Help"));
  help->addAction(FActions["Contents"]);
  for (const auto& [caption, topic] : helptopics::kMenu) {
    QAction* a = help->addAction(QString::fromLatin1(caption));
    const QString t = QString::fromLatin1(topic);
    connect(a, &QAction::triggered, this, [this, t] { if (FRig) FRig->ShellStringHelp(t); });
  }
  FUsingEquipment = help->addMenu(QStringLiteral("Using The &Equipment"));
  help->addSeparator();
  help->addAction(FActions["About"]);
}

void TMaster::CreateToolBars() {
  FStandardBar = addToolBar(QStringLiteral("Standard"));
  for (const char* n : {"New", "Open", "Save", "Print", "WordProcessor", "ViewDiagram", "Graph", "ViewTable",
                        "LecturerMode", "Nomenclature", "HelpScreen", "Connect"})
    FStandardBar->addAction(FActions[n]);
  FSamplingBar = addToolBar(QStringLiteral("Sampling"));
  for (const char* n : {"SampleNow", "NextResults", "Configure", "IFDSettings"}) FSamplingBar->addAction(FActions[n]);
  FFormatBar = addToolBar(QStringLiteral("Format"));
  for (const char* n : {"GraphData", "DeleteSheet", "RenameSheet", "Unhide", "Iterate"}) FFormatBar->addAction(FActions[n]);
  FToolsBar = addToolBar(QStringLiteral("Tools"));
  for (const char* n : {"Scope", "StartSchedule", "InverterProgrammer"}) FToolsBar->addAction(FActions[n]);
  // The plant's buttons carry words, not pictures: they get a row of their own.
  addToolBarBreak();
  FSCADABar = addToolBar(QStringLiteral("SCADA"));
  for (const char* n : {"ControlParameters", "PlantLadder", "PlantRead", "PlantComms", "PlantWrite"}) FSCADABar->addAction(FActions[n]);
  FToolsBar->setEnabled(false);
  for (QToolBar* b : {FStandardBar, FSamplingBar, FFormatBar, FToolsBar, FSCADABar}) b->setIconSize(QSize(16, 16));
}

void TMaster::CreateStatusBars() {
  // The panels keep their widths at fixed places; a window narrower than all five clips the last
  // ones rather than letting them overlap (a layout would squeeze them on top of each other).
  auto* row = new QWidget(this);
  int x = 0;
  const int height = QLabel().sizeHint().height() + 4;
  for (int i = 0; i < 5; ++i) {
    FPanels[i] = new QLabel(row);
    FPanels[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    FPanels[i]->setGeometry(x, 0, kPanelWidths[i], height);
    x += kPanelWidths[i] + 2;
  }
  row->setMinimumHeight(height);
  row->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  // Permanent: a message in the status bar (a tool tip, a menu hint) never hides the panels.
  statusBar()->addPermanentWidget(row, 1);
  FPanels[0]->setText(QStringLiteral("Loading..."));
  FStatusBar2 = new QToolBar(QStringLiteral("Features"), this);
  FStatusBar2->setMovable(false);
  addToolBar(Qt::BottomToolBarArea, FStatusBar2);
  FStatusBar2->hide();
}

// A tool window first opens inside the main window, in the given corner of its working area;
// after that it stays where the user put it.
void TMaster::ShowToolWindow(QWidget* window, Qt::Corner corner) {
  if (!window->property("quorlexPlaced").toBool()) {
    const QRect area(FMdi->mapToGlobal(QPoint(0, 0)), FMdi->size());
    const QSize size = window->frameGeometry().size().expandedTo(window->size());
    const int x = std::max(area.left(), area.right() - size.width() - 8);
    const int y = corner == Qt::TopRightCorner ? area.top() + 8 : std::max(area.top(), area.bottom() - size.height() - 8);
    window->move(x, y);
    window->setProperty("quorlexPlaced", true);
  }
  window->show();
  window->raise();
}

// The tool bars' context menu names the same three bars as View > Toolbars, with the same ticks.
QMenu* TMaster::createPopupMenu() {
  auto* menu = new QMenu(this);
  for (const char* n : {"BarStandard", "BarSampling", "BarFormat"}) menu->addAction(FActions[n]);
  return menu;
}

QString TMaster::PanelText(int panel) const { return panel >= 0 && panel < 5 ? FPanels[panel]->text() : QString(); }

QString TMaster::FeaturePanelText(const QString& label) const {
  const auto it = FFeaturePanels.find(label);
  return it == FFeaturePanels.end() ? QString() : it->second->text();
}

void TMaster::AddFeaturePanel(const QString& label, int width, const QString& text) {
  if (FFeaturePanels.count(label)) return;
  auto* panel = new QLabel(text, FStatusBar2);
  // At least its usual width, and wider when its text needs it.
  panel->setMinimumWidth(width);
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  FStatusBar2->addWidget(panel);
  FFeaturePanels[label] = panel;
}

// ---- start-up ----

void TMaster::StartUp(const QString& rigFolder, const QStringList& arguments) {
  FQrlInfo = std::make_unique<TQrlInfo>(arguments, QCoreApplication::applicationVersion());
  TAvailablePorts::StartDispatcher();
  FRig = std::make_unique<TRigConfig>(&FBook1, &FBook2, this);
  TServices::SetRig(FRig.get());
  FRig->InitialiseLoop(rigFolder);
  SetSampleInterval(FRig->SampleInterval > 0 ? FRig->SampleInterval : FRig->LogSampleInterval);

  if (!FOffsetForm) FOffsetForm = new TOffsetForm(*FRig, this);
  TQXStoreOffset::SetOffsetProvider(FOffsetForm);  // store-offset sources log the dialog's offset
  FTable = std::make_unique<TTableForm>(FBook3);
  FTable->SetHost(this);
  TServices::SetSampleBook(&FBook3);
  FGraph = std::make_unique<TGraphForm>(FTable.get());
  FGraph->SetHost(this);
  FTable->SetGraph(FGraph.get());
  setWindowTitle(FRig->SpreadSheet_title.isEmpty() ? QStringLiteral("Quorlex") : FRig->SpreadSheet_title);
  BuildMenu();
  CreatePresentation();

  // Every analogue output on the diagram gets its schedule editor when the rig has the scheduler.
  if (FAutopilotFeature)
    TQXAnalogueOutputSource::SetScheduleEditorFactory([this](TQXAnalogueOutputSource& owner) {
      return std::make_unique<TFormOutputTimeProfiling>(owner, *this);
    });
  AssembleDiagram();
  if (FPresentation && FPresentation->ShowAtStartup()) ShowChild(4);
  FPasswordForm = std::make_unique<TPasswordForm>(*this);
  FChangePassword = std::make_unique<TChangePassword>(*FPasswordForm);
  if (FRig->Quitting) {
    showMinimized();
  } else {
    QTimer::singleShot(500, this, [this] {
      while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
      UpdateStatusBar();
    });
  }
  if (FRig->fData_Capture_Type == 3) FTable->SetupDemo();
  if (!FRig->Quitting) StartJournal();
  if (!FRig->Quitting) StartLab();
  if (FDiagram && FDiagram->IFD()) {
    FDiagram->IFD()->TakeLaunchParameters(*FQrlInfo);
    FQrlInfo->SetNewInstanceParamsSource([this] { return FDiagram->IFD()->getParsedVComPortsValues(); });
    if (FRig->Using_IFD) {
      FIFDConfig = new TIFDConfig(*FDiagram->IFD(), this, this);
      FIFDConfig->LoadInitialisationValues();
    }
  }
  if (FScopeFeature) EnableScopeFeature();
  if (FAutopilotFeature) EnableAutoPilotFeature();
  // With the Scope feature the window exists from the start (not shown): Sample Now captures.
  if (FActions["Scope"]->isVisible() && FActions["Scope"]->isEnabled() && !FScope) {
    FScope = new TFormOscilloscope(this, this);
    UpdateFeaturePanels();
  }
  UpdateStatusBar();
  UpdateToolbars();
  FitToDiagram();  // with every bar in place
}

QMdiSubWindow* TMaster::AddChild(QWidget* widget, const QString& caption) {
  QMdiSubWindow* sub = FMdi->addSubWindow(widget);
  // The main window owns the table, graph and diagram for its whole life: closing one of their
  // windows only hides it, and the View menu brings it back.
  sub->setAttribute(Qt::WA_DeleteOnClose, false);
  sub->setWindowTitle(caption);
  sub->setWindowIcon(QIcon());
  sub->show();
  return sub;
}

void TMaster::AssembleDiagram() {
  FTableWin = AddChild(FTable.get(), QStringLiteral("Table"));
  FGraphWin = AddChild(FGraph.get(), QStringLiteral("Graph"));
  FDiagram = new TResultsMDI(*this);
  FDiagramWin = AddChild(FDiagram, QStringLiteral("Diagram"));
  const bool ok = FDiagram->Assemble(*FRig);
  const QSize backdrop = FDiagram->Backdrop().isNull() ? QSize(640, 420) : FDiagram->Backdrop().size();
  FDiagramWin->resize(backdrop + QSize(12, 34));
  FTableWin->resize(620, 300);
  FGraphWin->resize(620, 360);
  FTableWin->move(40, 40);
  FGraphWin->move(80, 80);
  FDiagramWin->move(0, 0);
  FMdi->setActiveSubWindow(FDiagramWin);
  connect(FMdi, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* w) {
    if (w == FDiagramWin) SetActiveForm(1);
    else if (w == FGraphWin) SetActiveForm(2);
    else if (w == FTableWin) SetActiveForm(3);
    else if (w && w == FSCADAWin) SetActiveForm(5);
    else if (w && w == FPresentationWin && FPresentation) {
      SetActiveForm(4);
      FPresentation->FormActivate();
    }
  });
  if (!ok) return;
  if (FRig->Using_IFD) FActions["IFDSettings"]->setEnabled(true);
  if (FRig->ReleaseOffsetMenu) FActions["TDCOffset"]->setVisible(false);
  else FActions["TDCOffset"]->setEnabled(true);
  if (FRig->Using_IFD) {
    if (!FCalibrate) FCalibrate = new TCalibrate(this);
    FActions["Calibrate"]->setEnabled(!FRig->UsingSCADA);
  }
  CreateSCADAForm();  // after the interface commands: a plant rig disables two of them
}

// The window opens large enough for the whole diagram and the five status panels, as far as the
// screen allows, and centred on it; a maximised window stays maximised.
void TMaster::FitToDiagram() {
  if (!FDiagramWin || (windowState() & Qt::WindowMaximized)) return;
  const QScreen* shown = screen() ? screen() : QGuiApplication::primaryScreen();
  if (!shown) return;
  const QRect available = shown->availableGeometry();
  // Room the frame takes around the MDI area: menu, tool bars, status bars.
  if (QLayout* frame = layout()) frame->activate();
  const QSize chrome(std::max(0, width() - FMdi->width()), std::max(0, height() - FMdi->height()));
  int panels = 0;
  for (const QLabel* p : FPanels) panels = std::max(panels, p->geometry().right() + 1);
  QSize want(std::max(FDiagramWin->width() + 4, panels + 24) + chrome.width(), FDiagramWin->height() + 4 + chrome.height());
  // Leave room for a title bar and frame that a window manager adds.
  const QSize decoration = frameGeometry().size() - geometry().size();
  const QSize room = available.size() - decoration;
  want = want.boundedTo(room);
  // A screen with room beyond the diagram gives it to the results windows: the window takes the
  // screen's area, the diagram keeps its size and the table and graph share the rest. A column of
  // 240 px already shows a graph and a table (a 1920x1080 screen at 150 % leaves about 300).
  const bool spare = room.width() - want.width() >= 240 || room.height() - want.height() >= 200;
  resize(spare ? room : want.expandedTo(QSize(806, 638).boundedTo(available.size())));
  move(available.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
  if (spare) {
    if (QLayout* frame = layout()) frame->activate();
    TileChildren();
    FMdi->setActiveSubWindow(FDiagramWin);
  }
}

void TMaster::BuildMenu() {
  FActions["LoadNew"]->setEnabled(FRig && FRig->Found_Addtional_Expt);
  FActions["Presentation"]->setEnabled(false);
  FUsingEquipment->clear();
  if (FRig && FRig->DefinedRigHelpFile) {
    for (int i = 0; i < FRig->RigHelpStrDisplayCount(); ++i) {
      const QString name = FRig->RigHelpTopicName(i);
      if (name.isEmpty()) continue;
      QAction* a = FUsingEquipment->addAction(name);
      connect(a, &QAction::triggered, this, [this, name] { FRig->RigStringHelp(name); });
      if (i == 0 && FRig->RigContextText(0) == QLatin1String("Contents")) FUsingEquipment->addSeparator();
    }
    if (FUsingEquipment->isEmpty())
      connect(FUsingEquipment->menuAction(), &QAction::triggered, this, [this] { FRig->RigStringHelp("Contents"); });
  } else {
    FUsingEquipment->menuAction()->setVisible(false);
    FActions["Nomenclature"]->setEnabled(false);
  }
  StandardVisible = FormatVisible = SamplingVisible = true;
  if (FRig && FRig->Industrial) {
    // The menu loses the lecturer items; the tool button (the same action) stays, disabled.
    for (const char* n : {"LecturerSeparator", "LecturerMode", "ChangePassword"}) FOptionsMenu->removeAction(FActions[n]);
    FActions["LecturerMode"]->setEnabled(false);
  }
  // "Open Remote Tool" has no action in any program type: offered enabled it would do nothing.
  FActions["RemoteTool"]->setEnabled(false);
}

// ---- status and tool bars ----

void TMaster::UpdateStatusBar() {
  switch (ActiveForm) {
    case 1: FPanels[0]->setText(QStringLiteral("Diagram")); break;
    case 2: FPanels[0]->setText(QStringLiteral("Graph")); break;
    case 3: FPanels[0]->setText(QStringLiteral("Table")); break;
    case 4: FPanels[0]->setText(QStringLiteral("%1 : Slide %2 of %3").arg(Chapter).arg(SlideNumber).arg(NumberOfSlides)); break;
    case 5: FPanels[0]->setText(QStringLiteral("Control Parameters")); break;
    default: break;
  }
  if (SampleMode == RSS_Manual) {
    FPanels[1]->setText(QStringLiteral("Sample Mode - Manual"));
  } else if (SampleMode == RSS_HighSpeed) {
    FPanels[1]->setText(QStringLiteral("Sample Mode - High Speed"));
  } else {
    const int i = SampleInterval_;
    const QString interval = i % 60000 == 0 ? QStringLiteral("%1 min").arg(i / 60000)
                             : i % 1000 == 0 ? QStringLiteral("%1 sec").arg(i / 1000)
                                             : QStringLiteral("%1 msec").arg(i);
    FPanels[1]->setText(QStringLiteral("Sample Mode - Auto : ") + interval);
  }
  FPanels[2]->setText(SampleStatus);
  FitPanels();
}

// A text longer than its panel widens the panel (the panels after it move along), so every status
// shows whole, at any font size; a panel never narrows again, so the row does not jump about.
void TMaster::FitPanels() {
  int x = 0;
  for (QLabel* panel : FPanels) {
    const int needed = panel->fontMetrics().horizontalAdvance(panel->text()) + 2 * panel->frameWidth() + 10;
    if (needed > panel->width()) panel->resize(needed, panel->height());
    panel->move(x, panel->y());
    x += panel->width() + 2;
  }
}

void TMaster::UpdateToolbars() {
  const bool table = ActiveForm == 3;
  const bool graph = ActiveForm == 2 && FGraph;
  FActions["GraphData"]->setEnabled(graph);
  FActions["GraphFormatMenu"]->setEnabled(graph);
  for (const char* page : kGraphFormatPages)
    FActions[QStringLiteral("GraphFormat") + page]->setEnabled(graph);
  FActions["GraphFit"]->setEnabled(graph);
  FActions["GraphFitResults"]->setEnabled(graph);
  FActions["ExportGraph"]->setEnabled(FGraph != nullptr);
  FActions["DeleteSheet"]->setEnabled(table);
  FActions["RenameSheet"]->setEnabled(table);
  FActions["Unhide"]->setEnabled(table && EnableUnhideButton);
  FActions["Iterate"]->setEnabled(table);
  FActions["PageSetup"]->setEnabled(table);
  UpdateSCADAButtons();
}

void TMaster::SetActiveForm(int form) {
  ActiveForm = form;
  UpdateStatusBar();
  UpdateToolbars();
  UpdateEditCommands();
}

// The clipboard commands need a text box with the focus or the table in front; Capture Screen
// needs the diagram or the presentation in front.
void TMaster::UpdateEditCommands() {
  const auto* box = qobject_cast<QLineEdit*>(QApplication::focusWidget());
  const bool table = ActiveForm == 3 && FTable;
  FActions["Copy"]->setEnabled(box || table || (ActiveForm == 2 && FGraph));
  FActions["Cut"]->setEnabled((box && !box->isReadOnly()) || table);
  FActions["Paste"]->setEnabled((box && !box->isReadOnly()) || table);
  FActions["CaptureScreen"]->setEnabled(ActiveForm == 1 || ActiveForm == 4);
}

void TMaster::ShowChild(int form) {
  QMdiSubWindow* w = form == 1 ? FDiagramWin : form == 2 ? FGraphWin : form == 4 ? FPresentationWin : form == 5 ? FSCADAWin : FTableWin;
  if (!w) return;
  // The presentation opens as large as its pictures, and always inside the area the main window
  // gives it.
  if (w == FPresentationWin) {
    auto fit = [this, w] {
      const QSize room = FMdi->viewport()->size();
      if (room.width() < 200 || room.height() < 150) return;
      w->resize(w->size().boundedTo(room));
      w->move(std::clamp(w->x(), 0, room.width() - w->width()), std::clamp(w->y(), 0, room.height() - w->height()));
    };
    if (!w->property("quorlexPlaced").toBool()) {
      w->resize(760, 560);
      w->move(120, 0);
      w->setProperty("quorlexPlaced", true);
    }
    // Before the main window is shown its area has no final size yet: fit once it has.
    if (isVisible()) fit();
    else QTimer::singleShot(0, this, fit);
  }
  if (w->isMinimized()) w->showNormal();
  else w->show();
  w->raise();
  FMdi->setActiveSubWindow(w);
  // The keyboard goes with the window: to the window itself when it takes the focus, else to its
  // first control.
  if (!w->isAncestorOf(QApplication::focusWidget())) {
    QWidget* target = w->widget();
    if (target->focusPolicy() == Qt::NoFocus)
      for (QWidget* child : target->findChildren<QWidget*>())
        if ((child->focusPolicy() & Qt::TabFocus) && child->isVisibleTo(target) && child->isEnabled()) {
          target = child;
          break;
        }
    target->setFocus(Qt::OtherFocusReason);
  }
  SetActiveForm(form);
}

// The diagram keeps its own size in the top-left corner (its picture does not scale); the other
// open windows share the rest: a column on its right when there is room for one, else a row under
// it, else (a small screen) the right half of the area, over the diagram.
void TMaster::TileChildren() {
  const QSize area = FMdi->viewport()->size().isEmpty() ? FMdi->size() : FMdi->viewport()->size();
  QList<QMdiSubWindow*> others;
  QMdiSubWindow* diagram = nullptr;
  for (QMdiSubWindow* w : FMdi->subWindowList()) {
    if (!w->isVisible() && !w->isMinimized()) continue;
    if (w->isMinimized() || w->isMaximized()) w->showNormal();
    if (w == FDiagramWin) diagram = w;
    else others << w;
  }
  if (!diagram) {
    FMdi->tileSubWindows();
    return;
  }
  const QSize natural = diagram->widget()->minimumSizeHint().expandedTo(diagram->widget()->sizeHint()) +
                        (diagram->size() - diagram->widget()->size());
  const QSize own = natural.boundedTo(area);
  diagram->setGeometry(QRect(QPoint(0, 0), own));
  if (others.isEmpty()) return;
  constexpr int kColumn = 360, kRow = 220;
  QRect rest;
  bool column = true;
  if (area.width() - own.width() >= kColumn) rest = QRect(own.width(), 0, area.width() - own.width(), area.height());
  else if (area.height() - own.height() >= kRow) {
    rest = QRect(0, own.height(), area.width(), area.height() - own.height());
    column = false;
  } else {
    rest = QRect(area.width() / 2, 0, area.width() - area.width() / 2, area.height());
  }
  const int n = static_cast<int>(others.size());
  for (int i = 0; i < n; ++i) {
    QRect r = column ? QRect(rest.x(), rest.y() + rest.height() * i / n, rest.width(), rest.height() / n)
                     : QRect(rest.x() + rest.width() * i / n, rest.y(), rest.width() / n, rest.height());
    // Never smaller than the window's controls need (that would cut their texts): on a small
    // screen the share overlaps the next one instead, kept inside the area.
    r.setSize(r.size().expandedTo(others[i]->minimumSizeHint()));
    r.moveLeft(std::max(0, std::min(r.left(), area.width() - r.width())));
    r.moveTop(std::max(0, std::min(r.top(), area.height() - r.height())));
    others[i]->setGeometry(r);
    others[i]->raise();
  }
}

// ---- commands ----

void TMaster::NextResults() {
  TQXLoggerPanel* logger = FDiagram ? FDiagram->Logger() : nullptr;
  if (!logger || !FTable) return;
  // A refused run changes nothing: the samples of the last run keep their rows and times.
  if (!FTable->CheckRoomForRun()) return;
  if (FRig && FRig->fTable_Sample_Count) {
    SetSampleNowEnabled(true);
    SetNextResultsEnabled(false);
    if (FLab) FLab->RunEnded(FTable->RecordingSheet());
    FTable->AddSheet();
    logger->Sample_Transfer_Count = 0;
    logger->Start_Time = 0;
    SetSampleStatus(QStringLiteral("Click 'GO' to record data"));
  } else if (logger->ClearData()) {
    if (FLab) FLab->RunEnded(FTable->RecordingSheet());
    FTable->AddSheet();
    if (FRig && FRig->Using_Graph && FGraph) FGraph->DrawGraph();
    logger->Sample_Transfer_Count = 0;
    logger->Start_Time = 0;
  }
  UpdateStatusBar();
}

void TMaster::NewResults() {
  if (!FTable) return;
  const QString text = FTable->AnyRunUnsaved() ? QStringLiteral("The current unsaved results will be lost. Do you wish to continue?")
                                               : QStringLiteral("The current results table will be closed. Do you wish to continue?");
  if (TServices::Prompts().MessageDlg(text, TMsgDlgType::mtWarning, TMsgDlgButtons::OKCancel) != TModalResult::mrOk) return;
  TQXLoggerPanel* logger = FDiagram ? FDiagram->Logger() : nullptr;
  if (logger && logger->Current_Sample_State == RSS_Active) logger->SampleNow();
  if (FRig && (FRig->fData_Capture_Type == 1 || FRig->fData_Capture_Type == 2)) {
    SetNextResultsEnabled(false);
    SetSampleNowEnabled(true);
    SetSampleStatus(QStringLiteral("Click 'GO' to capture data"));
  }
  if (logger) {
    logger->Sample_Transfer_Count = 0;
    logger->Start_Time = 0;
  }
  if (FLab) {
    FLab->RunsEnded();
    FLab->RunsCleared();
  }
  FTable->Initialise();
  if (FRig && FRig->Using_Graph && FGraph) FGraph->Initialise();
}

void TMaster::LoadNewExperiment() {
  FChangingExercise = true;
  const QString params = FQrlInfo ? FQrlInfo->getNewInstanceParams() : QString();
  close();
  QStringList args;
  if (FRig) args << QStringLiteral("--rig") << FRig->PathName;
  if (!params.isEmpty()) args.prepend(params);
  TServices::Launcher().Start(QCoreApplication::applicationFilePath(), args, FRig ? FRig->PathName : QString());
}

void TMaster::ConnectClick(bool fromUser) {
  TQXIFD* ifd = FDiagram ? FDiagram->IFD() : nullptr;
  if (!ifd) return;
  FUserClickedForComms = fromUser;
  if (ifd->vComPortOpen()) {
    ifd->switchIOtoLegacyDriver(this, false);
  } else {
    ifd->switchIOtoIFDVComMaster(this);
    if (ifd->vComPortOpen()) FActions["Connect"]->setToolTip(QStringLiteral("Stop COM Session"));
  }
}

void TMaster::ConfigureWordProcessor() {
  if (TServices::Prompts().MessageDlg(QStringLiteral("Do you wish to locate a Word Processor to be opened when the button is clicked?"),
                                      TMsgDlgType::mtConfirmation, TMsgDlgButtons::OKCancel) != TModalResult::mrOk)
    return;
  TFileDialogRequest request;
  request.Filter = QStringLiteral("Programs|*.exe|All Files|*.*");
  const auto file = TServices::Prompts().OpenFileDialog(request);
  if (!file || !FRig) return;
  // Split at the last separator: the folder keeps it.
  int cut = static_cast<int>(std::max(file->lastIndexOf(QLatin1Char('\\')), file->lastIndexOf(QLatin1Char('/'))));
  FRig->WordProcessorPath = file->left(cut + 1);
  FRig->WordProcessorName = file->mid(cut + 1);
  TRegistry& reg = FRig->Reg();
  if (reg.OpenKey(FRig->RegistryKey, true)) {
    reg.WriteString(settings::reg::WordProcessorLocation, FRig->WordProcessorPath);
    reg.WriteString(settings::reg::WordProcessorName, FRig->WordProcessorName);
    reg.CloseKey();
  }
}

// A word processor the user located is started; without one (the stored name is the default,
// which names no program here) the desktop's own text editor opens the user's notes file.
void TMaster::LaunchWordProcessor() {
  if (!FRig) return;
  const bool located = !FRig->WordProcessorPath.isEmpty() ||
                       (!FRig->WordProcessorName.isEmpty() && FRig->WordProcessorName != QLatin1String(settings::reg::WordProcessorNameDefault));
  if (located) {
    const QString program = FRig->WordProcessorPath + FRig->WordProcessorName;
    if (!TServices::Launcher().Start(program, {}, FRig->WordProcessorPath)) QApplication::beep();
    return;
  }
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  const QString notes = folder + QStringLiteral("/Quorlex notes.txt");
  QString why;
  if (folder.isEmpty() || !QDir().mkpath(folder)) {
    why = QStringLiteral("there is no documents folder to keep the notes file in");
  } else if (!QFileInfo::exists(notes)) {
    QFile file(notes);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) || !file.flush())
      why = QStringLiteral("the notes file %1 cannot be created (%2)").arg(QDir::toNativeSeparators(notes), file.errorString());
  }
  if (why.isEmpty() && !TServices::Launcher().OpenDocument(notes))
    why = QStringLiteral("the desktop has no program set to open text files (the desktop's opener, xdg-open, found none)");
  if (!why.isEmpty())
    TServices::Prompts().MessageDlg(QStringLiteral("The text editor cannot be opened: ") + why +
                                        QStringLiteral(". Use View > Word Processor Location... to choose a program."),
                                    TMsgDlgType::mtWarning, TMsgDlgButtons::OK);
}

QString TMaster::ShellVersion() const {
  const QString name = FQrlInfo && !FQrlInfo->ExeName().isEmpty()
                           ? FQrlInfo->ExeName()
                           : QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
  return name + QStringLiteral(" build ") + (FQrlInfo ? FQrlInfo->VersionText() : QStringLiteral("0.0.0.0"));
}

void TMaster::ShowAbout() {
  TAboutBox about(FRig ? FRig->Print_Header : QString(), FRig ? FRig->Product_Ver : 0, ShellVersion(),
                  FRig && FRig->Industrial, this);
  TChoiceRequest request;
  request.Caption = QStringLiteral("About");
  request.Text = QStringLiteral("About");
  request.Items << QStringLiteral("OK");
  request.CustomDialog = [&about]() -> std::optional<int> { about.exec(); return 0; };
  TServices::Prompts().ChooseItem(request);
}

// The table's WriteCell disables Unhide and the lecturer commands and redraws the graph.
void TMaster::EnterLecturerMode() {
  if (FTable) {
    FTable->WriteCell();
    FTable->QuestionsAreAnswered = true;
  }
  if (FRig) FRig->LectureMode = true;
}

// ---- inverter ----

// The panel that shows the result comes with the first query, on the driver path as well.
void TMaster::StartInverterIdentification() {
  EnableVexamode();
  FInverterLink->Start();
}

void TMaster::SetInverterType(TInverterType type) {
  FInverterType = type;
  UpdateFeaturePanels();
}

void TMaster::SetInverterProgram(int program) {
  FInverterProgram = program;
  UpdateFeaturePanels();
}

// ---- features ----

void TMaster::EnableAutoPilotFeature() {
  FActions["Scheduler"]->setEnabled(true);
  FActions["ShowSchedules"]->setEnabled(true);
  FToolsBar->setEnabled(true);
  FActions["StartSchedule"]->setVisible(true);
  FActions["StartSchedule"]->setEnabled(true);
  // Wide enough for the start time and one schedule that has finished (all of them in the tip).
  const int width =
      fontMetrics().horizontalAdvance(QStringLiteral("Scheduling started 00:00:00; Heater finished \u2014 output 0")) + 16;
  AddFeaturePanel(QStringLiteral("autopilot"), std::max(150, width), QString());
  UpdateFeaturePanels();
}

void TMaster::CreateSchedulerDlg() {
  if (FSchedulerDlg) return;
  FSchedulerDlg = new TFormSchedulerDlg(*this, AnalogueOutputs(), this);
  FSchedulerDlg->InitializeDialogue();
}

void TMaster::ToolBtnAutoPilotClick() {
  CreateSchedulerDlg();
  TToolWindows::ShowBeside(FSchedulerDlg);
}

std::vector<TQXAnalogueOutputSource*> TMaster::AnalogueOutputs() const {
  std::vector<TQXAnalogueOutputSource*> outputs;
  if (const TQXDataList* list = FDiagram ? FDiagram->DataList() : nullptr)
    for (TQXSource* s : list->Sources())
      if (auto* ao = qobject_cast<TQXAnalogueOutputSource*>(s)) outputs.push_back(ao);
  return outputs;
}

void TMaster::ToolBtnOpenSchedulesClick() {
  for (TQXAnalogueOutputSource* ao : AnalogueOutputs()) ao->ShowSchedule(nullptr);
  CreateSchedulerDlg();
}

void TMaster::ToolBtnAutoPilotClickCallBack() {
  FSchedulingActive = !FSchedulingActive;
  FRefTimeScheduling = FSchedulingActive ? TServices::Clock().Now() : -1.0;
  FActions["StartSchedule"]->setToolTip(FSchedulingActive ? QStringLiteral("Stop the execution of scheduled outputs")
                                                          : QStringLiteral("Start the execution of scheduled outputs"));
  UpdateFeaturePanels();
}

void TMaster::EnableScopeFeature() {
  FActions["Oscilloscope"]->setEnabled(true);
  FActions["MeasureCapture"]->setEnabled(true);
  FToolsBar->setEnabled(true);
  FActions["Scope"]->setVisible(true);
  ScopeButtonIdle();
  AddFeaturePanel(QStringLiteral("oscilloscope"), 350, QStringLiteral("scope: off"));
  UpdateFeaturePanels();
}

void TMaster::EnableVexamode() {
  // Wider than the other panels: the type, program and rig are read in full.
  AddFeaturePanel(QStringLiteral("Inverter"), 360, QStringLiteral("Inverter Type:NA; Prog: NA; Rig: NA; On: NA"));
  UpdateFeaturePanels();
}

void TMaster::UpdateFeaturePanels() {
  for (auto& [label, panel] : FFeaturePanels) {
    if (label == QLatin1String("autopilot")) {
      QString text = FSchedulingActive ? QStringLiteral("Scheduling started ") +
                                             datetime::ToQDateTime(FRefTimeScheduling).time().toString(Qt::TextDate)
                                       : QStringLiteral("Scheduling: off");
      // A schedule that has run out holds its output at 0: said here, where scheduling is shown.
      if (FSchedulingActive)
        for (TQXAnalogueOutputSource* ao : AnalogueOutputs())
          if (ao->FTimeProfilingEditor)
            if (const QString finished = ao->FTimeProfilingEditor->FinishedText(); !finished.isEmpty())
              text += QStringLiteral("; ") + finished;
      panel->setText(text);
      panel->setToolTip(text);
    } else if (label == QLatin1String("oscilloscope")) {
      if (!FScope) continue;
      if (FScope->FIsCaptureRunning) {
        FActions["Scope"]->setIcon(TToolIcons::Icon(TToolIcon::ScopeRunning));
        panel->setText(QStringLiteral("scope: running capture.."));
        FSamplingBar->setEnabled(false);
        continue;
      }
      ScopeButtonIdle();
      FActions["SampleNow"]->setToolTip(QStringLiteral("Start scope scan"));
      QString text = QStringLiteral("scope: active configuration loaded");
      if (FScope->FHasCapturedData) {
        const TQXIFD* ifd = FDiagram ? FDiagram->IFD() : nullptr;
        const int samples = ifd && ifd->FvComIOActive ? FScope->Settings().FNumberOfSamples
                                                      : static_cast<int>(FTable ? FTable->FNumberLastScanSamples : 0);
        text += QStringLiteral(" - data available: %1").arg(samples);
        FSamplingBar->setEnabled(true);
      }
      panel->setText(text);
    } else if (label == QLatin1String("Inverter")) {
      const QString text = FInverterLink->Running()
                               ? QStringLiteral("Inverter: querying...")
                               : TInverterLink::StatusText(FInverterType, FInverterProgram, FCaptureApparatusID);
      panel->setText(text);
    } else if (label == QLatin1String("Plant") && FSCADA) {
      const QString fault = FSCADA->StatusText();
      panel->setText(fault.isEmpty() ? QStringLiteral("Plant: ") + FSCADA->Poll().Messages : fault);
    }
  }
  if (!FFeaturePanels.empty()) FStatusBar2->show();
}

void TMaster::SetAutopilotFeature(bool on) { FAutopilotFeature = on; }
void TMaster::SetScopeFeature(bool on) { FScopeFeature = on; }

bool TMaster::AutopilotEnabled() const { return FAutopilotFeature && FActions["StartSchedule"]->isVisible(); }
void TMaster::ShowOscilloscope() {
  if (!FScope) FScope = new TFormOscilloscope(this, this);
  BringUp(FScope);
  UpdateFeaturePanels();
}

void TMaster::SampleNowClick() {
  TQXLoggerPanel* logger = FDiagram ? FDiagram->Logger() : nullptr;
  if (!FScope) {
    if (logger) logger->SampleNow();
    return;
  }
  // STOP ends the logger's run and nothing else.
  if (logger && logger->Current_Sample_State == RSS_Active) {
    logger->SampleNow();
    return;
  }
  // GO or Sample Now: the logger's sample as without the oscilloscope, then the capture, which
  // becomes a run of its own.
  if (logger) logger->SampleNow();
  if (const QString why = FScope->CaptureRefusal(); !why.isEmpty()) {
    TServices::Prompts().MessageDlg(why, TMsgDlgType::mtWarning, TMsgDlgButtons::OK);
    return;
  }
  if (FTable && !FTable->CheckRoomForRun()) return;
  if (TQXIFD* ifd = FDiagram ? FDiagram->IFD() : nullptr) {
    // An engine rig's capture line goes high for the capture.
    if (FRig && FRig->IsEngine) ifd->SetDigitalOutputValue(7, true);
    ifd->stopFrequencySampling();
    // The card finishes any frequency measurement in hand before it captures.
    TQXIFD::Pause(1000);
  }
  FScope->Capture();
}

void TMaster::ChangedScope() {
  FScopeDataSamplesCount = 0;
  UpdateFeaturePanels();
  // A finished capture is measured at once where the measurements are open.
  if (FScopeAnalysis && FScopeAnalysis->isVisible() && FScope && !FScope->FIsCaptureRunning) FScopeAnalysis->ShowNewest();
}

void TMaster::ShowScopeAnalysis() {
  if (!FScopeAnalysis) FScopeAnalysis = new TScopeAnalysisForm(FTable.get(), this);
  FScopeAnalysis->ShowNewest();
  BringUp(FScopeAnalysis);
}

void TMaster::ReEnableSampling() {
  FSamplingBar->setEnabled(true);
  ScopeButtonIdle();
  // Every end of a capture, refused or failed ones too: GO stopped the frequency readings for it.
  if (TQXIFD* ifd = FDiagram ? FDiagram->IFD() : nullptr) ifd->startFrequencySampling();
}

void TMaster::ScopeButtonIdle() {
  FActions["Scope"]->setEnabled(true);
  FActions["Scope"]->setIcon(TToolIcons::Icon(TToolIcon::Scope));
}

// The settings dialog must see (and save back) the features as the rig has them.
bool TMaster::ScopeEnabled() const { return FScopeFeature || FActions["Oscilloscope"]->isEnabled(); }
bool TMaster::SchedulerEnabled() const { return FAutopilotFeature || FActions["Scheduler"]->isEnabled(); }
void TMaster::Show_Vexa_items(bool show) { FActions["InverterProgrammer"]->setVisible(show); }
void TMaster::Enable_Vexa_items(bool enable) {
  FActions["InverterProgrammer"]->setEnabled(enable);
  // The button sits on the tools bar, which is off until a tool on it is offered.
  if (enable) FToolsBar->setEnabled(true);
}
void TMaster::ifdSettingsAppliedNotify() { UpdateStatusBar(); }
void TMaster::ShellHelpContents() { if (FRig) FRig->ShellHelpContents(); }

// ---- rig load ----

// The main window's caption carries the title already. Qt's application display name is not set:
// it would be appended to the caption of every dialog and message box.
void TMaster::SetApplicationTitle(const QString&) {}
void TMaster::EnableLoadNewExperiment() { FActions["LoadNew"]->setEnabled(true); }
void TMaster::SetSampleStatus(const QString& text) {
  SampleStatus = text;
  UpdateStatusBar();
}
void TMaster::DisableLogCommands() {
  for (const char* n : {"SampleNow", "SampleNowItem", "NextResults"}) FActions[n]->setEnabled(false);
}
void TMaster::DisableSamplingCommands() {
  DisableLogCommands();
  FActions["Configure"]->setEnabled(false);
}
void TMaster::CloseSoon() { QTimer::singleShot(100, this, &QWidget::close); }
void TMaster::WidenStatusPanel2(int width) {
  FPanels[2]->resize(width, FPanels[2]->height());
  FitPanels();
}

// ---- interface events ----

void TMaster::SetStatusPanel(int panel, const QString& text) {
  if (panel >= 0 && panel < 5) FPanels[panel]->setText(text);
  FitPanels();
}
void TMaster::SetVComToolsOn() { FActions["Connect"]->setEnabled(true); }
void TMaster::SetVComToolsOff() { FActions["Connect"]->setEnabled(false); }
void TMaster::VComOneIsSet(const QString& port) { FPanels[3]->setText(QStringLiteral("VCM(") + port + QLatin1Char(')')); FitPanels(); }
void TMaster::VComTwoIsSet(const QString& port) { FPanels[4]->setText(QStringLiteral("VCM(") + port + QLatin1Char(')')); FitPanels(); }
void TMaster::VComMasterIFDidentified() {
  TQXIFD* ifd = FDiagram ? FDiagram->IFD() : nullptr;
  FPanels[3]->setText(QStringLiteral("mIFD VCOM(%1) : OK").arg(ifd ? ifd->vcomPortMaster() : -1));
  FitPanels();
}
void TMaster::VComSlaveIFDidentified() {
  TQXIFD* ifd = FDiagram ? FDiagram->IFD() : nullptr;
  FPanels[4]->setText(QStringLiteral("sIFD VCOM(%1) : OK").arg(ifd ? ifd->vcomPortSlave() : -1));
  FitPanels();
}
void TMaster::VComLostMaster() { FPanels[3]->setText(QStringLiteral("IFDVCM: LOST")); FitPanels(); }
void TMaster::VComLostSlave() { FPanels[4]->setText(QStringLiteral("IFDVCM: LOST")); FitPanels(); }
void TMaster::setCaptureID(int id) {
  FCaptureApparatusID = id;
  UpdateFeaturePanels();
}
void TMaster::vComInverterDataBack(const QString& text) { FInverterLink->SerialReply(text.toLatin1()); }
void TMaster::CleanUpBeforeLeavingVCom() {
  if (FScope) FScope->AbortScan();
  FActions["Connect"]->setToolTip(QStringLiteral("Start COM Session"));
}
void TMaster::CleanUpAfterLeavingVCom() {
  FInverterType = na_inv;
  FInverterProgram = -1;
  FCaptureApparatusID = 0;
  UpdateFeaturePanels();
}
void TMaster::AddDebugMessages(const QStringList& lines) {
  for (const QString& l : lines) qDebug("%s", qPrintable(l));
}

void TMaster::HandleMessage(unsigned msg, std::intptr_t wParam, std::intptr_t lParam) {
  Q_UNUSED(lParam);
  if (msg == FMessages["WM_REFRESH_VCOM_STATUS"]) {
    FPanels[3]->setText(FvComStatusMsg);
    FitPanels();
  } else if (msg == FMessages["WM_REFRESH_VCOMAUX_STATUS"]) {
    FPanels[4]->setText(FvComAuxStatusMsg);
    FitPanels();
  } else if (msg == FMessages["WM_RECONNECT_COMS_SILENTLY"]) {
    // A reconnect that is already connected has nothing to do: toggling would end the session.
    const TQXIFD* ifd = FDiagram ? FDiagram->IFD() : nullptr;
    if (ifd && !ifd->vComPortOpen()) ConnectClick(false);
  } else if (msg == FMessages["WM_HS_DATA_RETRIEVED"]) {
    ReEnableSampling();
    if (FScope) FScope->VComCallBackDataReady(static_cast<int>(wParam));
    if (TQXIFD* ifd = FDiagram ? FDiagram->IFD() : nullptr) {
      ifd->startFrequencySampling();
      ifd->reSetFrequencyReaders();
      ifd->SetVComLoggingMode();
      // An engine rig's capture line goes low with the data in.
      if (FRig && FRig->IsEngine) ifd->SetDigitalOutputValue(7, false);
    }
    UpdateFeaturePanels();
  } else if (msg == FMessages["WM_INVERTER_SEND_RH10"]) {
    FInverterLink->SendRead("H10");
  } else if (msg == FMessages["WM_INVERTER_SEND_RA05"]) {
    FInverterLink->SendRead("A05");
  } else if (msg == FMessages["WM_INVERTER_ACTIVATE_PROGRAMMER"]) {
    FInverterLink->Activate();
    if (FInverterProgram >= 0 && (FInverterProgram & 0xFF) != FCaptureApparatusID)
      ICaptionedPrompts::Show(QStringLiteral("Warning!"), TInverterLink::MismatchText(FCaptureApparatusID, FInverterProgram),
                              TMsgDlgType::mtWarning, TMsgDlgButtons::OK);
  } else if (msg == FMessages["WM_INVERTER_VEXA_KICK_START"]) {
    if (!FattempedQueryVexa) {
      FattempedQueryVexa = true;
      StartInverterIdentification();
    }
  }
}

// ---- logger view ----

void TMaster::SetSampleButton(const QString& caption, int image) {
  FActions["SampleNow"]->setText(caption);
  FActions["SampleNow"]->setToolTip(caption);
  FActions["SampleNowItem"]->setText(caption);
  if (image == ILoggerHost::ImageStop) FActions["SampleNow"]->setIcon(TToolIcons::Icon(TToolIcon::Stop));
  if (image == ILoggerHost::ImageGo) FActions["SampleNow"]->setIcon(TToolIcons::Icon(TToolIcon::Go));
}
bool TMaster::SampleNowEnabled() const { return FActions["SampleNow"]->isEnabled(); }
void TMaster::SetSampleNowEnabled(bool on) {
  FActions["SampleNow"]->setEnabled(on);
  FActions["SampleNowItem"]->setEnabled(on);
}
void TMaster::SetNextResultsEnabled(bool on) { FActions["NextResults"]->setEnabled(on); }
void TMaster::SetConfigureEnabled(bool on) { FActions["Configure"]->setEnabled(on); }
void TMaster::SetGaugeCommandsEnabled(bool on) {
  FActions["ShowGauge"]->setEnabled(on);
  FActions["ShowHistory"]->setEnabled(on);
}

// ---- results view ----

void TMaster::SetCommandEnabled(TCommand command, bool enabled) {
  switch (command) {
    case TCommand::PageSetup1: FActions["PageSetup"]->setEnabled(enabled); break;
    case TCommand::LecturerToolButton:
    case TCommand::LecturerMode1: FActions["LecturerMode"]->setEnabled(enabled); break;
    case TCommand::ChangePassword1: FActions["ChangePassword"]->setEnabled(enabled); break;
    case TCommand::UnhideToolButton: FActions["Unhide"]->setEnabled(enabled); break;
    case TCommand::NomenclatureToolButton: FActions["Nomenclature"]->setEnabled(enabled); break;
    case TCommand::LogSampleToolButton: FActions["SampleNow"]->setEnabled(enabled); break;
    case TCommand::LogSampleMenuButton: FActions["SampleNowItem"]->setEnabled(enabled); break;
  }
}
void TMaster::SetEnableUnhideButton(bool enabled) { EnableUnhideButton = enabled; }

void TMaster::WriteRow(TWorkbook& source, int sample, int sourceRow) {
  if (FTable) FTable->WriteRow(source, sample, sourceRow);
}
void TMaster::DataChanged(int count) {
  if (FGraph) FGraph->DataHasChanged(count);
}
void TMaster::RedrawGraph() {
  if (FGraph) FGraph->DrawGraph();
}
void TMaster::WriteCaptureRun(const TCapturedRun& run) {
  if (FTable) FTable->WriteCaptureRun(run);
}

// ---- shutdown ----

bool TMaster::QuestionsBeforeExit() {
  if (FRig && FRig->ExitWarning &&
      TServices::Prompts().MessageDlg(
          QStringLiteral("The equipment must be stopped before you exit the software. Are you sure it is safe to exit now?"),
          TMsgDlgType::mtWarning, TMsgDlgButtons::OKCancel) != TModalResult::mrOk)
    return false;
  if (FTable && FTable->AnyRunUnsaved() &&
      TServices::Prompts().MessageDlg(
          QStringLiteral("The current table data has not been saved! Are you sure you want to exit at this time?"),
          TMsgDlgType::mtWarning, TMsgDlgButtons::OKCancel) != TModalResult::mrOk)
    return false;
  return true;
}

void TMaster::closeEvent(QCloseEvent* event) {
  THourglass busy;
  if (!QuestionsBeforeExit()) {
    event->ignore();
    return;
  }
  // The questions were answered: whatever is unsaved now is given up.
  if (FJournal) FJournal->Retire();
  Shutdown();
  event->accept();
  if (FEndsProgram) QCoreApplication::quit();
}

void TMaster::StartJournal() {
  FJournal = std::make_unique<TSampleJournal>(
      TSampleJournal::PathFor(FRig->PathName, FRig->Experiment_Index),
      TSampleJournal::THeader{QDir::cleanPath(FRig->PathName), FRig->Experiment_Index, FRig->SpreadSheet_title});
  if (!FJournal->Claim()) {
    TServices::Prompts().MessageDlg(QStringLiteral("The samples of this window are not journalled for recovery after a "
                                                   "crash: %1.").arg(FJournal->Failure()),
                                    TMsgDlgType::mtWarning, TMsgDlgButtons::OK);
    FJournal.reset();
    return;
  }
  FTable->SetJournal(FJournal.get());
  TJournalRecovery::Run(*FJournal, *FTable);
}

void TMaster::Shutdown() {
  if (FShutDown) return;
  FShutDown = true;
  // Runs still open are stored for the lab before the table and diagram go.
  if (FLab) FLab->Finish();
  disconnect(FMdi, nullptr, this, nullptr);  // children go away from here on
  if (FDiagram && FDiagram->Logger()) FDiagram->Logger()->StopLogger();
  if (FDiagram && FDiagram->IFD() && FRig && FRig->Using_IFD) {
    TQXIFD* ifd = FDiagram->IFD();
    ifd->CloseProcessing();
    if (ifd->vComPortOpen()) ifd->switchIOtoLegacyDriver(this, true);
  }
  TAvailablePorts::Shutdown();
  // The settings dialog saves its settings as it goes, while the interface it reads still exists.
  delete FIFDConfig;
  FIFDConfig = nullptr;
  // The scheduler dialog holds the outputs' editors: it goes before them.
  delete FSchedulerDlg;
  FSchedulerDlg = nullptr;
  if (FAutopilotFeature) TQXAnalogueOutputSource::SetScheduleEditorFactory({});
  // The diagram (tick, sources, interface) goes before the table and graph it writes into.
  if (FDiagramWin) {
    FMdi->removeSubWindow(FDiagramWin);
    delete FDiagramWin;
    FDiagramWin = nullptr;
    FDiagram = nullptr;
  }
  if (FSCADAWin) {
    FSCADA->CloseProcessing();
    FMdi->removeSubWindow(FSCADAWin);
    delete FSCADAWin;
    FSCADAWin = nullptr;
    FSCADA = nullptr;
  }
  TServices::SetSampleBook(nullptr);
}

// ---- process plant ----

// A rig with process-plant links gets the control-parameters window, polling at once; any other
// rig loses the plant tool bar and command.
void TMaster::CreateSCADAForm() {
  if (!FRig->UsingSCADA) {
    FSCADABar->hide();
    FSCADABar->setEnabled(false);
    FSCADABar->toggleViewAction()->setVisible(false);
    FActions["ControlParameters"]->setVisible(false);
    return;
  }
  FSCADA = TSCADAForm::ForRig(*FRig).release();
  FSCADAWin = AddChild(FSCADA, QStringLiteral("Set Control Parameters"));
  FSCADAWin->move(0, 0);
  FActions["ControlParameters"]->setEnabled(true);
  FActions["Calibrate"]->setEnabled(false);
  FActions["IFDSettings"]->setEnabled(false);
  AddFeaturePanel(QStringLiteral("Plant"), 260, QString());
  connect(FSCADA, &TSCADAForm::ButtonsChanged, this, [this] {
    UpdateSCADAButtons();
    UpdateFeaturePanels();
  });
  FMdi->setActiveSubWindow(FDiagramWin);
}

// The plant buttons follow the window's while it is in front, and are off otherwise.
void TMaster::UpdateSCADAButtons() {
  const bool front = ActiveForm == 5 && FSCADA;
  for (const TPlantButton& button : kPlantButtons)
    FActions[QString::fromLatin1(button.Name)]->setEnabled(front && (FSCADA->*button.Enabled)());
}

// ---- presentation and questions ----

// A presentation that cannot be read leaves the rig without one, as if it had none.
void TMaster::CreatePresentation() {
  if (!FRig || !FRig->Using_WTG) return;
  FQuestions = std::make_unique<TQuestionList>(this);
  if (!FQuestions->Set_List(FRig->QA_Spreadsheet)) FQuestions->QList.clear();
  TWalkThroughGroup group;
  if (!group.ReadFile(FRig->WTG_Spreadsheet, FRig->WalkThroughRoot, FRig->HelpFileRoot) || group.Chapters.empty()) {
    FRig->Using_WTG = false;
    FQuestions.reset();
    return;
  }
  FPresentation = new TWalkThroughGroupForm(std::move(group), FQuestions.get(), this);
  if (FPresentation->AnyQuestionWaiting()) EnableUnhideButton = true;
  FPresentationWin = AddChild(FPresentation, QStringLiteral("Presentation"));
  FPresentationWin->hide();
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), FPresentationWin);
  escape->setContext(Qt::WidgetWithChildrenShortcut);
  connect(escape, &QShortcut::activated, FPresentationWin, &QWidget::close);
  bool show = settings::reg::ShowPresentationDefault;
  if (!FRig->RegistryKey.isEmpty()) {
    TRegistry reg;
    if (reg.OpenKey(FRig->RegistryKey, true)) {
      show = reg.ReadBoolOrCreate(settings::reg::ShowPresentation, settings::reg::ShowPresentationDefault);
      reg.CloseKey();
    }
  }
  FPresentation->SetShowAtStartup(show);
  connect(FPresentation, &TWalkThroughGroupForm::ShowAtStartupChanged, this, [this](bool on) {
    TRegistry reg;
    if (FRig && !FRig->RegistryKey.isEmpty() && reg.OpenKey(FRig->RegistryKey, true)) {
      reg.WriteBool(settings::reg::ShowPresentation, on);
      reg.CloseKey();
    }
  });
  connect(FPresentation, &TWalkThroughGroupForm::BringToFront, this, [this] {
    if (FPresentationWin && FMdi->activeSubWindow() != FPresentationWin) ShowChild(4);
  });
  FActions["Presentation"]->setEnabled(true);
}

void TMaster::PresentationShown(const QString& chapter, int slide, int slides) {
  Chapter = chapter;
  SlideNumber = slide;
  NumberOfSlides = slides;
  if (ActiveForm == 4) UpdateStatusBar();
}

void TMaster::AddHintsUsed(int hints) {
  if (FTable) FTable->HintsUsed += hints;
}

void TMaster::AddWrongAnswer() {
  if (FTable) ++FTable->WrongAnswers;
}

void TMaster::QuestionsAnswered() {
  if (!FTable) return;
  FTable->WriteCell();
  FTable->QuestionsAreAnswered = true;
  UpdateToolbars();
}

void TMaster::ShowHint(const QString& hint) {
  if (FRig) FRig->ExecuteHint(hint);
}

void TMaster::ShowMore(const QString& helpFile, const QString& topic) {
  if (FRig) FRig->ExecuteMore(helpFile, topic);
}

// ---- the lab network ----

void TMaster::SetLabOverride(const TLabSettings& settings) { FLabOverride = std::make_unique<TLabSettings>(settings); }

void TMaster::StartLab() {
  if (FLab) FLab->Finish();
  FLab.reset();
  const TLabSettings settings = FLabOverride ? *FLabOverride : TLabSettings::Load();
  if (!settings.Enabled || settings.Host.isEmpty()) {
    if (const auto it = FFeaturePanels.find(QStringLiteral("Lab")); it != FFeaturePanels.end()) it->second->setText(QStringLiteral("Lab: off"));
    return;
  }
  if (!FLabRig) FLabRig = std::make_unique<TLabRigView>(*this);
  FLab = std::make_unique<TLabStation>(settings, *FLabRig);
  AddFeaturePanel(QStringLiteral("Lab"), 220, QString());
  QLabel* panel = FFeaturePanels[QStringLiteral("Lab")];
  connect(FLab.get(), &TLabStation::StatusChanged, panel, [this, panel](const QString& text) {
    panel->setText(text);
    if (FLab) panel->setToolTip(FLab->StatusDetail());
  });
  FLab->Start();
  panel->setText(FLab->StatusText());
  UpdateFeaturePanels();
}

void TMaster::ShowLabSettings() {
  TLabSettingsDialog dialog(FLabOverride ? *FLabOverride : TLabSettings::Load(), this);
  if (dialog.exec() != QDialog::Accepted) return;
  // The saved settings from now on, also in place of a command line's.
  FLabOverride.reset();
  StartLab();
}

void TMaster::ExportReport() {
  TReportBuilder::TFacts facts;
  if (FRig) {
    facts.Rig = FRig->ApplicationTitle;
    facts.Exercise = FRig->TableTitle();
    facts.RegistryKey = FRig->RegistryKey;
  }
  if (FPresentation && FTable) {
    // The score is given when the last question is answered; before that there is none to show.
    facts.Presentation = {FTable->QuestionsAreAnswered ? QStringLiteral("Score: %1").arg(FTable->Score, 0, 'g', 6)
                                                       : QStringLiteral("Score: none yet, the last question is not answered"),
                          FTable->QuestionsAreAnswered ? QStringLiteral("Questions answered: yes") : QStringLiteral("Questions answered: no"),
                          QStringLiteral("Wrong answers: %1").arg(FTable->WrongAnswers),
                          QStringLiteral("Hints used: %1").arg(FTable->HintsUsed)};
    if (FQuestions) facts.Presentation << FQuestions->Answers().ReportLines();
  }
  TReportBuilder::Export(FTable.get(), FGraph.get(), facts, this);
}
