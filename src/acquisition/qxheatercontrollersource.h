#pragma once
// A heater whose setting is moved up or down by pulses on digital output 7 or 6, while the setting
// is read back on analogue input 2.

#include "acquisition/qxifdanaloguesource.h"

class QTimer;

class TQXHeaterControllerSource : public TQXIFDAnalogueSource {
  Q_OBJECT
 public:
  static constexpr int PulseMs = 50;
  static constexpr double PercentPerPulse = 0.390625;  // 100 % in 256 steps

  using TQXIFDAnalogueSource::TQXIFDAnalogueSource;

  void RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) override;
  // Every tick starts a pulse train toward the demand, then writes the demand.
  void Tick(int Current_Count, TDateTime Start_Time) override;
  void DataWrite() override;
  // The controller step: a pulse train toward the demand (on every change and every tick).
  void StartPulses();
  void PulseTick();

  QTimer* PulseTimer = nullptr;
  int Channel = 7;
  int Count = 0;
  int PulsesReqd = 0;
  bool OutputState = false;
  double TargetValue = 0;

 private:
  void SetLine(int line, bool on);
};
