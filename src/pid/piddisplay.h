#pragma once
// The controller's window: its settings, mode, the working of the last calculation and the
// block diagram, and the 250 ms timer whose tick is the control step. It owns the controller:
// closing the window only hides it and control goes on.

#include <functional>
#include <vector>

#include <QDialog>
#include <QPointer>

#include "acquisition/ipidlink.h"
#include "acquisition/qxifdanaloguesource.h"
#include "pid/pidcalculator.h"
#include "pid/pidsettingssheet.h"
#include "pid/timeproportioner.h"

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QTimer;
class QWidget;
class TQXControllerSource;
enum class TProgramType;

class TPIDdisplay : public QDialog, public IPIDLink {
  Q_OBJECT
 public:
  enum TMode { Automatic = 0, Manual = 1, Off = 2 };
  static constexpr int TimerInterval = 250;

  explicit TPIDdisplay(TQXControllerSource* controller, TProgramType side, QWidget* parent = nullptr);
  ~TPIDdisplay() override;

  // The sources the controller may bind to; the data list's by default.
  std::function<std::vector<TQXSource*>()> SourceList;

  void Setup(int Index);
  bool BindChannels();
  void ResetMemory();
  // The mode radio group's choice, by the user or the program.
  void SetMode(int mode);
  void LinkScheduler();
  // Reads the boxes into the live settings; a box that does not read keeps its setting and the
  // user is told which.
  void ApplySettings();
  void Timer1Timer();
  void DriveOutput();
  void DriveDigital();
  // The channel lists' selection becomes the controller's channels. False when it cannot bind.
  bool Rebind(int inputIndex, int outputIndex);
  void OpenWindow();
  void FormActivate();
  void ShowCalculations();

  // IPIDLink
  void ResetSetPointFromSchedule(double value) override;
  QString ProcessVariableName() const override;

  // Event handlers of the controls.
  void OKButtonClick();
  void CancelButtonClick();
  void HelpButtonClick();
  void SaveButtonClick();
  void RestoreButtonClick();
  void DefaultButtonClick();
  void ManualOutputChange();
  void RateOfChangeChange();
  void SpeedButton1Click();
  void ActionComboBoxChange();
  void BtnApplyRiconfigClick();

  TPIDCalculator& Calc() { return FCalc; }
  const TPIDCalculator& Calc() const { return FCalc; }

  int ControllerIndex = 0;
  int MeasuredVariableChannel = 0, ControlVariableChannel = 0, ExternalSetPointChannel = 0;
  bool UsesAnalogueOutput = false, IsDACController = false, IsSetPointController = false, IsRefluxController = false,
       Configurable = false, Cascade = false;
  int OperationalMode = Off, PrevOpMode = Off;
  int CycleTerm = 0;
  // Guarded: the data list may delete the sources before the controller.
  QPointer<TQXIFDAnalogueSource> MeasuredData;
  QPointer<TQXSource> ControlData;
  bool ControlEditorEnabled = true;
  double BasicRefluxRatio = 0, AdditionalRefluxRatio = 0, RefluxRateOfChange = 0;
  QString DiagramName;
  int OffState = 0;
  bool RefluxRunning = false;
  TProgramType FSide;
  TQXControllerSource* FController;
  TTimeProportioner Proportioner;

  // The controls, for the controller source and for tests.
  QWidget* PanelBackground;
  QComboBox *InputsComboBox, *OutputsComboBox, *ActionComboBox;
  QPushButton* BtnApplyRiconfig;
  QGroupBox* ModeofOperation;
  QButtonGroup* ModeButtons;
  QRadioButton* ModeRadio[3];
  QTabWidget* TabbedNotebook1;
  QWidget *SettingsPage, *CalculationsPage, *DiagramPage;
  QPushButton *OKButton, *CancelButton, *HelpButton, *ApplyButton, *SaveButton, *RestoreButton, *DefaultButton;
  QLineEdit *SetPoint, *PropBand, *IntegralTime, *DerivTime, *CycleTime;
  QLabel *SetPointUnits, *CycleTimeLabel, *CycleTimeUnits, *ManOutUnits, *ManualOutputLabel;
  QGroupBox* ManualGroup;
  QSpinBox* ManualOutput;
  QLineEdit *RefluxRatio, *RateOfChange, *AutoRatio;
  QLabel *RefluxRatioUnits, *RateOfChangeLabel, *RateOfChangeUnits, *AutoRatioLabel;
  QPushButton* SpeedButton1;
  QLabel *calcTime, *CalcError, *ErrorProp, *CalcProportional, *PropProp, *CalcIntegral, *IntProp, *CalcDeriv,
      *DerivProp, *CalcGain, *CalcCalcOutput, *CalcZeroErrorOutput, *CalcActualOutput;
  QLabel* Image1;
  QTimer* Timer1;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  enum class TBind { Bound, NotFound, InUse };
  void BuildControls();
  QWidget* BuildSettingsPage();
  QWidget* BuildCalculationsPage();
  bool LoadSettings();
  void FindMeasured();
  TBind BindControlled();
  // Reads the settings file; false (and the user told) when it cannot be read.
  bool ReadSheet();
  void ChannelsNotice(const QString& notice);
  // Setup's steps after the settings are loaded: units, modes, variants, ranges, lists, lock.
  void ShowVariant();
  void ShowDiagram();
  void ShowChannelLists();
  void ApplyMode(int mode);
  void ShowTerms(const TPIDTerms& terms);
  void TakeTerms(const TPIDTerms& terms);
  double OutputPercent(double value) const;
  double RatioBoxPercent() const;
  std::int64_t NowMs() const;
  std::vector<TQXSource*> Sources() const;
  QString ControlledName() const;
  QString MeasuredName() const;
  QString MeasuredUnits() const;
  void ShowCurrentRatio();

  TPIDCalculator FCalc;
  TPIDSettingsSheet* FSheet = nullptr;
  bool FDiagramPageShown = true;
  bool FManualTyping = false;  // the manual output box holds typing not yet committed
};
