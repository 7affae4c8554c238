#pragma once
// The frame window: a multiple-document parent holding the diagram, the table and the graph. It
// owns the menu, the tool bars, the two status bars and the hidden workbooks, routes every command,
// keeps the status bars up to date and receives the interface layers' messages.

#include <map>
#include <memory>
#include <vector>

#include <QHash>
#include <QMainWindow>

#include "acquisition/iacquisitionhost.h"
#include "acquisition/iloggerhost.h"
#include "acquisition/isampletable.h"
#include "ifd/iifdconfighost.h"
#include "ifd/iifdhost.h"
#include "inverter/iinverterhost.h"
#include "inverter/invertertype.h"
#include "platform/datetime.h"
#include "results/iresultshost.h"
#include "rigconfig/irigconfighost.h"
#include "schedule/ischedulerhost.h"
#include "scope/iscopehost.h"
#include "teaching/iteachinghost.h"
#include "workbook/model/workbook.h"

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;
class QToolButton;
class TCalibrate;
class TChangePassword;
class TFormOscilloscope;
class TScopeAnalysisForm;
class TFormSchedulerDlg;
class TQXAnalogueOutputSource;
class TGraphForm;
class TIFDConfig;
class TIniStore;
class TInverterLink;
class TLabRigView;
class TLabSettings;
class TLabStation;
class TOffsetForm;
class IOffsetProvider;
class TPasswordForm;
class TQrlInfo;
class TResultsMDI;
class TRigConfig;
class TSCADAForm;
class TSampleJournal;
class TTableForm;
class TQuestionList;
class TWalkThroughGroupForm;

class TMaster : public QMainWindow,
                public IRigConfigHost,
                public IIFDHost,
                public ILoggerHost,
                public IResultsHost,
                public ISampleTable,
                public IAcquisitionHost,
                public IIFDConfigHost,
                public IScopeHost,
                public IInverterHost,
                public ISchedulerHost,
                public ITeachingHost {
  Q_OBJECT
 public:
  explicit TMaster(QWidget* parent = nullptr);
  ~TMaster() override;

  // The whole start-up: the rig in `rigFolder`, the windows in their order, the diagram assembly.
  // `arguments` is the command line as the program got it, the program itself first.
  void StartUp(const QString& rigFolder, const QStringList& arguments);
  // The program's own main window ends the program when it closes, whatever other top-level
  // windows (help, gauges) are still open. Off for windows made by tests.
  void SetEndsProgram(bool on) { FEndsProgram = on; }

  // ---- fields other parts read ----
  int ActiveForm = 1;
  int SampleInterval_ = 10000;
  int SampleMode = 0;
  QString SampleStatus;
  int Duration = 0;
  QString Chapter;
  int SlideNumber = 0, NumberOfSlides = 0;
  bool StandardVisible = false, FormatVisible = false, SamplingVisible = false;
  bool EnableUnhideButton = false, EnableIterateButton = false;
  bool FUserClickedForComms = false;
  bool FSchedulingActive = false;
  TDateTime FRefTimeScheduling = -1;
  TInverterType FInverterType = na_inv;
  int FInverterProgram = -1;
  int FCaptureApparatusID = 0;
  bool FChangingExercise = false;
  bool FattempedQueryVexa = false;
  QString FvComStatusMsg, FvComAuxStatusMsg;
  bool FAutopilotFeature = false, FScopeFeature = false;
  int FScopeCalls = 0;             // finished oscilloscope captures
  int FScopeDataSamplesCount = 0;  // captures counted since the scope last changed

  // ---- operations of the frame ----
  void UpdateStatusBar() override;
  void UpdateToolbars() override;
  void BuildMenu();
  void NextResults();
  void NewResults();
  void LoadNewExperiment();
  void ExportReport();
  void ConnectClick(bool fromUser);
  void ConfigureWordProcessor();
  void LaunchWordProcessor();
  void UpdateFeaturePanels();
  void UpdateEditCommands();
  void EnableAutoPilotFeature();
  void EnableScopeFeature();
  // The oscilloscope window, created on first use (null before).
  TFormOscilloscope* Oscilloscope() const { return FScope; }
  // "Set Control Parameters" of a process-plant rig (null for other rigs).
  TSCADAForm* SCADAForm() const { return FSCADA; }
  // "Oscilloscope..." and the Scope button: the window created when needed and shown.
  void ShowOscilloscope();
  // "Measure Capture...": the newest capture run measured, with cursors, spectrum and XY.
  void ShowScopeAnalysis();
  TScopeAnalysisForm* ScopeAnalysis() const { return FScopeAnalysis; }
  // Sample Now: with the oscilloscope window it starts a capture, otherwise the logger samples.
  void SampleNowClick();
  void ShowChild(int form);
  // Window > Tile and Arrange: every open child window gets a share of the area.
  void TileChildren();
  void ShowAbout();
  // The about box's shell line: the executable's name, " build ", its version.
  QString ShellVersion() const;
  // The tool bars' context menu: the three bars of View > Toolbars, with the same ticks.
  QMenu* createPopupMenu() override;
  // Lecturer mode: score written, hidden columns shown, the lecturer commands off.
  void EnterLecturerMode();
  // The Inverter Programmer command: the inverter's type and program identified (TInverterLink).
  void StartInverterIdentification();
  TInverterLink* InverterLink() const { return FInverterLink; }
  // The lab network: settings for this run in place of the saved ones (the command line), set
  // before StartUp; the station (null while the network is off); Options > Lab Network.
  void SetLabOverride(const TLabSettings& settings);
  TLabStation* LabStation() const { return FLab.get(); }
  void ShowLabSettings();

  TResultsMDI* Diagram() const { return FDiagram; }
  TTableForm* Table() const { return FTable.get(); }
  TGraphForm* Graph() const { return FGraph.get(); }
  TRigConfig* Rig() const { return FRig.get(); }
  QString PanelText(int panel) const;
  QString FeaturePanelText(const QString& label) const;
  QAction* Action(const QString& name) const { return FActions.value(name); }
  TPasswordForm* PasswordForm() const { return FPasswordForm.get(); }
  TWalkThroughGroupForm* Presentation() const { return FPresentation; }
  TQuestionList* Questions() const { return FQuestions.get(); }
  TChangePassword* ChangePasswordForm() const { return FChangePassword.get(); }
  // "Calibrate" (only on a rig using the interface device) and "TDC Sensor Offset"; null before
  // start-up has made them.
  TCalibrate* CalibrateForm() const { return FCalibrate; }
  TOffsetForm* OffsetForm() const { return FOffsetForm; }
  // The remembered sensor offset a store-offset source logs.
  IOffsetProvider* OffsetProvider() const;
  TWorkbook& F1Book3() { return FBook3; }

  // ---- IRigConfigHost ----
  void SetApplicationTitle(const QString& title) override;
  void EnableLoadNewExperiment() override;
  void SetSampleStatus(const QString& text) override;
  void SetDuration(int samples) override { Duration = samples; }
  void SetSampleInterval(int ms) override { SampleInterval_ = ms; }
  void DisableLogCommands() override;
  void SetAutopilotFeature(bool on) override;
  void SetScopeFeature(bool on) override;
  void CloseSoon() override;
  void WidenStatusPanel2(int width) override;

  // ---- IIFDHost ----
  void SetStatusPanel(int panel, const QString& text) override;
  void SetVComToolsOn() override;
  void SetVComToolsOff() override;
  void VComOneIsSet(const QString& port) override;
  void VComTwoIsSet(const QString& port) override;
  void VComMasterIFDidentified() override;
  void VComSlaveIFDidentified() override;
  void EnableVexamode() override;
  void vComMasterIFDmode() override {}
  void vComSlaveIFDmode() override {}
  void VComLostMaster() override;
  void VComLostSlave() override;
  void setCaptureID(int id) override;
  void vComInverterDataBack(const QString& text) override;
  void CleanUpBeforeLeavingVCom() override;
  void CleanUpAfterLeavingVCom() override;
  void setVComStatusMsg(const QString& text) override { FvComStatusMsg = text; }
  void setVComAuxStatusMsg(const QString& text) override { FvComAuxStatusMsg = text; }
  void AddDebugMessages(const QStringList& lines) override;
  bool UserClickedForComms() const override { return FUserClickedForComms; }
  bool ChangingExercise() const override { return FChangingExercise; }

  // ---- ILoggerHost ----
  void SetSampleMode(int mode) override { SampleMode = mode; }
  void SetSampleButton(const QString& caption, int image) override;
  bool SampleNowEnabled() const override;
  void SetSampleNowEnabled(bool on) override;
  void SetNextResultsEnabled(bool on) override;
  void SetConfigureEnabled(bool on) override;
  void SetGaugeCommandsEnabled(bool on) override;
  int SampleInterval() const override { return SampleInterval_; }

  // ---- IResultsHost ----
  void SetActiveForm(int form) override;
  void SetCommandEnabled(TCommand command, bool enabled) override;
  void SetEnableUnhideButton(bool enabled) override;

  // ---- ISampleTable ----
  void WriteRow(TWorkbook& source, int sample, int sourceRow) override;
  void DataChanged(int count) override;
  void RedrawGraph() override;
  void WriteCaptureRun(const TCapturedRun& run) override;

  // ---- IAcquisitionHost ----
  bool AutopilotEnabled() const override;
  bool SchedulingActive() const override { return FSchedulingActive; }
  void DisableSamplingCommands() override;

  // ---- IScopeHost ----
  void ChangedScope() override;
  void NextResultsScopeReady() override { ++FScopeCalls; }
  void ReEnableSampling() override;

  // ---- ISchedulerHost ----
  TDateTime RefTimeScheduling() const override { return FRefTimeScheduling; }
  void ToolBtnAutoPilotClickCallBack() override;
  void ScheduleStateChanged() override { UpdateFeaturePanels(); }
  // "Start Schedule": the scheduler dialog, created and initialised on first use, shown.
  void ToolBtnAutoPilotClick();
  // "Scheduler..." and "Show all schedules": every output's schedule editor shown.
  void ToolBtnOpenSchedulesClick();
  TFormSchedulerDlg* SchedulerDlg() const { return FSchedulerDlg; }

  // ---- IIFDConfigHost ----
  bool ScopeEnabled() const override;
  bool SchedulerEnabled() const override;
  void Show_Vexa_items(bool show) override;
  void Enable_Vexa_items(bool enable) override;
  void ifdSettingsAppliedNotify() override;
  void ShellHelpContents() override;

  // ---- IInverterHost ----
  TInverterType InverterType() const override { return FInverterType; }
  void SetInverterType(TInverterType type) override;
  void SetInverterProgram(int program) override;
  void InverterQueryRunning(bool) override { UpdateFeaturePanels(); }

  // ---- ITeachingHost ----
  void PresentationShown(const QString& chapter, int slide, int slides) override;
  void AddHintsUsed(int hints) override;
  void AddWrongAnswer() override;
  void QuestionsAnswered() override;
  void ShowHint(const QString& hint) override;
  void ShowMore(const QString& helpFile, const QString& topic) override;
  QWidget* MainWindow() override { return this; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateActions();
  void CreateMenus();
  void CreateToolBars();
  void CreateStatusBars();
  QAction* Add(const QString& name, const QString& caption, const QString& hint, void (TMaster::*slot)());
  void AddFeaturePanel(const QString& label, int width, const QString& text);
  void HandleMessage(unsigned msg, std::intptr_t wParam, std::intptr_t lParam);
  void AssembleDiagram();
  void FitToDiagram();
  void FitPanels();
  void ShowToolWindow(QWidget* window, Qt::Corner corner);
  void Shutdown();
  QMdiSubWindow* AddChild(QWidget* widget, const QString& caption);
  bool QuestionsBeforeExit();
  // The questions and the presentation window of a rig that has them.
  void CreatePresentation();
  // The samples' recovery journal of this rig and exercise, and the recovery of a crashed session's.
  void StartJournal();

  std::unique_ptr<TIniStore> FIniIni;
  std::unique_ptr<TQrlInfo> FQrlInfo;
  TWorkbook FBook1, FBook2, FBook3;
  std::unique_ptr<TRigConfig> FRig;
  std::unique_ptr<TSampleJournal> FJournal;
  std::unique_ptr<TTableForm> FTable;
  std::unique_ptr<TGraphForm> FGraph;
  std::unique_ptr<TPasswordForm> FPasswordForm;
  std::unique_ptr<TChangePassword> FChangePassword;
  std::unique_ptr<TQuestionList> FQuestions;
  TWalkThroughGroupForm* FPresentation = nullptr;  // a child of the MDI area
  TResultsMDI* FDiagram = nullptr;
  TIFDConfig* FIFDConfig = nullptr;  // a child of this window; saves its settings when freed
  TFormOscilloscope* FScope = nullptr;
  TScopeAnalysisForm* FScopeAnalysis = nullptr;  // a child of this window, once opened  // a child of this window, once created
  TInverterLink* FInverterLink = nullptr;  // a child of this window
  TFormSchedulerDlg* FSchedulerDlg = nullptr;  // a child of this window, once created
  void CreateSchedulerDlg();
  std::vector<TQXAnalogueOutputSource*> AnalogueOutputs() const;
  TCalibrate* FCalibrate = nullptr;     // children of this window
  TOffsetForm* FOffsetForm = nullptr;
  QMdiArea* FMdi;
  QMdiSubWindow *FDiagramWin = nullptr, *FTableWin = nullptr, *FGraphWin = nullptr, *FPresentationWin = nullptr;
  QHash<QString, QAction*> FActions;
  QToolBar *FStandardBar = nullptr, *FSamplingBar = nullptr, *FFormatBar = nullptr, *FToolsBar = nullptr;
  QMenu* FUsingEquipment = nullptr;
  QMenu* FOptionsMenu = nullptr;
  QLabel* FPanels[5] = {};
  QToolBar* FStatusBar2 = nullptr;
  QToolBar* FSCADABar = nullptr;
  TSCADAForm* FSCADA = nullptr;  // owned by its sub-window
  QMdiSubWindow* FSCADAWin = nullptr;
  void CreateSCADAForm();
  void UpdateSCADAButtons();
  // The Scope button enabled with its resting picture.
  void ScopeButtonIdle();
  std::map<QString, QLabel*> FFeaturePanels;
  // The station of the lab network, made from the settings at start-up and after they change.
  void StartLab();
  std::unique_ptr<TLabSettings> FLabOverride;
  std::unique_ptr<TLabRigView> FLabRig;
  std::unique_ptr<TLabStation> FLab;
  std::map<QString, unsigned> FMessages;
  bool FShutDown = false;
  bool FEndsProgram = false;
};
