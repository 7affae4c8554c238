#pragma once
// One high-speed capture of two analogue inputs on the legacy card, written as a whole run of the
// results table: sample number, time (0.778 ms apart) and the two inputs in engineering units,
// converted with the calibrations of the inputs' own sources. Started by Sample Now in high-speed
// mode.

#include "acquisition/calibrationtable.h"
#include "acquisition/qxifdanaloguesource.h"

class TQXLoggerPanel;

class TQXBurstSource : public TQXIFDAnalogueSource {
  Q_OBJECT
 public:
  static constexpr double SecondsPerSample = 0.000778;
  static constexpr const char* FailedText =
      "The capture could not be read back from the interface card, so no results were written. Check the card "
      "and its connection, then start a new sheet and try again.";

  using TQXIFDAnalogueSource::TQXIFDAnalogueSource;

  void RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) override;
  // The whole capture, inside the Sample Now command; false when no capture was read.
  bool Start(TQXLoggerPanel& panel);

  int Samples = 0;
  int FirstChannel = 0, SecondChannel = 0;  // the trigger channel is FChannel

 private:
  // The calibration of the analogue input on `channel`; counts unconverted when there is none.
  static TCalibrationTable TableOf(int channel);
};
