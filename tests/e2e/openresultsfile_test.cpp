// A results file named on the command line (as a desktop opens one) is in the table once the rig is
// up; an argument that is no file stays a launch parameter.
#include <gtest/gtest.h>

#include <QProcess>

#include "support/tempfolder.h"
#include "workbook/model/workbook.h"

namespace {
struct TOutcome {
  int Code = -1;
  QString Out, Err;
};

TOutcome RunQuorlex(const QStringList& args) {
  QProcess quorlex;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  quorlex.setProcessEnvironment(env);
  quorlex.start(QStringLiteral(QUORLEX_BINARY_DIR "/quorlex"), args);
  if (!quorlex.waitForFinished(60000)) quorlex.kill();
  return {quorlex.exitStatus() == QProcess::NormalExit ? quorlex.exitCode() : -1,
          QString::fromUtf8(quorlex.readAllStandardOutput()), QString::fromUtf8(quorlex.readAllStandardError())};
}
}  // namespace

TEST(Program, OpensTheResultsFileNamedOnTheCommandLine) {
  TTempFolder tmp;
  // Three runs of numbers: the table takes them and starts a fourth.
  TWorkbook book;
  book.SetNumSheets(3);
  for (int s = 1; s <= 3; ++s) {
    book.SetSheet(s);
    book.SetSheetName(s, QStringLiteral("Run %1").arg(s));
    for (int r = 2; r <= 5; ++r) book.SetNumberRC(r, 1, r * s);
  }
  const QString file = tmp.File("three runs.vts");
  book.Write(file, 5);
  const QString copy = tmp.CopyTree(QStringLiteral(QUORLEX_SOURCE_DIR "/examples/rigs/demo"), "rig");
  const QStringList rig{"--rig", copy, "--screenshot-delay", "1000"};

  const TOutcome opened = RunQuorlex(rig + QStringList{"--screenshot", tmp.File("a.png"), file});
  EXPECT_EQ(opened.Code, 0) << opened.Err.toStdString();
  EXPECT_TRUE(opened.Out.contains("runs: 4\n")) << opened.Out.toStdString() << opened.Err.toStdString();

  const TOutcome plain = RunQuorlex(rig + QStringList{"--screenshot", tmp.File("b.png")});
  EXPECT_EQ(plain.Code, 0) << plain.Err.toStdString();
  EXPECT_TRUE(plain.Out.contains("runs: 1\n")) << plain.Out.toStdString();
}
