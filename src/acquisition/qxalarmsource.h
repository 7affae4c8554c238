#pragma once
// An alarm panel watching one input: an analogue input against a threshold in counts, or a
// digital input against a state. While the condition holds the panel flashes its alarm colour
// and beeps on every tick; when it has gone the panel flashes white and says so until the user
// stops the alarm and then resets it with clicks on the panel.

#include <QColor>

#include "acquisition/qxsource.h"

class QLabel;

class TQXAlarmSource : public TQXSource {
  Q_OBJECT
 public:
  static constexpr const char* StopQuestion = "Do you want to stop the alarm?";
  static constexpr const char* ResetQuestion = "Do you want to reset the alarm?";
  static constexpr const char* MuteHint = "Click to mute alarm";
  enum { DigitalAlarm = -1, VoltageAlarm = 1, CurrentAlarm = 2 };

  using TQXSource::TQXSource;
  ~TQXAlarmSource() override;

  void RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) override;
  void DataWrite() override;
  void MuteAlarm();

  // The panel's caption and colour as shown now (also without a panel).
  QString Caption() const { return FCaption; }
  QColor Colour() const { return FColour; }

  QLabel* AlarmMute = nullptr;
  int Alarm_type = DigitalAlarm;
  int Channel_monitored = 0;
  int Channel_val_monitored = 0;
  int dir_of_comparison = 1;
  bool re_armed = true;
  bool alarm_wentoff = false;
  QString NoAlarmMessage, AlarmMessage;
  QColor AlarmColourCode, NoAlarmColourCode;
  int PlusOrMinus = 1;
  int RunSheetColumnLink = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void RaiseAlarm(int reading);
  void ClearAlarm();
  void Show(const QString& caption, const QColor& colour);
  void FitCaption();
  QString FCaption;
  int FHeight = 0;
  QColor FColour;
};
