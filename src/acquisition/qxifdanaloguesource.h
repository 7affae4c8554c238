#pragma once
// An analogue channel with its calibration table: counts to engineering units and back, the tare
// taken by the optional "Zero" button, and the volt and limit helpers.

#include <functional>

#include "acquisition/calibrationtable.h"
#include "acquisition/qxsourcemeta.h"

class QPushButton;

class TQXIFDAnalogueSource : public TQXSourceMeta {
  Q_OBJECT
 public:
  using TQXSourceMeta::TQXSourceMeta;
  ~TQXIFDAnalogueSource() override;

  void RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) override;

  // The calibrated value less the tare; a requested tare is taken from it.
  double ProcessValue();
  // The same value without taking a requested tare.
  double TaredValue() const { return Calibration.Process(current_IFD_value) - Tare_Value; }
  int GetRawFromProcess(double value) const { return Calibration.RawFromProcess(value); }
  double MaxVolts() const { return Calibration.MaxVolts(); }
  double MinVolts() const { return Calibration.MinVolts(); }
  double MaxProcValue() const { return Calibration.MaxProcValue(); }
  double MinProcValue() const { return Calibration.MinProcValue(); }
  double VoltageValue() const { return current_IFD_value / TCalibrationTable::CountsPerVolt; }
  QString VoltageString() const;
  QString ProcValueString();
  double GetGradient(int i) const { return Calibration.Gradient(i); }
  // Counts for a percentage (0-100) of the calibrated range, and the engineering value behind it.
  int CountsForPercent(double percent, double* value = nullptr) const;

  // A reading of the channel arrived for the current sample (an output's own value always counts).
  bool HasReading() const { return !FReadingMissing; }

  QPushButton* Button = nullptr;
  bool RequestTare = false;
  double Tare_Value = 0;
  double current_IFD_value = 0;
  TCalibrationTable Calibration;

 protected:
  bool FReadingMissing = false;

  // Reads the channel for the current sample: its value, or, when none arrived, the last value
  // kept and the reading marked missing.
  void ReadChannel();
  // The processed value into the source's column, or an empty cell without a reading.
  void WriteReading();
  // The demand of the output kinds: a spin box at the data position over the calibrated range
  // (absent without a position: the value is still kept). `onChange` runs on every change.
  void CreateSpinBox(std::function<void()> onChange);
  int SpinValue() const { return FSpinValue; }
  // Sets the demand and runs the change handler once, as typing it would.
  void SetSpinValue(int value);
  // Sets the demand without running the change handler.
  void SetSpinValueSilently(int value);

 public:
  class QSpinBox* AnalogueDataBox = nullptr;

 private:
  int FSpinValue = 0;
  std::function<void()> FOnSpinChange;
};
