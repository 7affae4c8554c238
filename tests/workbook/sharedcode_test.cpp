// Copies of a formula share one compiled code and are found as dependents by their distance to the
// cells they read: results, shown text and recalculation must be those of formulas compiled one by
// one, wherever the copies land and whatever later overwrites some of them.
#include <gtest/gtest.h>

#include "qstringprinter.h"

#include "workbook/model/workbook.h"

namespace {

// A results-table template: row 2 reads its own row, one cell through "$".
void MakeTemplate(TWorkbook& t) {
  t.SetNumberRC(1, 6, 10);  // F1, read absolutely
  t.SetFormulaRC(2, 3, "=A2-B2");
  t.SetFormulaRC(2, 4, "=IF(A2>0,A2*$F$1,\"low\")");
  t.SetFormulaRC(2, 5, "=C2+D2");
}

void WriteSample(TWorkbook& run, const TWorkbook& t, int row, double a, double b) {
  run.CopyRange(row, 3, row, 5, t, 2, 3, 2, 5);
  run.SetNumberRC(row, 1, a);
  run.SetNumberRC(row, 2, b);
}

TEST(SharedCode, CopiesIntoAnotherWorkbookComputeShowAndRecalcAsTheirOwnRow) {
  TWorkbook t;
  MakeTemplate(t);
  TWorkbook run;
  run.SetNumSheets(3);
  run.SetSheet(3);  // another sheet id than the template's
  run.SetNumberRC(1, 6, 100);
  for (int r = 2; r <= 400; ++r) WriteSample(run, t, r, r, 1);
  EXPECT_EQ(run.FormulaRC(300, 3), "=A300-B300");
  EXPECT_EQ(run.FormulaRC(300, 4), "=IF(A300>0,A300*$F$1,\"low\")");
  EXPECT_EQ(run.NumberRC(300, 3), 299);
  EXPECT_EQ(run.NumberRC(300, 4), 30000);
  EXPECT_EQ(run.NumberRC(300, 5), 30299);

  // One reading changed: only its own row's three formulas run again.
  auto before = run.EvaluationCount();
  run.SetNumberRC(250, 2, 50);
  EXPECT_EQ(run.EvaluationCount() - before, 2u);  // C250 and E250 (D250 does not read B)
  EXPECT_EQ(run.NumberRC(250, 5), 200 + 25000);
  EXPECT_EQ(run.NumberRC(249, 3), 248);

  // The absolute cell is read by every copy.
  before = run.EvaluationCount();
  run.SetNumberRC(1, 6, 2);
  EXPECT_EQ(run.EvaluationCount() - before, 2u * 399u);
  EXPECT_EQ(run.NumberRC(400, 5), 399 + 800);

  // Text results and errors are kept as such.
  run.SetNumberRC(10, 1, -1);
  EXPECT_EQ(run.TextRC(10, 4), "low");
  EXPECT_EQ(run.ValueRC(10, 4).Kind, TValueKind::Text);
  EXPECT_EQ(run.TextRC(10, 5), "#VALUE!");
  run.SetNumberRC(10, 1, 3);
  EXPECT_EQ(run.ValueRC(10, 4).Kind, TValueKind::Number);
  EXPECT_EQ(run.NumberRC(10, 5), 2 + 6);
}

TEST(SharedCode, OverwrittenCopiesAndCopiesPushedOffTheSheetStayCorrect) {
  TWorkbook book;
  book.SetFormulaRC(1, 2, "=A1*2");
  for (int r = 2; r <= 50; ++r) ASSERT_TRUE(book.CopyFormulaRC(r, 2, 1, 2));
  // A copy replaced by a number and another by a different formula at the same distance.
  book.SetNumberRC(20, 2, 7);
  book.SetFormulaRC(21, 2, "=A21+1");
  book.SetNumberRC(20, 1, 5);
  book.SetNumberRC(21, 1, 5);
  book.SetNumberRC(22, 1, 5);
  EXPECT_EQ(book.NumberRC(20, 2), 7);
  EXPECT_EQ(book.NumberRC(21, 2), 6);
  EXPECT_EQ(book.NumberRC(22, 2), 10);
  // Emptied cells take their readers' formulas with them.
  book.ClearRange(22, 2, 22, 2);
  const auto before = book.EvaluationCount();
  book.SetNumberRC(22, 1, 9);
  EXPECT_EQ(book.EvaluationCount(), before);

  // A copy whose reference would leave the sheet is refused; one that names another sheet is not
  // shared but still copied as text by CopyRange.
  EXPECT_FALSE(book.CopyFormulaRC(1, 1, 1, 2));
  book.SetNumSheets(2);
  book.SetNumberRC(5, 1, 5);
  book.SetFormulaRC(1, 3, "=Sheet2!A1+A1");
  book.CopyRange(5, 3, 5, 3, book, 1, 3, 1, 3);
  EXPECT_EQ(book.FormulaRC(5, 3), "=Sheet2!A5+A5");
  book.SetSheet(2);
  book.SetNumberRC(5, 1, 4);
  book.SetSheet(1);
  EXPECT_EQ(book.NumberRC(5, 3), 9);
}

TEST(SharedCode, RangesWithAFixedEndAndManyDistancesRecalcLikeSingleFormulas) {
  TWorkbook book;
  for (int r = 1; r <= 30; ++r) book.SetNumberRC(r, 1, r);
  // A running total: one end fixed, the other moving down with each copy.
  book.SetFormulaRC(1, 2, "=SUM($A$1:A1)");
  book.CopyRange(2, 2, 30, 2, book, 1, 2, 1, 2);
  EXPECT_EQ(book.NumberRC(30, 2), 465);
  book.SetNumberRC(10, 1, 110);
  EXPECT_EQ(book.NumberRC(9, 2), 45);
  EXPECT_EQ(book.NumberRC(30, 2), 565);
  // A fixed end below the moving one: the range is what lies between them.
  book.SetFormulaRC(1, 3, "=SUM(A$5:A1)");
  book.CopyRange(8, 3, 8, 3, book, 1, 3, 1, 3);
  EXPECT_EQ(book.FormulaRC(8, 3), "=SUM(A$5:A8)");
  EXPECT_EQ(book.NumberRC(8, 3), 5 + 6 + 7 + 8);

  // More distinct distances than a sheet files by distance: every reader is still found.
  for (int k = 1; k <= 60; ++k) book.SetFormulaRC(40 + k, 4, QString("=A%1*2").arg(k % 30 + 1));
  for (int k = 1; k <= 60; ++k) book.SetNumberRC(k % 30 + 1, 1, 1000 + k % 30);
  for (int k = 1; k <= 60; ++k) EXPECT_EQ(book.NumberRC(40 + k, 4), 2 * (1000 + k % 30)) << k;
}

}  // namespace
