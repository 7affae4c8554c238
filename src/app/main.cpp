// The quorlex executable. Options:
//   --rig FOLDER        the rig folder (also QUORLEX_RIG); default: the executable's folder when it
//                       holds a rig, else a rig chosen from the user's and the installed rigs
//   FILE                a results file to open in the table once the rig is up
//   --screenshot FILE   run unattended, save a PNG of the main window once live values show, exit
//   --check-rig FOLDER  load the rig without windows, print what was found, exit 0 when clean
//   --record MS         run unattended and record continuously, a tick and a sample every MS
//                       milliseconds, printing "sample N VALUE" (column 4 exactly) as each row lands
//   --walk-commands DIR on a copy of the rig in a temporary folder, trigger every enabled command,
//                       save a screenshot and an index of effects into DIR; exit 1 when a
//                       command had no visible effect
//   --lab HOST:PORT     take part in the lab network through this broker, for this run only
//   --station NAME, --lab-user USER, --lab-password-file FILE
//                       this run's station name, broker user and password (first line of FILE)
//   --class-view        the lecturer's view of every station of the lab (no rig)
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <QToolBar>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include "acquisition/qxloggerpanel.h"
#include "lab/classview.h"
#include "lab/labsettings.h"
#include "platform/appicon.h"
#include "platform/filenames.h"
#include "platform/guardedapplication.h"
#include "platform/installeddata.h"
#include "platform/largepages.h"
#include "platform/iprompts.h"
#include "platform/services.h"
#include "results/tableform.h"
#include "workbook/view/f1book.h"
#include "workbook/model/workbook.h"
#include "shell/resultsmdi.h"
#include "platform/unattendedprompts.h"
#include "rigconfig/rigchecker.h"
#include "shell/commandwalker.h"
#include "shell/master.h"

namespace {
// With no rig named and none beside the executable (an installed program): the user's and the
// installed rigs on offer. Empty when there is none to offer or the user cancelled.
std::optional<QString> ChooseRig() {
  const QList<TInstalledData::TRigOffer> rigs = TInstalledData::AvailableRigs();
  if (rigs.isEmpty()) return QString();
  TChoiceRequest request;
  request.Caption = QStringLiteral("Quorlex");
  request.Text = QStringLiteral("Choose the rig to open:");
  for (const TInstalledData::TRigOffer& rig : rigs)
    request.Items << QStringLiteral("%1 (%2) - %3")
                         .arg(rig.Name, rig.Installed ? QStringLiteral("installed") : QStringLiteral("your copy"),
                              QDir::toNativeSeparators(rig.Folder));
  const std::optional<int> chosen = TServices::Prompts().ChooseItem(request);
  if (!chosen || *chosen < 0 || *chosen >= rigs.size()) return std::nullopt;
  return rigs[*chosen].Folder;
}

// --rig, else QUORLEX_RIG, else the executable's folder when it holds a rig, else one the user
// chooses (an unattended run asks nobody and keeps the executable's folder). A bare name ("demo")
// is an installed rig. Nothing when the user cancelled the choice.
std::optional<QString> RigFolder(const QCommandLineParser& parser, const QCommandLineOption& rigOption, bool unattended) {
  if (parser.isSet(rigOption)) return TInstalledData::ResolveRig(parser.value(rigOption));
  const QString env = qEnvironmentVariable("QUORLEX_RIG");
  if (!env.isEmpty()) return TInstalledData::ResolveRig(env);
  const QString beside = QCoreApplication::applicationDirPath();
  if (unattended || QFileInfo(beside + QStringLiteral("/config")).isDir()) return beside;
  const std::optional<QString> chosen = ChooseRig();
  if (!chosen) return std::nullopt;
  return chosen->isEmpty() ? beside : *chosen;
}

// A results file named on the command line (as a desktop opens one): the first argument after
// the options that is an existing file. It is taken out of the launch parameters.
QString ResultsFileArgument(const QCommandLineParser& parser, QStringList& arguments) {
  for (const QString& value : parser.positionalArguments()) {
    if (!QFileInfo(value).isFile()) continue;
    arguments.removeOne(value);
    return QFileInfo(value).absoluteFilePath();
  }
  return {};
}

// A picture of the main window once it has run `delay` ms, then the end of the program. The
// status bar's texts go to standard output, one "status: TEXT" line each, and the number of runs in
// the table ("runs: N"), for scripts that check what the program reached (a card, a controller, a
// results file).
void StartScreenshot(TMaster& master, const QString& file, int delay) {
  QTimer::singleShot(delay, &master, [&master, file] {
    std::printf("window: %s\n", qPrintable(master.windowTitle()));
    // The status bar's panels, and the feature panels (plant, oscilloscope, ...) on their bar.
    QList<QLabel*> panels = master.statusBar()->findChildren<QLabel*>();
    for (const QToolBar* bar : master.findChildren<QToolBar*>()) panels += bar->findChildren<QLabel*>();
    for (const QLabel* label : panels)
      if (!label->text().isEmpty()) std::printf("status: %s\n", qPrintable(label->text()));
    if (master.Table()) std::printf("runs: %d\n", master.Table()->GetSheetCount());
    std::fflush(stdout);
    const bool ok = master.grab().save(file, "PNG");
    if (!ok) std::fprintf(stderr, "quorlex: could not write the screenshot %s\n", qPrintable(file));
    QApplication::exit(ok ? 0 : 1);
  });
}

// An unattended recording for crash tests: continuous sampling at a fixed pace, each recorded row
// printed once it is in the table (and so in the journal).
void StartRecording(TMaster& master, int ms) {
  TQXLoggerPanel* logger = master.Diagram() ? master.Diagram()->Logger() : nullptr;
  if (!logger || !logger->LogTimer || ms <= 0) {
    std::fprintf(stderr, "quorlex: this rig cannot record\n");
    QTimer::singleShot(0, [] { QApplication::exit(3); });
    return;
  }
  logger->LogTimer->setInterval(ms);
  logger->Programmed_Sample_Mode = PSS_FreeRun;
  logger->Current_Sample_State = RSS_Idle;
  logger->Sample_Interval = ms;
  logger->SampleNow();
  auto* printer = new QTimer(&master);
  auto printed = std::make_shared<int>(0);
  QObject::connect(printer, &QTimer::timeout, &master, [&master, logger, printed] {
    const TWorkbook& book = master.Table()->ResultsTable->Book();
    const TSheet& run = book.SheetAt(book.NumSheets());
    for (; *printed < logger->Sample_Transfer_Count; ++*printed) {
      const TCell* cell = run.Find(*printed + 2, 4);
      std::printf("sample %d %.17g\n", *printed + 1, cell ? book.NumberOf(run, *cell) : 0.0);
    }
    std::fflush(stdout);
  });
  printer->start(2);
}

// An option's milliseconds, `least` to an hour; a value out of range or not a whole number is
// reported and refused.
bool Milliseconds(const QCommandLineParser& parser, const QCommandLineOption& option, int least, int& ms) {
  constexpr int kMost = 3600000;
  bool ok = false;
  ms = parser.value(option).toInt(&ok);
  if (ok && ms >= least && ms <= kMost) return true;
  std::fprintf(stderr, "quorlex: --%s: \"%s\" is not a whole number of milliseconds %d-%d\n",
               qPrintable(option.names().constFirst()), qPrintable(parser.value(option)), least, kMost);
  return false;
}

// The lab network's settings with the command line's over the saved ones; false (after saying why)
// when an option is unusable.
bool LabSettings(const QCommandLineParser& parser, const QCommandLineOption& lab, const QCommandLineOption& station,
                 const QCommandLineOption& user, const QCommandLineOption& passwordFile, TLabSettings& settings) {
  settings = TLabSettings::Load();
  if (parser.isSet(lab)) {
    if (!TLabSettings::ParseAddress(parser.value(lab), settings.Host, settings.Port)) {
      std::fprintf(stderr, "quorlex: --lab: \"%s\" is not HOST:PORT\n", qPrintable(parser.value(lab)));
      return false;
    }
    settings.Enabled = true;
  }
  if (parser.isSet(station)) settings.Station = parser.value(station);
  if (parser.isSet(user)) settings.User = parser.value(user);
  if (parser.isSet(passwordFile)) {
    QString error;
    if (!TLabSettings::ReadPasswordFile(parser.value(passwordFile), settings.Password, &error)) {
      std::fprintf(stderr, "quorlex: --lab-password-file: %s\n", qPrintable(error));
      return false;
    }
  }
  return true;
}

// Options answered without opening a window need no display.
bool NeedsNoDisplay(const char* arg) {
  for (const char* option : {"--check-rig", "--help", "-h", "--help-all", "--version", "-v"})
    if (std::strcmp(arg, option) == 0) return true;
  return false;
}

// The command walk, once the window has settled: its summary on standard output, exit 1 when a
// command had no visible effect.
void StartWalk(TMaster& master, const QString& folder) {
  QTimer::singleShot(1500, &master, [&master, folder] {
    TCommandWalker walker(master, folder);
    if (!walker.Walk()) {
      std::fprintf(stderr, "quorlex: could not write into %s\n", qPrintable(folder));
      QApplication::exit(2);
      return;
    }
    const QStringList idle = walker.Idle();
    std::printf("%zu commands walked, %lld without a visible effect; index: %s/index.txt\n", walker.Steps().size(),
                static_cast<long long>(idle.size()), qPrintable(folder));
    for (const QString& name : idle) std::printf("no visible effect: %s\n", qPrintable(name));
    std::fflush(stdout);
    QApplication::exit(idle.isEmpty() ? 0 : 1);
  });
}
}  // namespace

int main(int argc, char* argv[]) {
  TLargePages::Adopt(argv);
  for (int i = 1; i < argc; ++i)
    if (NeedsNoDisplay(argv[i]) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  TGuardedApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quorlex"));
  QApplication::setOrganizationName(QStringLiteral("Veltrim"));
  QApplication::setApplicationVersion(QStringLiteral(QUORLEX_VERSION));
  // Every window shows it, the sub-windows too (they take the application's icon).
  QApplication::setWindowIcon(TAppIcon::Icon());
  QGuiApplication::setDesktopFileName(QStringLiteral("org.example.quorlex"));

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Quorlex laboratory rig shell"));
  parser.addHelpOption();
  parser.addVersionOption();
  QCommandLineOption rigOption(QStringLiteral("rig"),
                               QStringLiteral("Rig folder, or the name of an installed rig (e.g. demo)."),
                               QStringLiteral("folder"));
  QCommandLineOption shotOption(QStringLiteral("screenshot"),
                                QStringLiteral("Run unattended, save a picture of the main window and exit."),
                                QStringLiteral("file"));
  QCommandLineOption checkOption(QStringLiteral("check-rig"),
                                 QStringLiteral("Load a rig folder without windows and report on it."),
                                 QStringLiteral("folder"));
  QCommandLineOption delayOption(QStringLiteral("screenshot-delay"),
                                 QStringLiteral("Milliseconds to run before the screenshot (default 4000)."),
                                 QStringLiteral("ms"), QStringLiteral("4000"));
  QCommandLineOption recordOption(QStringLiteral("record"),
                                  QStringLiteral("Run unattended and record continuously, a sample every <ms>."),
                                  QStringLiteral("ms"));
  QCommandLineOption walkOption(QStringLiteral("walk-commands"),
                                QStringLiteral("Trigger every enabled command on a copy of the rig and record the "
                                               "effects in a folder."),
                                QStringLiteral("folder"));
  parser.addOptions({rigOption, shotOption, checkOption, delayOption, recordOption, walkOption});
  QCommandLineOption labOption(QStringLiteral("lab"), QStringLiteral("Take part in the lab network through this broker."),
                               QStringLiteral("host:port"));
  QCommandLineOption stationOption(QStringLiteral("station"), QStringLiteral("This station's name in the lab network."),
                                   QStringLiteral("name"));
  QCommandLineOption labUserOption(QStringLiteral("lab-user"), QStringLiteral("The lab broker's user name."),
                                   QStringLiteral("user"));
  QCommandLineOption labPasswordOption(QStringLiteral("lab-password-file"),
                                       QStringLiteral("A file whose first line is the lab broker's password."),
                                       QStringLiteral("file"));
  QCommandLineOption classViewOption(QStringLiteral("class-view"),
                                     QStringLiteral("Show every station of the lab network (read only)."));
  parser.addOptions({labOption, stationOption, labUserOption, labPasswordOption, classViewOption});
  parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("A results file to open in the table."),
                               QStringLiteral("[file]"));
  parser.addPositionalArgument(QStringLiteral("parameters"), QStringLiteral("Launch parameters of a new instance."));
  parser.process(app);

  int delay = 0, recordMs = 0;
  if (!Milliseconds(parser, delayOption, 0, delay)) return 2;
  if (parser.isSet(recordOption) && !Milliseconds(parser, recordOption, 1, recordMs)) return 2;

  if (parser.isSet(checkOption)) {
    QTextStream out(stdout);
    return TRigChecker::Check(TInstalledData::ResolveRig(parser.value(checkOption)), out) ? 0 : 1;
  }

  TLabSettings lab;
  const bool labOverride = parser.isSet(labOption) || parser.isSet(stationOption) || parser.isSet(labUserOption) ||
                           parser.isSet(labPasswordOption);
  if (labOverride && !LabSettings(parser, labOption, stationOption, labUserOption, labPasswordOption, lab)) return 2;

  if (parser.isSet(classViewOption)) {
    if (!labOverride) lab = TLabSettings::Load();
    if (lab.Host.isEmpty()) {
      TServices::Prompts().MessageDlg(QStringLiteral("Name the lab's broker first: Options > Lab Network in Quorlex, or "
                                                     "--lab HOST:PORT."),
                                      TMsgDlgType::mtError, TMsgDlgButtons::OK);
      return 2;
    }
    TClassView view(lab);
    view.show();
    if (parser.isSet(shotOption)) {
      QTimer::singleShot(delay, &view, [&view, file = parser.value(shotOption)] {
        std::printf("status: %s\n", qPrintable(view.StatusText()));
        std::fflush(stdout);
        QApplication::exit(view.grab().save(file, "PNG") ? 0 : 1);
      });
    }
    return app.exec();
  }

  const bool shot = parser.isSet(shotOption);
  const bool record = parser.isSet(recordOption);
  const bool walk = parser.isSet(walkOption);
  TUnattendedPrompts unattended;
  struct TPromptsBack {
    ~TPromptsBack() { TServices::SetPrompts(nullptr); }
  } promptsBack;
  if (shot || record || walk) TServices::SetPrompts(&unattended);

  const std::optional<QString> chosenRig = RigFolder(parser, rigOption, shot || record || walk);
  if (!chosenRig) return 0;  // the user chose no rig
  QString rigFolder = *chosenRig;
  if (!QFileInfo(rigFolder).isDir()) {
    std::fprintf(stderr, "quorlex: the rig folder %s does not exist\n", qPrintable(rigFolder));
    return 2;
  }

  // The walk touches no real files: the rig is a copy, the settings live beside it.
  QTemporaryDir walkHome;
  if (walk) {
    if (!walkHome.isValid() || !filenames::CopyTree(rigFolder, walkHome.filePath(QStringLiteral("rig")))) {
      std::fprintf(stderr, "quorlex: could not copy the rig into a temporary folder\n");
      return 2;
    }
    rigFolder = walkHome.filePath(QStringLiteral("rig"));
    qputenv("XDG_CONFIG_HOME", walkHome.filePath(QStringLiteral("config")).toLocal8Bit());
  }

  QStringList arguments = QCoreApplication::arguments();
  const QString resultsFile = ResultsFileArgument(parser, arguments);

  int status = 0;
  {
    TMaster master;
    master.SetEndsProgram(true);
    if (labOverride) master.SetLabOverride(lab);
    master.show();
    // The whole command line: the program's name and version for the about box, and the serial
    // ports a previous instance handed over.
    master.StartUp(QDir(rigFolder).absolutePath(), arguments);
    if (!resultsFile.isEmpty() && master.Table()) master.Table()->OpenFile(resultsFile);
    if (shot) StartScreenshot(master, parser.value(shotOption), delay);
    if (record) StartRecording(master, recordMs);
    if (walk) StartWalk(master, QDir(parser.value(walkOption)).absolutePath());
    status = app.exec();
  }
  return status;
}
