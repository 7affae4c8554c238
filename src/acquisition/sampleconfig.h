#pragma once
// "Sample Configuration": manual or automatic sampling, the interval and, for a fixed-duration
// run, the duration, with their units.

#include <QDialog>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QRadioButton;
class ILoggerHost;

class TSampleConfig : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* BadInterval = "The Sample Interval value is invalid. Please change this value.";
  static constexpr const char* BadDuration = "The Duration value is invalid. Please change this value.";
  static constexpr const char* FastRate = "This sample rate may not be maintainable on slower PCs. Is this sample rate correct?";
  static constexpr const char* FewSamples = "These settings will generate less than 10 samples. Is this sample count correct?";
  static constexpr const char* ManySamples = "These settings will generate over 1000 samples. Is this sample count correct?";

  // `registryKey` is the rig's key ("" : nothing is stored).
  TSampleConfig(ILoggerHost* host, const QString& registryKey, QWidget* parent = nullptr);

  // Puts the fields into the controls, choosing the units as the values read best.
  void Load();
  // The OK button: checks, questions, and closes with OK when all pass.
  void OKClick();

  bool FManual_Sample = false;
  bool FFreeRun_Mode = true;
  int FInterval = 10000;  // ms
  int FDuration = 3600;   // s

  QRadioButton* ManualButton;
  QRadioButton* AutomaticButton;
  QRadioButton* ContinuousButton;
  QRadioButton* FixedButton;
  QLineEdit* IntervalEdit;
  QComboBox* IntervalUnits;  // mins, secs, msecs
  QLineEdit* DurationEdit;
  QComboBox* DurationUnits;  // hrs, mins, secs

 private:
  void UpdateEnabling();
  bool Ask(const char* question);
  ILoggerHost* FHost;
  QString FRegistryKey;
  QGroupBox* FAutomaticGroup;
};
