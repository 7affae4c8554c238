// The demo rig shipped in examples/ loads completely, and its help pages are found.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>

#include "platform/helpwindow.h"
#include "rigbuilder.h"
#include "rigconfig/datasource_definition.h"
#include "rigconfig/rigconfig.h"
#include "workbook/model/workbook.h"
#include "support/scriptedprompts.h"

namespace {
const QString kDemo = QStringLiteral(QUORLEX_SOURCE_DIR "/examples/rigs/demo/");
}

TEST(DemoRig, LoadsWithEverySourceKindItShips) {
  TTempFolder tmp;  // keeps the registry values of the load out of the user's settings
  TWorkbook book1, book2;
  TRecordingRigHost host;
  TRigConfig rig(&book1, &book2, &host);
  TScriptedPrompts prompts;
  prompts.ExpectChoice(1);
  ASSERT_TRUE(rig.Initialise(kDemo)) << rig.Problems().join("\n").toStdString();
  EXPECT_EQ(rig.Expt_Count, 2);
  EXPECT_EQ(rig.SpreadSheet_title, "Heat Transfer Teaching Rig: Exercise 2");
  EXPECT_EQ(rig.fData_Capture_Type, 1);
  EXPECT_EQ(rig.LogSampleInterval, 10000);
  EXPECT_TRUE(rig.AutopilotFeature);  // from config/Ex2/Configuration.ini
  EXPECT_TRUE(rig.FisVexamode);
  EXPECT_TRUE(rig.Using_Graph);
  EXPECT_TRUE(QFileInfo::exists(rig.Backdrop));

  TDataSource_Definition::ResetDefinitionCount();
  std::vector<std::unique_ptr<TDataSource_Definition>> defs;
  do defs.push_back(std::make_unique<TDataSource_Definition>(rig, &host));
  while (defs.back()->SourceType() != NO_MORE_DATASRC && defs.size() < 100);
  EXPECT_EQ(defs.size(), 38u);
  EXPECT_EQ(rig.Input_Count, 3);
  EXPECT_EQ(rig.Output_Count, 7);
  EXPECT_EQ(rig.Controller_Count, 2);
  EXPECT_EQ(rig.DAC_Count, 1);
  EXPECT_EQ(rig.InputChannelNames.size(), 3);
  EXPECT_EQ(rig.OutputChannelNumbers[0], -1);
  EXPECT_EQ(rig.OutputChannelNumbers[1], -2);
  EXPECT_TRUE(rig.Using_IFD);
  EXPECT_FALSE(rig.Using_EXP);
  for (const auto& d : defs)
    if (d->SourceType() == IFD_DATASRC || d->SourceType() == ANALOGUE_OUT_DATASRC)
      EXPECT_GE(d->MaxRawValueIndex, 2) << d->LongLabelText().toStdString();

  // Run sheet formulas compute derived columns.
  TWorkbook run;
  run.Read(rig.Run_Spreadsheet);
  run.SetNumberRC(2, 4, 60);
  run.SetNumberRC(2, 5, 40);
  run.SetNumberRC(2, 6, 6);
  // Exercise 2 hides the heat flow until the score cell (2, 1) is set by the last answer.
  EXPECT_EQ(run.TextRC(2, 11), "");
  run.SetNumberRC(2, 1, 0.001);
  EXPECT_NEAR(run.NumberRC(2, 11), 6.0 / 60 * 4.18 * 20, 1e-12);
  EXPECT_EQ(run.NumberRC(2, 14), 20);
  EXPECT_EQ(run.NumberRC(2, 18), 0);  // the overheat warning's formula: lit from 70 degrees
  run.SetNumberRC(2, 4, 70);
  EXPECT_EQ(run.NumberRC(2, 18), 1);
}

TEST(DemoRig, HelpPagesResolveFromWindowsStyleNames) {
  const QString help = kDemo + "help/heat.chm";
  EXPECT_TRUE(THelpWindow::ContentsPage(help).endsWith("heat/index.htm"));
  EXPECT_TRUE(THelpWindow::ContextPage(help, 12).endsWith("heat/Safety.htm"));
  EXPECT_EQ(THelpWindow::ContextPage(help, 99), "");
  EXPECT_TRUE(THelpWindow::TopicPage(help, "using\\pump_control.htm").endsWith("Using/Pump_Control.htm"));
  EXPECT_TRUE(THelpWindow::TopicPage(help, "Description\\Overview").endsWith("Overview.htm"));
  EXPECT_EQ(THelpWindow::TopicPage(kDemo + "help/missing.chm", "index.htm"), "");
}

TEST(DemoRig, CheckRigCommandReportsCleanAndFlagsBrokenRigs) {
  TTempFolder tmp;
  QProcess check;
  check.start(QStringLiteral(QUORLEX_BINARY_DIR "/quorlex"), {"--check-rig", kDemo});
  ASSERT_TRUE(check.waitForFinished(30000));
  const QString out = QString::fromUtf8(check.readAllStandardOutput());
  EXPECT_EQ(check.exitCode(), 0) << out.toStdString();
  EXPECT_TRUE(out.contains("OK: 76 definitions")) << out.toStdString();
  EXPECT_TRUE(out.contains("row 4: IFD_DATASRC, column 4, channel 0, 3 calibration pairs"));

  TRigBuilder rig(tmp);
  rig.General(1, "Broken", 0, 0, 0);
  rig.Sheet("config/columns.vts", {{S("X")}});
  rig.Sheet("config/datasrc.vts", {{N(0), N(1)}});
  rig.Sheet("config/ifdsrc.vts", {{N(0)}});
  check.start(QStringLiteral(QUORLEX_BINARY_DIR "/quorlex"), {"--check-rig", tmp.Path()});
  ASSERT_TRUE(check.waitForFinished(30000));
  const QString bad = QString::fromUtf8(check.readAllStandardOutput());
  EXPECT_EQ(check.exitCode(), 1);
  EXPECT_TRUE(bad.contains("Error at row 1 in datasrc.vts")) << bad.toStdString();
}
