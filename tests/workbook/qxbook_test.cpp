#include <gtest/gtest.h>

#include "qstringprinter.h"

#include <QFile>
#include <QProcess>

#include "support/tempfolder.h"

namespace {

struct TRun { int Code; QString Out, Err; };

// The shown values of "eval" output, without the cell names (sheet names differ between formats).
QStringList Values(const QString& eval) {
  QStringList values;
  for (const QString& line : eval.split('\n', Qt::SkipEmptyParts)) values << line.section('\t', 1);
  return values;
}

// stdoutFile, when given, receives the standard output instead of Out.
TRun Qxbook(const QStringList& args, const QString& stdoutFile = {}) {
  const QString tool = QStringLiteral(QUORLEX_BINARY_DIR "/tools/qxbook/qxbook");
  QProcess p;
  if (!stdoutFile.isEmpty()) p.setStandardOutputFile(stdoutFile);
  p.start(tool, args);
  p.waitForFinished(30000);
  return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

class QxbookTool : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!QFile::exists(QStringLiteral(QUORLEX_BINARY_DIR "/tools/qxbook/qxbook"))) GTEST_SKIP() << "qxbook is not built";
  }
  TTempFolder Dir;
};

TEST_F(QxbookTool, EvalConvertAndDumpAgree) {
  const QString vts = Dir.Write("in.vts",
                                "quorlex-workbook 1\nsheet \"Run 1\"\ncell A1 2\ncell B1 format \"0.00\" =A1/3\n"
                                "cell C1 \"t\"\nend\n");
  const TRun eval = Qxbook({"eval", vts});
  EXPECT_EQ(eval.Code, 0) << eval.Err.toStdString();
  EXPECT_EQ(eval.Out, "'Run 1'!A1\t2\n'Run 1'!B1\t0.67\n'Run 1'!C1\tt\n");
  for (const char* name : {"out.xlsx", "out.csv", "out.txt", "out.vts"}) {
    const QString out = Dir.File(name);
    EXPECT_EQ(Qxbook({"convert", vts, out}).Code, 0) << name;
    EXPECT_EQ(Values(Qxbook({"eval", out}).Out), Values(eval.Out)) << name;
  }
  const TRun dump = Qxbook({"dump", Dir.File("out.xlsx")});
  EXPECT_TRUE(dump.Out.contains("'Run 1'!B1\t=A1/3\t-> 0.666666666666667\t[0.00]")) << dump.Out.toStdString();
}

TEST_F(QxbookTool, BadInputGivesAMessageAndAFailingExit) {
  const QString bad = Dir.Write("bad.vts", "quorlex-workbook 1\nsheet \"S\"\ncell A1 =1+\nend\n");
  const TRun run = Qxbook({"eval", bad});
  EXPECT_EQ(run.Code, 1);
  EXPECT_TRUE(run.Err.contains("bad.vts: line 3")) << run.Err.toStdString();
  EXPECT_EQ(Qxbook({"convert", bad, Dir.File("x.doc")}).Code, 2);
  EXPECT_EQ(Qxbook({"frobnicate"}).Code, 2);
  EXPECT_FALSE(QFile::exists(Dir.File("x.doc")));
}

// Output that cannot be written, and a conversion that cannot be saved, are failures with a
// message, never a silent success.
TEST_F(QxbookTool, OutputOntoAFullDeviceFails) {
  const QString run = QStringLiteral(QUORLEX_SOURCE_DIR "/examples/rigs/demo/config/run.vts");
  for (const char* command : {"dump", "eval"}) {
    const TRun r = Qxbook({command, run}, "/dev/full");
    EXPECT_EQ(r.Code, 1) << command;
    EXPECT_TRUE(r.Err.contains("No space left on device")) << r.Err.toStdString();
  }
  EXPECT_EQ(Qxbook({"dump", run}, "/dev/null").Code, 0);
}

TEST_F(QxbookTool, AConversionThatCannotBeSavedKeepsTheOldFile) {
  const QString run = QStringLiteral(QUORLEX_SOURCE_DIR "/examples/rigs/demo/config/run.vts");
  const QString out = Dir.Write("old.csv", "kept\n");
  const TRun bad = Qxbook({"convert", run, Dir.File("missing/new.csv")});
  EXPECT_EQ(bad.Code, 1);
  EXPECT_TRUE(bad.Err.contains("does not exist")) << bad.Err.toStdString();
  ASSERT_EQ(Qxbook({"convert", run, out}).Code, 0);
  EXPECT_TRUE(TTempFolder::Read(out).startsWith("Sample,Time"));
}

}  // namespace
