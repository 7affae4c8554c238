// The quorlex executable: the main frame window. Options:
//   --rig FOLDER        the rig folder (also QUORLEX_RIG); default: the executable's folder
//   --screenshot FILE   save a PNG of the main window once it is shown, then exit
//   --check-rig FOLDER  load the rig without windows, print what was found, exit 0 when clean
#include <QApplication>
#include <QCommandLineParser>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QStatusBar>
#include <QTimer>
#include <QTextStream>
#include <cstdio>
#include <cstring>

#include <QDir>
#include <QFileInfo>

#include "rigconfig/irigconfighost.h"
#include "rigconfig/rigchecker.h"
#include "rigconfig/rigconfig.h"
#include "rigconfig/workbook/workbook.h"

namespace {
// Until the main window takes the rig over, the frame shows the rig's title.
class TFrameRigHost : public IRigConfigHost {
 public:
  TFrameRigHost(QMainWindow& frame, QLabel& status) : FFrame(frame), FStatus(status) {}
  void SetApplicationTitle(const QString& title) override {
    FFrame.setWindowTitle(QStringLiteral("Quorlex - ") + title);
    FStatus.setText(title);
  }
  void EnableLoadNewExperiment() override {}
  void SetSampleStatus(const QString&) override {}
  void SetDuration(int) override {}
  void SetSampleInterval(int) override {}
  void DisableLogCommands() override {}
  void SetAutopilotFeature(bool) override {}
  void SetScopeFeature(bool) override {}
  void CloseSoon() override { QTimer::singleShot(100, &FFrame, &QWidget::close); }
  void WidenStatusPanel2(int) override {}

 private:
  QMainWindow& FFrame;
  QLabel& FStatus;
};

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
                                QStringLiteral("Save a picture of the main window and exit."),
                                QStringLiteral("file"));
  QCommandLineOption checkOption(QStringLiteral("check-rig"),
                                 QStringLiteral("Load a rig folder without windows and report on it."),
                                 QStringLiteral("folder"));
  parser.addOption(rigOption);
  parser.addOption(shotOption);
  parser.addOption(checkOption);
  parser.process(app);

  if (parser.isSet(checkOption)) {
    QTextStream out(stdout);
    return TRigChecker::Check(parser.value(checkOption), out) ? 0 : 1;
  }

  const QString rigFolder = RigFolder(parser, rigOption);
  if (!QFileInfo(rigFolder).isDir()) {
    std::fprintf(stderr, "quorlex: the rig folder %s does not exist\n", qPrintable(rigFolder));
    return 2;
  }

  QMainWindow frame;
  frame.setWindowTitle(QStringLiteral("Quorlex"));
  auto* mdi = new QMdiArea(&frame);
  mdi->setBackground(QBrush(QColor(0x80, 0x80, 0x80)));
  frame.setCentralWidget(mdi);
  auto* titlePanel = new QLabel(QString(), &frame);
  frame.statusBar()->addWidget(titlePanel, 1);
  for (int i = 1; i < 6; ++i) frame.statusBar()->addWidget(new QLabel(QString(), &frame));
  frame.resize(806, 638);
  frame.show();

  TWorkbook book1, book2;  // the hidden workbooks the rig's sheets are read into
  TFrameRigHost host(frame, *titlePanel);
  TRigConfig rig(&book1, &book2, &host);
  QTimer::singleShot(0, &frame, [&rig, rigFolder] { rig.InitialiseLoop(QDir(rigFolder).absolutePath()); });

  if (parser.isSet(shotOption)) {
    const QString file = parser.value(shotOption);
    QTimer::singleShot(500, &frame, [&frame, file] {
      const bool ok = frame.grab().save(file, "PNG");
      if (!ok) std::fprintf(stderr, "quorlex: could not write the screenshot %s\n", qPrintable(file));
      QApplication::exit(ok ? 0 : 1);
    });
  }
  return app.exec();
}
