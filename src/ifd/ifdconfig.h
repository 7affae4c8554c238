#pragma once
// "IFD Configuration": the interface sample interval and filter, what is known of the connected
// cards, and behind "Advanced->" the dispatcher timing, the optional tools and the Vexa options.
// Created once per rig; start-up loads it (LoadInitialisationValues), the facade's Configure shows
// it modally, and its file settings are saved when it is destroyed.

#include <QDialog>
#include <QPointer>

#include "ifd/serial/ifdinputmode.h"

class IIFDConfigHost;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSpinBox;
class TQXIFD;

class TIFDConfig : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* LowIntervalQuestion =
      "This frequency may not be maintainable on slower PCs. Is this sample rate correct?";
  static constexpr int ShownHeight = 410;
  static constexpr int ExtendedExtraHeight = 360;

  // `host` (the main window) may be null. Registers itself with the facade while it exists.
  TIFDConfig(TQXIFD& ifd, IIFDConfigHost* host, QWidget* parent = nullptr);
  ~TIFDConfig() override;

  void LoadInitialisationValues();
  void SaveDialogSettings();

  void FormShow();
  void FormActivate();
  void btnAdvancedClick();
  void ActionLockUnLockExecute();
  void ActionToggleAllowSelectionTTBExecute();
  void btnApplyClick();
  void OKButtonClick();
  void CancelButtonClick();
  void HelpButtonClick();
  // Compact or extended view.
  void ShowAdvanced(bool compact);

  // A card's identification text shown (the firmware-issue note hidden), or taken away when the
  // card is lost.
  void ShowCardFirmware(TApdComPortRole role, const QString& text);
  void ClearCardFirmware(TApdComPortRole role);
  // The inverter's program type and program as the identifier found them (hidden until then).
  void ShowVexaVersion(const QString& type) { ShowInverterRow(lblVexaVersion, type); }
  void ShowVexaProgram(const QString& name) { ShowInverterRow(lblVexaProgram, name); }

  bool FIFDConfigurationToolExtended = false;

  // Controls.
  QGroupBox* gbSampleParameters;
  QSpinBox* FrequencyNumber;
  QSpinBox* FilterConstant;
  QGroupBox* gbInformation;
  QLabel* FirmwareIssue;
  QLabel* lblVComFirmwareIDmaster;
  QLabel* lblVComFirmwareIDslave;
  QLabel* Multiplexing;
  QLabel* lblAIsModeMaster;
  QLabel* lblAIsModeSlave;
  QLabel* lblVexaVersion;
  QLabel* lblVexaProgram;
  QGroupBox* gbTiming;
  QSpinBox* spnedtThreadTimeBase;
  QSpinBox* spEdThreadTBdelta;
  QGroupBox* gbOptions;
  QCheckBox* chckbxAllowSelectionTimeBase;
  QGroupBox* gbTools;
  QCheckBox* chkbxEnableScope;
  QCheckBox* chkbxEnableScheduler;
  QGroupBox* gbVexa;
  QCheckBox* chkbxLoadInverterPrg;
  QCheckBox* chkbxEnableInverterPrg;
  QCheckBox* chkbxIsVexa;
  QCheckBox* chkbxRetVexadataAuto;
  QCheckBox* chkbxLock;
  QPushButton* btnAdvanced;
  QPushButton* OKButton;
  QPushButton* CancelButton;
  QPushButton* HelpButton;
  QPushButton* btnApply;

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void ShowInverterRow(QLabel* label, const QString& text);
  void BuildControls();
  static QString ModeText(int mode);
  // The dispatcher's pause as the timing spins make it: timebase adjusted by the refresh setting.
  int AppliedSleep() const;

  QPointer<TQXIFD> FIFD;
  IIFDConfigHost* FHost;
  QWidget* FButtons = nullptr;
  // Only settings that were loaded from the file are written back to it.
  bool FLoaded = false;
  int FLastAppliedSleep = -1;
};
