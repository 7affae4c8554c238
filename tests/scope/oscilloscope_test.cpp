// The oscilloscope window on the demo rig: its source lists, the trigger controls and summary, and
// its settings saved into and read back from the rig's Configuration.ini.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QSpinBox>

#include "acquisition/qxdatalist.h"
#include "acquisition/sourcefixture.h"
#include "rigconfig/inistore.h"
#include "scope/formoscilloscope.h"
#include "support/scriptedprompts.h"

namespace {
struct TOscilloscopeWindow : ::testing::Test, TDemoRigFixture {
  TScriptedPrompts prompts;

  // A copy of the demo rig, so saved settings stay in the test's folder.
  void SetUp() override {
    ASSERT_TRUE(LoadDemo(tmp.CopyTree(QStringLiteral(QUORLEX_SOURCE_DIR "/examples/rigs/demo"), "demo") + "/", nullptr,
                         &prompts));
  }
  static QStringList Items(const QComboBox* box) {
    QStringList out;
    for (int i = 0; i < box->count(); ++i) out << box->itemText(i);
    return out;
  }
};
}  // namespace

TEST_F(TOscilloscopeWindow, ListsTheRigsInputsAndFollowsTheTriggerControls) {
  TFormOscilloscope w(nullptr);
  EXPECT_EQ(w.windowTitle(), "Veltrim Oscilloscope");
  EXPECT_EQ(Items(w.ChannelBox(1)), QStringList{"none"} + list->AnalogueInputChannels());
  EXPECT_EQ(Items(w.TriggerChannelBox()), QStringList{"none"} + list->DigitalInputChannels());
  // The demo rig's settings.
  EXPECT_EQ(w.IntervalBox()->value(), 1000);
  EXPECT_EQ(w.ChannelBox(1)->currentText(), "Vibration pick-up=3");
  EXPECT_EQ(w.SummaryValue(2)->text(), "1000");
  EXPECT_FALSE(w.DataHasChanged);
  EXPECT_FALSE(w.LevelBox()->isEnabled());
  EXPECT_FALSE(w.TriggerChannelBox()->isEnabled());

  w.SetTriggerMode(TScopeSettings::Analogue);
  EXPECT_TRUE(w.LevelBox()->isEnabled());
  EXPECT_TRUE(w.PreTriggerBox()->isEnabled());
  EXPECT_FALSE(w.TriggerChannelBox()->isEnabled());
  w.LevelBox()->setValue(4095);
  EXPECT_EQ(w.VoltLabel()->text(), "5.000 V");
  w.PreTriggerBox()->setValue(100);
  w.SamplesBox()->setValue(300);
  EXPECT_EQ(w.SummaryValue(5)->text(), "Analogue");
  EXPECT_EQ(w.SummaryValue(6)->text(), "4095 (5.000 V)");
  EXPECT_EQ(w.SummaryValue(8)->text(), "200");
  EXPECT_TRUE(w.DataHasChanged);

  w.SetTriggerMode(TScopeSettings::Digital);
  EXPECT_TRUE(w.TriggerChannelBox()->isEnabled());
  EXPECT_FALSE(w.LevelBox()->isEnabled());
  w.TriggerChannelBox()->setCurrentIndex(1);
  EXPECT_EQ(w.SummaryValue(5)->text(), w.TriggerChannelBox()->itemText(1));
  w.ChannelBox(1)->setCurrentIndex(2);
  w.ChannelBox(2)->setCurrentIndex(1);
  w.RefreshScanData();
  EXPECT_FALSE(w.ScopeCfg().ErrorFlag);
  EXPECT_TRUE(w.StatusText().contains(" Cmd: HS6")) << w.StatusText().toStdString();
}

TEST_F(TOscilloscopeWindow, AppliedSettingsAreSavedAndLoadedBack) {
  {
    TFormOscilloscope w(nullptr);
    w.IntervalBox()->setValue(500);
    w.SamplesBox()->setValue(4000);
    w.ChannelBox(1)->setCurrentIndex(w.ChannelBox(1)->count() - 1);
    w.SetTriggerMode(TScopeSettings::Analogue);
    w.LevelBox()->setValue(3000);
    prompts.ExpectMessage(TFormOscilloscope::OverwriteQuestion, TModalResult::mrNo);
    w.ApplyClick();
    EXPECT_TRUE(w.DataHasChanged) << "kept unsaved on No";
    prompts.ExpectMessage(TFormOscilloscope::OverwriteQuestion, TModalResult::mrYes);
    w.ApplyClick();
    EXPECT_FALSE(w.DataHasChanged);
  }
  TIniStore ini(demo.PathConfigurationIni());
  EXPECT_EQ(ini.ReadInteger("Scope", "Sample Interval", 0), 245);
  EXPECT_EQ(ini.ReadString("Scope", "feature", ""), "on");
  const int channel = TScopeSettings::ChannelOf(list->AnalogueInputChannels().last());
  EXPECT_EQ(ini.ReadInteger("Scope", "Channel 1", 1), -channel);

  TFormOscilloscope again(nullptr);
  EXPECT_EQ(again.IntervalBox()->value(), 500);
  EXPECT_EQ(again.SamplesBox()->value(), 4000);
  EXPECT_EQ(again.ChannelBox(1)->currentText(), list->AnalogueInputChannels().last());
  EXPECT_EQ(again.ChannelBox(2)->currentText(), "Pulse sensor=4") << "as the rig had it";
  EXPECT_EQ(again.LevelBox()->value(), 3000);
  EXPECT_TRUE(again.LevelBox()->isEnabled());
  EXPECT_EQ(again.SummaryValue(2)->text(), "2000");
}
