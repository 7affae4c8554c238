// labsim: N simulated stations publishing to a lab broker (docs/lab-network.md).
#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>
#include <memory>
#include <vector>

#include "fakestation.h"
#include "lab/labsettings.h"

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("labsim"));
  QCoreApplication::setApplicationVersion(QStringLiteral(QUORLEX_VERSION));
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Simulated stations of a Quorlex lab network"));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addOption({QStringLiteral("lab"), QStringLiteral("The broker (127.0.0.1:1883)."), QStringLiteral("HOST:PORT"), QStringLiteral("127.0.0.1:1883")});
  parser.addOption({QStringLiteral("lab-name"), QStringLiteral("The lab's name (lab)."), QStringLiteral("NAME"), QStringLiteral("lab")});
  parser.addOption({QStringLiteral("stations"), QStringLiteral("How many stations (40)."), QStringLiteral("N"), QStringLiteral("40")});
  parser.addOption({QStringLiteral("prefix"), QStringLiteral("Station names: PREFIX-1, PREFIX-2, ... (sim)."), QStringLiteral("PREFIX"), QStringLiteral("sim")});
  parser.addOption({QStringLiteral("period-ms"), QStringLiteral("Milliseconds between a station's values (1000)."), QStringLiteral("MS"), QStringLiteral("1000")});
  parser.addOption({QStringLiteral("run-every"), QStringLiteral("Seconds between a station's finished runs (60; 0: none)."), QStringLiteral("S"), QStringLiteral("60")});
  parser.process(app);

  TLabSettings base;
  if (!TLabSettings::ParseAddress(parser.value(QStringLiteral("lab")), base.Host, base.Port)) {
    std::fprintf(stderr, "labsim: --lab: \"%s\" is not HOST:PORT\n", qPrintable(parser.value(QStringLiteral("lab"))));
    return 2;
  }
  base.Lab = parser.value(QStringLiteral("lab-name"));
  bool ok1 = false, ok2 = false, ok3 = false;
  const int n = parser.value(QStringLiteral("stations")).toInt(&ok1);
  const int period = parser.value(QStringLiteral("period-ms")).toInt(&ok2);
  const int runEvery = parser.value(QStringLiteral("run-every")).toInt(&ok3);
  if (!ok1 || !ok2 || !ok3 || n < 1 || n > 1000 || period < 10 || runEvery < 0) {
    std::fprintf(stderr, "labsim: --stations 1-1000, --period-ms at least 10, --run-every 0 or more\n");
    return 2;
  }
  std::vector<std::unique_ptr<TFakeStation>> stations;
  for (int i = 1; i <= n; ++i) {
    TLabSettings s = base;
    s.Station = QStringLiteral("%1-%2").arg(parser.value(QStringLiteral("prefix"))).arg(i);
    stations.push_back(std::make_unique<TFakeStation>(s, i, period, runEvery * 1000 / period));
    stations.back()->Start();
  }
  std::printf("labsim: %d stations publishing to %s\n", n, qPrintable(parser.value(QStringLiteral("lab"))));
  std::fflush(stdout);
  return app.exec();
}
