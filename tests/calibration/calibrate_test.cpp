// The calibration window on the demo rig: the sensor list, live volts, points added in order,
// the reference check, direct entry, storing with its question, and the new calibration in use.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>

#include "acquisition/qxanalogueinputsource.h"
#include "acquisition/sourcefixture.h"
#include "calibration/calibrate.h"
#include "calibration/calibrationsheet.h"
#include "support/recordinglauncher.h"

namespace {
struct CalibrateWindow : ::testing::Test, TDemoRigFixture {
  TScriptedPrompts prompts;
  std::unique_ptr<QWidget> main;  // a main window, when a test gives the calibration window one
  std::unique_ptr<TCalibrate> window;
  QString sheet;

  void SetUp() override {
    const QString copy = tmp.CopyTree(QStringLiteral(QUORLEX_SOURCE_DIR "/examples/rigs/demo"), "demo");
    ASSERT_TRUE(LoadDemo(copy + "/", nullptr, &prompts));
    sheet = demo.IFDSrc_Spreadsheet;
    window = std::make_unique<TCalibrate>();
    window->show();
  }
  void TearDown() override {
    window.reset();
    main.reset();
  }

  TQXIFDAnalogueSource* Source(int channel) {
    for (TQXSource* s : list->Sources())
      if (auto* a = qobject_cast<TQXIFDAnalogueSource*>(s); a && a->FChannel == channel) return a;
    return nullptr;
  }
  int IndexOf(int channel) {
    const auto& c = window->Channel_array;
    return static_cast<int>(std::find(c.begin(), c.end(), channel) - c.begin());
  }
  // One point as the user takes it: volts on the sensor, the reference typed, Freeze, Plot.
  void TakePoint(double volts, const QString& reference) {
    Source(window->Channel)->current_IFD_value = volts * 2048 / 5;
    window->Sensor_ReadingTimer();
    window->Reference_Input->setText(reference);
    window->Reference_InputEnter();
    window->FreezeClick();
    ASSERT_EQ(window->freezestate, TCalibrate::fsFrozen);
    window->PlotClick();
  }
  std::vector<double> NewReferences() const {
    std::vector<double> out;
    for (const auto& p : window->NewPoints().Points()) out.push_back(p.Reference);
    return out;
  }
};
}  // namespace

TEST_F(CalibrateWindow, ListsTheChannelsAndTakesPointsInReferenceOrder) {
  ASSERT_FALSE(window->Channel_array.empty());
  EXPECT_EQ(window->SensorNames().size(), static_cast<qsizetype>(window->Channel_array.size()));
  EXPECT_TRUE(window->SensorNames().contains("Tank temperature T1")) << window->SensorNames().join(",").toStdString();
  EXPECT_FALSE(window->ApplyButton->isEnabled());
  EXPECT_FALSE(window->FreezeButton->isEnabled());
  EXPECT_FALSE(window->DirectButton->isEnabled());

  window->Input_SensorChange(IndexOf(2));
  ASSERT_EQ(window->Channel, 2);
  // The stored row of channel 2: (0, 0 V), (5, 2.5 V), (10, 5 V).
  ASSERT_EQ(window->StoredPoints().size(), 3u);
  EXPECT_EQ(window->Grid->item(1, 0)->text(), "2.5");
  EXPECT_EQ(window->Grid->item(1, 1)->text(), "5");
  EXPECT_TRUE(window->DirectButton->isEnabled());

  // 2.345 V shows and is taken at two decimals, as the frozen display reads.
  Source(2)->current_IFD_value = 2.345 * 2048 / 5;
  window->Sensor_ReadingTimer();
  EXPECT_EQ(window->Input_Volt_Value, "2.35");
  EXPECT_EQ(window->Voltage_Input->text(), " 2.35 v");
  EXPECT_EQ(window->Calibrate_Gauge->value(), 47);

  TakePoint(3.0, "50");
  EXPECT_EQ(window->NewPoints().At(0).Volts, 3.0);
  EXPECT_EQ(window->freezestate, TCalibrate::fsLive);
  EXPECT_FALSE(window->ApplyButton->isEnabled());  // one point is not a calibration yet
  EXPECT_FALSE(window->Save_Data);
  TakePoint(1.004, "10");
  EXPECT_TRUE(window->ApplyButton->isEnabled());
  EXPECT_TRUE(window->Save_Data);
  TakePoint(2.345, "30");
  EXPECT_EQ(NewReferences(), (std::vector<double>{10, 30, 50}));
  EXPECT_EQ(window->NewPoints().At(0).Volts, 1.0);
  EXPECT_EQ(window->NewPoints().At(1).Volts, 2.35);
  EXPECT_EQ(window->NewPoints().At(2).Volts, 3.0);
  EXPECT_EQ(window->Grid->item(2, 1)->text(), "50");

  // A reference that does not read is refused, and the last good one stays.
  window->Reference_Input->setText("3O");
  prompts.ExpectMessage("The reference value that has been inputed is invalid, please change this value");
  EXPECT_FALSE(window->Reference_InputExit());
  EXPECT_EQ(window->Input_ref_Value, 30);
  EXPECT_EQ(prompts.Records().back().Type, TMsgDlgType::mtError);
  // Freeze after the refusal (as clicking it from the field does) says nothing more and stays live.
  const size_t told = prompts.Records().size();
  window->FreezeClick();
  EXPECT_EQ(window->freezestate, TCalibrate::fsLive);
  EXPECT_EQ(prompts.Records().size(), told);
  window->Reference_Input->setText("");
  prompts.ExpectMessage("The reference value that has been inputed is invalid");
  window->FreezeClick();
  EXPECT_EQ(window->freezestate, TCalibrate::fsLive);

  if (const QByteArray dir = qgetenv("QUORLEX_SHOTS"); !dir.isEmpty()) {
    window->Reference_Input->setText("40 °C");
    window->grab().save(QString::fromLocal8Bit(dir) + "/calibrate.png");
    window->DirectButtonClick();
    window->grab().save(QString::fromLocal8Bit(dir) + "/calibrate-direct.png");
    window->DirectButtonClick();
  }

  // A click on the middle point deletes it after asking; one far from every point does nothing.
  window->Calibrate_ChartPointSelected(0.2, 95);
  prompts.ExpectMessage("Do you want to delete Reference point 30?", TModalResult::mrYes);
  prompts.ExpectMessage("Reference point 30 has been deleted");
  window->Calibrate_ChartPointSelected(2.35, 30);
  EXPECT_EQ(NewReferences(), (std::vector<double>{10, 50}));
}

TEST_F(CalibrateWindow, DirectEntryPlotsAndReverts) {
  window->Input_SensorChange(IndexOf(2));
  window->DirectButtonClick();
  EXPECT_TRUE(window->Direct);
  EXPECT_EQ(window->DirectButton->text(), "Manual...");
  window->Grid->setItem(0, 0, new QTableWidgetItem("0.5"));
  window->Grid->setItem(0, 1, new QTableWidgetItem("1"));
  window->Grid->setItem(1, 0, new QTableWidgetItem("4.5"));
  window->Grid->setItem(1, 1, new QTableWidgetItem("9"));
  window->Grid->setItem(2, 0, new QTableWidgetItem(""));
  window->Grid->setItem(2, 1, new QTableWidgetItem(""));
  window->PlotButtonClick();
  ASSERT_EQ(window->NewPoints().Count(), 2);
  EXPECT_EQ(window->NewPoints().At(1).Volts, 4.5);
  EXPECT_EQ(window->NewPoints().At(1).Reference, 9);
  EXPECT_TRUE(window->ApplyButton->isEnabled());

  // A cell that is not a number, or a row with only one value, stops the Plot; the points stay.
  window->Grid->setItem(2, 0, new QTableWidgetItem("4,9"));
  window->Grid->setItem(2, 1, new QTableWidgetItem("9.5"));
  prompts.ExpectMessage("'4,9' is not a valid floating point value");
  window->PlotButtonClick();
  window->Grid->setItem(2, 0, new QTableWidgetItem(""));
  prompts.ExpectMessage("Row 3 needs both a voltage and a reference value");
  window->PlotButtonClick();
  EXPECT_EQ(window->NewPoints().Count(), 2);

  // Revert asks; No keeps the points, Yes brings the stored calibration back.
  prompts.ExpectMessage("The new calibration data will be lost. Continue?", TModalResult::mrNo);
  window->RevertButtonClick();
  EXPECT_EQ(window->NewPoints().Count(), 2);
  prompts.ExpectMessage("The new calibration data will be lost. Continue?", TModalResult::mrYes);
  window->RevertButtonClick();
  EXPECT_EQ(window->NewPoints().Count(), 0);
  EXPECT_FALSE(window->Save_Data);
  EXPECT_FALSE(window->ApplyButton->isEnabled());
  EXPECT_EQ(window->Grid->item(0, 0)->text(), "0");
  EXPECT_EQ(window->Grid->item(1, 0)->text(), "2.5");
  EXPECT_EQ(window->Grid->item(2, 1)->text(), "10");
}

TEST_F(CalibrateWindow, ApplyAsksThenStoresTheRowAndTheNewCalibrationCanBeUsedAtOnce) {
  window->Input_SensorChange(IndexOf(2));
  TakePoint(1.0, "20");
  TakePoint(4.0, "80");
  const QByteArray before = TTempFolder::Read(sheet);

  // Declined: nothing written, and OK keeps the window and its points.
  prompts.ExpectMessage("You are about to overwrite default calibration data, do you want to continue?",
                        TModalResult::mrNo);
  window->okClick();
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->NewPoints().Count(), 2);
  EXPECT_EQ(TTempFolder::Read(sheet), before);

  prompts.ExpectMessage("You are about to overwrite default calibration data", TModalResult::mrYes);
  EXPECT_TRUE(window->ApplyClick());
  EXPECT_FALSE(window->Save_Data);
  EXPECT_TRUE(window->Restart_Machine);
  EXPECT_FALSE(window->ApplyButton->isEnabled());
  TWorkbook stored;
  stored.Read(sheet);
  const int row = TCalibrationSheet::FindRow(stored, 2, "ifdsrc.vts");
  ASSERT_EQ(row, 3);
  EXPECT_EQ(stored.NumberRC(row, 2), 20);
  EXPECT_EQ(stored.NumberRC(row, 3), 1);
  EXPECT_EQ(stored.NumberRC(row, 4), 80);
  EXPECT_EQ(stored.NumberRC(row, 5), 4);
  EXPECT_EQ(stored.TextRC(row, 6), "");
  EXPECT_EQ(stored.TextRC(row, 7), "");
  EXPECT_EQ(TTempFolder::Read(TCalibrationSheet::BackupName(sheet, clock.Now())), before);

  // Channel 2 still converts with its old table (2.5 V is 5) until the new one is taken into use.
  TQXIFDAnalogueSource* input = Source(2);
  input->current_IFD_value = 2.5 * 2048 / 5;
  EXPECT_DOUBLE_EQ(input->TaredValue(), 5);
  prompts.ExpectMessage("New calibration data has been stored. Use it from now on?", TModalResult::mrYes);
  window->okClick();
  EXPECT_FALSE(window->isVisible());
  EXPECT_DOUBLE_EQ(input->TaredValue(), 50);
}

TEST_F(CalibrateWindow, DeclinedUseWaitsForTheNextStart) {
  window->Input_SensorChange(IndexOf(2));
  TakePoint(1.0, "20");
  TakePoint(4.0, "80");
  prompts.ExpectMessage("overwrite", TModalResult::mrYes);
  // Choosing another sensor stores the unsaved points first.
  window->Input_SensorChange(IndexOf(1));
  EXPECT_EQ(window->Channel, 1);
  EXPECT_TRUE(window->Restart_Machine);
  Source(2)->current_IFD_value = 2.5 * 2048 / 5;
  prompts.ExpectMessage("Use it from now on?", TModalResult::mrNo);
  prompts.ExpectMessage("New calibration will take effect next time the program is restarted");
  window->CancelClick();
  EXPECT_DOUBLE_EQ(Source(2)->TaredValue(), 5);
  // Shown again, nothing is pending.
  window->show();
  EXPECT_FALSE(window->Restart_Machine);
  EXPECT_EQ(window->Channel, 0);
}

TEST_F(CalibrateWindow, AnOutputsNewCalibrationNeedsARestart) {
  // An output's demand range was fixed when the diagram was built: it is not swapped under it.
  const int index = static_cast<int>(std::find_if(window->Channel_array.begin(), window->Channel_array.end(),
                                                  [](int c) { return c < 0; }) -
                                     window->Channel_array.begin());
  ASSERT_LT(index, static_cast<int>(window->Channel_array.size())) << "the demo rig has an analogue output";
  main = std::make_unique<QWidget>();
  window = std::make_unique<TCalibrate>(main.get());
  main->show();
  window->show();
  window->Input_SensorChange(index);
  const int channel = window->Channel;
  window->DirectButtonClick();
  window->Grid->setItem(0, 0, new QTableWidgetItem("0"));
  window->Grid->setItem(0, 1, new QTableWidgetItem("0"));
  window->Grid->setItem(1, 0, new QTableWidgetItem("5"));
  window->Grid->setItem(1, 1, new QTableWidgetItem("50"));
  window->PlotButtonClick();
  prompts.ExpectMessage("overwrite", TModalResult::mrYes);
  ASSERT_TRUE(window->ApplyClick());
  TWorkbook stored;
  stored.Read(sheet);
  EXPECT_EQ(TCalibrationSheet::StoredPoints(stored, channel, "ifdsrc.vts").back().Reference, 50);

  TRecordingLauncher launcher;
  prompts.ExpectMessage("For new calibration data to take effect this program must be restarted. Restart this program now?",
                        TModalResult::mrYes);
  window->CancelClick();
  EXPECT_FALSE(main->isVisible());
  ASSERT_EQ(launcher.Launches().size(), 1u);
  EXPECT_EQ(launcher.Launches()[0].Program, QCoreApplication::applicationFilePath());
}

// A sensor whose voltage falls as its reference rises is stored and read between its points; one
// that turns back is refused with its points named, and nothing is stored.
TEST_F(CalibrateWindow, AFallingSensorIsStoredAndATurningOneIsRefused) {
  window->Input_SensorChange(IndexOf(2));
  TakePoint(1.0, "20");
  TakePoint(3.0, "50");
  TakePoint(2.0, "80");
  const QByteArray before = TTempFolder::Read(sheet);
  prompts.ExpectMessage("the values rise and then fall as the voltage rises: point 1 (1 V, 20), point 3 (2 V, 80) and "
                        "point 2 (3 V, 50)");
  EXPECT_FALSE(window->ApplyClick());
  EXPECT_EQ(TTempFolder::Read(sheet), before);
  EXPECT_TRUE(window->Save_Data) << "the points stay to be put right";
  EXPECT_EQ(prompts.Records().back().Type, TMsgDlgType::mtError);

  // Choosing another sensor keeps the refused points with theirs.
  prompts.ExpectMessage("The calibration was not stored: the values rise and then fall");
  window->Input_SensorChange(IndexOf(2) == 0 ? 1 : 0);
  EXPECT_EQ(window->Channel, 2);
  EXPECT_EQ(window->NewPoints().Count(), 3);

  // 5 V -> 0, 0 V -> 50, -5 V -> 100: falling all the way.
  prompts.ExpectMessage("The new calibration data will be lost. Continue?", TModalResult::mrYes);
  window->RevertButtonClick();
  TakePoint(5.0, "0");
  TakePoint(0.0, "50");
  TakePoint(-5.0, "100");
  prompts.ExpectMessage("You are about to overwrite default calibration data", TModalResult::mrYes);
  ASSERT_TRUE(window->ApplyClick());
  prompts.ExpectMessage("New calibration data has been stored. Use it from now on?", TModalResult::mrYes);
  window->okClick();
  TQXIFDAnalogueSource* input = Source(2);
  input->current_IFD_value = -3.66 * 2048 / 5;
  EXPECT_NEAR(input->TaredValue(), 86.6, 0.1);
  EXPECT_EQ(input->MaxProcValue(), 100) << "a level bar's full scale is the last point's value";
}
