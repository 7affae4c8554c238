// Recorded readings against the simulator's fault switches, on the serial card and on the driver
// devices: the plant is held at counting inputs (each served count names its input and its read),
// so every recorded cell is checked against what was served. A cell holds a served value of its
// own input, or nothing; never 0 counts, never the previous row's reading again.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <cmath>
#include <functional>
#include <optional>

#include "acquisition/qxanalogueinputsource.h"
#include "acquisition/qxdigitalinputsource.h"
#include "acquisition/qxdatalist.h"
#include "acquisition/qxloggerpanel.h"
#include "ifd/qxifd.h"
#include "ifd/serial/ifdseriallink.h"
#include "ifd/serial/lostconnection.h"
#include "ifd/serial/waitfor.h"
#include "results/tableform.h"
#include "rigconfig/inistore.h"
#include "shell/master.h"
#include "shell/resultsmdi.h"
#include "workbook/formats/nativefile.h"
#include "workbook/model/workbook.h"
#include "workbook/view/f1book.h"
#include "support/demosimulator.h"
#include "support/scriptedprompts.h"
#include "support/tempfolder.h"

namespace {
// The simulator's counting inputs (docs/simulator.md): input k reads -1550 + 200 k + r, r the
// card's read number modulo 100.
int Served(int input, int read) { return -1550 + 200 * (input % 16) + read % 100; }

struct TColumn {
  TQXAnalogueInputSource* Source;
  int Channel;
  int Column;
};

// What one recorded run held, cell by cell.
struct TRecordedRun {
  int Rows = 0, Real = 0, Empty = 0;
  bool FirstRowReal = false, LastRowEmpty = false;
  QStringList Faults;
};

// The read numbers behind a recorded value of `column` (none when it was never served to its
// input; several where the input's calibration maps those counts to one value, e.g. below its range).
std::vector<int> ReadsBehind(const TColumn& column, double value) {
  std::vector<int> reads;
  for (int r = 0; r < 100; ++r) {
    const double expected = column.Source->Calibration.Process(Served(column.Channel, r));
    if (std::fabs(expected - value) <= 1e-9 * std::max(1.0, std::fabs(value))) reads.push_back(r);
  }
  return reads;
}

TRecordedRun Check(const TWorkbook& book, const std::vector<TColumn>& columns, int rows) {
  TRecordedRun run;
  run.Rows = rows;
  std::vector<std::optional<int>> previous(columns.size());
  for (int row = 2; row <= rows + 1; ++row) {
    bool rowReal = true, rowEmpty = true;
    for (size_t i = 0; i < columns.size(); ++i) {
      const TCellValue cell = book.ValueRC(row, columns[i].Column);
      const QString where = QStringLiteral("row %1 input %2: ").arg(row).arg(columns[i].Channel);
      if (cell.Kind == TValueKind::Empty) {
        ++run.Empty;
        rowReal = false;
        continue;
      }
      rowEmpty = false;
      if (cell.Kind != TValueKind::Number) {
        run.Faults << where + QStringLiteral("not a number");
        continue;
      }
      const std::vector<int> reads = ReadsBehind(columns[i], cell.Num);
      if (reads.empty()) {
        run.Faults << where + QStringLiteral("%1 was never served to this input").arg(cell.Num);
        continue;
      }
      ++run.Real;
      // Only a value naming one read can show a repeat.
      const std::optional<int> read = reads.size() == 1 ? std::optional<int>(reads.front()) : std::nullopt;
      if (read && previous[i] && *previous[i] == *read) run.Faults << where + QStringLiteral("repeats read %1").arg(*read);
      previous[i] = read;
    }
    if (row == 2) run.FirstRowReal = rowReal;
    if (row == rows + 1) run.LastRowEmpty = rowEmpty;
  }
  return run;
}

struct TFaultCase {
  const char* Name;
  bool Serial;
  QStringList Options;
  // Messages the program shows, in order, once the path is up.
  QStringList Messages;
  int MinimumReal;       // cells that must hold a reading
  bool AllEmpty = false;
  bool EndsEmpty = false;  // the card vanished: the last rows hold nothing
};

void PrintTo(const TFaultCase& c, std::ostream* os) { *os << c.Name; }

class MissingReadings : public ::testing::TestWithParam<TFaultCase> {
 protected:
  void SetUp() override {
    if (!TCardSimulator::Built()) GTEST_SKIP() << "the simulator is not built";
    ASSERT_TRUE(sim.OscilloscopeOff());
  }
  // The demo on its serial card answering in single-ended mode to a rig that reads it
  // differentially (`extra`: the line's faults); `messages` are expected once connected.
  std::unique_ptr<TMaster> StartInTheOtherMode(TScriptedPrompts& prompts, const QStringList& extra,
                                               const QStringList& messages = {}) {
    if (!sim.Start(QStringList{"--counting-inputs", "--no-devices", "--master-mode", "se"} + extra)) return nullptr;
    prompts.ExpectChoice(0);
    auto master = std::make_unique<TMaster>();
    master->StartUp(sim.Rig(), {});
    TQXIFD* ifd = master->Diagram()->IFD();
    ifd->FilterWeight = 1;
    prompts.ExpectChoice(0);
    for (const QString& m : messages) prompts.ExpectMessage(m);
    master->ConnectClick(true);
    return master;
  }
  TTempFolder tmp;
  TDemoSimulator sim{tmp};
};

std::vector<TColumn> InputColumns(TMaster& master) {
  std::vector<TColumn> columns;
  for (TQXSource* s : master.Diagram()->DataList()->Sources())
    if (auto* input = qobject_cast<TQXAnalogueInputSource*>(s); input && input->Source_Column > 0)
      columns.push_back({input, input->FChannel, input->Source_Column});
  return columns;
}

// A run of one sample per tick, until `rows` are recorded and `done` holds.
int Record(TMaster& master, int rows, const std::function<bool()>& done = {}) {
  TQXLoggerPanel* logger = master.Diagram()->Logger();
  logger->Programmed_Sample_Mode = PSS_FreeRun;
  // One sample a tick, with time for the answers (and the single reads after a lost one).
  logger->LogTimer->setInterval(1000);
  logger->Sample_Interval = 1000;
  master.Action("SampleNow")->trigger();
  WaitFor([&] { return logger->Sample_Transfer_Count >= rows && (!done || done()); }, 60000);
  master.Action("SampleNow")->trigger();  // STOP
  return logger->Sample_Transfer_Count;
}
}  // namespace

TEST_P(MissingReadings, EveryRecordedCellIsAServedReadingOrEmpty) {
  const TFaultCase& c = GetParam();
  ASSERT_TRUE(sim.Start(QStringList{"--counting-inputs"} + c.Options + (c.Serial ? QStringList{"--no-devices"} : QStringList{})));
  TScriptedPrompts prompts;
  prompts.ExpectChoice(0);  // exercise 1
  auto master = std::make_unique<TMaster>();
  master->StartUp(sim.Rig(), {});
  TQXIFD* ifd = master->Diagram()->IFD();
  ASSERT_NE(ifd, nullptr);
  ifd->FilterWeight = 1;  // each recorded value is one served reading, not a blend
  if (c.Serial) {
    prompts.ExpectChoice(0);  // the port list: COM3 first
    for (const QString& m : c.Messages) prompts.ExpectMessage(m);
    master->ConnectClick(true);
    if (!c.Options.contains("--no-arm"))
      ASSERT_TRUE(WaitFor([&] { return ifd->FvComIOActive; }, 8000)) << master->PanelText(3).toStdString();
  } else {
    for (const QString& m : c.Messages) prompts.ExpectMessage(m);
    WaitFor([&] { return ifd->PortsOpen; }, 5000);
  }
  const std::vector<TColumn> columns = InputColumns(*master);
  ASSERT_GE(columns.size(), 3u);  // tank, vessel, flow
  // On a sound line the readings flow before GO.
  if (c.MinimumReal >= 24) ASSERT_TRUE(WaitFor([&] { return ifd->ReadingAvailable(columns[0].Channel); }, 5000));
  std::function<bool()> done;
  if (c.EndsEmpty) {
    // Until the card has gone and a few samples more.
    done = [&, gone = -1]() mutable {
      const QString panel = master->PanelText(3);
      if (gone < 0 && (panel == "IFDVCM: LOST" || panel.contains("No Device") || panel.contains("Error")))
        gone = master->Diagram()->Logger()->Sample_Transfer_Count;
      return gone >= 0 && master->Diagram()->Logger()->Sample_Transfer_Count >= gone + 3;
    };
  }
  const int rows = Record(*master, 8, done);
  ASSERT_GE(rows, 8);
  TWorkbook& results = master->Table()->ResultsTable->Book();
  results.SetSheet(results.NumSheets());
  const TRecordedRun run = Check(results, columns, rows);
  EXPECT_TRUE(run.Faults.isEmpty()) << run.Faults.join('\n').toStdString();
  EXPECT_GE(run.Real, c.MinimumReal) << run.Real << " of " << run.Real + run.Empty;
  if (c.AllEmpty) EXPECT_EQ(run.Real, 0);
  // On a sound line the run's first row is a reading like every other.
  if (c.MinimumReal >= 24) EXPECT_TRUE(run.FirstRowReal);
  if (c.EndsEmpty) EXPECT_TRUE(run.LastRowEmpty);
  if (c.Serial && !c.AllEmpty && !c.EndsEmpty && run.Empty > 0)
    EXPECT_TRUE(master->PanelText(3).contains("degraded")) << master->PanelText(3).toStdString();
  prompts.ExpectMessage("The current table data has not been saved!", TModalResult::mrOk);
  master->close();
}

INSTANTIATE_TEST_SUITE_P(
    E2E, MissingReadings,
    ::testing::Values(
        TFaultCase{"SerialClean", true, {}, {}, 24},
        TFaultCase{"SerialDropEvery3", true, {"--drop-every", "3"}, {}, 4},
        TFaultCase{"SerialCorruptEvery2", true, {"--corrupt-every", "2"}, {}, 4},
        TFaultCase{"SerialDelay2000", true, {"--delay", "2000"}, {}, 4},
        TFaultCase{"SerialVanish", true, {"--vanish-after", "15"}, {TLostConnection::Message()}, 1, false, true},
        TFaultCase{"SerialNoArm", true, {"--no-arm"}, {TIFDSerialLink::IdentifyFailureText(3)}, 0, true},
        TFaultCase{"DriverClean", false, {}, {}, 24},
        TFaultCase{"DriverDropEvery3", false, {"--drop-every", "3"}, {}, 0},
        TFaultCase{"DriverCorruptEvery2", false, {"--corrupt-every", "2"}, {}, 0},
        TFaultCase{"DriverDelay2000", false, {"--delay", "2000"}, {}, 0},
        TFaultCase{"DriverVanish", false, {"--vanish-after", "15"}, {}, 1, false, true},
        TFaultCase{"DriverNoArm", false, {"--no-arm"}, {}, 24}),
    [](const auto& info) { return std::string(info.param.Name); });

// The demo's card answering in single-ended mode to a rig that reads it differentially, on a line
// losing every second reply: no answer can be placed, so every recorded value comes from a
// single-input read and sits on its own input, or the cell is empty.
TEST_F(MissingReadings, ACardInTheOtherModeGivesTheRightChannelsOrNothing) {
  TScriptedPrompts prompts;
  auto master = StartInTheOtherMode(prompts, {"--drop-every", "2"});
  ASSERT_TRUE(master);
  TQXIFD* ifd = master->Diagram()->IFD();
  ASSERT_TRUE(WaitFor([&] { return ifd->FvComIOActive; }, 8000)) << master->PanelText(3).toStdString();
  const std::vector<TColumn> columns = InputColumns(*master);
  const int rows = Record(*master, 8);
  TWorkbook& results = master->Table()->ResultsTable->Book();
  results.SetSheet(results.NumSheets());
  const TRecordedRun run = Check(results, columns, rows);
  EXPECT_TRUE(run.Faults.isEmpty()) << run.Faults.join('\n').toStdString();
  EXPECT_GT(run.Real, 0);
  prompts.ExpectMessage("The current table data has not been saved!", TModalResult::mrOk);
  master->close();
}

// On a clean line the other mode shows in the answer's length: it is told once, naming both
// modes, and the inputs are still recorded on their own channels.
TEST_F(MissingReadings, ACardInTheOtherModeIsReportedOnceAndReadInputByInput) {
  TScriptedPrompts prompts;
  auto master = StartInTheOtherMode(prompts, {}, {TIFDSerialLink::ModeMismatchText(3, TIFDInputMode::DIFF)});
  ASSERT_TRUE(master);
  TQXIFD* ifd = master->Diagram()->IFD();
  ASSERT_TRUE(WaitFor([&] { return ifd->FvComIOActive; }, 8000));
  const std::vector<TColumn> columns = InputColumns(*master);
  const int rows = Record(*master, 6);
  TWorkbook& results = master->Table()->ResultsTable->Book();
  results.SetSheet(results.NumSheets());
  const TRecordedRun run = Check(results, columns, rows);
  EXPECT_TRUE(run.Faults.isEmpty()) << run.Faults.join('\n').toStdString();
  EXPECT_GE(run.Real, 3 * (rows - 2));
  EXPECT_EQ(prompts.MessageTexts().size(), 1);
  prompts.ExpectMessage("The current table data has not been saved!", TModalResult::mrOk);
  master->close();
}

// Digital inputs on a line losing every second reply: a recorded state is one that arrived for
// its sample (0 or 1), or the cell is empty; on a clean line every row holds one.
TEST_F(MissingReadings, ALostDigitalReplyLeavesItsCellsEmpty) {
  for (const bool lossy : {false, true}) {
    SCOPED_TRACE(lossy ? "dropping" : "clean");
    TTempFolder folder;
    TDemoSimulator demo{folder};
    {
      TIniStore ini(demo.Rig() + "/config/Configuration.ini");
      ini.WriteString("Scope", "feature", "off");
      ASSERT_TRUE(ini.UpdateFile());
      // The level switch (row 21) recorded in a column of its own.
      const QString sheet = demo.Rig() + "/config/datasrc.vts";
      TWorkbook sources = TNativeFile::Read(sheet, TTempFolder::Read(sheet));
      sources.SetNumberRC(21, 2, 19);
      QFile out(sheet);
      ASSERT_TRUE(out.open(QIODevice::WriteOnly) && out.write(TNativeFile::Write(sources)) > 0);
    }
    ASSERT_TRUE(demo.Start(QStringList{"--no-devices"} + (lossy ? QStringList{"--drop-every", "2"} : QStringList{})));
    TScriptedPrompts prompts;
    prompts.ExpectChoice(0);
    auto master = std::make_unique<TMaster>();
    master->StartUp(demo.Rig(), {});
    TQXIFD* ifd = master->Diagram()->IFD();
    prompts.ExpectChoice(0);
    master->ConnectClick(true);
    ASSERT_TRUE(WaitFor([&] { return ifd->FvComIOActive; }, 8000)) << master->PanelText(3).toStdString();
    std::vector<int> columns, lines;
    for (TQXSource* s : master->Diagram()->DataList()->Sources())
      if (auto* in = qobject_cast<TQXDigitalInputSource*>(s); in && in->Source_Column > 0) {
        columns.push_back(in->Source_Column);
        lines.push_back(in->FChannel);
      }
    ASSERT_FALSE(columns.empty());
    // On a sound line the states flow before GO.
    if (!lossy) ASSERT_TRUE(WaitFor([&] { return ifd->DigitalInputAvailable(lines.front()); }, 5000));
    const int rows = Record(*master, 8);
    TWorkbook& results = master->Table()->ResultsTable->Book();
    results.SetSheet(results.NumSheets());
    int empty = 0, held = 0;
    QStringList emptyRows;
    for (int row = 2; row <= rows + 1; ++row)
      for (int column : columns) {
        const TCellValue cell = results.ValueRC(row, column);
        if (cell.Kind == TValueKind::Empty) {
          ++empty;
          emptyRows << QString::number(row);
          continue;
        }
        ++held;
        EXPECT_TRUE(cell.Kind == TValueKind::Number && (cell.Num == 0 || cell.Num == 1)) << "row " << row;
      }
    if (lossy) {
      EXPECT_GT(empty, 0) << "a lost reply kept the last state";
      EXPECT_GT(held, 0);
    } else {
      EXPECT_EQ(empty, 0) << "rows " << emptyRows.join(' ').toStdString() << " of " << rows;
    }
    prompts.ExpectMessage("The current table data has not been saved!", TModalResult::mrOk);
    master->close();
  }
}

// The demo as it starts: input smoothing begins at the first reading, so the run's first T1 is
// the tank's steady temperature, and the highest T1 kept since start-up is a reading that happened.
TEST_F(MissingReadings, TheFirstRecordedSampleIsARealReading) {
  ASSERT_TRUE(sim.Start());
  ASSERT_TRUE(WaitFor([&] { return QFileInfo::exists(sim.Devices() + "/VelUSB0"); }, 5000));
  TScriptedPrompts prompts;
  prompts.ExpectChoice(0);
  auto master = std::make_unique<TMaster>();
  master->StartUp(sim.Rig(), {});
  TQXIFD* ifd = master->Diagram()->IFD();
  ASSERT_TRUE(WaitFor([&] { return ifd->PortsOpen; }, 5000)) << master->PanelText(3).toStdString();
  const int rows = Record(*master, 8);
  TWorkbook& results = master->Table()->ResultsTable->Book();
  results.SetSheet(results.NumSheets());
  constexpr int T1 = 4, HighestT1 = 17;
  double settled = 0, highest = -1e9;
  for (int row = 2; row <= rows + 1; ++row) {
    ASSERT_EQ(results.ValueRC(row, T1).Kind, TValueKind::Number) << "row " << row;
    highest = std::max(highest, results.NumberRC(row, T1));
    if (row > rows + 1 - 4) settled += results.NumberRC(row, T1) / 4;
  }
  EXPECT_NEAR(results.NumberRC(2, T1), settled, 0.5);
  // Kept over every tick since start-up: at least the highest recorded reading, and no transient.
  const double kept = results.NumberRC(rows + 1, HighestT1);
  EXPECT_GE(kept, highest);
  EXPECT_NEAR(kept, settled, 0.5);
  prompts.ExpectMessage("The current table data has not been saved!", TModalResult::mrOk);
  master->close();
}
