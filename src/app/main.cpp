// The quorlex executable. Options:
//   --rig FOLDER        the rig folder (also QUORLEX_RIG); default: the executable's folder
//   --screenshot FILE   run unattended, save a PNG of the main window once live values show, exit
//   --check-rig FOLDER  load the rig without windows, print what was found, exit 0 when clean
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "platform/services.h"
#include "platform/unattendedprompts.h"
#include "rigconfig/rigchecker.h"
#include "shell/master.h"

namespace {
// --rig, else QUORLEX_RIG, else the executable's folder.
QString RigFolder(const QCommandLineParser& parser, const QCommandLineOption& rigOption) {
  if (parser.isSet(rigOption)) return parser.value(rigOption);
  const QString env = qEnvironmentVariable("QUORLEX_RIG");
  if (!env.isEmpty()) return env;
  return QCoreApplication::applicationDirPath();
}
}  // namespace

int main(int argc, char* argv[]) {
  // A rig check needs no display.
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--check-rig") == 0 && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
      qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quorlex"));
  QApplication::setOrganizationName(QStringLiteral("Veltrim"));

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Quorlex laboratory rig shell"));
  parser.addHelpOption();
  QCommandLineOption rigOption(QStringLiteral("rig"), QStringLiteral("Rig folder."), QStringLiteral("folder"));
  QCommandLineOption shotOption(QStringLiteral("screenshot"),
                                QStringLiteral("Run unattended, save a picture of the main window and exit."),
                                QStringLiteral("file"));
  QCommandLineOption checkOption(QStringLiteral("check-rig"),
                                 QStringLiteral("Load a rig folder without windows and report on it."),
                                 QStringLiteral("folder"));
  QCommandLineOption delayOption(QStringLiteral("screenshot-delay"),
                                 QStringLiteral("Milliseconds to run before the screenshot (default 4000)."),
                                 QStringLiteral("ms"), QStringLiteral("4000"));
  parser.addOption(rigOption);
  parser.addOption(shotOption);
  parser.addOption(checkOption);
  parser.addOption(delayOption);
  parser.addPositionalArgument(QStringLiteral("parameters"), QStringLiteral("Launch parameters of a new instance."));
  parser.process(app);

  bool delayOk = false;
  const int delay = parser.value(delayOption).toInt(&delayOk);
  if (!delayOk || delay < 0 || delay > 3600000) {
    std::fprintf(stderr, "quorlex: --screenshot-delay: \"%s\" is not a whole number of milliseconds 0-3600000\n",
                 qPrintable(parser.value(delayOption)));
    return 2;
  }

  if (parser.isSet(checkOption)) {
    QTextStream out(stdout);
    return TRigChecker::Check(parser.value(checkOption), out) ? 0 : 1;
  }

  const QString rigFolder = RigFolder(parser, rigOption);
  if (!QFileInfo(rigFolder).isDir()) {
    std::fprintf(stderr, "quorlex: the rig folder %s does not exist\n", qPrintable(rigFolder));
    return 2;
  }

  TUnattendedPrompts unattended;
  const bool shot = parser.isSet(shotOption);
  if (shot) TServices::SetPrompts(&unattended);

  int status = 0;
  {
    TMaster master;
    master.SetEndsProgram(true);
    master.show();
    master.StartUp(QDir(rigFolder).absolutePath(), parser.positionalArguments());
    if (shot) {
      const QString file = parser.value(shotOption);
      QTimer::singleShot(delay, &master, [&master, file] {
        const bool ok = master.grab().save(file, "PNG");
        if (!ok) std::fprintf(stderr, "quorlex: could not write the screenshot %s\n", qPrintable(file));
        QApplication::exit(ok ? 0 : 1);
      });
    }
    status = app.exec();
  }
  TServices::SetPrompts(nullptr);
  return status;
}
