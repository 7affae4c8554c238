// qxbook as a user runs it: output that cannot be written, and a conversion that cannot be saved,
// are failures with a message, never a silent success.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>

#include "support/tempfolder.h"

namespace {
const QString kQxbook = QStringLiteral(QUORLEX_BINARY_DIR "/tools/qxbook/qxbook");
const QString kRun = QStringLiteral(QUORLEX_SOURCE_DIR "/examples/rigs/demo/config/run.vts");

struct TResult {
  int Exit;
  QString Errors;
};

TResult RunQxbook(const QStringList& args, const QString& stdoutFile = {}) {
  QProcess p;
  if (!stdoutFile.isEmpty()) p.setStandardOutputFile(stdoutFile);
  p.start(kQxbook, args);
  p.waitForFinished(30000);
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardError())};
}
}  // namespace

TEST(Qxbook, OutputOntoAFullDeviceFails) {
  if (!QFileInfo(kQxbook).isExecutable()) GTEST_SKIP() << "qxbook is not built";
  for (const char* command : {"dump", "eval"}) {
    const TResult r = RunQxbook({command, kRun}, "/dev/full");
    EXPECT_EQ(r.Exit, 1) << command;
    EXPECT_TRUE(r.Errors.contains("No space left on device")) << r.Errors.toStdString();
  }
  EXPECT_EQ(RunQxbook({"dump", kRun}, "/dev/null").Exit, 0);
}

TEST(Qxbook, AConversionThatCannotBeSavedKeepsTheOldFile) {
  if (!QFileInfo(kQxbook).isExecutable()) GTEST_SKIP() << "qxbook is not built";
  TTempFolder tmp;
  const QString out = tmp.Write("old.csv", "kept\n");
  const TResult bad = RunQxbook({"convert", kRun, tmp.File("missing/new.csv")});
  EXPECT_EQ(bad.Exit, 1);
  EXPECT_TRUE(bad.Errors.contains("does not exist")) << bad.Errors.toStdString();
  ASSERT_EQ(RunQxbook({"convert", kRun, out}).Exit, 0);
  EXPECT_TRUE(TTempFolder::Read(out).startsWith("Sample,Time"));
}
