#pragma once
// The "Veltrim Oscilloscope" window: the settings of a fast two-channel capture (sample interval
// and count, software / digital / analogue trigger, the two inputs) and the capture itself, on the
// legacy card's capture registers or as a serial high-speed capture. A finished capture becomes a
// new run of the results table. The window lives from its first use to the program's end.

#include <memory>
#include <vector>

#include <QDialog>
#include <QPointer>

#include "ifd/serial/scopecnfg.h"
#include "scope/scopesettings.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class QProgressDialog;
class QSpinBox;
class QStatusBar;
class QTimer;
class IScopeHost;
class THourglass;
class TIniStore;

class TFormOscilloscope : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* Caption = "Veltrim Oscilloscope";
  static constexpr const char* OverwriteQuestion = "Do you want to overwrite the current values?";
  // A serial capture shows its progress once it has taken this long.
  static inline int ProgressAfterMs = 1000;
  // A transfer that has been silent this long has been cut short.
  static inline int TransferStallMs = 3000;

  explicit TFormOscilloscope(IScopeHost* host, QWidget* parent = nullptr);
  ~TFormOscilloscope() override;

  // The rig's settings into the controls (creation and every show).
  void LoadScopeSettings();
  void ApplyClick();
  void OKClick();
  void HelpClick();
  // From the main window's Sample Now: one capture on whichever path is active. A capture the
  // settings cannot make (CaptureRefusal) is told to the user and nothing goes to the card.
  void Capture();
  // Why a capture cannot run with these settings (the missing setting named); empty when it can.
  QString CaptureRefusal() const;
  // A serial transfer has been collected (aNOS sample pairs; -1 when the capture was given up).
  void VComCallBackDataReady(int aNOS);
  // Gives up a running capture (the user, or the main window before it leaves the serial path).
  void AbortScan();
  void RefreshScanData();
  void CaptureDataRetrieved() { FHasCapturedData = false; }

  TScopeSettings& Settings() { return FSettings; }
  const TScopeSettings& Settings() const { return FSettings; }
  TScopeCnfg& ScopeCfg() { return FScopeCfg; }
  QString StatusText() const;

  // Read by the main window and the table.
  bool FIsCaptureRunning = false;
  bool FHasCapturedData = false;
  bool FErrorScan = false;
  bool FErrorMemoryBlock = false;
  QString FErrorScanMsg;
  std::vector<int> FVectorHSSScanCH1, FVectorHSSScanCH2;
  QByteArray FScopeVCOMcommand;
  bool DataHasChanged = false;

  // The controls, for tests.
  QSpinBox* IntervalBox() const { return FInterval; }
  QSpinBox* SamplesBox() const { return FSamples; }
  QSpinBox* LevelBox() const { return FLevel; }
  QSpinBox* PreTriggerBox() const { return FPreTrigger; }
  QComboBox* ChannelBox(int which) const { return which == 1 ? FChannel1 : FChannel2; }
  QComboBox* TriggerChannelBox() const { return FTriggerChannel; }
  QLabel* VoltLabel() const { return FVolts; }
  QLabel* SummaryValue(int row) const { return FSummary[row]; }
  void SetTriggerMode(TScopeSettings::TTriggerMode mode);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildControls();
  void BuildSourceLists();
  void ControlsToSettings();
  void SettingsToControls();
  void RefreshSummary();
  void EnableTriggerControls();
  void Edited();
  std::unique_ptr<TIniStore> OpenSettingsFile() const;
  bool SerialPathActive() const;
  bool LegacyPathReady() const;
  void StartCapture();
  void EndCapture();
  bool SerialScan();
  void LegacyCapture();
  void ToTable();
  // The serial capture's progress and its stalls, every few tenths of a second while it runs.
  void WatchSerialCapture();
  void StopWatching();
  void SerialCaptureFailed(const QString& text);

  IScopeHost* FHost;
  TScopeSettings FSettings;
  TScopeCnfg FScopeCfg;
  std::vector<TScopeSettings::TSource> FAnalogue, FDigital;
  bool FLoading = false;
  bool FCancelling = false;
  bool FLoggerWasRunning = false;
  qint64 FCaptureStarted = 0;
  std::unique_ptr<THourglass> FHourglass;
  QTimer* FWatch;
  QPointer<QProgressDialog> FProgress;

  QSpinBox *FInterval, *FSamples, *FPreTrigger, *FLevel;
  QComboBox *FChannel1, *FChannel2, *FTriggerChannel;
  QButtonGroup* FModes;
  QLabel* FVolts;
  QLabel* FSummary[9] = {};
  QStatusBar* FStatus;
};
