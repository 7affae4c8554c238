// A channel calibrated in the running program against the card simulator: the window follows the
// live voltage, the new table is stored and, taken into use, converts the channel's live values.
#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QTableWidget>

#include "acquisition/qxanalogueinputsource.h"
#include "acquisition/qxdatalist.h"
#include "calibration/calibrate.h"
#include "calibration/calibrationsheet.h"
#include "ifd/serial/waitfor.h"
#include "platform/services.h"
#include "rigconfig/rigconfig.h"
#include "shell/master.h"
#include "workbook/model/workbook.h"
#include "support/demosimulator.h"
#include "support/scriptedprompts.h"
#include "support/tempfolder.h"

TEST(WholeProgram, ACalibrationTakesEffectOnTheLiveChannel) {
  if (!TCardSimulator::Built()) GTEST_SKIP() << "the simulator is not built";
  TTempFolder tmp;
  TDemoSimulator sim(tmp);
  TScriptedPrompts prompts;
  QString why;
  auto master = sim.StartDemo(prompts, why);
  ASSERT_TRUE(master) << why.toStdString();
  ASSERT_TRUE(master->Action("Calibrate")->isEnabled());
  // The demo rig logs no sensor offset: the command is not offered.
  EXPECT_FALSE(master->Action("TDCOffset")->isVisible());
  ASSERT_NE(master->OffsetProvider(), nullptr);

  master->Action("Calibrate")->trigger();
  TCalibrate* window = master->CalibrateForm();
  ASSERT_TRUE(window && window->isVisible());
  const int index = static_cast<int>(window->SensorNames().indexOf("Tank temperature T1"));
  ASSERT_GE(index, 0);
  window->Input_SensorChange(index);
  auto* input = qobject_cast<TQXAnalogueInputSource*>(TServices::DataList()->Sources()[0]);
  for (TQXSource* s : TServices::DataList()->Sources())
    if (auto* a = qobject_cast<TQXAnalogueInputSource*>(s); a && a->FChannel == window->Channel) input = a;
  ASSERT_TRUE(input && input->FChannel == window->Channel);

  // The window follows the live voltage of the simulated tank.
  ASSERT_TRUE(WaitFor([&] { return std::abs(input->VoltageValue()) > 0.05; }, 5000)) << input->VoltageValue() << " ch " << input->FChannel << " " << master->PanelText(3).toStdString();
  const QString first = window->Input_Volt_Value;
  EXPECT_TRUE(WaitFor([&] { return window->Input_Volt_Value != first; }, 5000)) << first.toStdString();
  EXPECT_TRUE(window->Voltage_Input->text().endsWith(" v"));

  // A straight table typed in: -5 V is -1000, 5 V is 1000.
  window->DirectButtonClick();
  window->Grid->setItem(0, 0, new QTableWidgetItem("-5"));
  window->Grid->setItem(0, 1, new QTableWidgetItem("-1000"));
  window->Grid->setItem(1, 0, new QTableWidgetItem("5"));
  window->Grid->setItem(1, 1, new QTableWidgetItem("1000"));
  for (int r = 2; r < TCalibrate::GridRows; ++r) window->Grid->setItem(r, 0, new QTableWidgetItem(""));
  for (int r = 2; r < TCalibrate::GridRows; ++r) window->Grid->setItem(r, 1, new QTableWidgetItem(""));
  window->PlotButtonClick();
  prompts.ExpectMessage("You are about to overwrite default calibration data", TModalResult::mrYes);
  prompts.ExpectMessage("Use it from now on?", TModalResult::mrYes);
  window->okClick();
  EXPECT_FALSE(window->isVisible());

  TWorkbook stored;
  stored.Read(master->Rig()->IFDSrc_Spreadsheet);
  const auto points = TCalibrationSheet::StoredPoints(stored, window->Channel, "ifdsrc.vts");
  ASSERT_EQ(points.size(), 2u);
  EXPECT_EQ(points[1].Reference, 1000);

  // The next readings convert through the new table, into the sample row too.
  TWorkbook& sample = master->F1Book3();
  const int column = input->Source_Column;
  ASSERT_GT(column, 0);
  ASSERT_TRUE(WaitFor([&] { return std::abs(sample.NumberRC(2, column) - 200 * input->VoltageValue()) < 1e-6; }, 5000))
      << sample.NumberRC(2, column) << " at " << input->VoltageValue() << " V";
  EXPECT_GT(std::abs(sample.NumberRC(2, column)), 10);
  master.reset();
}
