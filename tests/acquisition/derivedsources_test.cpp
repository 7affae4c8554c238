#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "acquisition/qxaccumulatorcontrol.h"
#include "acquisition/qxdatalist.h"
#include "acquisition/qxdigitalflip.h"
#include "acquisition/qxdigitalinputsource.h"
#include "acquisition/qxdigitaloutputsource.h"
#include "acquisition/qxdigitalswitch.h"
#include "acquisition/qxgatesource.h"
#include "acquisition/qxpumptimersource.h"
#include "acquisition/radiogroup.h"
#include "acquisition/twostateimage.h"
#include "sourcefixture.h"
#include "support/scriptedprompts.h"

namespace {
// Sources built in sheet order on a data list, so each finds the rows above it.
struct TDerivedSources : ::testing::Test, TSourceFixture {
  TScriptedPrompts prompts;
  TQXDataList list{&panel};

  template <class T>
  T& Add(const TDataSource_Definition& def) {
    auto s = std::make_unique<T>();
    s->RegisterParent(&panel, def);
    return *static_cast<T*>(list.AddSource(std::move(s)));
  }
  TQXDigitalOutputSource& Output(int channel, int column = 0) {
    return Add<TQXDigitalOutputSource>(Def(DIGITAL_OUT_DATASRC, column, channel, 0));
  }
  bool Line(int n) { return card.Device(legacy::VelUSB0).Ports[0] & (1 << n); }
};
}  // namespace

TEST_F(TDerivedSources, GateSwitchesItsOutputAroundTheSetPoint) {
  auto& heater = Output(2, 3);
  auto def = Def(GATE_DATASRC, 4, 2, 40);
  def.FShortLabelText = "5";  // watches column 5
  def.FHintText = "Thermostat set point";
  auto& gate = Add<TQXGateSource>(def);
  EXPECT_EQ(gate.ControlChannel, &heater);
  EXPECT_FALSE(heater.DisplayButton->isEnabled()) << "the user may not click a gated output";
  EXPECT_EQ(gate.ButtonDisplay->toolTip(), "Thermostat set point");
  EXPECT_EQ(gate.EditBox->text(), "40");

  sample.SetNumberRC(2, 5, 40.0);
  gate.DataWrite();
  EXPECT_TRUE(heater.Output_State);
  EXPECT_TRUE(Line(2));
  EXPECT_EQ(sample.NumberRC(2, 3), 1) << "the output's column follows at once";
  EXPECT_EQ(sample.NumberRC(2, 4), 40);
  sample.SetNumberRC(2, 5, 40.1);
  gate.DataWrite();
  EXPECT_FALSE(heater.Output_State);
  EXPECT_FALSE(Line(2));
  EXPECT_EQ(sample.NumberRC(2, 3), 0);
  // No reading in the watched column: the output holds, whatever an empty cell would compare as.
  sample.ClearRange(2, 5, 2, 5);
  gate.DataWrite();
  EXPECT_FALSE(heater.Output_State);
  EXPECT_FALSE(Line(2));
  sample.SetNumberRC(2, 5, 40.1);

  // A new set point; a bad one is refused and the old one kept.
  gate.SetEditText("45");
  gate.Check_Validity(nullptr);
  gate.DataWrite();
  EXPECT_EQ(gate.SetPoint, 45);
  EXPECT_TRUE(heater.Output_State);
  prompts.ExpectMessage(TQXGateSource::SetPointInvalidText);
  gate.SetEditText("4x");
  gate.Check_Validity(nullptr);
  gate.DataWrite();
  EXPECT_EQ(gate.SetPoint, 45);
}

TEST_F(TDerivedSources, AnOutputDefinedBelowIsReportedWithTheRowThatNamesIt) {
  prompts.ExpectMessage("the gate \"Long\" needs digital output 6, which no row above it defines");
  auto def = Def(GATE_DATASRC, 0, 6, 40);
  def.FShortLabelText = "5";
  auto& gate = Add<TQXGateSource>(def);
  auto& later = Output(6);
  EXPECT_EQ(gate.ControlChannel, nullptr);
  gate.DataWrite();  // drives nothing, and does not fail
  EXPECT_FALSE(later.Output_State);
  EXPECT_TRUE(later.DisplayButton->isEnabled());

  prompts.ExpectMessage("the switch \"Long\" needs digital output 7");
  Add<TQXDigitalSwitch>(Def(SWITCH_DATASRC, 0, 7, 0)).DataWrite();
  prompts.ExpectMessage("the flip \"Long\" needs digital output 3");
  auto flipDef = Def(FLIP_DATASRC, 0, 6, 0);
  flipDef.FShortLabelText = "3";
  Add<TQXDigitalFlip>(flipDef).DataWrite();
}

TEST_F(TDerivedSources, SwitchRoutesTheChosenInputOrLeavesTheOutputToTheUser) {
  auto& pump = Output(1);
  auto inDef = Def(DIGITAL_IN_DATASRC, 0, 4, 0);
  inDef.FLongLabelText = "Float switch";
  Add<TQXDigitalInputSource>(inDef);
  auto def = Def(SWITCH_DATASRC, 0, 1, 0);
  def.FShortLabelText = "4,6";
  def.FUnitsLabelText = "";
  def.FMimicLabel_X_Pos = 220;
  def.FMimicLabel_Y_Pos = 120;
  auto& sw = Add<TQXDigitalSwitch>(def);
  ASSERT_NE(sw.RadioGroup, nullptr);
  EXPECT_EQ(sw.RadioGroup->Items(), QStringList({"None", "Float switch", "6"}));
  EXPECT_EQ(sw.InputchannelNo, TQXDigitalSwitch::NoInput);

  sw.DataWrite();  // "None": the user's output
  pump.DOutButtonClick();
  EXPECT_TRUE(pump.Output_State);

  sw.RadioGroup->findChildren<QRadioButton*>()[1]->click();
  EXPECT_EQ(sw.InputchannelNo, 4);
  ReadDigital(4, 0);
  sw.DataWrite();
  EXPECT_FALSE(pump.Output_State);
  EXPECT_FALSE(Line(1));
  EXPECT_FALSE(pump.DisplayButton->State());
  pump.DOutButtonClick();  // held by the switch: the click is ignored
  EXPECT_FALSE(pump.Output_State);
  ReadDigital(4, 1);
  sw.DataWrite();
  EXPECT_TRUE(pump.Output_State);
  EXPECT_TRUE(Line(1));
  // A sample without the input's state: the output holds, whatever the line kept.
  ifd->DigitalInputs[4] = 0;
  ifd->EndSampleWindow();
  sw.DataWrite();
  EXPECT_TRUE(pump.Output_State);
  EXPECT_TRUE(Line(1));
  ReadDigital(4, 1);

  sw.polarity = 1;  // inverted
  sw.DataWrite();
  EXPECT_FALSE(pump.Output_State);

  sw.SetItemIndex(0);
  sw.DataWrite();
  EXPECT_FALSE(pump.BeingUsedForControl);
  pump.DOutButtonClick();
  EXPECT_TRUE(pump.Output_State);
}

TEST_F(TDerivedSources, SwitchOffersAtMostEightInputs) {
  Output(0);
  prompts.ExpectMessage("lists 9 inputs; only the first 8 are offered");
  auto def = Def(SWITCH_DATASRC, 0, 0, 0);
  def.FShortLabelText = "0,1,2,3,4,5,6,7,8";
  def.FUnitsLabelText = "Manual";
  auto& sw = Add<TQXDigitalSwitch>(def);
  EXPECT_EQ(sw.InputChannels[8], 7);
  EXPECT_EQ(sw.RadioGroup->Items().first(), "Manual");
  EXPECT_EQ(sw.RadioGroup->Items().size(), 9);
}

TEST_F(TDerivedSources, FlipFollowsStraightOrInverted) {
  auto& leader = Output(0);
  auto& straight = Output(1, 2);
  auto& inverted = Output(2);
  auto def = Def(FLIP_DATASRC, 0, 1, 0);
  def.FShortLabelText = "0";
  auto& f1 = Add<TQXDigitalFlip>(def);
  def.FIFD_Channel = 2;
  def.FInitialVal = 1;
  auto& f2 = Add<TQXDigitalFlip>(def);
  EXPECT_FALSE(straight.DisplayButton->isEnabled());
  EXPECT_FALSE(inverted.DisplayButton->isEnabled());

  f1.DataWrite();
  f2.DataWrite();
  EXPECT_FALSE(straight.Output_State);
  EXPECT_TRUE(inverted.Output_State);
  leader.DOutButtonClick();
  f1.DataWrite();
  f2.DataWrite();
  EXPECT_TRUE(straight.Output_State);
  EXPECT_TRUE(Line(1));
  EXPECT_EQ(sample.NumberRC(2, 2), 1);
  EXPECT_FALSE(inverted.Output_State);
  EXPECT_FALSE(Line(2));
}

TEST_F(TDerivedSources, AccumulatorGoesThroughItsFillingCycle) {
  auto& acc = Add<TQXAccumulatorControl>(Def(ACCUMULATOR_CONTROL_DATASRC, 0, 0, 0));
  const auto fill = [&] { return OutputCounts(0x9C); };  // analogue output 1
  ifd->DigitalInputs[0] = 1;  // vessel not filling
  acc.DataWrite();
  EXPECT_EQ(acc.Caption(), "Long");
  EXPECT_TRUE(acc.ButtonEnabled());

  acc.Start();  // Ready: open the fill
  EXPECT_EQ(fill(), 2047);
  EXPECT_FALSE(acc.ButtonEnabled());
  EXPECT_FALSE(acc.Ready);
  ifd->DigitalInputs[0] = 0;
  acc.DataWrite();
  EXPECT_EQ(acc.Caption(), "Wait");
  EXPECT_FALSE(acc.ButtonEnabled());
  ifd->DigitalInputs[0] = 1;
  acc.DataWrite();
  EXPECT_EQ(acc.Caption(), "Clear");
  EXPECT_TRUE(acc.ButtonEnabled());

  acc.Start();  // Clear: close the fill, ready again
  EXPECT_EQ(fill(), 0);
  EXPECT_EQ(acc.Caption(), "Start");
  EXPECT_TRUE(acc.Ready);
}

TEST_F(TDerivedSources, PumpTimerRatesFromCrossingsAndItsFiveIntervals) {
  auto& timer = Add<TQXPumpTimerSource>(Def(PUMPTIMER_DATASRC, 4, 3, 0));
  ASSERT_TRUE(timer.analogue);
  ifd->MainChannelValue[3] = 2000;  // full tank
  // A pulse reaching 2024 counts every `ms`: one reading below 1024, one above.
  const auto pulse = [&](int ms) {
    clock.AdvanceMs(ms - 100);
    ifd->MainChannelValue[1] = 24;
    timer.DataWrite();
    clock.AdvanceMs(100);
    ifd->MainChannelValue[1] = 2024;  // crossing half way between the readings
    timer.DataWrite();
  };
  pulse(1000);
  pulse(1000);
  EXPECT_NEAR(sample.NumberRC(2, 9), 60, 1e-3);
  pulse(1200);  // 50 per minute
  EXPECT_NEAR(sample.NumberRC(2, 9), 55, 1e-3);
  pulse(700);   // too short: 0, and not averaged
  EXPECT_EQ(sample.NumberRC(2, 9), 0);
  pulse(1000);  // from the 700 ms crossing: 60 joins 60 and 50
  EXPECT_NEAR(sample.NumberRC(2, 9), 170.0 / 3, 1e-3);
  for (int i = 0; i < 5; ++i) pulse(900);  // the five entries are all 66.67 now
  EXPECT_NEAR(sample.NumberRC(2, 9), 60000.0 / 900, 1e-3);
  EXPECT_EQ(timer.Counter, 3);  // eight valid intervals so far

  clock.AdvanceMs(1300);  // no crossing for more than 1.25 s: rate 0, history cleared
  timer.DataWrite();
  EXPECT_EQ(sample.NumberRC(2, 9), 0);
  EXPECT_FALSE(timer.IntervalsUsed[0]);

  EXPECT_EQ(timer.PanelHeight(), 10);
  EXPECT_TRUE(timer.ButtonEnabled());
  ifd->MainChannelValue[3] = 1000;
  timer.DataWrite();
  EXPECT_EQ(timer.PanelHeight(), 200);
  EXPECT_FALSE(timer.ButtonEnabled());
  ifd->MainChannelValue[3] = 1640;
  timer.DataWrite();
  EXPECT_EQ(timer.PanelHeight(), 355);
}

TEST_F(TDerivedSources, DigitalPumpTimerTimesTheTankBetweenItsSwitches) {
  // Lower switch on input 2 (channel -3), upper on input 5 (initial value -6).
  auto& timer = Add<TQXPumpTimerSource>(Def(PUMPTIMER_DATASRC, 4, -3, -6));
  ASSERT_FALSE(timer.analogue);
  EXPECT_EQ(timer.Channel, 2);
  EXPECT_EQ(timer.Channel2, 5);
  ifd->DigitalInputs[2] = ifd->DigitalInputs[5] = 1;
  timer.DataWrite();
  EXPECT_TRUE(timer.ButtonEnabled());
  ifd->DigitalInputs[5] = 0;
  timer.DataWrite();
  EXPECT_FALSE(timer.ButtonEnabled());

  ifd->DigitalInputs[5] = 1;
  int passes = 0;
  timer.Idle = [&] {
    clock.AdvanceMs(1000);
    ++passes;
    if (passes == 2) ifd->DigitalInputs[5] = 0;   // the level leaves the upper switch
    if (passes == 32) ifd->DigitalInputs[2] = 0;  // and the lower one 30 s later
  };
  timer.Start();
  EXPECT_FALSE(timer.Timing);
  // Written on every pass while the lower switch is covered: the last one saw 29 s (in days).
  EXPECT_NEAR(sample.NumberRC(2, 4) * 86400, 29, 1e-3);
  EXPECT_EQ(passes, 32);
}
