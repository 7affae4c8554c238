// The quorlex executable: the main frame window. Options:
//   --rig FOLDER        the rig folder (also QUORLEX_RIG); default: the executable's folder
//   --screenshot FILE   save a PNG of the main window once it is shown, then exit
#include <QApplication>
#include <QCommandLineParser>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QStatusBar>
#include <QTimer>
#include <cstdio>

int main(int argc, char* argv[]) {
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
  parser.addOption(rigOption);
  parser.addOption(shotOption);
  parser.process(app);

  QMainWindow frame;
  frame.setWindowTitle(QStringLiteral("Quorlex"));
  auto* mdi = new QMdiArea(&frame);
  mdi->setBackground(QBrush(QColor(0x80, 0x80, 0x80)));
  frame.setCentralWidget(mdi);
  for (int i = 0; i < 6; ++i) frame.statusBar()->addWidget(new QLabel(QString(), &frame), i == 0 ? 1 : 0);
  frame.resize(806, 638);
  frame.show();

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
