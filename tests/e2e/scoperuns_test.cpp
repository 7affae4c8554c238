// The oscilloscope and the logger together against the simulator, on the driver path and the
// serial card: GO takes the logger's sample and then a capture that becomes a run of its own; STOP
// only stops; No changes nothing; a capture without channels is refused before the card hears of
// it. Every row the logger records is kept as it was written and compared, cell by cell, with the
// saved file.
#include <gtest/gtest.h>

#include <QAction>
#include <QChart>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTabBar>

#include "acquisition/qxloggerpanel.h"
#include "ifd/qxifd.h"
#include "ifd/serial/waitfor.h"
#include "results/graphform.h"
#include "results/isamplejournal.h"
#include "results/tableform.h"
#include "rigconfig/inistore.h"
#include "rigconfig/rigconfig.h"
#include "acquisition/qxanalogueinputsource.h"
#include "acquisition/qxdatalist.h"
#include "platform/services.h"
#include "scope/formoscilloscope.h"
#include "scope/scopeanalysisform.h"
#include "scope/scopeplot.h"
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include "shell/master.h"
#include "shell/resultsmdi.h"
#include "workbook/model/workbook.h"
#include "workbook/view/f1book.h"
#include "support/demosimulator.h"
#include "support/scriptedprompts.h"
#include "support/tempfolder.h"

namespace {

TCellValue At(const TWorkbook& book, int sheet, int row, int col) {
  const TSheet& s = book.SheetAt(sheet);
  const TCell* cell = s.Find(row, col);
  return cell ? book.CellValue(s, *cell) : TCellValue{};
}

bool Same(const TCellValue& a, const TCellValue& b) {
  if (a.Kind != b.Kind) return false;
  if (a.Kind == TValueKind::Number) return a.Num == b.Num;
  return a.Str == b.Str;
}

QString Show(const TCellValue& v) { return v.Kind == TValueKind::Number ? QString::number(v.Num, 'g', 17) : '"' + v.Str + '"'; }

// Keeps every logger row as the table wrote it, and checks it against the live sample row it was
// copied from at that very moment.
class TRowRecorder : public ISampleJournal {
 public:
  struct TRow {
    QString Sheet;
    int Row = 0;
    std::vector<TCellValue> Cells;
  };
  TRowRecorder(TTableForm& table, const TWorkbook& sampleRow) : FTable(table), FSample(sampleRow) {}

  bool Recording() const override { return true; }
  void BeginSnapshot() override { FSnapshot = true; }
  void EndSnapshot() override { FSnapshot = false; }
  void RunAdded(const QString&, int) override {}
  void RowWritten(int sheet, int row, const std::vector<TJournalCell>&) override {
    if (FSnapshot) return;
    const TWorkbook& book = FTable.ResultsTable->Book();
    TRow kept{book.SheetName(sheet), row, {}};
    EXPECT_FALSE(FTable.IsCaptureRun(sheet)) << "a logger row in " << kept.Sheet.toStdString();
    for (int c = 1; c <= FSample.MaxCol(); ++c) {
      kept.Cells.push_back(At(book, sheet, row, c));
      const TCellValue live = FSample.ValueRC(2, c);
      if (!Same(kept.Cells.back(), live))
        Mismatches << QStringLiteral("%1 R%2C%3: %4, the sample row held %5")
                          .arg(kept.Sheet).arg(row).arg(c).arg(Show(kept.Cells.back()), Show(live));
    }
    Rows.push_back(std::move(kept));
  }
  void RunsDeleted(int, int) override {}
  void RunRenamed(int, const QString&) override {}
  void RunFlag(int, bool) override {}
  void FileNamed(const QString&, int) override {}
  bool Resume(const QString&, qint64) override { return false; }
  void Retire() override {}

  // Every kept row against `book` (the table now, or a saved file read back).
  void ExpectKeptIn(const TWorkbook& book, const char* what) const {
    ASSERT_FALSE(Rows.empty());
    for (const TRow& r : Rows) {
      const int sheet = book.FindSheet(r.Sheet);
      ASSERT_GT(sheet, 0) << what << ": no sheet " << r.Sheet.toStdString();
      for (int c = 1; c <= static_cast<int>(r.Cells.size()); ++c) {
        const TCellValue got = At(book, sheet, r.Row, c);
        EXPECT_TRUE(Same(got, r.Cells[c - 1]))
            << what << " " << r.Sheet.toStdString() << " R" << r.Row << "C" << c << ": " << Show(got).toStdString()
            << ", recorded " << Show(r.Cells[c - 1]).toStdString();
      }
    }
  }
  int RowsIn(const QString& sheet) const {
    return static_cast<int>(std::count_if(Rows.begin(), Rows.end(), [&](const TRow& r) { return r.Sheet == sheet; }));
  }

  std::vector<TRow> Rows;
  QStringList Mismatches;

 private:
  TTableForm& FTable;
  const TWorkbook& FSample;
  bool FSnapshot = false;
};

void Shoot(QWidget& w, const QString& name) {
  const QByteArray dir = qgetenv("QUORLEX_SHOTS");
  if (!dir.isEmpty()) w.grab().save(QString::fromLocal8Bit(dir) + "/" + name);
}

// A rig copied into the test's folder with its simulator; the program started on one exercise,
// on the driver devices or on the serial card.
struct TScopeRuns : ::testing::Test {
  TTempFolder tmp;
  std::unique_ptr<TDemoSimulator> sim;
  TScriptedPrompts prompts;
  std::unique_ptr<TMaster> master;
  std::unique_ptr<TRowRecorder> recorder;
  TQXLoggerPanel* logger = nullptr;
  TTableForm* table = nullptr;

  void SetUp() override {
    if (!TCardSimulator::Built()) GTEST_SKIP() << "the simulator is not built";
  }
  void TearDown() override {
    if (master) {
      if (table) table->SetJournal(nullptr);
      master->Rig()->ExitWarning = false;
      if (table && table->AnyRunUnsaved()) prompts.ExpectMessage("");  // the unsaved-data question
      master->close();
      master.reset();
    }
  }
  void Copy(const QString& rig) {
    sim = std::make_unique<TDemoSimulator>(tmp, QStringLiteral(QUORLEX_SOURCE_DIR "/examples/rigs/") + rig,
                                           TCardSimulator::Program());
  }
  void Start(int exercise, bool serial) {
    ASSERT_TRUE(sim->Start());
    ASSERT_TRUE(WaitFor([&] { return QFileInfo::exists(sim->Devices() + "/VelUSB0"); }, 5000));
    prompts.ExpectChoice(exercise);
    master = std::make_unique<TMaster>();
    master->StartUp(sim->Rig(), {});
    master->resize(1280, 860);
    logger = master->Diagram()->Logger();
    table = master->Table();
    ASSERT_TRUE(logger && table);
    recorder = std::make_unique<TRowRecorder>(*table, master->F1Book3());
    table->SetJournal(recorder.get());
    TQXIFD* ifd = master->Diagram()->IFD();
    if (serial) {
      ConnectSerial();
      if (HasFatalFailure()) return;
    } else {
      ASSERT_TRUE(WaitFor([&] { return ifd->PortsOpen; }, 8000)) << master->PanelText(3).toStdString();
    }
    // Live values first: a sample is then a reading, not the start-up's empty row.
    WaitFor([] { return false; }, 2500);
  }
  // Connect to IFD: COM3 for the main card and, where the rig has a second card, COM4 for it.
  void ConnectSerial() {
    TQXIFD* ifd = master->Diagram()->IFD();
    const bool second = master->Rig()->Using_EXP;
    if (second) ASSERT_TRUE(WaitFor([&] { return QFileInfo::exists(sim->Serial() + "/slave"); }, 5000));
    if (!WaitFor([&] { return ifd->vComPortOpen(); }, 1000)) {
      prompts.ExpectChoice(0);  // the port list: COM3 first
      if (second) prompts.ExpectChoice(1);
      master->ConnectClick(true);
    }
    ASSERT_TRUE(WaitFor([&] { return ifd->FvComIOActive && ifd->FMainCardActive; }, 8000));
    if (second) ASSERT_TRUE(WaitFor([&] { return ifd->FAuxCardActive; }, 8000)) << "the second card";
    EXPECT_EQ(prompts.Pending(), 0);
  }
  TWorkbook& Book() { return table->ResultsTable->Book(); }
  TFormOscilloscope* Scope() { return master->Oscilloscope(); }
  void WaitCaptureDone() {
    ASSERT_TRUE(WaitFor([&] { return !Scope()->FIsCaptureRunning; }, 25000));
  }
  void WaitRows(const QString& sheet, int rows) {
    ASSERT_TRUE(WaitFor([&] { return recorder->RowsIn(sheet) >= rows; }, 15000))
        << sheet.toStdString() << " has " << recorder->RowsIn(sheet) << " rows";
  }
  // Saves the table and compares every recorded row, and the captures, with the file.
  void SaveAndCompare() {
    recorder->ExpectKeptIn(Book(), "table");
    const QString saved = tmp.File("results.vts");
    prompts.ExpectSaveFile(saved);
    master->Action("SaveAs")->trigger();
    ASSERT_TRUE(QFileInfo::exists(saved));
    TWorkbook file;
    file.Read(saved);
    recorder->ExpectKeptIn(file, "saved file");
    for (int s = 1; s <= Book().NumSheets(); ++s) {
      if (!table->IsCaptureRun(s)) continue;
      const int f = file.FindSheet(Book().SheetName(s));
      ASSERT_GT(f, 0);
      const int rows = table->RecordedSamples(s) + 1;
      for (int r = 1; r <= rows; ++r)
        for (int c = 1; c <= 4; ++c)
          ASSERT_TRUE(Same(At(file, f, r, c), At(Book(), s, r, c))) << Book().SheetName(s).toStdString() << " R" << r << "C" << c;
    }
    EXPECT_TRUE(recorder->Mismatches.isEmpty()) << recorder->Mismatches.join('\n').toStdString();
  }
  // The capture run `sheet`: its own columns, sample numbers, seconds and the two signals in volts.
  void ExpectCaptureRun(int sheet, int samples) {
    ASSERT_TRUE(table->IsCaptureRun(sheet)) << Book().SheetName(sheet).toStdString();
    EXPECT_TRUE(Book().SheetName(sheet).startsWith("Capture ")) << Book().SheetName(sheet).toStdString();
    EXPECT_EQ(table->SheetTabs()->tabText(sheet - 1), Book().SheetName(sheet));
    EXPECT_EQ(At(Book(), sheet, 1, 1).Str, "Sample");
    EXPECT_EQ(At(Book(), sheet, 1, 2).Str, "Time (s)");
    EXPECT_EQ(At(Book(), sheet, 1, 3).Str, "Vibration pick-up (V)");
    EXPECT_EQ(At(Book(), sheet, 1, 4).Str, "Pulse sensor (V)");
    EXPECT_EQ(table->RecordedSamples(sheet), samples);
    double lo1 = 1e9, hi1 = -1e9, lo2 = 1e9, hi2 = -1e9;
    for (int k = 1; k <= samples; ++k) {
      EXPECT_EQ(At(Book(), sheet, k + 1, 1).Num, k);
      ASSERT_NEAR(At(Book(), sheet, k + 1, 2).Num, (k - 1) * 0.001, 1e-9) << "row " << k + 1;
      lo1 = std::min(lo1, At(Book(), sheet, k + 1, 3).Num);
      hi1 = std::max(hi1, At(Book(), sheet, k + 1, 3).Num);
      lo2 = std::min(lo2, At(Book(), sheet, k + 1, 4).Num);
      hi2 = std::max(hi2, At(Book(), sheet, k + 1, 4).Num);
    }
    // 800 counts of the 50 Hz sine and 600 of the 20 Hz square, in volts of a +-5 V input.
    EXPECT_GT(hi1, 1.6);
    EXPECT_LT(lo1, -1.6);
    EXPECT_GT(hi1, hi2);
    EXPECT_GT(hi2, 1.2);
    EXPECT_LT(lo2, -1.2);
    EXPECT_EQ(Book().FormattedTextRC(1, 1), "Sample");
    EXPECT_EQ(At(Book(), sheet, samples + 2, 1).Kind, TValueKind::Empty);
  }

  // GO, STOP, GO again with No to the question of Next Results, STOP by the Sample Now item: the
  // demo's first exercise runs free at 0.5 s and captures on every GO.
  void DemoCapturesBesideTheLogger(bool serial) {
    const int captured = serial ? 1000 : 992;  // the driver path reads whole blocks of 16
    logger->Sample_Interval = 500;
    ASSERT_EQ(Book().NumSheets(), 1);
    master->Action("SampleNow")->trigger();  // GO
    WaitCaptureDone();
    ASSERT_EQ(Book().NumSheets(), 2);
    EXPECT_EQ(logger->Current_Sample_State, RSS_Active);
    EXPECT_EQ(Book().SheetName(1), "Run 1");
    ExpectCaptureRun(2, captured);
    EXPECT_EQ(table->RecordingSheet(), 1);

    // The logger goes on in its own run; the capture stays as captured.
    WaitRows("Run 1", 4);
    EXPECT_EQ(table->RecordedSamples(2), captured);
    EXPECT_EQ(table->RecordedSamples(1), recorder->RowsIn("Run 1"));

    if (!qgetenv("QUORLEX_SHOTS").isEmpty()) {
      master->show();
      master->Action("Tile")->trigger();
      table->SheetTabs()->setCurrentIndex(0);
      WaitFor([] { return false; }, 800);
      Shoot(*master, serial ? "capture-serial-all.png" : "capture-driver-all.png");
      table->SheetTabs()->setCurrentIndex(1);
      master->ShowChild(3);
      WaitFor([] { return false; }, 400);
      Shoot(*table, "capture-table.png");
      master->ShowChild(2);
      WaitFor([] { return false; }, 400);
      Shoot(*master->Graph(), "capture-graph.png");
      master->ShowChild(1);
      WaitFor([] { return false; }, 400);
      Shoot(*master, "capture-diagram.png");
      table->SheetTabs()->setCurrentIndex(0);
    }

    // Each diagram box shows the beginning of its text, however long.
    for (QLineEdit* box : master->Diagram()->findChildren<QLineEdit*>())
      if (box->isReadOnly() && !box->text().trimmed().isEmpty())
        EXPECT_EQ(box->cursorPosition(), 0) << box->text().toStdString();

    // STOP: the run ends, nothing is captured, and the elapsed time stands still.
    const std::size_t before = prompts.Records().size();
    master->Action("SampleNow")->trigger();
    EXPECT_EQ(logger->Current_Sample_State, RSS_Idle);
    EXPECT_FALSE(Scope()->FIsCaptureRunning);
    const int rows = recorder->RowsIn("Run 1");
    WaitFor([&] { return false; }, 1200);
    const double elapsed = master->F1Book3().NumberRC(2, 3);
    WaitFor([&] { return false; }, 1200);
    // Still within the few milliseconds a tick takes; counting on would add 1.2 s.
    EXPECT_NEAR(master->F1Book3().NumberRC(2, 3), elapsed, 0.05 / 86400) << "the elapsed time went on counting";
    EXPECT_EQ(Book().NumSheets(), 2);
    EXPECT_EQ(recorder->RowsIn("Run 1"), rows);
    EXPECT_EQ(prompts.Records().size(), before) << "STOP asked something";

    // GO again: the run goes on, a second capture becomes a third sheet.
    master->Action("SampleNow")->trigger();
    WaitCaptureDone();
    ASSERT_EQ(Book().NumSheets(), 3);
    ExpectCaptureRun(3, captured);
    WaitRows("Run 1", rows + 2);

    // Next Results while the run goes on, answered No: nothing changes.
    prompts.ExpectMessage("This action will stop the current sample run", TModalResult::mrNo);
    master->Action("NextResults")->trigger();
    EXPECT_EQ(logger->Current_Sample_State, RSS_Active);
    EXPECT_EQ(Book().NumSheets(), 3);
    EXPECT_FALSE(Scope()->FIsCaptureRunning);
    WaitRows("Run 1", recorder->RowsIn("Run 1") + 1);

    // The Sample Now item is STOP as well while the run goes on.
    master->Action("SampleNowItem")->trigger();
    EXPECT_EQ(logger->Current_Sample_State, RSS_Idle);
    EXPECT_FALSE(Scope()->FIsCaptureRunning);
    EXPECT_EQ(Book().NumSheets(), 3);
    // The graph plots each capture against its own seconds.
    EXPECT_GE(master->Graph()->Chart()->series().size(), 2);
    SaveAndCompare();
  }
  // Half the swing of `counts` either side of 0 on analogue input `channel`, in its units.
  static double Volts(int channel, double counts) {
    for (TQXSource* s : TServices::DataList()->Sources())
      if (auto* in = dynamic_cast<const TQXAnalogueInputSource*>(s); in && in->FChannel == channel)
        return (in->Calibration.Process(counts) - in->Calibration.Process(-counts)) / 2;
    ADD_FAILURE() << "no source on input " << channel;
    return 0;
  }
  // GO takes a capture, STOP ends the logger's run; Measure Capture opens on that capture.
  TScopeAnalysisForm* CaptureAndMeasure() {
    logger->Sample_Interval = 500;
    master->Action("SampleNow")->trigger();
    WaitCaptureDone();
    master->Action("SampleNow")->trigger();
    EXPECT_EQ(logger->Current_Sample_State, RSS_Idle);
    master->Action("MeasureCapture")->trigger();
    TScopeAnalysisForm* form = master->ScopeAnalysis();
    EXPECT_TRUE(form && form->isVisible());
    return form;
  }
  static double Figure(const TScopeAnalysisForm& form, int channel, TScopeMeasurements::TKind kind) {
    const TScopeMeasurements::TMeasure& m = form.Measurements(channel)[kind];
    EXPECT_TRUE(m.Valid) << TScopeMeasurements::Name(kind).toStdString() << ": " << m.Why.toStdString();
    return m.Value;
  }
  // The demo's vibration pick-up (a 50 Hz sine of 800 counts on input 3) and pulse sensor (a 20 Hz
  // square of 600 counts on input 4), measured from the recorded capture in real units.
  void MeasureTheDemoSignals(bool serial) {
    TScopeAnalysisForm* form = CaptureAndMeasure();
    ASSERT_TRUE(form);
    const TCaptureTrace& trace = form->Trace();
    EXPECT_EQ(trace.Title, Book().SheetName(2));
    EXPECT_NEAR(trace.Interval, 0.001, 1e-12);
    ASSERT_EQ(trace.Channels.size(), 2u);
    EXPECT_EQ(trace.Channels[0].Name, "Vibration pick-up");
    EXPECT_EQ(trace.Channels[0].Units, "V");
    EXPECT_EQ(trace.Channels[0].Values.size(), static_cast<std::size_t>(serial ? 1000 : 992));
    using M = TScopeMeasurements;
    EXPECT_NEAR(Figure(*form, 0, M::Frequency), 50.0, 0.1);
    EXPECT_NEAR(Figure(*form, 0, M::Period), 0.02, 0.00004);
    const double sine = Volts(3, 800), pulse = Volts(4, 600);
    EXPECT_NEAR(Figure(*form, 0, M::Amplitude), sine, sine * 0.01);
    EXPECT_NEAR(Figure(*form, 0, M::RmsAc), sine / std::sqrt(2.0), sine * 0.01);
    EXPECT_NEAR(Figure(*form, 1, M::Frequency), 20.0, 0.1);
    EXPECT_NEAR(Figure(*form, 1, M::DutyCycle), 50, 1);
    EXPECT_NEAR(Figure(*form, 1, M::Amplitude), pulse, pulse * 0.01);
    EXPECT_FALSE(form->Measurements(1)[M::RiseTime].Valid) << "a square's edge timed within one sample";
    // The dash and its reason are what the table shows.
    const QTableWidgetItem* rise = form->MeasureTable()->item(M::RiseTime, 1);
    ASSERT_TRUE(rise);
    EXPECT_EQ(rise->text(), QString::fromUtf16(M::NoValue));
    EXPECT_TRUE(rise->toolTip().contains("faster than the sample interval"));
    EXPECT_TRUE(form->MeasurementsText().contains(QRegularExpression("\nFrequency\t(49\\.9|50\\.0)\\d* Hz\n")))
        << form->MeasurementsText().toStdString();

    // The spectrum's peaks within one bin of the signals.
    for (int w = 0; w < form->WindowBox()->count(); ++w) {
      form->WindowBox()->setCurrentIndex(w);
      const TScopeSpectrum& a = form->Spectrum(0);
      const TScopeSpectrum& b = form->Spectrum(1);
      EXPECT_NEAR(double(a.PeakBin()) * a.BinHz(), 50, a.BinHz()) << form->WindowBox()->currentText().toStdString();
      EXPECT_NEAR(double(b.PeakBin()) * b.BinHz(), 20, b.BinHz()) << form->WindowBox()->currentText().toStdString();
    }
    EXPECT_TRUE(form->PeakReadout()->text().contains("Vibration pick-up: peak at 50")) << form->PeakReadout()->text().toStdString();

    // Cursors dragged on the trace land on samples: one period apart reads 50 Hz.
    TScopePlot* plot = form->TracePlot();
    form->Tabs()->setCurrentIndex(0);
    const QPointF from = plot->ToPixel({form->Cursors().Time(0), 0});
    const QPointF to = plot->ToPixel({form->Cursors().Time(0) + 0.0201, 0});
    QTest::mousePress(plot, Qt::LeftButton, {}, QPoint(int(from.x()), int(plot->PlotArea().center().y())));
    QTest::mouseRelease(plot, Qt::LeftButton, {}, QPoint(int(to.x()), int(plot->PlotArea().center().y())));
    form->Cursors().MoveTime(1, form->Cursors().Time(0) + 0.02);
    EXPECT_NEAR(form->Cursors().Time(0) / 0.001, std::round(form->Cursors().Time(0) / 0.001), 1e-9);
    EXPECT_NEAR(std::fabs(form->Cursors().DeltaT()), 0.02, 0.0011);

    if (!qgetenv("QUORLEX_SHOTS").isEmpty()) {
      const char* names[] = {"measure-trace", "measure-spectrum", "measure-xy"};
      for (int tab = 0; tab < 3; ++tab) {
        form->Tabs()->setCurrentIndex(tab);
        WaitFor([] { return false; }, 200);
        Shoot(*form, QString::fromLatin1(names[tab]) + (serial ? "-serial.png" : "-driver.png"));
      }
    }
    // The saved file keeps the interval and the units the figures are in.
    const QString saved = tmp.File("measured.vts");
    prompts.ExpectSaveFile(saved);
    master->Action("SaveAs")->trigger();
    TWorkbook file;
    file.Read(saved);
    TCaptureTrace again;
    QString why;
    ASSERT_TRUE(again.Read(file, file.FindSheet(trace.Title), &why)) << why.toStdString();
    EXPECT_NEAR(again.Interval, trace.Interval, 1e-12);
    EXPECT_EQ(again.Channels[1].Units, "V");
    EXPECT_EQ(again.Channels[1].Values, trace.Channels[1].Values);
  }


  // GO and STOP, GO again and No to Next Results, STOP by the Sample Now item, GO and Yes: every
  // row the logger wrote stays as written in the table and in the saved file.
  void AirflowGoStopAndNo() {
    EXPECT_EQ(Scope(), nullptr);
    logger->Sample_Interval = 500;
    master->Action("SampleNow")->trigger();
    WaitRows("Run 1", 3);
    master->Action("SampleNow")->trigger();
    EXPECT_EQ(logger->Current_Sample_State, RSS_Idle);
    const int rows = recorder->RowsIn("Run 1");
    WaitFor([] { return false; }, 1200);
    EXPECT_EQ(recorder->RowsIn("Run 1"), rows);

    master->Action("SampleNow")->trigger();
    WaitRows("Run 1", rows + 2);
    prompts.ExpectMessage("This action will stop the current sample run", TModalResult::mrNo);
    master->Action("NextResults")->trigger();
    EXPECT_EQ(logger->Current_Sample_State, RSS_Active);
    EXPECT_EQ(Book().NumSheets(), 1);
    WaitRows("Run 1", recorder->RowsIn("Run 1") + 1);
    master->Action("SampleNowItem")->trigger();
    EXPECT_EQ(logger->Current_Sample_State, RSS_Idle);
    // Yes this time: the run stops and the next one starts on a new sheet.
    master->Action("SampleNow")->trigger();
    WaitRows("Run 1", recorder->RowsIn("Run 1") + 1);
    prompts.ExpectMessage("This action will stop the current sample run", TModalResult::mrYes);
    master->Action("NextResults")->trigger();
    EXPECT_EQ(logger->Current_Sample_State, RSS_Idle);
    EXPECT_EQ(Book().NumSheets(), 2);
    // Every logged row holds its own sample number and the air temperature (about 20 degrees) that
    // the second card served.
    for (const TRowRecorder::TRow& r : recorder->Rows) {
      ASSERT_GE(r.Cells.size(), 6u);
      EXPECT_EQ(r.Cells[0].Str, QString::number(r.Row - 1)) << r.Sheet.toStdString() << " R" << r.Row;
      EXPECT_EQ(r.Cells[5].Kind, TValueKind::Number) << r.Sheet.toStdString() << " R" << r.Row;
      EXPECT_NEAR(r.Cells[5].Num, 20.0, 1.0) << r.Sheet.toStdString() << " R" << r.Row;
    }
    SaveAndCompare();
  }
};

}  // namespace

TEST_F(TScopeRuns, DemoGoCapturesIntoARunOfItsOwnOnTheDriverPath) {
  Copy("demo");
  Start(0, false);
  if (HasFatalFailure()) return;
  DemoCapturesBesideTheLogger(false);
}

TEST_F(TScopeRuns, DemoGoCapturesIntoARunOfItsOwnOnTheSerialCard) {
  Copy("demo");
  Start(0, true);
  if (HasFatalFailure()) return;
  DemoCapturesBesideTheLogger(true);
}

// Without channels the capture is refused with the setting named, the logger's sample is taken as
// usual and the card is never asked to capture.
TEST_F(TScopeRuns, ACaptureWithoutChannelsIsRefusedOnBothPaths) {
  Copy("demo");
  {
    TIniStore ini(sim->Rig() + "/config/Configuration.ini");
    ini.WriteString("Scope", "Channel 1", "-9999");
    ini.WriteString("Scope", "Channel 2", "-9999");
    ASSERT_TRUE(ini.UpdateFile());
  }
  Start(0, false);
  if (HasFatalFailure()) return;
  logger->Sample_Interval = 500;
  prompts.ExpectMessage("the oscilloscope has no \"Data Channel One\" and no \"Data Channel Two\" set");
  master->Action("SampleNow")->trigger();
  EXPECT_EQ(prompts.Pending(), 0);
  EXPECT_EQ(logger->Current_Sample_State, RSS_Active);
  EXPECT_FALSE(Scope()->FIsCaptureRunning);
  EXPECT_FALSE(Scope()->FHasCapturedData);
  WaitRows("Run 1", 2);
  EXPECT_EQ(Book().NumSheets(), 1);
  master->Action("SampleNow")->trigger();  // STOP, nothing asked
  EXPECT_EQ(logger->Current_Sample_State, RSS_Idle);

  // The serial card: refused before a capture command is written.
  ConnectSerial();
  if (HasFatalFailure()) return;
  prompts.ExpectMessage("the oscilloscope has no \"Data Channel One\"");
  master->Action("SampleNow")->trigger();
  EXPECT_EQ(prompts.Pending(), 0);
  EXPECT_FALSE(Scope()->FIsCaptureRunning);
  WaitRows("Run 1", recorder->RowsIn("Run 1") + 1);
  master->Action("SampleNow")->trigger();
  EXPECT_EQ(Book().NumSheets(), 1);
  EXPECT_FALSE(TTempFolder::Read(sim->Log()).contains("HS")) << "a capture command reached the card";
  // The window's own capture refuses alike.
  prompts.ExpectMessage("No capture was taken");
  Scope()->Capture();
  EXPECT_FALSE(Scope()->FIsCaptureRunning);
  SaveAndCompare();
}

// Exercise 2 records one sample per GO, five at a time, as its slide asks; it has no oscilloscope.
TEST_F(TScopeRuns, DemoExerciseTwoTakesItsSamplesWithGoOnBothPaths) {
  Copy("demo");
  Start(1, false);
  if (HasFatalFailure()) return;
  EXPECT_EQ(Scope(), nullptr);
  EXPECT_EQ(logger->Current_Sample_State, RSS_Manual);
  for (int i = 1; i <= 5; ++i) {
    master->Action("SampleNow")->trigger();
    WaitFor([] { return false; }, 300);
  }
  EXPECT_EQ(recorder->RowsIn("Run 1"), 5);
  ConnectSerial();
  if (HasFatalFailure()) return;
  WaitFor([] { return false; }, 1500);
  for (int i = 1; i <= 5; ++i) {
    master->Action("SampleNowItem")->trigger();
    WaitFor([] { return false; }, 300);
  }
  EXPECT_EQ(recorder->RowsIn("Run 1"), 10);
  EXPECT_EQ(Book().NumSheets(), 1);
  EXPECT_EQ(table->RecordedSamples(1), 10);
  SaveAndCompare();
}

// The airflow bench's fan exercise runs free, on the driver path and on its two serial cards: GO
// and STOP, and No and Yes to Next Results.
TEST_F(TScopeRuns, AirflowGoStopAndNoKeepEverySampleOnTheDriverPath) {
  Copy("airflow");
  Start(0, false);
  if (HasFatalFailure()) return;
  AirflowGoStopAndNo();
}

TEST_F(TScopeRuns, AirflowGoStopAndNoKeepEverySampleOnTheSerialCards) {
  Copy("airflow");
  Start(0, true);
  if (HasFatalFailure()) return;
  EXPECT_TRUE(master->Diagram()->IFD()->vComPortOpenAux());
  AirflowGoStopAndNo();
  // The bench's probe pressure and air temperature come from the second card.
  EXPECT_TRUE(prompts.NoticeTexts().isEmpty()) << prompts.NoticeTexts().join('\n').toStdString();
}

// The bench's high-speed exercise with the serial cards connected: Sample Now captures N and P1
// into the run as a whole (its sample numbers and 0.778 ms steps), and the saved file holds every
// captured cell.
TEST_F(TScopeRuns, AirflowBurstCaptureIsARunOfItsOwnWithTheSerialCards) {
  Copy("airflow");
  Start(1, true);
  if (HasFatalFailure()) return;
  ASSERT_EQ(logger->Current_Sample_State, RSS_HighSpeed);
  master->Action("SampleNow")->trigger();
  ASSERT_TRUE(WaitFor([&] { return table->RecordedSamples(1) >= 1000; }, 10000)) << table->RecordedSamples(1);
  EXPECT_EQ(Book().NumSheets(), 1);
  EXPECT_EQ(At(Book(), 1, 1, 2).Str, "Sample");
  for (int k = 1; k <= 1000; ++k) {
    ASSERT_EQ(At(Book(), 1, k + 1, 2).Num, k);
    ASSERT_NEAR(At(Book(), 1, k + 1, 3).Num, (k - 1) * 0.000778, 1e-9) << "row " << k + 1;
    ASSERT_EQ(At(Book(), 1, k + 1, 5).Kind, TValueKind::Number) << "row " << k + 1;
  }
  EXPECT_EQ(At(Book(), 1, 1002, 2).Kind, TValueKind::Empty);
  const QString saved = tmp.File("burst.vts");
  prompts.ExpectSaveFile(saved);
  master->Action("SaveAs")->trigger();
  TWorkbook file;
  file.Read(saved);
  for (int r = 1; r <= 1001; ++r)
    for (int c = 1; c <= 5; ++c)
      ASSERT_TRUE(Same(At(file, 1, r, c), At(Book(), 1, r, c))) << "R" << r << "C" << c;
}

TEST_F(TScopeRuns, DemoSignalsAreMeasuredOnTheDriverPath) {
  Copy("demo");
  Start(0, false);
  if (HasFatalFailure()) return;
  MeasureTheDemoSignals(false);
}

TEST_F(TScopeRuns, DemoSignalsAreMeasuredOnTheSerialCard) {
  Copy("demo");
  Start(0, true);
  if (HasFatalFailure()) return;
  MeasureTheDemoSignals(true);
}

// The plant set to a 30 % pulse and a 50 Hz sine with a 120 Hz one on top: duty, both spectral
// lines, and the spectrum averaged over two captures.
TEST_F(TScopeRuns, APulseOfSetDutyAndTwoSinesAreMeasured) {
  Copy("demo");
  const QString plant = sim->Rig() + "/sim/plant.ini";
  QString text = QString::fromUtf8(TTempFolder::Read(plant));
  ASSERT_TRUE(text.contains("wave_amplitude = 600"));
  text.replace("wave_amplitude = 600", "wave_amplitude = 600\nwave_duty = 30");
  text.replace("wave_amplitude = 800", "wave_amplitude = 800\nwave_frequency2 = 120\nwave_amplitude2 = 200");
  {
    QFile f(plant);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(text.toUtf8()), text.toUtf8().size());
  }
  Start(0, true);
  if (HasFatalFailure()) return;
  TScopeAnalysisForm* form = CaptureAndMeasure();
  ASSERT_TRUE(form);
  using M = TScopeMeasurements;
  EXPECT_NEAR(Figure(*form, 1, M::DutyCycle), 30, 1);
  EXPECT_NEAR(Figure(*form, 1, M::Frequency), 20, 0.1);
  EXPECT_NEAR(Figure(*form, 0, M::Frequency), 50, 0.1);
  form->WindowBox()->setCurrentIndex(3);  // Blackman-Harris
  form->ScaleBox()->setCurrentIndex(1);   // linear
  const TScopeSpectrum& s = form->Spectrum(0);
  EXPECT_NEAR(double(s.PeakBin()) * s.BinHz(), 50, s.BinHz());
  const auto k120 = static_cast<std::size_t>(std::lround(120 / s.BinHz()));
  EXPECT_NEAR(s.Linear(k120), Volts(3, 200), Volts(3, 200) * 0.05);
  EXPECT_NEAR(s.Linear(s.PeakBin()), Volts(3, 800), Volts(3, 800) * 0.05);
  EXPECT_LT(s.Linear(k120 + 15), Volts(3, 200) * 0.05) << "nothing between the lines";

  // A second capture: the window follows it; averaged, both count.
  master->Action("SampleNow")->trigger();
  WaitCaptureDone();
  master->Action("SampleNow")->trigger();
  ASSERT_EQ(Book().NumSheets(), 3);
  EXPECT_EQ(form->Trace().Title, Book().SheetName(3));
  EXPECT_EQ(form->CaptureBox()->count(), 2);
  EXPECT_EQ(form->Spectrum(0).Records(), 1);
  form->AverageBox()->setChecked(true);
  EXPECT_EQ(form->Spectrum(0).Records(), 2);
  EXPECT_NEAR(double(form->Spectrum(0).PeakBin()) * form->Spectrum(0).BinHz(), 50, form->Spectrum(0).BinHz());
  EXPECT_TRUE(form->PeakReadout()->text().contains("2 captures averaged")) << form->PeakReadout()->text().toStdString();
  // XY: B against A, with the phase at A's frequency.
  EXPECT_EQ(form->XYPlot()->Series().size(), 1u);
  EXPECT_EQ(form->XYPlot()->Series()[0].Points.size(), form->Trace().Channels[0].Values.size());
  // 50 Hz against 20 Hz has no phase.
  EXPECT_TRUE(form->XYReadout()->text().endsWith(QString::fromUtf16(M::NoValue))) << form->XYReadout()->text().toStdString();
  EXPECT_TRUE(form->XYReadout()->toolTip().contains("different frequencies"));
  SaveAndCompare();
}
