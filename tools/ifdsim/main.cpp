// ifdsim: the interface-card simulator. See docs/simulator.md and ifdsim --help.
#include <QCoreApplication>
#include <cstdio>

#include "plantmodel.h"
#include "signalexit.h"
#include "simoptions.h"
#include "simulator.h"

static void Say(const QString& text) {
  std::fprintf(stderr, "ifdsim: %s\n", qPrintable(text));
  std::fflush(stderr);
}

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList args = app.arguments();
  args.removeFirst();

  TSimOptions options;
  TPlantModel plant;
  QStringList notes;
  QString error;
  if (!options.Load(args, plant, &notes, &error)) {
    Say(error);
    return 2;
  }
  if (options.Help) {
    std::fputs(qPrintable(TSimOptions::HelpText()), stdout);
    return 0;
  }
  if (options.Version) {
    std::puts("ifdsim " QUORLEX_VERSION);
    return 0;
  }
  for (const QString& note : notes) Say(note);

  TSimulator simulator(options, plant);
  QObject::connect(&simulator, &TSimulator::Problem, &Say);
  TSignalExit exitSignals;
  QObject::connect(&exitSignals, &TSignalExit::Caught, &app, [&](int) { app.quit(); });
  if (!simulator.Start(&error)) {
    Say(error);
    return 1;
  }
  for (const QString& line : simulator.Summary()) Say(line);
  const int rc = app.exec();
  simulator.Stop();
  return rc;
}
