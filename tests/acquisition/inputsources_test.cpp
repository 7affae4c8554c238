#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "acquisition/qxanalogueinputsource.h"
#include "acquisition/qxdigitalinputsource.h"
#include "acquisition/qxetimesource.h"
#include "acquisition/qxfixedsource.h"
#include "acquisition/qxmaninpsource.h"
#include "acquisition/qxoptionsource.h"
#include "acquisition/radiogroup.h"
#include "acquisition/qxsamplenumbersource.h"
#include "acquisition/qxtextsource.h"
#include "acquisition/qxtimesource.h"
#include "acquisition/twostateimage.h"
#include "sourcefixture.h"
#include "support/scriptedprompts.h"

namespace {
struct TInputSources : ::testing::Test, TSourceFixture {};
}  // namespace

TEST_F(TInputSources, AnalogueInputReadsConvertsAndShows) {
  sample.SetNumberFormatRC(2, 3, "0.00");
  auto def = Def(IFD_DATASRC, 3, 4, 0);
  def.FUnitsLabelText = "kPa";
  Calibrate(def, {{0, 0.0}, {100, 5.0}});
  TQXAnalogueInputSource source;
  source.RegisterParent(&panel, def);
  ifd->RegisterChannel(source.FChannel, source.MaxValue);
  card.Device(legacy::VelUSB0).Scan[4] = 2048 + 1024;
  ifd->SampleNow();
  source.DataWrite();
  EXPECT_EQ(sample.NumberRC(2, 3), 50);
  panel.show();
  source.DataDisplay();
  EXPECT_EQ(source.Display_Box->text(), "50.00 kPa");
  EXPECT_EQ(source.VoltageString(), "2.50");
  EXPECT_EQ(source.Data_Label->text(), "Long");
}

TEST_F(TInputSources, AnInputWithoutAReadingIsRecordedEmptyAndShownUnavailable) {
  auto def = Def(IFD_DATASRC, 3, 4, 0);
  def.FUnitsLabelText = "kPa";
  Calibrate(def, {{0, 0.0}, {100, 5.0}});
  TQXAnalogueInputSource source;
  source.RegisterParent(&panel, def);
  ifd->RegisterChannel(source.FChannel, source.MaxValue);
  panel.show();
  // Before the first reading: nothing, not the 0 counts the card's fields start with.
  source.DataWrite();
  EXPECT_EQ(sample.ValueRC(2, 3).Kind, TValueKind::Empty);
  EXPECT_FALSE(source.HasReading());
  card.Device(legacy::VelUSB0).Scan[4] = 2048 + 1024;
  ifd->SampleNow();
  source.DataWrite();
  EXPECT_EQ(sample.NumberRC(2, 3), 50);
  EXPECT_TRUE(source.HasReading());
  // The card stops answering: the next sample holds nothing, not the value read before.
  card.Vanished = true;
  ifd->SampleNow();
  source.DataWrite();
  EXPECT_EQ(sample.ValueRC(2, 3).Kind, TValueKind::Empty);
  source.DataDisplay();
  EXPECT_EQ(source.Display_Box->text(), QString(QChar(0x2014)));
  // Back: its first reading is taken as it is.
  card.Vanished = false;
  card.Device(legacy::VelUSB0).Scan[4] = 2048 + 512;
  ifd->SampleNow();
  source.DataWrite();
  EXPECT_EQ(sample.NumberRC(2, 3), 25);
}

TEST_F(TInputSources, ZeroButtonTakesTheTareOnTheNextConversion) {
  auto def = Def(IFD_DATASRC, 1, 0, 1);  // initial value 1: a Zero button
  Calibrate(def, {{0, 0.0}, {100, 5.0}});
  TQXAnalogueInputSource source;
  source.RegisterParent(&panel, def);
  ASSERT_NE(source.Button, nullptr);
  EXPECT_EQ(source.Button->text(), "Zero");
  source.current_IFD_value = 12.3 * 2048 / 100;
  source.Button->click();
  EXPECT_NEAR(source.ProcessValue(), 12.3, 1e-9);  // this call still untared
  EXPECT_NEAR(source.ProcessValue(), 0, 1e-9);
  source.current_IFD_value = 20.0 * 2048 / 100;
  EXPECT_NEAR(source.ProcessValue(), 7.7, 1e-9);
  source.Button->click();
  source.ProcessValue();
  EXPECT_NEAR(source.Tare_Value, 20, 1e-9);
}

TEST_F(TInputSources, SourcesWithoutAPositionStillWriteTheirColumn) {
  auto def = Def(MANINP_DATASRC, 2, 0, 4.5, /*positioned=*/false);
  TQXManInpSource source;
  source.RegisterParent(&panel, def);
  EXPECT_EQ(source.Data_Label, nullptr);
  EXPECT_EQ(source.Display_Box, nullptr);
  EXPECT_EQ(source.EditBox, nullptr);
  source.DataWrite();
  EXPECT_EQ(sample.NumberRC(2, 2), 4.5);
}

TEST_F(TInputSources, ManualInputValidationAndDecimals) {
  sample.SetNumberFormatRC(2, 2, "0.00");
  auto def = Def(MANINP_DATASRC, 2, 0, 3.25);
  def.FUnitsLabelText = "kg";
  TQXManInpSource source;
  source.RegisterParent(&panel, def);
  EXPECT_EQ(source.ButtonCaption(), "3.25 kg");
  {
    TScriptedPrompts prompts;
    prompts.ExpectMessage("A manual input is invalid. Please change this value.");
    source.EditClick();
    source.SetEditText("12.5x");
    source.Check_Validity(source.EditBox);
    EXPECT_EQ(source.DataValue, 3.25);  // unchanged
    EXPECT_EQ(prompts.Records()[0].Type, TMsgDlgType::mtError);
  }
  source.SetEditText("7");
  source.Check_Validity(source.EditBox);
  EXPECT_EQ(source.ButtonCaption(), "7.00 kg");
  source.DataWrite();
  EXPECT_EQ(sample.NumberRC(2, 2), 7);
  // The next edit keeps no decimals unless the click counted them again.
  source.SetEditText("8.5");
  source.Check_Validity(source.EditBox);
  EXPECT_EQ(source.ButtonCaption(), "8 kg");
}

TEST_F(TInputSources, TimesAndSampleNumbers) {
  clock.Set(45000 + datetime::EncodeTime(9, 5, 30, 0));
  TQXTimeSource time;
  time.RegisterParent(&panel, Def(TIME_DATASRC, 1, 0, 0));
  time.DataWrite();
  EXPECT_EQ(sample.TextRC(2, 1), "09:05:30");

  TQXETimeSource elapsed;
  elapsed.RegisterParent(&panel, Def(ETIME_DATASRC, 2, 0, 0));
  elapsed.WriteTime(0);
  EXPECT_EQ(sample.TextRC(2, 2), " ");
  elapsed.WriteTime(45000 + datetime::EncodeTime(9, 0, 0, 0));
  EXPECT_NEAR(sample.NumberRC(2, 2), datetime::EncodeTime(0, 5, 30, 0), 1e-9);

  TQXSampleNumberSource number;
  number.RegisterParent(&panel, Def(SAMPLE_DATASRC, 3, 0, 0));
  number.WriteSample(0);
  EXPECT_EQ(sample.TextRC(2, 3), "1");
}

TEST_F(TInputSources, FixedValuesShowTheRunSheetsFormula) {
  sample.SetNumberRC(2, 1, 6);
  sample.SetFormulaRC(2, 2, "=A2*2");
  sample.SetNumberFormatRC(2, 2, "0.0");
  auto def = Def(FIXED_DATASRC, 2, 0, 0);
  def.FUnitsLabelText = "W";
  TQXFixedSource fixed;
  fixed.RegisterParent(&panel, def);
  panel.show();
  fixed.DataWrite();
  fixed.DataDisplay();
  EXPECT_EQ(fixed.Display_Box->text(), "12.0 W");
  EXPECT_EQ(sample.FormulaRC(2, 2), "=A2*2");  // nothing written over it
}

TEST_F(TInputSources, ANoteGoesIntoExactlyOneSample) {
  TQXTextSource note;
  note.RegisterParent(&panel, Def(TEXT_DATASRC, 4, 0, 0));
  ASSERT_NE(note.NoteButton, nullptr);
  EXPECT_EQ(note.NoteButton->text(), "Attach Note");
  TScriptedPrompts prompts;
  prompts.ExpectInput(QStringLiteral("pump noisy"));
  note.NoteButton->click();
  EXPECT_TRUE(prompts.Records()[0].Text.startsWith("Type in your note"));
  note.DataWrite();
  EXPECT_EQ(sample.TextRC(2, 4), "pump noisy");
  note.DataWrite();
  EXPECT_EQ(sample.TextRC(2, 4), "");
}

TEST_F(TInputSources, OptionGroupWritesTheChosenText) {
  auto def = Def(OPTION_DATASRC, 5, 0, 0);
  def.FLongLabelText = "None, Lagged,Foam";
  def.FMimicLabel_X_Pos = 220;
  def.FMimicLabel_Y_Pos = 140;
  TQXOptionSource option;
  option.RegisterParent(&panel, def);
  EXPECT_EQ(option.Items(), QStringList({"None", " Lagged", "Foam"}));  // pieces not trimmed
  EXPECT_EQ(option.RadioGroup->geometry(), QRect(100, 50, 120, 90));
  option.DataWrite();
  EXPECT_EQ(sample.TextRC(2, 5), "None");
  option.RadioGroup->findChildren<QRadioButton*>()[2]->click();
  option.DataWrite();
  EXPECT_EQ(sample.TextRC(2, 5), "Foam");
}

TEST_F(TInputSources, DigitalInputsFollowTheCardAndMayBeReversed) {
  TQXDigitalInputSource plain, reversed;
  plain.RegisterParent(&panel, Def(DIGITAL_IN_DATASRC, 6, 3, 0));
  auto def = Def(DIGITAL_IN_DATASRC, 7, 3, 0);
  def.FMimic_Item_Width = 1;
  reversed.RegisterParent(&panel, def);
  card.Device(legacy::VelUSB0).Ports[1] = 0x08;
  ifd->SampleNow();
  plain.DataWrite();
  reversed.DataWrite();
  EXPECT_EQ(sample.NumberRC(2, 6), 1);
  EXPECT_EQ(sample.NumberRC(2, 7), 0);
  EXPECT_TRUE(plain.DisplayButton->State());
  EXPECT_FALSE(reversed.DisplayButton->State());
  // The card's answer fails: the sample holds no state (not the last one); the pictures keep it.
  card.Vanished = true;
  ifd->SampleNow();
  plain.DataWrite();
  reversed.DataWrite();
  EXPECT_EQ(sample.ValueRC(2, 6).Kind, TValueKind::Empty);
  EXPECT_EQ(sample.ValueRC(2, 7).Kind, TValueKind::Empty);
  EXPECT_TRUE(plain.DisplayButton->State());
  EXPECT_TRUE(plain.Input_State);
}

// On the serial path a digital reply that did not come leaves the sample without a state.
TEST_F(TInputSources, ADigitalStateThatDidNotArriveIsRecordedEmpty) {
  ifd->FLegIOActive = false;
  ifd->FvComIOActive = true;
  TQXDigitalInputSource in;
  in.RegisterParent(&panel, Def(DIGITAL_IN_DATASRC, 6, 1, 0));
  ifd->LogDataIn(QStringLiteral("ms1332"));
  ifd->SampleNow();
  in.DataWrite();
  EXPECT_EQ(sample.NumberRC(2, 6), 1);
  ifd->SampleNow();  // no reply this time
  in.DataWrite();
  EXPECT_EQ(sample.ValueRC(2, 6).Kind, TValueKind::Empty);
  EXPECT_TRUE(in.Input_State);
}
