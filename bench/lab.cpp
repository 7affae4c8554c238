// The lab network costs the rig nothing: one logger tick of the 100-source rig with the station
// off, with its broker unreachable (nothing listening) and with a broker address that never
// answers; the event loop runs each tick in every case, so the station's timer and its
// connection's reports are paid for. And the cost of one finished run turned into its message.
#include <benchmark/benchmark.h>

#include <memory>

#include <QApplication>
#include <QTcpServer>
#include <QWidget>

#include "benchapplication.h"
#include "acquisition/isampletable.h"
#include "acquisition/qxdatalist.h"
#include "hundredsourcerig.h"
#include "ifd/qxifd.h"
#include "lab/ilabrig.h"
#include "lab/labpayload.h"
#include "lab/labstation.h"

namespace {
class TBenchRig : public ILabRig {
 public:
  QString RigTitle() const override { return QStringLiteral("Bench"); }
  QString Exercise() const override { return QStringLiteral("Exercise 1"); }
  QString State() const override { return QStringLiteral("recording"); }
  std::vector<TLabPayload::TValue> LiveValues() const override {
    return std::vector<TLabPayload::TValue>(40, {QStringLiteral("T"), QStringLiteral("°C"), 21.5});
  }
  std::vector<TAlarmState> Alarms() const override { return {}; }
  int RunCount() const override { return 0; }
  bool ReadRun(int, TLabRun&) const override { return false; }
};

// 0: no station; 1: the broker's port refuses; 2: a port that accepts but never answers.
void LoggerTick(benchmark::State& state) {
  EnsureApplication();
  THundredSourceTick tick;
  if (tick.List.Sources().size() != 100) state.SkipWithError("the rig did not build 100 sources");
  TBenchRig labRig;
  QTcpServer silent;  // listens, never speaks MQTT
  silent.listen(QHostAddress::LocalHost);
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost);
  const int refusing = probe.serverPort();
  probe.close();
  std::unique_ptr<TLabStation> station;
  if (state.range(0) > 0) {
    TLabSettings s;
    s.Enabled = true;
    s.Host = QStringLiteral("127.0.0.1");
    s.Port = state.range(0) == 1 ? refusing : silent.serverPort();
    s.Station = QStringLiteral("bench");
    station = std::make_unique<TLabStation>(s, labRig, tick.Bench.Dir.filePath("outbox"));
    station->Start();
  }
  for (auto _ : state) {
    tick.Tick();
    QCoreApplication::processEvents();
  }
  if (station) station->Finish();
}

void RunMessage(benchmark::State& state) {
  TLabRun run;
  run.Id = QStringLiteral("bench-1");
  for (int c = 0; c < 30; ++c) run.Columns.push_back({QStringLiteral("Column %1").arg(c), QStringLiteral("V")});
  for (int r = 0; r < state.range(0); ++r) {
    std::vector<TLabCell> row;
    for (int c = 0; c < 30; ++c) row.push_back(r * 0.001 + c / 7.0);
    run.Rows.push_back(std::move(row));
  }
  std::size_t bytes = 0;
  for (auto _ : state) bytes = static_cast<std::size_t>(TLabPayload::Run(run).size());
  state.counters["bytes"] = static_cast<double>(bytes);
}
}  // namespace

BENCHMARK(LoggerTick)->Arg(0)->Arg(1)->Arg(2)->ArgName("lab")->Unit(benchmark::kMicrosecond);
BENCHMARK(RunMessage)->Arg(1000)->Unit(benchmark::kMillisecond);
