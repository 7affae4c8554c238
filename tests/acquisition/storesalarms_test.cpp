// Stores, re-zero, store offset, alarm, warning light and watchdogs on a diagram panel.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include "acquisition/ioffsetprovider.h"
#include "acquisition/qxalarmsource.h"
#include "acquisition/qxmaxstore.h"
#include "acquisition/qxrezerosource.h"
#include "acquisition/qxstore.h"
#include "acquisition/qxstoreoffset.h"
#include "acquisition/qxwarning.h"
#include "acquisition/qxwatchdog.h"
#include "acquisition/twostateimage.h"
#include "sourcefixture.h"

using namespace legacy;

namespace {
struct TStoresAlarms : ::testing::Test, TSourceFixture {
  TScriptedPrompts prompts;

  // An alarm row: units "V" or other, comparison "<" or ">", threshold, message colour code 1.
  TQXAlarmSource& Alarm(const QString& units, const QString& direction, double threshold, int channel = 3) {
    auto def = Def(ALARM_DATASRC, 0, channel, threshold);
    def.FUnitsLabelText = units;
    def.FShortLabelText = direction;
    def.FHintText = "Too cold";
    def.FLongLabelText = "Temperature normal";
    def.FMimicLabel_X_Pos = 20;  // panel height
    def.FMimicLabel_Y_Pos = 1;   // red
    alarm = std::make_unique<TQXAlarmSource>();
    alarm->RegisterParent(&panel, def);
    return *alarm;
  }
  std::unique_ptr<TQXAlarmSource> alarm;
  // One sample in which input `channel` read `counts`.
  void Read(int channel, int counts) {
    ifd->TakeReading(false, channel, counts);
    ifd->EndSampleWindow();
  }
};

struct TFixedOffset : IOffsetProvider {
  double Offset() const override { return 12.5; }
};
}  // namespace

TEST_F(TStoresAlarms, StoreHoldsTwoColumnsUntilClearedThenWrites9999) {
  TQXStore store;
  store.RegisterParent(&panel, Def(STORE_DATASRC, 6, 2, 0));
  ASSERT_NE(store.Button, nullptr);
  EXPECT_EQ(store.Button->text(), "Store");
  EXPECT_EQ(store.Button->height(), 22);
  store.DataWrite();
  EXPECT_EQ(sample.NumberRC(2, 6), 9999);
  EXPECT_EQ(sample.NumberRC(2, 7), 9999);

  // Stored while the second column has no reading: that value is stored as nothing, not 0.
  sample.SetNumberRC(2, 2, 1.25);
  sample.ClearRange(2, 3, 2, 3);
  store.Button->click();
  store.DataWrite();
  EXPECT_EQ(sample.NumberRC(2, 7), 9999);
  store.Button->click();
  sample.SetNumberRC(2, 3, -4);
  store.Button->click();
  EXPECT_EQ(store.Button->text(), "Clear");
  sample.SetNumberRC(2, 2, 99);  // later values do not reach the store
  store.DataWrite();
  EXPECT_EQ(sample.NumberRC(2, 6), 1.25);
  EXPECT_EQ(sample.NumberRC(2, 7), -4);

  store.Button->click();
  EXPECT_EQ(store.Button->text(), "Store");
  store.DataWrite();
  EXPECT_EQ(sample.NumberRC(2, 6), 9999);
  EXPECT_EQ(sample.NumberRC(2, 7), 9999);
}

TEST_F(TStoresAlarms, MaximumStoreFollowsTheLargestValueUntilReset) {
  TQXMaxStore max;
  max.RegisterParent(&panel, Def(MAX_DATASRC, 5, 2, 0));
  ASSERT_NE(max.Button, nullptr);
  EXPECT_EQ(max.Button->text(), "Reset");
  std::vector<double> written;
  for (double x : {3.0, 8.0, 5.0}) {
    sample.SetNumberRC(2, 2, x);
    max.DataWrite();
    written.push_back(sample.NumberRC(2, 5));
  }
  EXPECT_EQ(written, (std::vector<double>{3, 8, 8}));
  // A sample without the reading (an empty cell) is no value: not 0, not a new maximum.
  sample.ClearRange(2, 2, 2, 2);
  max.DataWrite();
  EXPECT_EQ(sample.NumberRC(2, 5), 8);
  max.Button->click();
  max.DataWrite();
  EXPECT_EQ(max.MaxValue, TQXMaxStore::Empty) << "an empty cell starts no maximum either";
  sample.SetNumberRC(2, 2, 5.0);
  EXPECT_EQ(max.MaxValue, TQXMaxStore::Empty);
  max.DataWrite();
  EXPECT_EQ(sample.NumberRC(2, 5), 5);

  TQXMaxStore noColumn;  // writes nothing and keeps no maximum
  noColumn.RegisterParent(&panel, Def(MAX_DATASRC, 0, 2, 0));
  noColumn.DataWrite();
  EXPECT_EQ(noColumn.MaxValue, TQXMaxStore::Empty);
}

TEST_F(TStoresAlarms, ReZeroAndStoreOffsetWriteTheirHeldValues) {
  TQXReZeroSource zero;
  zero.RegisterParent(&panel, Def(REZERO_DATASRC, 4, 2, 0));
  ASSERT_NE(zero.Button, nullptr);
  EXPECT_EQ(zero.Button->text(), "Zero");
  EXPECT_EQ(zero.Button->height(), 20);
  sample.SetNumberRC(2, 2, 12.3);
  zero.DataWrite();
  EXPECT_EQ(sample.NumberRC(2, 4), 0);
  zero.Button->click();
  zero.DataWrite();
  EXPECT_EQ(sample.NumberRC(2, 4), 12.3);

  TQXStoreOffset offset;
  offset.RegisterParent(&panel, Def(STORE_OFFSET_DATASRC, 5, 0, 0));
  offset.DataWrite();
  EXPECT_EQ(sample.NumberRC(2, 5), 0);  // no dialog: the dialog's starting offset
  TFixedOffset dialog;
  TQXStoreOffset::SetOffsetProvider(&dialog);
  offset.DataWrite();
  TQXStoreOffset::SetOffsetProvider(nullptr);
  EXPECT_EQ(sample.NumberRC(2, 5), 12.5);
}

TEST_F(TStoresAlarms, VoltageAlarmBelowThresholdFlashesAndReportsWhenGone) {
  TQXAlarmSource& a = Alarm("V", "<", 1.5);
  EXPECT_EQ(a.Alarm_type, TQXAlarmSource::VoltageAlarm);
  EXPECT_EQ(a.Channel_val_monitored, 614);
  EXPECT_EQ(a.dir_of_comparison, -1);
  ASSERT_NE(a.AlarmMute, nullptr);
  EXPECT_EQ(a.AlarmMute->height(), 20);
  EXPECT_EQ(a.AlarmMute->toolTip(), "Click to mute alarm");
  const QColor normal = a.NoAlarmColourCode;

  Read(3, 614);  // at the threshold: quiet
  a.DataWrite();
  EXPECT_FALSE(a.alarm_wentoff);
  EXPECT_EQ(a.Caption(), "Temperature normal");

  Read(3, 613);
  a.DataWrite();
  EXPECT_TRUE(a.alarm_wentoff);
  EXPECT_EQ(a.AlarmMute->text(), "Too cold (613) (614)");
  EXPECT_EQ(a.Colour(), QColor(255, 0, 0));
  a.DataWrite();
  EXPECT_EQ(a.Colour(), normal);  // flashing at the tick rate
  a.DataWrite();
  EXPECT_EQ(a.Colour(), QColor(255, 0, 0));
  // A sample without a reading neither clears nor flashes it: the alarm holds.
  ifd->EndSampleWindow();
  a.DataWrite();
  EXPECT_TRUE(a.alarm_wentoff);
  EXPECT_EQ(a.AlarmMute->text(), "Too cold (613) (614)");
  EXPECT_EQ(a.Colour(), QColor(255, 0, 0));

  Read(3, 1000);
  a.DataWrite();
  EXPECT_EQ(a.Caption(), "Temperature normal went off with Too cold");
  const QColor first = a.Colour();
  a.DataWrite();
  EXPECT_NE(a.Colour(), first);
  EXPECT_TRUE((first == QColor(Qt::white)) != (a.Colour() == QColor(Qt::white)));
}

TEST_F(TStoresAlarms, ThresholdsAreClampedToFullScaleAndDigitalAlarmsCompareStates) {
  TQXAlarmSource& high = Alarm("v", ">", 7);
  EXPECT_EQ(high.Channel_val_monitored, 2048);
  Read(3, 2047);  // the largest reading never passes it
  high.DataWrite();
  EXPECT_FALSE(high.alarm_wentoff);
  EXPECT_EQ(Alarm("V", ">", -9).Channel_val_monitored, -2048);

  TQXAlarmSource& digital = Alarm("", "", 0, 4);
  EXPECT_EQ(digital.Alarm_type, TQXAlarmSource::DigitalAlarm);
  EXPECT_EQ(digital.Channel_val_monitored, 0);
  digital.DataWrite();
  EXPECT_FALSE(digital.alarm_wentoff);
  ifd->DigitalInputs[4] = 1;
  digital.DataWrite();
  EXPECT_TRUE(digital.alarm_wentoff);
  EXPECT_EQ(digital.Caption(), "Too cold (1) (0)");

  TQXAlarmSource& current = Alarm("A", ">", 1);  // configured, never watched
  EXPECT_EQ(current.Alarm_type, TQXAlarmSource::CurrentAlarm);
  Read(3, 2000);
  current.DataWrite();
  EXPECT_FALSE(current.alarm_wentoff);
}

TEST_F(TStoresAlarms, OneClickStopsAndResetsTheAlarmInTurn) {
  TQXAlarmSource& a = Alarm("", "", 1, 4);
  a.MuteAlarm();  // nothing has gone off: no question
  EXPECT_TRUE(prompts.Records().empty());

  a.DataWrite();  // input 0, expected 1: alarm
  ASSERT_TRUE(a.alarm_wentoff);
  prompts.ExpectMessage(TQXAlarmSource::StopQuestion, TModalResult::mrYes)
      .ExpectMessage(TQXAlarmSource::ResetQuestion, TModalResult::mrNo);
  a.MuteAlarm();
  EXPECT_FALSE(a.re_armed);
  EXPECT_EQ(a.Colour(), QColor(255, 0, 0));  // steady
  a.DataWrite();
  EXPECT_EQ(a.Colour(), QColor(255, 0, 0));

  prompts.ExpectMessage(TQXAlarmSource::ResetQuestion, TModalResult::mrYes);
  QMouseEvent click(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(a.AlarmMute, &click);
  EXPECT_TRUE(a.re_armed);
  EXPECT_FALSE(a.alarm_wentoff);
  EXPECT_EQ(a.Caption(), "Temperature normal");
  EXPECT_EQ(a.Colour(), a.NoAlarmColourCode);
  EXPECT_EQ(prompts.Records()[0].Type, TMsgDlgType::mtConfirmation);
  EXPECT_EQ(prompts.Records()[0].Buttons, TMsgDlgButtons::YesNoCancel);
}

TEST_F(TStoresAlarms, WarningLightStaysLitUntilReset) {
  TQXWarning warning;
  warning.RegisterParent(&panel, Def(WARNING_DATASRC, 5, 0, 0));
  ASSERT_NE(warning.ResetButton, nullptr);
  EXPECT_FALSE(warning.ResetButton->isEnabled());
  // At its place, widened to its caption.
  EXPECT_EQ(warning.ResetButton->geometry(), QRect(185, 46, 41, 20));
  sample.SetNumberRC(2, 5, 1);  // the run sheet's formula says 1 for one tick
  warning.DataWrite();
  sample.SetNumberRC(2, 5, 0);
  warning.DataWrite();
  EXPECT_TRUE(warning.Warning);
  EXPECT_TRUE(warning.DisplayButton->State());
  EXPECT_TRUE(warning.ResetButton->isEnabled());
  warning.ResetButton->click();
  EXPECT_FALSE(warning.Warning);
  EXPECT_FALSE(warning.DisplayButton->State());
  EXPECT_FALSE(warning.ResetButton->isEnabled());
  sample.SetNumberRC(2, 5, 0.5);  // only 1 lights it
  warning.DataWrite();
  EXPECT_FALSE(warning.Warning);
}

TEST_F(TStoresAlarms, WatchdogTogglesItsOutputEverySecondExceptAsClient) {
  TQXWatchdog dog;
  dog.RegisterParent(&panel, Def(WATCHDOG_DATASRC, 3, 6, 0));
  EXPECT_TRUE(dog.LogTimer.isActive());
  EXPECT_EQ(dog.LogTimer.interval(), 1000);
  EXPECT_FALSE(dog.DisplayButton->isEnabled());
  dog.BeingUsedForPID = true;  // even so: the watchdog's own toggle is not a click
  dog.WatchdogTick();
  EXPECT_TRUE(dog.Output_State);
  EXPECT_EQ(card.Device(VelUSB0).Ports[0] & 0x40, 0x40);
  dog.WatchdogTick();
  EXPECT_EQ(card.Device(VelUSB0).Ports[0] & 0x40, 0);
  dog.DataWrite();
  EXPECT_TRUE(sample.TextRC(2, 3).isEmpty());

  rig.ProgramType = TProgramType::ClientApp;
  dog.WatchdogTick();
  EXPECT_FALSE(dog.Output_State);
}
