#include <gtest/gtest.h>

#include <QDir>

#include "rigbuilder.h"
#include "rigconfig/registry.h"
#include "rigconfig/rigconfig.h"
#include "rigconfig/settingsnames.h"
#include "workbook/model/workbook.h"
#include "support/recordinghelpviewer.h"
#include "support/scriptedprompts.h"

namespace {
struct TRigFixture : ::testing::Test {
  TTempFolder tmp;
  TRigBuilder rig{tmp};
  TWorkbook book1, book2;
  TRecordingRigHost host;
  TRigConfig config{&book1, &book2, &host};

  void Columns() { rig.Sheet("config/columns.vts", {{S("xd"), N(0), S("ctx"), S("Time")}, {S("Y"), N(3)}, {S("")}}); }
};
}  // namespace

TEST_F(TRigFixture, GeneralSheetWithoutExercises) {
  rig.Sheet("config/general.vts",
            {{N(1.1)},
             {S("QXE1 Heat Rig"), N(1), N(5000), E, N(1), N(0), N(0), N(7), N(1), S("client")},
             {S("y"), N(2), N(0)},
             {},
             {S("heat.CHM")},
             {S("Using\\Pump_Start")},
             {S("Overview.htm")}},
            40);
  Columns();
  ASSERT_TRUE(config.Initialise(rig.Folder()));
  EXPECT_FLOAT_EQ(config.Product_Ver, 1.1f);
  EXPECT_EQ(config.SpreadSheet_title, "QXE1 Heat Rig");
  EXPECT_TRUE(config.IsEngine);
  EXPECT_EQ(config.fData_Capture_Type, 1);
  EXPECT_EQ(config.Duration, 5000);  // only capture type 2 clamps
  EXPECT_TRUE(config.fTable_Sample_Count);
  EXPECT_EQ(config.LogSampleInterval, 10000);
  EXPECT_EQ(config.IFDSampleRate, 1000);
  EXPECT_EQ(config.IFDFilter, 7);
  EXPECT_TRUE(config.Industrial);
  EXPECT_TRUE(config.ExitWarning);
  EXPECT_EQ(config.ProgramType, TProgramType::ClientApp);
  EXPECT_TRUE(config.Using_WTG);
  EXPECT_EQ(config.HelpFileType(), THelpFileTypes::HTML);
  EXPECT_TRUE(config.RigHelpFile.endsWith("/help/heat.CHM"));
  // Topics from rows 6 and 7 only (rows up to 26 are read, but the sheet is empty there).
  ASSERT_EQ(config.RigHelpStrDisplayCount(), 21);
  EXPECT_EQ(config.RigHelpTopicName(0), "Pump Start");
  EXPECT_EQ(config.RigHelpTopicValue("Pump Start"), "Using\\Pump_Start.htm");
  EXPECT_EQ(config.RigHelpTopicValue("Overview"), "Overview.htm");
  EXPECT_EQ(config.RigHelpTopicValue("unknown"), "unknown");
  EXPECT_EQ(config.RigContextText(0), "Using\\Pump_Start");
  // Column sheet.
  ASSERT_EQ(config.ColumnStatus.size(), 3u);  // the empty third row is past LastRow
  EXPECT_TRUE(config.ColumnStatus[1].plot_on_X_Axis && config.ColumnStatus[1].DefPlot);
  EXPECT_TRUE(config.ColumnStatus[2].plot_on_Y_Axis && !config.ColumnStatus[2].DefPlot);
  EXPECT_EQ(config.ColumnStatus[2].Question_No, 3u);
  EXPECT_EQ(config.ColumnStatus[1].short_text, "Time");
  EXPECT_TRUE(config.Using_Graph);
  // Registry values were created under the rig's key with the rig's interval.
  EXPECT_EQ(config.RegistryKey, "\\Software\\Veltrim\\QXE1 Heat Rig\\Version 1.10");
  EXPECT_EQ(config.WordProcessorName, "notepad");
  EXPECT_TRUE(host.Calls.contains("interval 10000"));
  EXPECT_TRUE(host.Calls.contains("title QXE1 Heat Rig"));
}

TEST_F(TRigFixture, CaptureTypeTwoClampsTheDuration) {
  for (int duration : {0, 2000, 5000, 1999}) {
    TWorkbook b1, b2;
    TRigConfig c(&b1, &b2, &host);
    rig.General(1, "Rig", 2, duration, 250);
    Columns();
    ASSERT_TRUE(c.Initialise(rig.Folder()));
    EXPECT_EQ(c.Duration, duration == 1999 ? 1999 : 2000) << duration;
    EXPECT_EQ(c.LogSampleInterval, 250);
  }
  EXPECT_TRUE(host.Calls.contains("status Ready - click 'GO' to capture data"));
}

TEST_F(TRigFixture, HelpTopicsStopAtRow26EvenWhenTheSheetIsLonger) {
  std::vector<TSheetRow> rows = {{N(1)}, {S("Rig"), N(0)}, {S("n")}, {}, {S("rig.hlp")}};
  for (int r = 6; r <= 40; ++r) rows.push_back({QStringLiteral("Topic_%1").arg(r)});
  rig.Sheet("config/general.vts", rows, 40);
  Columns();
  ASSERT_TRUE(config.Initialise(rig.Folder()));
  EXPECT_EQ(config.RigHelpStrDisplayCount(), 21);
  EXPECT_EQ(config.RigHelpTopicName(20), "Topic 26");
  EXPECT_EQ(config.HelpFileType(), THelpFileTypes::WINHLP);
}

TEST_F(TRigFixture, ExerciseListChosenThroughThePromptService) {
  std::vector<TSheetRow> rows = {{N(1)}, {S("Rig"), N(0), N(0), E, N(0), N(0), N(0), N(0), N(0)}, {S("n")}, {}, {S("rig.chm")}};
  while (rows.size() < 29) rows.push_back({});
  rows.push_back({S("Exercise ID"), N(2)});
  rows.push_back({S("One"), S(" - basics"), N(1), N(0), S("config\\run1.vts")});
  rows.push_back({S("Two"), S(" - advanced"), N(2), N(1), S("CONFIG\\RUN2.VTS"), S(""), S(""), S(""), S(""), S(""), S(""),
                  S("pics\\plant.bmp"), S(""), S("y"), N(0), N(0)});
  rig.Sheet("config/general.vts", rows);
  Columns();
  QDir().mkpath(tmp.File("config/Ex2"));
  tmp.Write("config/Ex2/Configuration.ini", "[Scope]\nfeature=on\n");
  tmp.Write("config/Configuration.ini", "[help]\nhelp_system_package=robohelp8\nfilename=shell.chm\n");
  tmp.Write("config/run2.vts", "");

  TScriptedPrompts prompts;
  prompts.ExpectChoice(1);
  ASSERT_TRUE(config.Initialise(rig.Folder()));
  ASSERT_EQ(prompts.Records().size(), 1u);
  EXPECT_EQ(prompts.Records()[0].Items, QStringList({"One - basics", "Two - advanced"}));
  EXPECT_EQ(config.Experiment_Index, 2);
  EXPECT_EQ(config.Expt_Count_Row, 32);
  EXPECT_EQ(config.SpreadSheet_title, "Rig: Two");
  EXPECT_EQ(config.fData_Capture_Type, 2);
  EXPECT_EQ(config.Duration, 2000);
  EXPECT_TRUE(config.fTable_Sample_Count);
  EXPECT_TRUE(config.DisableUnhideButton);
  EXPECT_TRUE(config.Run_Spreadsheet.endsWith("/config/run2.vts")) << config.Run_Spreadsheet.toStdString();
  EXPECT_TRUE(config.Backdrop.endsWith("pics/plant.bmp"));
  EXPECT_TRUE(config.PathConfigurationIni().endsWith("config/Ex2/Configuration.ini"));
  EXPECT_TRUE(config.ScopeFeature);  // features from the exercise's file
  config.LoadHelpSystem();             // help package from the base file
  EXPECT_TRUE(config.FHelpSysIsRoboHelp8);
  EXPECT_EQ(config.RegistryKeyEx, "Software\\Veltrim\\Rig\\Exercise 2");
  EXPECT_TRUE(host.Calls.contains("load new experiment"));
}

TEST_F(TRigFixture, CancellingTheExerciseChoiceQuitsButLoadsTheFirst) {
  std::vector<TSheetRow> rows = {{N(1)}, {S("Rig")}, {}};
  rows.push_back({S("EXERCISE ID"), N(1)});
  rows.push_back({S("Only"), S(""), N(1), N(0)});
  rig.Sheet("config/general.vts", rows);
  Columns();
  TScriptedPrompts prompts;
  prompts.ExpectChoice(std::nullopt);
  ASSERT_TRUE(config.Initialise(rig.Folder()));
  EXPECT_TRUE(config.Quitting);
  EXPECT_EQ(config.Experiment_Index, 1);
  EXPECT_TRUE(host.Calls.contains("close soon"));
}

TEST_F(TRigFixture, MarkerBelowRow50IsNotAnExerciseList) {
  std::vector<TSheetRow> rows = {{N(1)}, {S("Rig"), N(1)}, {}};
  while (rows.size() < 50) rows.push_back({});
  rows.push_back({S("EXERCISE ID"), N(2)});
  rig.Sheet("config/general.vts", rows);
  Columns();
  ASSERT_TRUE(config.Initialise(rig.Folder()));
  EXPECT_FALSE(config.Found_Addtional_Expt);
  EXPECT_EQ(config.fData_Capture_Type, 1);
}

TEST_F(TRigFixture, MissingGeneralSheetShowsTheTargetFinderAndStillReadsFeatures) {
  tmp.Write("config/Configuration.ini", "[LOGIC_ENGINE]\nfeature=on\n[vexa]\nIS_VEXA_MODE=1\n");
  TScriptedPrompts prompts;
  prompts.ExpectChoice(std::nullopt);
  config.InitialiseLoop(tmp.Path());
  EXPECT_EQ(prompts.Records()[0].Text.left(22), "No rig could be loaded");
  EXPECT_TRUE(config.FLogicEngineActive);
  EXPECT_TRUE(config.FisVexamode);
  EXPECT_EQ(config.ShellHelpFile, config.HelpFileRoot + "qrlx32.chm");
}

TEST_F(TRigFixture, BadGeneralSheetsAreReportedNotFatal) {
  rig.Sheet("config/general.vts", {{N(1)}, {S("Rig"), S("two")}});
  Columns();
  TScriptedPrompts prompts;
  prompts.ExpectMessage("Error reading General spreadsheet (type 5)");
  EXPECT_TRUE(config.Initialise(rig.Folder()));  // the column sheet and registry still load
  EXPECT_TRUE(config.Problems().join("\n").contains("row 2, column 2")) << config.Problems().join("\n").toStdString();

  tmp.Write("config/general.vts", QByteArray("PK\x03\x04 broken archive", 22));
  TWorkbook b1, b2;
  TRigConfig c(&b1, &b2, &host);
  prompts.ExpectMessage("Error reading General spreadsheet (type 0)");
  c.Initialise(rig.Folder());
  EXPECT_FALSE(c.Problems().isEmpty());
}

TEST_F(TRigFixture, WindowsNamesResolveWithoutCase) {
  rig.General(1, "Rig", 0, 0, 0);
  Columns();
  QDir(tmp.Path()).rename("config", "CONFIG");
  ASSERT_TRUE(config.Initialise(rig.Folder()));
  EXPECT_TRUE(config.General_Spreadsheet.endsWith("/CONFIG/general.vts"));
  EXPECT_EQ(config.RigFile("Config\\Columns.VTS"), config.Columns_Spreadsheet);
}

TEST_F(TRigFixture, HelpRequestsGoToTheRightPages) {
  rig.Sheet("config/general.vts", {{N(1)}, {S("Rig")}, {}, {}, {S("rig.chm")}, {S("Using\\Pump_Start")}});
  Columns();
  ASSERT_TRUE(config.Initialise(rig.Folder()));
  config.LoadHelpSystem();
  TRecordingHelpViewer help;
  config.RigStringHelp("&Contents");
  config.RigStringHelp("Pump Start");
  config.StringHelp("0");
  config.RigTopicHelp(12);
  config.ShellStringHelp("7");
  ASSERT_EQ(help.Requests.size(), 5);
  EXPECT_EQ(help.Requests[0], QStringLiteral("context %1 1").arg(config.RigHelpFile));
  EXPECT_EQ(help.Requests[1], "topic " + config.RigHelpFile + " Using\\Pump_Start.htm");
  EXPECT_EQ(help.Requests[2], "contents " + config.RigHelpFile);
  EXPECT_EQ(help.Requests[4], QStringLiteral("context %1 7").arg(config.ShellHelpFile));

  help.Requests.clear();
  config.FHelpSysIsRoboHelp8 = true;
  config.ShellStringHelp("12");
  config.ShellStringHelp("3");  // no page for 3
  config.ShellStringHelp("Something else");
  config.ShellHelpContents();
  ASSERT_EQ(help.Requests.size(), 3);
  EXPECT_TRUE(help.Requests[0].endsWith("Saving_Exporting_Retrieving_and_Clearing_Data\\Retrieving_Data.htm"));
  EXPECT_TRUE(help.Requests[1].endsWith("Introduction\\Copy_of_Introduction.htm"));
  EXPECT_TRUE(help.Requests[2].endsWith("Preliminaries\\Contents.htm"));

  help.Requests.clear();
  config.ExecuteHint("pumps>main.Priming");
  config.ExecuteHint("no hint here");
  ASSERT_EQ(help.Requests.size(), 1);
  EXPECT_EQ(help.Requests[0], "topic " + config.HelpFileRoot + "pumps.chm Priming>main");
  EXPECT_EQ(config.HelpWindow, ">main");
}
