// The class view with 40 stations publishing at 1 Hz (the station simulator, a process of its own,
// through a real mosquitto): the share of one core the class view's process takes, and how long a
// value takes from its station to the view. Targets: under 10 % of a core, within 1 s.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <map>

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QEventLoop>

#include "benchapplication.h"
#include "lab/classview.h"
#include "lab/labcollector.h"

namespace {
double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The event loop, sleeping between events as the program's own does, for `ms`.
void Pump(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

void ClassView40Stations(benchmark::State& state) {
  const QString broker = QStandardPaths::findExecutable(QStringLiteral("mosquitto"), {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")});
  const QString labsim = QStringLiteral(QUORLEX_BINARY_DIR "/tools/labsim/labsim");
  if (broker.isEmpty() || !QFile::exists(labsim)) {
    state.SkipWithError("mosquitto or labsim is missing");
    return;
  }
  QTemporaryDir dir;
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost);
  const int port = probe.serverPort();
  probe.close();
  QFile conf(dir.filePath(QStringLiteral("mosquitto.conf")));
  conf.open(QIODevice::WriteOnly);
  conf.write(QStringLiteral("listener %1 127.0.0.1\nallow_anonymous true\npersistence false\n%2")
                 .arg(port)
                 .arg(geteuid() == 0 ? QStringLiteral("user root\n") : QString())
                 .toUtf8());
  conf.close();
  QProcess mosquitto, stations;
  mosquitto.start(broker, {QStringLiteral("-c"), conf.fileName()});
  bool up = false;
  for (int i = 0; i < 100 && !up; ++i) {
    QTcpSocket s;
    s.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(port));
    up = s.waitForConnected(100);
    if (!up) QThread::msleep(50);
  }
  if (!up) {
    state.SkipWithError("the broker did not start");
    return;
  }
  constexpr int kStations = 40;
  stations.start(labsim, {QStringLiteral("--lab"), QStringLiteral("127.0.0.1:%1").arg(port), QStringLiteral("--stations"),
                          QString::number(kStations), QStringLiteral("--run-every"), QStringLiteral("30")});
  TLabSettings settings;
  settings.Host = QStringLiteral("127.0.0.1");
  settings.Port = port;
  auto* view = new TClassView(settings);
  view->show();
  double worstMs = 0, sumMs = 0;
  int values = 0;
  std::map<QString, QString> seen;  // a station's last values, by their time: a status message repeats them
  QObject::connect(&view->Collector(), &TLabCollector::StationChanged, [&](const QString& name) {
    const TLabCollector::TStation* s = view->Collector().Station(name);
    if (seen[name] == s->Values.Time) return;
    seen[name] = s->Values.Time;
    const QDateTime sent = QDateTime::fromString(s->Values.Time, Qt::ISODateWithMs);
    if (!sent.isValid()) return;
    const double ms = sent.msecsTo(QDateTime::currentDateTimeUtc());
    worstMs = std::max(worstMs, ms);
    sumMs += ms;
    ++values;
  });
  QElapsedTimer waited;
  waited.start();
  while (view->Collector().Stations().size() < kStations && waited.elapsed() < 20000) Pump(100);
  if (view->Collector().Stations().size() < kStations) state.SkipWithError("not every station was heard");
  const int windowMs = BenchShort() ? 3000 : 20000;
  double cpu = 0;
  for (auto _ : state) {
    worstMs = sumMs = 0;
    values = 0;
    const double before = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    Pump(windowMs);
    cpu = (CpuSeconds() - before) / (wall.elapsed() / 1000.0);
    state.SetIterationTime(wall.elapsed() / 1000.0);
  }
  state.counters["stations"] = static_cast<double>(view->Collector().Stations().size());
  state.counters["core_percent"] = cpu * 100;
  state.counters["latency_worst_ms"] = worstMs;
  state.counters["latency_mean_ms"] = values ? sumMs / values : 0;
  state.counters["values_per_s"] = values / (windowMs / 1000.0);
  std::fprintf(stderr, "class view: %.1f %% of a core, values %.0f/s, latency mean %.0f ms, worst %.0f ms\n", cpu * 100,
               values / (windowMs / 1000.0), values ? sumMs / values : 0.0, worstMs);
  if (!BenchShort() && cpu > 0.10) state.SkipWithError("the class view takes more than 10 % of a core");
  if (!BenchShort() && worstMs > 1000) state.SkipWithError("a value took more than 1 s to reach the view");
  delete view;
  stations.terminate();
  stations.waitForFinished(3000);
  mosquitto.terminate();
  mosquitto.waitForFinished(3000);
}
}  // namespace

BENCHMARK(ClassView40Stations)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
