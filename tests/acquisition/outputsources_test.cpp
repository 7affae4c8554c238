#include <gtest/gtest.h>

#include <QSpinBox>
#include <QTimer>

#include "acquisition/conditionmarker.h"
#include "acquisition/qxanalogueoutputsource.h"
#include "acquisition/qxdacsource.h"
#include "acquisition/qxdigitaloutputsource.h"
#include "acquisition/qxheatercontrollersource.h"
#include "acquisition/qxremotesetpointsource.h"
#include "acquisition/twostateimage.h"
#include "sourcefixture.h"
#include "support/scriptedprompts.h"

using namespace legacy;

namespace {
struct TOutputSources : ::testing::Test, TSourceFixture {
  int PortWrites() { return static_cast<int>(card.CallsOf(VelUSB0, SetPort).size()); }
};
}  // namespace

TEST_F(TOutputSources, AnalogueOutputSendsCountsFromPercentAndDemand) {
  auto def = Def(ANALOGUE_OUT_DATASRC, 2, -1, 0);  // sheet channel 0
  Calibrate(def, {{0, 0.0}, {100, 5.0}});
  TQXAnalogueOutputSource out;
  out.RegisterParent(&panel, def);
  ASSERT_NE(out.AnalogueDataBox, nullptr);
  EXPECT_EQ(out.OutputNumber(), 0);
  EXPECT_EQ(out.AnalogueDataBox->maximum(), 100);
  EXPECT_EQ(OutputCounts(0x9A), 0);  // the initial value was sent
  out.AnalogueSet(50);
  EXPECT_EQ(OutputCounts(0x9A), 1024);
  EXPECT_EQ(out.AnalogueDataBox->value(), 50);
  out.AnalogueDataBox->setValue(25);  // the user's demand
  EXPECT_EQ(OutputCounts(0x9A), 512);
  out.DataWrite();
  EXPECT_EQ(sample.NumberRC(2, 2), 25);
  EXPECT_EQ(out.TextScheduledTarget(), "Long");

  rig.ProgramType = TProgramType::ClientApp;
  out.AnalogueSet(100);
  EXPECT_EQ(OutputCounts(0x9A), 512);  // a client sends nothing
}

TEST_F(TOutputSources, LatchingAndMomentaryDigitalOutputs) {
  TQXDigitalOutputSource latching, momentary;
  latching.RegisterParent(&panel, Def(DIGITAL_OUT_DATASRC, 3, 2, 1));  // starts on
  auto def = Def(DIGITAL_OUT_DATASRC, 4, 5, 0);
  def.FMimic_Item_Width = 1;
  momentary.RegisterParent(&panel, def);
  EXPECT_TRUE(latching.Latching);
  EXPECT_FALSE(momentary.Latching);
  EXPECT_EQ(ifd->DigitalExitValues[2], 1);
  EXPECT_TRUE(latching.DisplayButton->State());

  emit latching.DisplayButton->Clicked();
  EXPECT_FALSE(latching.Output_State);
  EXPECT_EQ(card.Device(VelUSB0).Ports[0] & 0x04, 0);
  emit latching.DisplayButton->Clicked();
  EXPECT_EQ(card.Device(VelUSB0).Ports[0] & 0x04, 0x04);

  emit momentary.DisplayButton->Pressed();
  EXPECT_EQ(card.Device(VelUSB0).Ports[0] & 0x20, 0x20);
  emit momentary.DisplayButton->Released();
  EXPECT_EQ(card.Device(VelUSB0).Ports[0] & 0x20, 0);

  latching.DataWrite();
  EXPECT_EQ(sample.NumberRC(2, 3), 1);
}

TEST_F(TOutputSources, OutputsHeldByAControllerOrSwitchIgnoreClicks) {
  TQXDigitalOutputSource out;
  out.RegisterParent(&panel, Def(DIGITAL_OUT_DATASRC, 0, 1, 0));
  out.BeingUsedForPID = true;
  const int before = PortWrites();
  out.DOutButtonClick();
  out.MouseD();
  EXPECT_FALSE(out.Output_State);
  EXPECT_EQ(PortWrites(), before);

  out.BeingUsedForPID = false;
  out.BeingUsedForControl = true;
  out.ForceOn();
  EXPECT_TRUE(out.Output_State);  // the state is set ...
  EXPECT_EQ(PortWrites(), before);  // ... but nothing is sent
  out.DigitalOutSet(false);
  EXPECT_TRUE(out.Output_State);

  out.BeingUsedForControl = false;
  const TNotMarker flip;
  out.FlipState(&flip);  // without conditions a marker changes nothing, but the state is sent
  EXPECT_TRUE(out.Output_State);
  EXPECT_EQ(PortWrites(), before + 1);
  out.ForceOff();
  EXPECT_FALSE(out.Output_State);
}

TEST_F(TOutputSources, ThePictureFollowsASetAfterAClick) {
  TQXDigitalOutputSource out;
  out.RegisterParent(&panel, Def(DIGITAL_OUT_DATASRC, 0, 1, 0));  // starts off
  emit out.DisplayButton->Clicked();
  ASSERT_TRUE(out.Output_State);
  ASSERT_TRUE(out.DisplayButton->State());
  out.DigitalOutSet(false);
  EXPECT_FALSE(out.Output_State);
  EXPECT_EQ(card.Device(VelUSB0).Ports[0] & 0x02, 0);
  EXPECT_FALSE(out.DisplayButton->State());  // not left showing "on" for an output that is off
}

TEST_F(TOutputSources, WarningQuestionDecidesTheChange) {
  TQXDigitalOutputSource out;
  auto def = Def(DIGITAL_OUT_DATASRC, 0, 1, 0);
  out.RegisterParent(&panel, def);
  TScriptedPrompts prompts;
  prompts.ExpectMessage("Are you sure you want to change the DO state?", TModalResult::mrNo);
  EXPECT_FALSE(out.ShowWarningMsg());
  prompts.ExpectMessage("", TModalResult::mrYes);
  EXPECT_TRUE(out.ShowWarningMsg());
  EXPECT_EQ(prompts.Records()[1].Buttons, TMsgDlgButtons::YesNo);
}

TEST_F(TOutputSources, DacSendsOneCommandPerChange) {
  rig.DAC_Count = 1;
  auto def = Def(DAC_DATASRC, 5, -1, 2);  // clock on line 2
  Calibrate(def, {{0, 0.0}, {100, 5.0}});
  TQXDACSource dac;
  dac.RegisterParent(&panel, def);
  ifd->OpenPorts();
  EXPECT_EQ(dac.DigChannel, 2);
  EXPECT_EQ(dac.DACNumber, 1);
  const int before = PortWrites();
  dac.DACSet(50);
  EXPECT_EQ(PortWrites() - before, 50);  // one DAC update: 50 port writes
  dac.DACSet(50);
  EXPECT_EQ(PortWrites() - before, 50);  // same percent: nothing
  EXPECT_EQ(ifd->Dac1Value, 2048);
  dac.DataWrite();
  EXPECT_EQ(sample.NumberRC(2, 5), 50);
}

TEST_F(TOutputSources, HeaterPulseTrainIsCutToTheInterval) {
  auto def = Def(HEATER_CONTROLLER_DATASRC, 6, -1, 0);
  Calibrate(def, {{0, 0.0}, {100, 5.0}});
  TQXHeaterControllerSource heater;
  heater.RegisterParent(&panel, def);
  ifd->RegisterChannel(2, 0);
  card.Device(VelUSB0).Scan[2] = 2048 + 1024;  // read back: 50 %
  ifd->SampleNow();
  ifd->Interval = 1000;
  heater.AnalogueDataBox->setValue(60);  // 10 % above the setting
  EXPECT_EQ(heater.PulsesReqd, 20);      // 26 needed, 2600 ms > 1000 ms
  EXPECT_EQ(heater.Channel, 6);
  EXPECT_TRUE(heater.PulseTimer->isActive());
  for (int i = 0; i < 19; ++i) heater.PulseTick();
  EXPECT_TRUE(heater.PulseTimer->isActive());
  heater.PulseTick();
  EXPECT_FALSE(heater.PulseTimer->isActive());
  EXPECT_EQ(card.Device(VelUSB0).Ports[0] & 0x40, 0x40);  // line 6 left on

  heater.AnalogueDataBox->setValue(45);
  EXPECT_EQ(heater.Channel, 7);
  EXPECT_EQ(heater.PulsesReqd, 13);  // 5 / 0.390625 = 12.8
}

TEST_F(TOutputSources, RemoteSetPointStartsAtTheFullRange) {
  auto def = Def(REMOTE_SETPOINT_DATASRC, 7, -3, 40);
  Calibrate(def, {{0, 0.0}, {80, 5.0}});
  TQXRemoteSetPointSource sp;
  sp.RegisterParent(&panel, def);
  EXPECT_EQ(sp.SetPoint(), 80);
  sp.DataWrite();
  EXPECT_EQ(sample.NumberRC(2, 7), 80);
  sp.SetPointSet(25);
  EXPECT_EQ(sp.SetPoint(), 20);
  EXPECT_EQ(sp.current_IFD_value, 512);

  auto zero = Def(REMOTE_SETPOINT_DATASRC, 0, -3, 0.2);  // rounds to 0: no division by zero
  Calibrate(zero, {{0, 0.0}, {80, 5.0}});
  TQXRemoteSetPointSource low;
  low.RegisterParent(&panel, zero);
  EXPECT_EQ(low.SetPoint(), 0);
}
