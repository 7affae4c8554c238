#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>

#include <QCoreApplication>
#include <QGroupBox>
#include <QFileInfo>
#include <QPixmap>
#include <QPrinter>
#include <QLabel>
#include <QLineEdit>
#include <QComboBox>
#include <QRadioButton>
#include <QProgressBar>
#include <QCheckBox>
#include <QLineSeries>

#include "acquisition/capturedrun.h"
#include "acquisition/channelstatusform.h"
#include "acquisition/iloggerhost.h"
#include "acquisition/isampletable.h"
#include "acquisition/qxanalogueinputsource.h"
#include "acquisition/qxburstsource.h"
#include "acquisition/qxdatalist.h"
#include "acquisition/qxlist.h"
#include "acquisition/qxloggerpanel.h"
#include "acquisition/sampleconfig.h"
#include "acquisition/sensorhistoryform.h"
#include "results/resultsprinter.h"
#include "rigconfig/registry.h"
#include "rigconfig/settingsnames.h"
#include "sourcefixture.h"
#include "support/scriptedprompts.h"

namespace {
const QString kDemo = QStringLiteral(QUORLEX_SOURCE_DIR "/examples/rigs/demo/");

class TRecordingTable : public ISampleTable {
 public:
  void WriteRow(TWorkbook& source, int sample, int sourceRow) override {
    if (Fail) throw std::runtime_error("the disk is full");
    const TCellValue elapsed = source.ValueRC(sourceRow, 3);
    Rows.push_back({sample, source.NumberRC(sourceRow, 4), source.TextRC(sourceRow, 12),
                    elapsed.Kind == TValueKind::Number ? std::optional<double>(elapsed.Num) : std::nullopt});
  }
  void DataChanged(int count) override { Changed = count; }
  void RedrawGraph() override { ++Redraws; }
  void WriteCaptureRun(const TCapturedRun& run) override { Captures.push_back(run); }
  struct TRow { int Sample; double T1; QString Note; std::optional<double> Elapsed; };
  std::vector<TRow> Rows;
  int Changed = 0, Redraws = 0;
  bool Fail = false;
  std::vector<TCapturedRun> Captures;
};

class TRecordingLoggerHost : public ILoggerHost {
 public:
  void SetSampleMode(int mode) override { Mode = mode; }
  void SetSampleStatus(const QString& text) override { Status = text; }
  void UpdateStatusBar() override {}
  void SetSampleButton(const QString& caption, int image) override { Caption = caption; Image = image; }
  bool SampleNowEnabled() const override { return SampleNowOn; }
  void SetSampleNowEnabled(bool on) override { SampleNowOn = on; }
  void SetNextResultsEnabled(bool on) override { NextResultsOn = on; }
  void SetConfigureEnabled(bool on) override { ConfigureOn = on; }
  void SetGaugeCommandsEnabled(bool on) override { GaugesOn = on; }
  int SampleInterval() const override { return Interval; }
  void SetSampleInterval(int ms) override { Interval = ms; }
  int Mode = -1, Image = 0, Interval = 10000;
  QString Status, Caption;
  bool SampleNowOn = true, NextResultsOn = false, ConfigureOn = true, GaugesOn = false;
};

// The demo rig loaded for real, its sources on a panel, a logger over them.
struct TLoggerFixture : ::testing::Test, TDemoRigFixture {
  TRecordingTable table;
  TRecordingLoggerHost host;
  std::unique_ptr<TQXLoggerPanel> logger;

  void SetUp() override {
    ASSERT_TRUE(LoadDemo(kDemo, &table));
    logger = std::make_unique<TQXLoggerPanel>(*list, &host);
    logger->Initialise(&table, demo, &panel);
    logger->StopLogger();  // the test drives the ticks
  }
  void Tick(int ms) {
    clock.AdvanceMs(ms);
    logger->LogTimerTimer();
  }
};
}  // namespace

TEST_F(TLoggerFixture, DataListBuildsTheDemoRig) {
  EXPECT_EQ(list->Sources().size(), 38u);  // every row but the frame
  EXPECT_TRUE(list->Skipped().isEmpty());
  EXPECT_TRUE(ifd->MainChannelInUse[0] && ifd->MainChannelInUse[1] && ifd->MainChannelInUse[2]);
  EXPECT_TRUE(ifd->PortsOpen);  // the data list prepared the interface
  // The frame took the labels that lie inside it.
  auto* frame = panel.findChild<QGroupBox*>();
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->title(), "Process");
  QStringList inside;
  for (auto* l : frame->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) inside << l->text();
  EXPECT_TRUE(inside.contains("Tank temperature T1"));
  EXPECT_FALSE(inside.contains("Sample number"));
  QStringList names, units;
  std::vector<float> maxV, minV;
  list->GetIFDHeaderList(names, maxV, units, minV);
  // The vibration pick-up and pulse sensor are there for the oscilloscope.
  EXPECT_EQ(names, QStringList({"T1", "T2", "F1", "Vib", "Pulse"}));
  EXPECT_EQ(maxV[0], 5.0f);
  EXPECT_EQ(minV[0], -5.0f);
  EXPECT_EQ(list->AnalogueInputChannels().first(), "Tank temperature T1=0");
  EXPECT_EQ(list->DigitalInputChannels().size(), 3);
  EXPECT_TRUE(host.GaugesOn);
  EXPECT_EQ(logger->ChannelStatus()->Channels(), 5);
}

TEST_F(TLoggerFixture, TicksFeedTheSampleRowAndSamplesGoToTheTable) {
  card.Device(legacy::VelUSB0).Scan[0] = 2048 + 1024;  // 2.5 V: 75 degrees
  ifd->FilterWeight = 1;
  Tick(1000);
  EXPECT_NEAR(sample.NumberRC(2, 4), 75, 1e-9);
  EXPECT_EQ(sample.TextRC(2, 1), "1");  // the sample in hand
  EXPECT_TRUE(table.Rows.empty());       // idle: nothing sampled
  logger->SetAtFront(false);
  Tick(1000);
  EXPECT_NEAR(sample.NumberRC(2, 4), 75, 1e-9);
}

// The first reading is shown as soon as it is there, with the clock standing still: a tick at
// start-up (the driver path reads within it), and one when a card's first answer arrives, each
// without waiting out the interval; the next tick then comes a whole interval later.
TEST_F(TLoggerFixture, TheFirstReadingShowsWithoutWaitingAnInterval) {
  card.Device(legacy::VelUSB0).Scan[0] = 2048 + 1024;  // 2.5 V: 75 degrees
  ifd->FilterWeight = 1;
  logger->LogTimer->start(60000);  // running again; the start-up tick is still queued
  QCoreApplication::processEvents();
  EXPECT_NEAR(sample.NumberRC(2, 4), 75, 1e-9);
  EXPECT_GT(logger->LogTimer->remainingTime(), 59000);

  card.Device(legacy::VelUSB0).Scan[0] = 2048 + 512;
  emit ifd->FirstReadingArrived();
  QCoreApplication::processEvents();
  EXPECT_EQ(ifd->MainChannelValue[0], 512);
  EXPECT_NE(sample.NumberRC(2, 4), 75);
  EXPECT_GT(logger->LogTimer->remainingTime(), 59000);

  // A stopped logger is not ticked by an answer.
  logger->StopLogger();
  card.Device(legacy::VelUSB0).Scan[0] = 2048;
  emit ifd->FirstReadingArrived();
  QCoreApplication::processEvents();
  EXPECT_EQ(ifd->MainChannelValue[0], 512);
}

TEST_F(TLoggerFixture, TimedRunTakesItsSamplesOnTheClockAndStops) {
  logger->Programmed_Sample_Mode = PSS_Timed;
  logger->Sample_Interval = 10000;
  logger->Sampling_Duration = 60;
  for (int run = 1; run <= 2; ++run) {
    table.Rows.clear();
    logger->Reset_Sample_Status();
    logger->SampleNow();  // GO
    EXPECT_EQ(host.Caption, "Stop Sample");
    EXPECT_EQ(host.Image, ILoggerHost::ImageStop);
    EXPECT_EQ(logger->Max_Count, 7);
    logger->LogTimerTimer();  // the first sample on the next tick
    for (int s = 0; s < 12; ++s) Tick(5000);
    ASSERT_EQ(table.Rows.size(), 7u) << "run " << run;
    EXPECT_EQ(table.Rows.back().Sample, 7);
    EXPECT_EQ(logger->Current_Sample_State, RSS_Idle);
    EXPECT_EQ(host.Status, "Stopped - click 'GO' to begin recording data");
    EXPECT_GT(logger->Start_Time, 0);  // kept for a later GO on the same sheet
    Tick(60000);
    EXPECT_EQ(table.Rows.size(), 7u);
  }
}

TEST_F(TLoggerFixture, ASecondTimedRunOnTheSameSheetGoesOnWithRealElapsedTimes) {
  logger->Programmed_Sample_Mode = PSS_Timed;
  logger->Sample_Interval = 10000;
  logger->Sampling_Duration = 20;  // 3 samples: 0, 10 and 20 s
  for (int run = 1; run <= 2; ++run) {
    logger->SampleNow();  // GO, with no new sheet between the runs
    logger->LogTimerTimer();
    for (int s = 0; s < 6; ++s) Tick(5000);
    ASSERT_EQ(logger->Current_Sample_State, RSS_Idle);
    Tick(30000);  // a pause before the next GO
  }
  ASSERT_EQ(table.Rows.size(), 6u);
  const double second = 1.0 / 86400;
  const double expected[] = {0, 10, 20, 60, 70, 80};
  for (std::size_t i = 0; i < table.Rows.size(); ++i) {
    EXPECT_EQ(table.Rows[i].Sample, static_cast<int>(i) + 1);
    ASSERT_TRUE(table.Rows[i].Elapsed.has_value()) << "sample " << i + 1 << " has no elapsed time";
    EXPECT_NEAR(*table.Rows[i].Elapsed, expected[i] * second, 1e-3 * second) << "sample " << i + 1;
  }
}

TEST_F(TLoggerFixture, LateTicksCatchUpOneIntervalAtATime) {
  logger->Sample_Interval = 10000;
  logger->SampleNow();
  logger->LogTimerTimer();
  ASSERT_EQ(table.Rows.size(), 1u);
  Tick(35000);  // three intervals late
  Tick(1);
  Tick(1);
  EXPECT_EQ(table.Rows.size(), 4u);
  Tick(1);
  EXPECT_EQ(table.Rows.size(), 4u);  // caught up: the next is due at 40 s
  Tick(5000);
  EXPECT_EQ(table.Rows.size(), 5u);
  logger->SampleNow();  // STOP
  EXPECT_EQ(host.Caption, "Start Sample");
}

// A fault below the tick ends neither the tick nor the program: it is told once, after the tick,
// the samples taken stay, and sampling goes on when the fault has passed.
TEST_F(TLoggerFixture, AFaultInsideTheTickIsReportedOnceAndSamplingGoesOn) {
  TScriptedPrompts prompts;
  logger->Sample_Interval = 1000;
  logger->SampleNow();
  logger->LogTimerTimer();
  ASSERT_EQ(table.Rows.size(), 1u);
  table.Fail = true;
  EXPECT_NO_THROW(Tick(1000));
  EXPECT_NO_THROW(Tick(1000));
  EXPECT_FALSE(logger->Processing_Sample_Timer);
  EXPECT_TRUE(prompts.MessageTexts().isEmpty());  // never from inside the tick
  prompts.ExpectMessage("Reading or recording a sample failed: the disk is full. The samples recorded so far are kept; sampling goes on.");
  QCoreApplication::processEvents();
  EXPECT_EQ(prompts.Pending(), 0);
  table.Fail = false;
  Tick(1000);
  ASSERT_EQ(table.Rows.size(), 2u);
  EXPECT_EQ(table.Rows[1].Sample, 2);  // the failed samples left no gap in the run
  EXPECT_EQ(logger->Current_Sample_State, RSS_Active);
  QCoreApplication::processEvents();
  EXPECT_EQ(prompts.MessageTexts().size(), 1);
}

TEST_F(TLoggerFixture, ManualModeOneSamplePerSheet) {
  demo.fTable_Sample_Count = true;
  logger->Current_Sample_State = RSS_Manual;
  logger->SampleNow();
  ASSERT_EQ(table.Rows.size(), 1u);
  EXPECT_FALSE(host.SampleNowOn);
  EXPECT_TRUE(host.NextResultsOn);
  EXPECT_EQ(host.Status, "Click the New Sheet button to start a new page");
  EXPECT_EQ(table.Redraws, 1);
  EXPECT_GT(logger->Start_Time, 0);
}

TEST_F(TLoggerFixture, ClearDataAsksWhileARunIsActive) {
  logger->SampleNow();
  ASSERT_EQ(logger->Current_Sample_State, RSS_Active);
  TScriptedPrompts prompts;
  prompts.ExpectMessage(TQXLoggerPanel::StopRunQuestion, TModalResult::mrNo);
  EXPECT_FALSE(logger->ClearData());
  EXPECT_EQ(logger->Current_Sample_State, RSS_Active);
  prompts.ExpectMessage(TQXLoggerPanel::StopRunQuestion, TModalResult::mrYes);
  EXPECT_TRUE(logger->ClearData());
  EXPECT_EQ(logger->Sample_Transfer_Count, 0);
}

TEST_F(TLoggerFixture, SampleConfigurationUnitsChecksAndRegistry) {
  TSampleConfig& dlg = *logger->SampleConfig();
  auto shown = [&](int interval, int duration) {
    dlg.FInterval = interval;
    dlg.FDuration = duration;
    dlg.Load();
    return dlg.IntervalEdit->text() + " " + dlg.IntervalUnits->currentText() + " / " + dlg.DurationEdit->text() +
           " " + dlg.DurationUnits->currentText();
  };
  EXPECT_EQ(shown(1500, 5400), "1500 msecs / 90 mins");
  EXPECT_EQ(shown(120000, 7200), "2 mins / 2 hrs");
  EXPECT_EQ(shown(5000, 45), "5 secs / 45 secs");

  TScriptedPrompts prompts;
  dlg.FManual_Sample = false;
  dlg.FFreeRun_Mode = true;
  shown(1000, 3600);
  dlg.IntervalEdit->setText("400");
  dlg.IntervalUnits->setCurrentIndex(2);
  prompts.ExpectMessage(TSampleConfig::FastRate, TModalResult::mrNo);
  dlg.OKClick();
  EXPECT_NE(dlg.result(), QDialog::Accepted);
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(demo.RegistryKey, false));
  EXPECT_EQ(reg.ReadInteger(settings::reg::SampleInterval), 400);  // stored even so

  dlg.IntervalEdit->setText("4x");
  prompts.ExpectMessage(TSampleConfig::BadInterval);
  dlg.OKClick();

  dlg.IntervalEdit->setText("30");
  dlg.IntervalUnits->setCurrentIndex(1);
  dlg.FixedButton->setChecked(true);
  dlg.DurationEdit->setText("2");
  dlg.DurationUnits->setCurrentIndex(1);  // 120 s: only 4 samples
  prompts.ExpectMessage(TSampleConfig::FewSamples, TModalResult::mrYes);
  dlg.OKClick();
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(host.Interval, 30000);
  logger->ApplySampleConfig();
  EXPECT_EQ(logger->Programmed_Sample_Mode, PSS_Timed);
  EXPECT_EQ(logger->Sample_Interval, 30000);
  EXPECT_EQ(logger->Sampling_Duration, 120);
}

TEST_F(TLoggerFixture, ChannelStatusAndHistoryFollowTheInputs) {
  card.Device(legacy::VelUSB0).Scan[0] = 2048 + 1024;
  ifd->FilterWeight = 1;
  Tick(1000);
  TChannelStatusForm& status = *logger->ChannelStatus();
  status.Refresh(*list);
  EXPECT_EQ(status.Gauges()[0]->value(), 250);
  EXPECT_EQ(status.Gauges()[0]->maximum(), 500);
  TSensorHistoryForm& history = *logger->SensorHistory();
  ASSERT_EQ(history.SeriesCount(), 5);
  for (int i = 0; i < TSensorHistoryForm::Points + 5; ++i) history.Sample();
  EXPECT_EQ(history.Series(0)->count(), TSensorHistoryForm::Points);
  EXPECT_NEAR(history.Series(0)->at(100).y(), 75, 1e-4);
  history.Check(1)->setChecked(false);
  EXPECT_FALSE(history.Series(1)->isVisible());
  if (const QByteArray dir = qgetenv("QUORLEX_SHOTS"); !dir.isEmpty()) {
    panel.resize(800, 560);
    QPalette pal = panel.palette();
    pal.setBrush(QPalette::Window, QPixmap(demo.Backdrop));
    panel.setPalette(pal);
    panel.setAutoFillBackground(true);
    panel.show();
    list->Update_All_Sources(true, 0, 0);
    panel.grab().save(QString::fromLocal8Bit(dir) + "/diagram.png");
    status.show();
    status.grab().save(QString::fromLocal8Bit(dir) + "/channelstatus.png");
    history.show();
    history.grab().save(QString::fromLocal8Bit(dir) + "/history.png");
    logger->SampleConfig()->Load();
    logger->SampleConfig()->show();
    logger->SampleConfig()->grab().save(QString::fromLocal8Bit(dir) + "/sampleconfig.png");
  }
}

TEST_F(TLoggerFixture, DiagramPrintsToAFileOrNotesTheCancel) {
  const QString pdf = tmp.File("diagram.pdf");
  logger->Printing().SetPrintDialog([&](QPrinter& printer) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    return true;
  });
  logger->Print();
  EXPECT_GT(QFileInfo(pdf).size(), 1000);
  logger->Printing().SetPrintDialog([](QPrinter&) { return false; });
  logger->Print();
  EXPECT_TRUE(demo.PrintCancelled);
}

namespace {
// Runs on by 50 ms at every reading of the tick count, so the capture's waits pass at once.
class TRunningClock : public IClock {
 public:
  explicit TRunningClock(TDateTime now) : FNow(now) {}
  TDateTime Now() const override { return FNow; }
  std::int64_t TickCountMs() const override { return FTicks += 50; }

 private:
  TDateTime FNow;
  mutable std::int64_t FTicks = 0;
};

// A burst source over the demo's first two inputs, the logger in high-speed mode.
struct TBurstFixture : TLoggerFixture {
  TQXBurstSource* burst = nullptr;
  TRunningClock running{clock.Now()};
  void SetUp() override {
    TLoggerFixture::SetUp();
    demo.Duration = 1000;
    auto def = Def(BURST_DATASRC, 6, 0, 0);  // software trigger; inputs 0 and 1 from the data position
    def.FMimicData_X_Pos = 0;
    def.FMimicData_Y_Pos = 1;
    auto source = std::make_unique<TQXBurstSource>();
    source->RegisterParent(&panel, def);
    burst = static_cast<TQXBurstSource*>(list->AddSource(std::move(source)));
    logger->Current_Sample_State = RSS_HighSpeed;
    TServices::SetClock(&running);
  }
  void TearDown() override { TServices::SetClock(&clock); }
};
}  // namespace

TEST_F(TBurstFixture, ACaptureBecomesAWholeRunInTheInputsUnits) {
  card.Device(legacy::VelUSB0).Registers[0xBE] = 0x00;  // first word of each block: 3072 counts, i.e. +1025
  card.Device(legacy::VelUSB0).Registers[0xBF] = 0x0C;
  EXPECT_EQ(burst->Samples, 1000);
  logger->SampleNow();
  const auto& regs = card.Device(legacy::VelUSB0).Registers;
  EXPECT_EQ(regs[0x3E], 0);
  EXPECT_EQ(regs[0x3F], 1);
  ASSERT_EQ(table.Captures.size(), 1u);
  const TCapturedRun& run = table.Captures[0];
  ASSERT_EQ(run.One.size(), 1000u);
  EXPECT_EQ(run.ColumnOne, 6);
  EXPECT_EQ(run.ColumnTwo, 7);
  EXPECT_NEAR(run.SecondsPerSample * 999, 0.777222, 1e-9);
  const TQXAnalogueInputSource* t1 = TQXList(list->Sources()).FindAI(0);
  ASSERT_NE(t1, nullptr);
  EXPECT_DOUBLE_EQ(run.One[16], t1->Calibration.Process(1025));
  EXPECT_DOUBLE_EQ(run.One[17], t1->Calibration.Process(-2047));
  EXPECT_EQ(logger->Sample_Transfer_Count, 1001);
  ASSERT_EQ(table.Rows.size(), 1u);  // the sample taken as the capture starts
  EXPECT_EQ(table.Rows[0].Sample, 1);
  EXPECT_TRUE(logger->LoggerActive());
  EXPECT_FALSE(host.SampleNowOn);  // the run waits for the next sheet
  EXPECT_TRUE(host.NextResultsOn);
}

TEST_F(TBurstFixture, ACaptureThatCannotBeReadBackWritesNoRunAndSaysSo) {
  TScriptedPrompts prompts;
  prompts.ExpectMessage("The capture could not be read back from the interface card");
  card.Device(legacy::VelUSB0).CaptureReadsLeft = 10;
  logger->SampleNow();
  EXPECT_TRUE(table.Captures.empty()) << "no run of -2047 counts";
  EXPECT_EQ(logger->Sample_Transfer_Count, 0);
  EXPECT_TRUE(logger->LoggerActive());
}
