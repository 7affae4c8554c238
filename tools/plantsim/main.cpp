// plantsim: the simulated process-plant controller (docs/simulator.md).
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

#include "plantserver.h"

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("plantsim"));
  QCoreApplication::setApplicationVersion(QStringLiteral(QUORLEX_VERSION));
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Simulated process-plant controller (Modbus TCP, unit 1)"));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addOption({QStringLiteral("host"), QStringLiteral("Address to listen on (127.0.0.1)."), QStringLiteral("HOST"), QStringLiteral("127.0.0.1")});
  parser.addOption({QStringLiteral("port"), QStringLiteral("Port to listen on (15020)."), QStringLiteral("PORT"), QStringLiteral("15020")});
  parser.addOption({QStringLiteral("fault"), QStringLiteral("none, no-answer, slow, exception or refuse."), QStringLiteral("KIND"), QStringLiteral("none")});
  parser.addOption({QStringLiteral("fault-after"), QStringLiteral("Behave until SECONDS have passed, then misbehave."), QStringLiteral("SECONDS"), QStringLiteral("0")});
  parser.addOption({QStringLiteral("fault-for"), QStringLiteral("Misbehave for SECONDS, then behave again (0: for good)."), QStringLiteral("SECONDS"), QStringLiteral("0")});
  parser.addOption({QStringLiteral("slow-ms"), QStringLiteral("Delay of a slow answer (7000)."), QStringLiteral("MS"), QStringLiteral("7000")});
  parser.addOption({QStringLiteral("exception"), QStringLiteral("Exception code of exception replies (4)."), QStringLiteral("CODE"), QStringLiteral("4")});
  parser.addOption({QStringLiteral("stage-seconds"), QStringLiteral("Length of each timed ladder stage (6)."), QStringLiteral("SECONDS"), QStringLiteral("6")});
  parser.addOption({QStringLiteral("speed"), QStringLiteral("Plant time per real second (1)."), QStringLiteral("FACTOR"), QStringLiteral("1")});
  parser.process(app);

  TPlantServer::TFault fault = TPlantServer::TFault::None;
  if (!TPlantServer::ParseFault(parser.value(QStringLiteral("fault")), fault)) {
    std::fprintf(stderr, "plantsim: unknown fault \"%s\"\n", qPrintable(parser.value(QStringLiteral("fault"))));
    return 2;
  }
  bool ok = true;
  const int port = parser.value(QStringLiteral("port")).toInt(&ok);
  if (!ok || port <= 0 || port > 65535) {
    std::fprintf(stderr, "plantsim: bad port \"%s\"\n", qPrintable(parser.value(QStringLiteral("port"))));
    return 2;
  }
  TPlantServer server(parser.value(QStringLiteral("host")), port);
  server.SlowMs = std::max(0, parser.value(QStringLiteral("slow-ms")).toInt());
  server.ExceptionCode = std::clamp(parser.value(QStringLiteral("exception")).toInt(), 1, 255);
  server.Plant().StageSeconds = std::max(0.5, parser.value(QStringLiteral("stage-seconds")).toDouble());
  const double after = std::max(0.0, parser.value(QStringLiteral("fault-after")).toDouble());
  const double lasting = std::max(0.0, parser.value(QStringLiteral("fault-for")).toDouble());
  if (after <= 0) server.SetFault(fault);
  if (!server.Start(std::max(0.01, parser.value(QStringLiteral("speed")).toDouble()))) {
    std::fprintf(stderr, "plantsim: cannot listen on port %d: %s\n", port, qPrintable(server.errorString()));
    return 1;
  }
  if (after > 0) QTimer::singleShot(static_cast<int>(after * 1000), &server, [&server, fault] { server.SetFault(fault); });
  if (lasting > 0)
    QTimer::singleShot(static_cast<int>((after + lasting) * 1000), &server,
                       [&server] { server.SetFault(TPlantServer::TFault::None); });
  std::fprintf(stderr, "plantsim: controller on %s:%d\n", qPrintable(parser.value(QStringLiteral("host"))), port);
  return app.exec();
}
