#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "rigbuilder.h"
#include "rigconfig/datasource_definition.h"
#include "rigconfig/rigconfig.h"
#include "workbook/model/workbook.h"
#include "workbook/model/workbookerror.h"
#include "support/scriptedprompts.h"

namespace {
struct TDefinitionFixture : ::testing::Test {
  TTempFolder tmp;
  TRigBuilder rig{tmp};
  TWorkbook book1, book2;
  TRecordingRigHost host;
  TRigConfig config{&book1, &book2, &host};

  void SetUp() override {
    TDataSource_Definition::ResetDefinitionCount();
    rig.General(1, "Rig", 0, 0, 0);
    rig.Sheet("config/columns.vts", {{S("X")}});
  }
  // Reads definitions until the list ends (or `limit`).
  std::vector<std::unique_ptr<TDataSource_Definition>> ReadAll(int limit = 100) {
    config.Initialise(rig.Folder());
    std::vector<std::unique_ptr<TDataSource_Definition>> defs;
    while (static_cast<int>(defs.size()) < limit) {
      defs.push_back(std::make_unique<TDataSource_Definition>(config, &host));
      if (defs.back()->SourceType() == NO_MORE_DATASRC) break;
    }
    return defs;
  }
};

// kind, column, channel, initial, x, y, label x, label y, long, short, units, hint, width
TSheetRow Row(double kind, double column, double channel, const char* label, double initial = 0) {
  return {N(kind), N(column), N(channel), N(initial), N(10), N(20), N(30), N(40), S(label), S("s"), S("u"), S("hint"), N(60)};
}
}  // namespace

TEST_F(TDefinitionFixture, RowsFillTheRigsChannelListsAndCounters) {
  rig.Sheet("config/datasrc.vts", {Row(4, 1, 0, "T1"), Row(4, 2, 9, "T2"), Row(9, 0, 0, "Heater power"),
                                   Row(11, 0, 3, "Valve"), Row(12, 0, 2, "Switch"), Row(13, 0, 0, "PID"),
                                   Row(4, 3, 104, "Remote T"), Row(28, 4, 32, "Speed"), Row(29, 0, 1, "DAC"),
                                   Row(40, 0, 0, "Offset"), Row(10, 0, 0, "Frame")});
  rig.Sheet("config/ifdsrc.vts", {{N(0), N(0), N(-2048), N(100), N(2047)}, {N(-1), N(0), N(0), N(50), N(2047)}});
  const auto defs = ReadAll();
  ASSERT_EQ(defs.size(), 12u);
  EXPECT_EQ(defs[11]->SourceType(), NO_MORE_DATASRC);
  EXPECT_EQ(defs[0]->SourceType(), IFD_DATASRC);
  EXPECT_EQ(defs[2]->IFD_Channel(), -1);  // outputs are stored as -(channel + 1)
  EXPECT_EQ(defs[3]->IFD_Channel(), 3);   // digital outputs are not
  EXPECT_EQ(config.Input_Count, 3);
  EXPECT_EQ(config.Output_Count, 2);
  EXPECT_EQ(config.Controller_Count, 1);
  EXPECT_EQ(config.FreqCount, 1);
  EXPECT_EQ(config.DAC_Count, 1);
  EXPECT_FALSE(config.ReleaseOffsetMenu);
  EXPECT_TRUE(config.Using_IFD);
  EXPECT_TRUE(config.Using_EXP);
  EXPECT_TRUE(host.Calls.contains("panel2 250"));
  EXPECT_TRUE(config.UsingSingleEndedChannels);
  EXPECT_FALSE(config.UsingSingleEndedChannelsForSlave);
  EXPECT_EQ(config.rigConfIFDmodeMaster(), 1);
  EXPECT_EQ(config.InputChannelNames, QStringList({"T1", "T2", "Remote T"}));
  EXPECT_EQ(config.InputChannelNumbers[2], 104);
  EXPECT_EQ(config.OutputChannelNames, QStringList({"Heater power", "Valve", "DAC"}));
  EXPECT_EQ(config.OutputChannelNumbers[0], -1);
  EXPECT_EQ(config.OutputChannelNumbers[1], 3);
  // Input channel 0 and output channel 0 (stored -1) find their own calibration rows.
  EXPECT_EQ(defs[0]->MaxRawValueIndex, 2);
  EXPECT_EQ(defs[0]->RawValueAt(1), -2048);
  EXPECT_EQ(defs[0]->ProcessedValueAt(2), 100);
  EXPECT_EQ(defs[2]->ProcessedValueAt(2), 50);
  EXPECT_EQ(defs[2]->RawValueAt(3), -999);
  EXPECT_EQ(defs[1]->MaxRawValueIndex, 0);  // channel 9 has no row
  // A frame: value box is its top-left, caption position its bottom-right.
  EXPECT_EQ(defs[10]->SourceType(), FRAME_DATASRC);
  EXPECT_EQ(defs[10]->MimicData_X_Pos(), 10);
  EXPECT_EQ(defs[10]->MimicLabel_Y_Pos(), 40);
  EXPECT_EQ(defs[10]->NoColumnHintText(), "hint");
  EXPECT_EQ(defs[10]->Mimic_Item_Width(), 60);
}

TEST_F(TDefinitionFixture, CalibrationPairRules) {
  rig.Sheet("config/datasrc.vts", {Row(4, 1, 0, "A"), Row(4, 2, 1, "B"), Row(4, 3, 2, "C"), Row(4, 4, 3, "D")});
  std::vector<TSheetRow> cal = {
      {N(0), N(0), N(0), N(10), N(10), N(0), N(0)},  // leading (0,0) counts; the third (0,0) ends
      {N(1), N(1), N(2), N(3), N(4), N(5), N(6)},    // 7 columns: 3 pairs
      {N(1), N(9), N(9)},                            // a later row of the same channel is ignored
  };
  TSheetRow wide = {N(2)};
  for (int i = 1; i <= 22; ++i) {
    wide.push_back(N(i));
    wide.push_back(N(i * 10));
  }
  cal.push_back(wide);  // 45 columns: at most 20 pairs
  rig.Sheet("config/ifdsrc.vts", cal);
  const auto defs = ReadAll();
  EXPECT_EQ(defs[0]->MaxRawValueIndex, 2);
  EXPECT_EQ(defs[1]->MaxRawValueIndex, 3);
  EXPECT_EQ(defs[1]->RawValueAt(3), 6);
  EXPECT_EQ(defs[2]->MaxRawValueIndex, 20);
  EXPECT_EQ(defs[2]->RawValueAt(20), 200);
  EXPECT_EQ(defs[3]->MaxRawValueIndex, 0);
}

TEST_F(TDefinitionFixture, InvalidCodesEndTheListWithAMessage) {
  rig.Sheet("config/datasrc.vts", {Row(5, 1, 0, "Manual"), Row(99, 2, 0, "Bad"), Row(4, 3, 0, "After")});
  rig.Sheet("config/ifdsrc.vts", {{N(0)}});
  TScriptedPrompts prompts;
  prompts.ExpectMessage("Error at row 2 in datasrc.vts");
  const auto defs = ReadAll();
  ASSERT_EQ(defs.size(), 2u);
  EXPECT_EQ(defs[1]->SourceType(), NO_MORE_DATASRC);
  EXPECT_EQ(defs[1]->LongLabelText(), "Bad");  // the row's columns are still read
  EXPECT_EQ(prompts.Records()[0].Type, TMsgDlgType::mtInformation);

  // An empty row inside the sheet reads as code 0.
  TDataSource_Definition::ResetDefinitionCount();
  rig.Sheet("config/datasrc.vts", {Row(5, 1, 0, "Manual"), {}, Row(4, 3, 0, "After")});
  prompts.ExpectMessage("Error at row 2 in datasrc.vts");
  EXPECT_EQ(ReadAll().size(), 2u);
}

TEST_F(TDefinitionFixture, ElevenColumnSheetsHaveNoHints) {
  rig.Sheet("config/datasrc.vts", {{N(5), N(1), N(0), N(2.5), N(1), N(2), N(3), N(4), S("Long"), S("Short"), S("kPa")}});
  rig.Sheet("config/ifdsrc.vts", {{N(0)}});
  const auto defs = ReadAll();
  EXPECT_EQ(defs[0]->NoColumnHintText(), "");
  EXPECT_EQ(defs[0]->InitialVal(), 2.5);
  EXPECT_EQ(defs[0]->UnitsLabelText(), "kPa");
  EXPECT_EQ(defs[0]->ShortLabelText(), "Short");
}

TEST_F(TDefinitionFixture, MissingOrBrokenSheetsRaiseAndCanBeRetried) {
  config.Initialise(rig.Folder());
  EXPECT_THROW(TDataSource_Definition(config, &host), EWorkbookError);
  EXPECT_EQ(TDataSource_Definition::DefinitionCount(), 0);
  rig.Sheet("config/datasrc.vts", {Row(4, 1, 0, "T"), {S("x"), N(1)}});
  rig.Sheet("config/ifdsrc.vts", {{N(0)}});
  TDataSource_Definition first(config, &host);
  EXPECT_EQ(first.Row(), 1);
  EXPECT_THROW(TDataSource_Definition(config, &host), EWorkbookError);  // text as a kind code
}

TEST_F(TDefinitionFixture, ColumnsOutsideTheResultsTableAreRefused) {
  for (const double column : {2147483647.0, 16385.0, -1.0}) {
    TDataSource_Definition::ResetDefinitionCount();
    rig.Sheet("config/datasrc.vts", {Row(5, column, 0, "Manual")});
    rig.Sheet("config/ifdsrc.vts", {{N(0)}});
    config.Initialise(rig.Folder());
    try {
      TDataSource_Definition def(config, &host);
      ADD_FAILURE() << "column " << column << " accepted";
    } catch (const EWorkbookError& e) {
      EXPECT_TRUE(e.Message().contains("outside the results table")) << e.what();
    }
  }
  TDataSource_Definition::ResetDefinitionCount();
  rig.Sheet("config/datasrc.vts", {Row(5, 16384, 0, "Manual")});
  EXPECT_EQ(ReadAll()[0]->Column(), 16384);
}
