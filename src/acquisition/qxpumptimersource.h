#pragma once
// Times a tank emptying and takes its own sample at the end. Digital form: two level switches
// (upper input Channel2, lower input Channel); the time runs from the upper switch clearing to the
// lower one clearing. Analogue form: the level on input 3 runs from below 1640 counts to 400 and
// below, a tank picture shows the level, and the pump's pulse rate on input 1 is measured from
// its rising crossings of 1024 counts, the mean of the last five valid rates in column 9.

#include <array>
#include <functional>

#include "acquisition/qxifdanaloguesource.h"
#include "platform/datetime.h"

class QLabel;
class QPushButton;
class QWidget;

class TQXPumpTimerSource : public TQXIFDAnalogueSource {
  Q_OBJECT
 public:
  static constexpr int RateColumn = 9;
  static constexpr int LevelChannel = 3, PulseChannel = 1;
  static constexpr int FullLevel = 1640, EmptyLevel = 400, PulseThreshold = 1024;

  using TQXIFDAnalogueSource::TQXIFDAnalogueSource;
  ~TQXPumpTimerSource() override;

  void RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) override;
  void DataWrite() override;
  // Runs the timing to its end inside the click; ticks go on meanwhile.
  void Start();

  bool ButtonEnabled() const { return FEnabled; }
  int PanelHeight() const { return FPanelHeight; }
  // One pass of the waiting loops: lets the program run for a moment. Tests replace it.
  std::function<void()> Idle;

  QPushButton* StartButton = nullptr;
  QWidget* Panel = nullptr;
  QLabel* Picture = nullptr;
  TDateTime CurrentTime = 0, PrevTime = 0, StoredTime = 0, PrevStoredTime = 0;
  double Interval = 0;
  int PrevValue = 0, CurrentValue = 0;
  std::array<double, 5> Intervals{};
  std::array<bool, 5> IntervalsUsed{};
  int Counter = 0;
  bool Timing = false;
  bool analogue = false;
  int Channel = 0, Channel2 = 0;

 private:
  bool Input(int line) const;
  int Reading(int channel) const;
  void MeasureRate();
  void ShowLevel();
  void SetEnabled(bool on);
  bool FEnabled = false;
  int FPanelHeight = 0;
};
