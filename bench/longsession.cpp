// A long recording session as a lab runs one overnight: 30-value samples go into the results table
// with the table and graph windows alive and the sample journal on, to 300 000 samples and to the
// sheet's last row and on into the next run; then a journal of 300 000 samples is recovered.
// Reported: the process's memory per sample (from /proc/self/status), the time per sample at the
// start and at the end of the session, the longest pause of the event loop, and the recovery's
// time and peak memory. Each figure is printed next to its goal; the row-limit run fails the
// benchmark when the program does not go on into a new run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include <pthread.h>

#include <QApplication>
#include <QEventLoop>
#include <QMenu>
#include <QTimer>
#include <QFile>
#include <QTemporaryDir>

#include "answeryes.h"
#include "benchapplication.h"
#include "platform/iprompts.h"
#include "platform/services.h"
#include "results/graphform.h"
#include "results/iresultslogger.h"
#include "results/journalrecovery.h"
#include "results/samplejournal.h"
#include "results/tableform.h"
#include "rigconfig/rigconfig.h"
#include "workbook/model/a1notation.h"
#include "workbook/model/workbook.h"
#include "workbook/view/f1book.h"

namespace {

using TClock = std::chrono::steady_clock;

constexpr int Columns = 30;

// A field of /proc/self/status in KiB ("VmRSS", "VmHWM"); 0 when it cannot be read.
double StatusKiB(const std::string& field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(field + ":", 0) == 0) return std::stod(line.substr(field.size() + 1));
  return 0;
}

// Starts a new peak (VmHWM) from the current resident size.
void ResetPeak() {
  std::ofstream out("/proc/self/clear_refs");
  out << "5";
}

double Seconds(TClock::duration d) { return std::chrono::duration<double>(d).count(); }

// This thread's processor time in seconds: on a shared machine the wall clock also counts other
// programs' turns.
double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

// The formulas of columns 27 to 30, for row %1.
constexpr const char* RowFormulas[] = {"=D%1-E%1", "=IF(F%1>0,F%1/60*G%1*(D%1-E%1),0)", "=MAX(D%1,E%1)", "=H%1*2+I%1"};
constexpr int FirstFormulaCol = Columns - 3;

// 30 columns: sample number, elapsed time, 24 readings, and 4 formulas of the row.
void MakeTemplate(TWorkbook& book) {
  book.SetMaxCol(Columns);
  book.SetMaxRow(3);
  for (int c = 1; c <= Columns; ++c) book.SetColText(c, QStringLiteral("Column %1").arg(c));
  for (int r = 2; r <= 3; ++r) {
    for (int c = 1; c <= Columns; ++c) book.SetNumberFormatRC(r, c, c == 2 ? "[h]:mm:ss" : "0.00");
    for (int c = FirstFormulaCol; c <= Columns; ++c)
      book.SetFormulaRC(r, c, QString::fromLatin1(RowFormulas[c - FirstFormulaCol]).arg(r));
  }
}

void FillSample(TWorkbook& row, int n) {
  row.SetNumberRC(2, 1, n);
  row.SetNumberRC(2, 2, n / 86400.0);
  for (int c = 3; c <= 26; ++c) row.SetNumberRC(2, c, 20 + ((n * 7 + c * 13) % 1000) * 0.01);
}

// The logger's side of the table: its sample counter, which the table resets when a run is full.
class TCountingLogger : public IResultsLogger {
 public:
  bool IsSampling() const override { return Sampling; }
  void SampleNow() override { Sampling = false; }
  void Reset_Sample_Status() override { Count = 0; }
  void SetSampleTransferCount(int count) override { Count = count; }
  void ResetSampleCounts() override { Count = 0; }
  bool Sampling = true;
  int Count = 0;
};

// Elapsed time (column 2) across, readings of columns 4 and 5 up, as a rig's graph shows them.
struct TSession {
  TSession() : Rig(nullptr, nullptr, nullptr), Table(SampleRow), Graph(&Table) {
    qputenv("XDG_DATA_HOME", Dir.filePath("data").toLocal8Bit());
    Rig.Using_Graph = true;
    Rig.PathName = Dir.path() + "/rig/";
    Rig.ColumnStatus.resize(Columns + 1);
    Rig.ColumnStatus[2].plot_on_X_Axis = Rig.ColumnStatus[2].DefPlot = true;
    Rig.ColumnStatus[4].plot_on_Y_Axis = Rig.ColumnStatus[4].DefPlot = true;
    Rig.ColumnStatus[5].plot_on_Y_Axis = Rig.ColumnStatus[5].DefPlot = true;
    TServices::SetRig(&Rig);
    TServices::SetPrompts(&Prompts);
    MakeTemplate(SampleRow);
    Journal = std::make_unique<TSampleJournal>(TSampleJournal::PathFor(Rig.PathName, 1), TSampleJournal::THeader{Rig.PathName, 1, "bench"});
    Journal->Claim();
    Table.SetGraph(&Graph);
    Table.SetLogger(&Logger);
    Table.Initialise();
    Graph.Initialise();
    Table.SetJournal(Journal.get());
    Table.resize(1000, 600);
    Graph.resize(1000, 600);
    Table.show();
    Graph.show();
    QCoreApplication::processEvents();
  }
  ~TSession() {
    Table.SetJournal(nullptr);
    Journal->Retire();
    TServices::SetPrompts(nullptr);
    TServices::SetRig(nullptr);
  }
  // One tick's sample, as the logger takes it.
  void Sample() {
    const int n = ++Logger.Count;
    ++Taken;
    FillSample(SampleRow, n);
    Table.WriteRow(SampleRow, n, 2);
    Graph.DataHasChanged(Logger.Count);
  }
  // The event loop's turn: repaints of both windows, the journal's sync, queued messages.
  double Events() {
    const auto t0 = TClock::now();
    QCoreApplication::processEvents();
    return Seconds(TClock::now() - t0);
  }

  QTemporaryDir Dir;
  TRigConfig Rig;
  TAnswerYes Prompts;
  TCountingLogger Logger;
  TWorkbook SampleRow;
  TTableForm Table;
  TGraphForm Graph;
  std::unique_ptr<TSampleJournal> Journal;
  long Taken = 0;
};

// range(0) samples. Memory is read at 300 000 samples and at the end; the processor time per sample
// over each block of 50 000 (printed block by block, and the first, last and slowest block as
// counters); the event loop runs every 1 000 samples, as the windows would be repainted, and its
// longest turn is reported, and the longest single sample. At the end of each block 100 samples are taken as the program takes
// them at its fastest, each in its own turn of the event loop with the windows repainted after it:
// the time of such a turn must not grow with the table either.
void BM_LongSession(benchmark::State& state) {
  const long total = state.range(0);
  for (auto _ : state) {
    TSession s;
    const double rssStart = StatusKiB("VmRSS");
    double rssAt300k = 0, firstBlock = 0, lastBlock = 0, slowestBlock = 0, longestEvents = 0, firstTurn = 0, lastTurn = 0;
    const long block = std::min<long>(50000, total);
    double blockStart = CpuSeconds();
    long inBlock = 0, blocks = 0;
    double longestSample = 0;  // a tick is a turn of the event loop too
    while (s.Taken < total) {
      const auto t0 = TClock::now();
      s.Sample();
      longestSample = std::max(longestSample, Seconds(TClock::now() - t0));
      ++inBlock;
      if (s.Taken % 1000 == 0) longestEvents = std::max(longestEvents, s.Events());
      if (s.Taken == 300000) rssAt300k = StatusKiB("VmRSS");
      if (inBlock < block) continue;
      const double perSample = (CpuSeconds() - blockStart) / static_cast<double>(block) * 1e6;
      const long blockEnd = s.Taken;
      const double turnStart = CpuSeconds();
      int turns = 0;
      for (; turns < 100 && s.Taken < total && s.Taken != 300000; ++turns) {
        s.Sample();
        longestEvents = std::max(longestEvents, s.Events());
      }
      const double perTurn = turns > 0 ? (CpuSeconds() - turnStart) / turns * 1e6 : 0;
      if (blocks++ == 0) {
        firstBlock = perSample;
        firstTurn = perTurn;
      }
      lastBlock = perSample;
      if (turns > 0) lastTurn = perTurn;
      slowestBlock = std::max(slowestBlock, perSample);
      std::fprintf(stderr, "  samples to %7ld: %6.1f us/sample; %7.1f us per sample in its own turn\n", blockEnd, perSample, perTurn);
      inBlock = 0;
      blockStart = CpuSeconds();
    }
    if (rssAt300k > 0) state.counters["bytes_per_sample_at_300k"] = (rssAt300k - rssStart) * 1024 / 300000;
    state.counters["bytes_per_sample_at_end"] = (StatusKiB("VmRSS") - rssStart) * 1024 / static_cast<double>(s.Taken);
    state.counters["cpu_us_per_sample_first_block"] = firstBlock;
    state.counters["cpu_us_per_sample_last_block"] = lastBlock;
    state.counters["cpu_us_per_sample_slowest_block"] = slowestBlock;
    // Flat: the last block within 10 % of the first.
    state.counters["last_over_first"] = firstBlock > 0 ? lastBlock / firstBlock : 0;
    state.counters["cpu_us_per_turn_first_block"] = firstTurn;
    state.counters["cpu_us_per_turn_last_block"] = lastTurn;
    state.counters["longest_event_turn_ms"] = longestEvents * 1000;
    state.counters["longest_sample_ms"] = longestSample * 1000;
    state.counters["runs"] = s.Table.GetSheetCount();
    // Past the sheet's last row the session must have gone on in a new run with every sample kept.
    if (total >= a1::MaxRows) {
      const long inRun1 = s.Table.RecordedSamples(1);
      if (s.Table.GetSheetCount() != 2 || inRun1 != a1::MaxRows - 1 || inRun1 + s.Table.RecordedSamples(2) != total)
        state.SkipWithError("the full run did not go on into a new run with every sample kept");
    }
  }
}
// 100 000 samples for a quick look; 300 000: memory; 1 000 000: flat throughput in one run; the
// sheet's last row (1 048 575 samples) and 5 000 more.
// The short mode (inside the test suite) only shows that a session and a recovery run whole; the
// sizes that measure memory, throughput and the real last row are for the full runs.
static void LongSessionSizes(benchmark::internal::Benchmark* b) {
  if (BenchShort()) {
    b->Arg(2000);
    return;
  }
  b->Arg(100000)->Arg(300000)->Arg(1000000)->Arg(a1::MaxRows - 1 + 5000);
}
BENCHMARK(BM_LongSession)->Apply(LongSessionSizes)->Iterations(1)->Unit(benchmark::kSecond);

// Sample n as the killed session journalled it: 26 numbers, and the row's formulas (the template's,
// or with `changed` other ones).
void JournalledRow(int n, bool changed, std::vector<TJournalCell>& cells) {
  cells.resize(Columns);
  for (int c = 1; c < FirstFormulaCol; ++c)
    cells[c - 1] = {TJournalCell::TKind::Number, c == 1 ? n : 20 + ((n * 7 + (c - 1) * 13) % 1000) * 0.01, {}};
  for (int c = FirstFormulaCol; c <= Columns; ++c)
    cells[c - 1] = {TJournalCell::TKind::Formula, 0,
                    QString::fromLatin1(RowFormulas[changed ? Columns - c : c - FirstFormulaCol]).arg(n + 1)};
}

// Whether every recovered row holds exactly what was journalled.
bool RecoveredExactly(TTableForm& table, int rows, bool changed) {
  TWorkbook& book = table.ResultsTable->Book();
  book.SetSheet(1);
  std::vector<TJournalCell> cells;
  for (int n = 1; n <= rows; ++n) {
    JournalledRow(n, changed, cells);
    for (int c = 1; c <= Columns; ++c) {
      const TJournalCell& want = cells[c - 1];
      if (want.Kind == TJournalCell::TKind::Number ? book.ValueRC(n + 1, c).Kind != TValueKind::Number ||
                                                         book.NumberRC(n + 1, c) != want.Num
                                                   : book.FormulaRC(n + 1, c) != want.Text)
        return false;
    }
  }
  return true;
}

// Menus while recording: the table of range(0) rows and its graph are on screen while a tick takes
// a sample every millisecond (the fastest recording), each tick a turn of the event loop with the
// windows repainted as they need. Another thread, as a user would, asks for a menu every quarter
// second and probes the event loop every 3 ms. Reported: the longest time from a menu's request to
// its being painted, and the longest wait of a probe (the longest turn of the event loop), both
// in the GUI thread's processor time (the machine is shared) and in wall time. Goal: under 100 ms.
class TStampEvent : public QEvent {
 public:
  static QEvent::Type Kind(bool menu) {
    static const auto probe = static_cast<QEvent::Type>(QEvent::registerEventType());
    static const auto request = static_cast<QEvent::Type>(QEvent::registerEventType());
    return menu ? request : probe;
  }
  TStampEvent(bool menu, TClock::time_point wall, double cpu) : QEvent(Kind(menu)), Wall(wall), Cpu(cpu) {}
  TClock::time_point Wall;
  double Cpu;
};

// The GUI thread's processor time, read from any thread.
class TGuiCpu {
 public:
  TGuiCpu() { pthread_getcpuclockid(pthread_self(), &FClock); }
  double Seconds() const {
    timespec t{};
    clock_gettime(FClock, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
  }

 private:
  clockid_t FClock{};
};

// A menu that notes when it has been painted after a request.
class TTimedMenu : public QMenu {
 public:
  using QMenu::QMenu;
  std::function<void()> Painted;

 protected:
  void paintEvent(QPaintEvent* event) override {
    QMenu::paintEvent(event);
    if (Painted) Painted();
  }
};

class TLatencies : public QObject {
 public:
  TLatencies(const TGuiCpu& gui, TTimedMenu& menu, QWidget& over) : FGui(gui), FMenu(menu), FOver(over) {
    FMenu.Painted = [this] {
      if (!FPending) return;
      FPending = false;
      MenuCpu = std::max(MenuCpu, FGui.Seconds() - FRequest.Cpu);
      MenuWall = std::max(MenuWall, Seconds(TClock::now() - FRequest.Wall));
      ++Menus;
      QMetaObject::invokeMethod(&FMenu, &QMenu::close, Qt::QueuedConnection);
    };
  }
  bool event(QEvent* e) override {
    if (e->type() == TStampEvent::Kind(false)) {
      const auto* stamp = static_cast<TStampEvent*>(e);
      TurnCpu = std::max(TurnCpu, FGui.Seconds() - stamp->Cpu);
      TurnWall = std::max(TurnWall, Seconds(TClock::now() - stamp->Wall));
      return true;
    }
    if (e->type() == TStampEvent::Kind(true)) {
      if (FPending || FMenu.isVisible()) return true;
      const auto* stamp = static_cast<TStampEvent*>(e);
      FRequest = {stamp->Wall, stamp->Cpu};
      FPending = true;
      FMenu.popup(FOver.mapToGlobal(QPoint(40, 40)));
      return true;
    }
    return QObject::event(e);
  }
  double MenuCpu = 0, MenuWall = 0, TurnCpu = 0, TurnWall = 0;
  int Menus = 0;

 private:
  struct TRequest {
    TClock::time_point Wall;
    double Cpu = 0;
  };
  const TGuiCpu& FGui;
  TTimedMenu& FMenu;
  QWidget& FOver;
  TRequest FRequest;
  bool FPending = false;
};

void BM_MenusWhileRecording(benchmark::State& state) {
  const long rows = state.range(0);
  const int wanted = BenchShort() ? 3 : 20;
  for (auto _ : state) {
    TSession s;
    while (s.Taken < rows) {
      s.Sample();
      if (s.Taken % 1000 == 0) s.Events();
    }
    s.Events();
    TTimedMenu menu(&s.Table);
    for (const char* item : {"&New", "&Open...", "&Save", "Save &As...", "&Print...", "Copy", "Paste", "Next &Results", "&Delete Run",
                             "Column &Format...", "&Graph", "E&xit"})
      menu.addAction(QString::fromUtf8(item));
    const TGuiCpu gui;
    TLatencies latencies(gui, menu, s.Table);
    QEventLoop loop;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] {
      if (latencies.Menus >= wanted) {
        loop.quit();
        return;
      }
      s.Sample();
    });
    const long before = s.Taken;
    std::atomic<bool> done{false};
    std::thread user([&] {
      int probes = 0;
      while (!done) {
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
        const bool menuNow = ++probes % 83 == 0;  // about every quarter second
        QCoreApplication::postEvent(&latencies, new TStampEvent(menuNow, TClock::now(), gui.Seconds()));
      }
    });
    tick.start();
    loop.exec();
    done = true;
    user.join();
    tick.stop();
    QCoreApplication::processEvents();
    state.counters["menus"] = latencies.Menus;
    state.counters["samples_meanwhile"] = static_cast<double>(s.Taken - before);
    state.counters["menu_ms_cpu"] = latencies.MenuCpu * 1000;
    state.counters["menu_ms_wall"] = latencies.MenuWall * 1000;
    state.counters["longest_turn_ms_cpu"] = latencies.TurnCpu * 1000;
    state.counters["longest_turn_ms_wall"] = latencies.TurnWall * 1000;
    if (latencies.Menus < wanted) state.SkipWithError("the menus were not all shown");
  }
}
BENCHMARK(BM_MenusWhileRecording)->Arg(BenchShort() ? 2000 : 300000)->Iterations(1)->Unit(benchmark::kSecond);

// A journal of range(0) samples left by a killed session, recovered at the next start: reading the
// journal, rebuilding the table and graph, and journalling the rebuilt table again. With range(1),
// the session had its formula columns changed before the first sample (each row's formulas then
// differ from the template's and are the row above's moved down).
void BM_RecoverJournal(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  const bool changedFormulas = state.range(1) != 0;
  for (auto _ : state) {
    state.PauseTiming();
    TSession s;
    {
      // The killed session's journal, written as the table writes it.
      TSampleJournal old(s.Journal->Path() + ".old", s.Journal->Header());
      old.Claim();
      old.BeginSnapshot();
      old.RunAdded("Run 1", 1);
      old.EndSnapshot();
      std::vector<TJournalCell> cells;
      for (int n = 1; n <= rows; ++n) {
        JournalledRow(n, changedFormulas, cells);
        old.RowWritten(1, n + 1, cells);
      }
    }
    s.Table.SetJournal(nullptr);
    s.Journal->Retire();
    QFile::remove(s.Journal->Path());
    QFile::rename(s.Journal->Path() + ".old", s.Journal->Path());
    s.Journal = std::make_unique<TSampleJournal>(s.Journal->Path(), s.Journal->Header());
    s.Journal->Claim();
    s.Table.SetJournal(s.Journal.get());
    const double rssStart = StatusKiB("VmRSS");
    ResetPeak();
    state.ResumeTiming();
    const auto t0 = TClock::now();
    const double cpu0 = CpuSeconds();
    const TJournalRecovery::TOutcome outcome = TJournalRecovery::Run(*s.Journal, s.Table);
    const double seconds = Seconds(TClock::now() - t0);
    state.counters["cpu_seconds"] = CpuSeconds() - cpu0;
    state.PauseTiming();
    state.counters["seconds"] = seconds;
    state.counters["peak_bytes_per_sample"] = (StatusKiB("VmHWM") - rssStart) * 1024 / rows;
    state.counters["bytes_per_sample_after"] = (StatusKiB("VmRSS") - rssStart) * 1024 / rows;
    if (outcome != TJournalRecovery::TOutcome::Recovered || s.Table.RecordedSamples(1) != rows)
      state.SkipWithError("the journal was not recovered whole");
    else if (!RecoveredExactly(s.Table, rows, changedFormulas))
      state.SkipWithError("a recovered cell differs from the journal's");
    state.ResumeTiming();
  }
}
BENCHMARK(BM_RecoverJournal)
    ->ArgsProduct({{BenchShort() ? 2000 : 300000}, {0, 1}})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

}  // namespace
