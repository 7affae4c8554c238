#include <gtest/gtest.h>

#include "acquisition/conditions.h"
#include "acquisition/qxdatalist.h"
#include "acquisition/qxdigitalinputsource.h"
#include "acquisition/qxdigitaloutputsource.h"
#include "acquisition/qxlist.h"
#include "acquisition/twostateimage.h"
#include "sourcefixture.h"
#include "support/scriptedprompts.h"

namespace {
// Outputs and inputs on a data list with the logic engine on; short labels are the conditions.
struct TConditionsTest : ::testing::Test, TSourceFixture {
  TScriptedPrompts prompts;
  TQXDataList list{&panel};
  TConditionsTest() { rig.FLogicEngineActive = true; }

  TQXDigitalOutputSource& Output(int channel, const QString& conditions, bool on = false,
                                 const QString& question = QString()) {
    auto def = Def(DIGITAL_OUT_DATASRC, 0, channel, on ? 1 : 0);
    def.FShortLabelText = conditions;
    def.FUnitsLabelText = question;
    auto out = std::make_unique<TQXDigitalOutputSource>();
    out->RegisterParent(&panel, def);
    return *static_cast<TQXDigitalOutputSource*>(list.AddSource(std::move(out)));
  }
  TQXDigitalInputSource& Input(int channel) {
    auto in = std::make_unique<TQXDigitalInputSource>();
    in->RegisterParent(&panel, Def(DIGITAL_IN_DATASRC, 0, channel, 0));
    return *static_cast<TQXDigitalInputSource*>(list.AddSource(std::move(in)));
  }
  void SetInput(TQXDigitalInputSource& in, bool on) {
    ReadDigital(in.FChannel, on ? 1 : 0);
    in.DataWrite();
  }
  void Bind() {
    for (TQXSource* s : list.Sources()) s->BindSouceConditions();
  }
  bool Line(int n) { return card.Device(legacy::VelUSB0).Ports[0] & (1 << n); }
};
}  // namespace

TEST(ConditionText, SplitsAtCommasAndBlanksKeepingQuotedItems) {
  EXPECT_EQ(TConditions::SplitItems("AND,DI2,SWITCHOFF,DO1"), QStringList({"AND", "DI2", "SWITCHOFF", "DO1"}));
  EXPECT_EQ(TConditions::SplitItems("AND DI2"), QStringList({"AND", "DI2"}));
  EXPECT_EQ(TConditions::SplitItems("  AND ,  DI2  "), QStringList({"AND", "DI2"}));
  EXPECT_EQ(TConditions::SplitItems("\"AND DI2\",OR"), QStringList({"AND DI2", "OR"}));
  EXPECT_EQ(TConditions::SplitItems("AND,,DI2,"), QStringList({"AND", "", "DI2", ""}));
  EXPECT_TRUE(TConditions::SplitItems("").isEmpty());
}

TEST_F(TConditionsTest, InvalidPairsAreWarnedOnceAndDroppedOthersKept) {
  prompts.ExpectMessage("Invalid Condition Settings:\n\rcommand: and\n\robserved source: DI2");
  prompts.ExpectMessage("command: AND\n\robserved source: DI9");
  auto& out = Output(0, "and,DI2,AND,DI9,OR,DO1,NOT");  // the unpaired last item is ignored
  ASSERT_TRUE(out.FConditionExist);
  auto* conditions = dynamic_cast<TConditions*>(out.FConditions.get());
  ASSERT_NE(conditions, nullptr);
  EXPECT_EQ(conditions->Lines(), QStringList({"OR=DO1"}));
  EXPECT_EQ(conditions->FUnparrsedCmds, "and,DI2,AND,DI9,OR,DO1,NOT");
  EXPECT_EQ(prompts.Records().size(), 2u);

  prompts.ExpectMessage("observed source: AI16");
  EXPECT_FALSE(Output(1, "AND,AI16").FConditionExist);  // nothing valid: clicks simply toggle
}

TEST_F(TConditionsTest, WithoutTheLogicEngineTheShortLabelIsALabel) {
  rig.FLogicEngineActive = false;
  auto& out = Output(0, "AND,DI2");
  Input(2);
  EXPECT_FALSE(out.FConditionExist);
  out.DOutButtonClick();
  EXPECT_TRUE(out.Output_State);
}

TEST_F(TConditionsTest, AndSwitchesOnOnlyWithTheInputAndNeverOff) {
  auto& out = Output(0, "AND DI2");  // a blank works as the comma
  auto& in = Input(2);
  Bind();
  out.DOutButtonClick();
  EXPECT_FALSE(out.Output_State);
  SetInput(in, true);
  out.DOutButtonClick();
  EXPECT_TRUE(out.Output_State);
  EXPECT_TRUE(Line(0));
  out.DOutButtonClick();
  EXPECT_TRUE(out.Output_State);
}

TEST_F(TConditionsTest, NotOnAnInputCopiesItAtEveryClick) {
  auto& out = Output(0, "NOT,DI3");
  auto& in = Input(3);
  Bind();
  SetInput(in, true);
  out.DOutButtonClick();
  EXPECT_TRUE(out.Output_State);
  out.DOutButtonClick();
  EXPECT_TRUE(out.Output_State);
  SetInput(in, false);
  out.DOutButtonClick();
  EXPECT_FALSE(out.Output_State);
}

TEST_F(TConditionsTest, NotOnAnOutputFlipsItOnlyWhenItHasConditionsOfItsOwn) {
  auto& plain = Output(1, "", true);
  auto& governed = Output(2, "OR,DI0");
  auto& s = Output(0, "NOT,DO1,NOT,DO2");
  Input(0);
  Bind();
  s.DOutButtonClick();
  EXPECT_TRUE(plain.Output_State);    // no conditions: keeps its state (and sends it again)
  EXPECT_TRUE(Line(1));
  EXPECT_TRUE(governed.Output_State);  // its own conditions: flipped
  EXPECT_TRUE(Line(2));
  EXPECT_FALSE(s.Output_State);        // nothing set the clicked output
}

TEST_F(TConditionsTest, OrSwitchesOnWhenBothAreOff) {
  auto& other = Output(1, "");
  auto& s = Output(0, "OR,DO1");
  Bind();
  s.DOutButtonClick();
  EXPECT_TRUE(s.Output_State);
  s.DOutButtonClick();
  EXPECT_TRUE(s.Output_State);  // OR never switches off
  auto& s2 = Output(3, "OR,DO1");
  other.ForceOn();
  Bind();
  s2.DOutButtonClick();
  EXPECT_FALSE(s2.Output_State);
}

TEST_F(TConditionsTest, XorOnAnOutputUsesTheStatesBeforeAnyChange) {
  auto& o = Output(1, "OR,DI0");  // has conditions, so a NOT flips it
  auto& s = Output(0, "NOT,DO1,XOR,DO1");
  Input(0);
  Bind();
  // Both off when clicked: NOT turns DO1 on first, yet XOR still sees it off and turns S on.
  s.DOutButtonClick();
  EXPECT_TRUE(o.Output_State);
  EXPECT_TRUE(s.Output_State);
  // Clicked with DO1 on: S goes off whatever NOT did to DO1 meanwhile.
  s.DOutButtonClick();
  EXPECT_FALSE(o.Output_State);
  EXPECT_FALSE(s.Output_State);
}

TEST_F(TConditionsTest, XorOnAnInputSwitchesOffWhenBothAreOn) {
  auto& s = Output(0, "XOR,DI1", true);
  auto& in = Input(1);
  Bind();
  s.DOutButtonClick();
  EXPECT_TRUE(s.Output_State);
  SetInput(in, true);
  s.DOutButtonClick();
  EXPECT_FALSE(s.Output_State);
}

TEST_F(TConditionsTest, WarnIfSetHighAsksTheOutputsQuestion) {
  auto& pump = Output(1, "", true);
  auto& s = Output(0, "WARNIFSETHIGH,DO1", false, "Pump 1 is running. Open the drain anyway?");
  auto& in = Input(4);
  auto& t = Output(2, "WARNIFSETHIGH,DI4");
  Bind();
  prompts.ExpectMessage("Pump 1 is running. Open the drain anyway?", TModalResult::mrNo);
  s.DOutButtonClick();
  EXPECT_FALSE(s.Output_State);
  prompts.ExpectMessage("Pump 1 is running", TModalResult::mrYes);
  s.DOutButtonClick();
  EXPECT_TRUE(s.Output_State);
  EXPECT_TRUE(Line(0));
  EXPECT_TRUE(pump.Output_State);

  t.DOutButtonClick();  // input off: no question, no change
  EXPECT_FALSE(t.Output_State);
  SetInput(in, true);
  prompts.ExpectMessage(TQXDigitalOutputSource::WarningText, TModalResult::mrYes);
  t.DOutButtonClick();
  EXPECT_TRUE(t.Output_State);
  prompts.ExpectMessage(TQXDigitalOutputSource::WarningText, TModalResult::mrNo);
  t.DOutButtonClick();
  EXPECT_TRUE(t.Output_State);
}

TEST_F(TConditionsTest, SwitchOffKeepsTwoPumpsFromRunningTogether) {
  auto& p1 = Output(1, "SWITCHOFF,DO0");
  auto& p0 = Output(0, "SWITCHOFF,DO1,AND,DI0");  // the AND after it is never reached
  Input(0);
  Bind();
  p1.DOutButtonClick();
  EXPECT_TRUE(p1.Output_State);
  p0.DOutButtonClick();
  EXPECT_TRUE(p0.Output_State);
  EXPECT_FALSE(p1.Output_State);
  EXPECT_TRUE(Line(0));
  EXPECT_FALSE(Line(1));
  p0.DOutButtonClick();
  EXPECT_FALSE(p0.Output_State);
  EXPECT_FALSE(p1.Output_State);
}

TEST_F(TConditionsTest, SwitchOffAllSparesTheHolderOnly) {
  auto& a = Output(1, "", true);
  auto& b = Output(2, "OR,DI0", true);
  auto& s = Output(0, "SWITCHOFFALLDO,DI0");
  Input(0);
  Bind();
  s.DOutButtonClick();
  EXPECT_TRUE(s.Output_State);
  EXPECT_FALSE(a.Output_State);
  EXPECT_FALSE(b.Output_State);
  EXPECT_FALSE(Line(1));
  EXPECT_FALSE(Line(2));
  EXPECT_TRUE(Line(0));
  s.DOutButtonClick();
  EXPECT_FALSE(s.Output_State);
}

TEST_F(TConditionsTest, ASourceTheRigLacksIsReportedAtBindAndStaysInert) {
  auto& s = Output(0, "AND,DI5,SWITCHOFFALLDO,AO2,OR,DO3");
  auto& other = Output(1, "", true);
  prompts.ExpectMessage("qxList DI not found for channel: '5'");
  prompts.ExpectMessage("qxList AO not found for channel: '2'");
  prompts.ExpectMessage("qxList DO not found for channel: '3'");
  Bind();
  s.DOutButtonClick();
  EXPECT_FALSE(s.Output_State);  // nothing bound: the click changes nothing
  EXPECT_TRUE(other.Output_State);
}

TEST_F(TConditionsTest, WarnIfSetLowIsAcceptedAndDoesNothing) {
  auto& s = Output(0, "WARNIFSETLOW,DI0");
  Input(0);
  Bind();
  EXPECT_TRUE(s.FConditionExist);
  s.DOutButtonClick();
  EXPECT_FALSE(s.Output_State);
}

namespace {
struct TDemoInterlock : ::testing::Test, TDemoRigFixture {};
}  // namespace

TEST_F(TDemoInterlock, TheDemosFillAndDrainPumpsNeverRunTogether) {
  ASSERT_TRUE(LoadDemo(QStringLiteral(QUORLEX_SOURCE_DIR "/examples/rigs/demo/"), nullptr));
  ASSERT_TRUE(demo.FLogicEngineActive);
  const TQXList sources(list->Sources());
  TQXDigitalOutputSource* fill = sources.FindDO(6);
  TQXDigitalOutputSource* drain = sources.FindDO(7);
  ASSERT_TRUE(fill && drain);
  ASSERT_TRUE(fill->FConditionExist && drain->FConditionExist);
  EXPECT_FALSE(sources.FindDO(0)->FConditionExist) << "a one-word short label is no condition";
  emit fill->DisplayButton->Clicked();
  EXPECT_TRUE(fill->Output_State);
  emit drain->DisplayButton->Clicked();
  EXPECT_TRUE(drain->Output_State);
  EXPECT_FALSE(fill->Output_State);
  emit fill->DisplayButton->Clicked();
  EXPECT_TRUE(fill->Output_State);
  EXPECT_FALSE(drain->Output_State);
}
