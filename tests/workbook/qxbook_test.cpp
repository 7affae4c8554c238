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

TEST_F(QxbookTool, DumpShowsTheExtentOfAComputedArrayFormula) {
  const QString vts = Dir.Write("array.vts",
                                "quorlex-workbook 1\nsheet \"S\"\ncell A1 2\ncell A2 3\ncell A3 kept 0 array 1 2 =TRANSPOSE(A1:A2)\n"
                                "cell A4 kept 0 array 1 1 =SUM(A1:A2*2)\nend\n");
  const TRun dump = Qxbook({"dump", vts});
  EXPECT_TRUE(dump.Out.contains("S!A3\t=TRANSPOSE(A1:A2)\t-> 2\t(array formula filling A3:B3)")) << dump.Out.toStdString();
  EXPECT_TRUE(dump.Out.contains("S!B3\t3\n")) << dump.Out.toStdString();
  EXPECT_TRUE(dump.Out.contains("S!A4\t=SUM(A1:A2*2)\t-> 0\t(array formula, not recalculated")) << dump.Out.toStdString();
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

TEST_F(QxbookTool, FitPrintsEachParameterWithItsErrorAtFullPrecision) {
  // By hand: slope 9.8 / 5 = 1.96, intercept 6 - 1.96 * 2.5 = 1.1.
  const QString vts = Dir.Write("fit.vts",
                                "quorlex-workbook 1\nsheet \"Run 1\"\ncell A1 \"Time (s)\"\ncell B1 \"Volts [V]\"\n"
                                "cell A2 1\ncell B2 3.1\ncell A3 2\ncell B3 4.9\ncell A4 3\ncell B4 7.1\n"
                                "cell A5 4\ncell B5 8.9\ncell A6 \"x\"\ncell B6 9\ncell A7 5\nend\n");
  const TRun byLetter = Qxbook({"fit", vts, "A", "b", "linear"});
  ASSERT_EQ(byLetter.Code, 0) << byLetter.Err.toStdString();
  const QStringList lines = byLetter.Out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 5) << byLetter.Out.toStdString();
  // Rows 6 (text x) and 7 (empty y) give no point.
  EXPECT_EQ(lines[4], "points = 4");
  EXPECT_NEAR(lines[0].section(' ', 2, 2).toDouble(), 1.1, 1e-12);
  EXPECT_NEAR(lines[1].section(' ', 2, 2).toDouble(), 1.96, 1e-12);
  EXPECT_TRUE(lines[2].startsWith("R2 = 0.99"));
  EXPECT_TRUE(lines[3].startsWith("residual SD = "));
  // Titles name the same columns, case aside.
  EXPECT_EQ(Qxbook({"fit", vts, "time (s)", "Volts [V]", "linear"}).Out, byLetter.Out);

  const TRun tooFew = Qxbook({"fit", vts, "A", "B", "poly5"});
  EXPECT_EQ(tooFew.Code, 1);
  EXPECT_TRUE(tooFew.Err.contains("needs at least 7 points; the series has 4")) << tooFew.Err.toStdString();
  EXPECT_EQ(Qxbook({"fit", vts, "A", "B", "cubic"}).Code, 2);
  EXPECT_EQ(Qxbook({"fit", vts, "A", "No such", "linear"}).Code, 2);
}
