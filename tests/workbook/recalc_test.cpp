#include <gtest/gtest.h>

#include "qstringprinter.h"

#include "workbook/model/workbook.h"
#include "workbook/model/workbookerror.h"
#include "support/manualclock.h"

namespace {

TEST(Recalc, AWriteRecomputesAChainOnceEachInOrder) {
  TWorkbook book;
  book.SetNumberRC(1, 1, 1);
  for (int r = 2; r <= 6; ++r) book.SetFormulaRC(r, 1, QString("=A%1*2").arg(r - 1));
  const auto before = book.EvaluationCount();
  book.SetNumberRC(1, 1, 3);
  EXPECT_EQ(book.EvaluationCount() - before, 5u);
  EXPECT_EQ(book.NumberRC(6, 1), 96);
}

TEST(Recalc, ADiamondEvaluatesItsJoinOnceAfterBothSides) {
  TWorkbook book;
  book.SetNumberRC(1, 1, 1);                 // A1
  book.SetFormulaRC(1, 2, "=A1+1");          // B1
  book.SetFormulaRC(1, 3, "=A1*10");         // C1
  book.SetFormulaRC(1, 4, "=B1+C1");         // D1 joins both
  book.SetFormulaRC(1, 5, "=D1+B1");         // E1 reaches B1 twice
  book.SetFormulaRC(2, 1, "=5");             // unrelated
  const auto before = book.EvaluationCount();
  book.SetNumberRC(1, 1, 2);
  EXPECT_EQ(book.EvaluationCount() - before, 4u);
  EXPECT_EQ(book.NumberRC(1, 4), 23);
  EXPECT_EQ(book.NumberRC(1, 5), 26);
}

TEST(Recalc, RangesAndOtherSheetsAreTracked) {
  TWorkbook book;
  book.SetNumSheets(2);
  book.SetSheetName(2, "Data set");
  book.SetSheet(2);
  book.SetNumberRC(1, 1, 4);
  book.SetSheet(1);
  book.SetFormulaRC(1, 1, "='Data set'!A1*2");
  book.SetFormulaRC(1, 2, "=SUM('Data set'!A1:A10)");
  book.SetSheet(2);
  book.SetNumberRC(5, 1, 6);
  book.SetNumberRC(1, 1, 5);
  book.SetSheet(1);
  EXPECT_EQ(book.NumberRC(1, 1), 10);
  EXPECT_EQ(book.NumberRC(1, 2), 11);
  book.SetSheetName(2, "Renamed");  // references follow the sheet
  EXPECT_EQ(book.FormulaRC(1, 1), "=Renamed!A1*2");
  EXPECT_EQ(book.NumberRC(1, 1), 10);
  book.DeleteSheets(2, 1);
  EXPECT_EQ(book.TextRC(1, 1), "#REF!");
}

TEST(Recalc, CircularReferencesGiveAnErrorAndRecover) {
  TWorkbook book;
  book.SetFormulaRC(1, 1, "=B1+1");
  book.SetFormulaRC(1, 2, "=A1+1");  // closes A1 -> B1 -> A1
  book.SetFormulaRC(1, 3, "=A1*2");  // downstream of the cycle
  EXPECT_EQ(book.TextRC(1, 1), "#CIRC!");
  EXPECT_EQ(book.TextRC(1, 2), "#CIRC!");
  EXPECT_EQ(book.TextRC(1, 3), "#CIRC!");
  book.SetFormulaRC(1, 4, "=D1");
  EXPECT_EQ(book.TextRC(1, 4), "#CIRC!");
  book.SetNumberRC(1, 2, 5);  // breaking the cycle brings values back
  EXPECT_EQ(book.NumberRC(1, 1), 6);
  EXPECT_EQ(book.NumberRC(1, 3), 12);
  book.RecalcAll();
  EXPECT_EQ(book.TextRC(1, 4), "#CIRC!");
}

TEST(Recalc, DeepChainsNeedNoDeepStack) {
  TWorkbook book;
  book.SetAutoRecalc(false);
  constexpr int n = 100000;
  book.SetNumberRC(1, 1, 0);
  for (int r = 2; r <= n; ++r) book.SetFormulaRC(r, 1, QString("=A%1+1").arg(r - 1));
  book.SetAutoRecalc(true);
  EXPECT_EQ(book.NumberRC(n, 1), n - 1);
  book.SetNumberRC(1, 1, 1);
  EXPECT_EQ(book.NumberRC(n, 1), n);
}

TEST(Recalc, ManualModeWaitsForRecalc) {
  TWorkbook book;
  book.SetFormulaRC(1, 2, "=A1*2");
  book.SetAutoRecalc(false);
  book.SetNumberRC(1, 1, 4);
  EXPECT_EQ(book.NumberRC(1, 2), 0);
  book.Recalc();
  EXPECT_EQ(book.NumberRC(1, 2), 8);
}

TEST(Recalc, RecalcWithAutoRecalcRefreshesOnlyTheClockAndWhatFollowsIt) {
  TManualClock clock(100.25);
  TWorkbook book;
  book.SetFormulaRC(1, 1, "=NOW()");
  book.SetFormulaRC(1, 2, "=A1*24");
  for (int r = 2; r <= 50; ++r) book.SetFormulaRC(r, 3, "=1+1");
  clock.Set(100.5);
  const auto before = book.EvaluationCount();
  book.Recalc();
  EXPECT_EQ(book.EvaluationCount() - before, 2u);
  EXPECT_EQ(book.NumberRC(1, 2), 2412);
  book.RecalcAll();
  EXPECT_EQ(book.EvaluationCount() - before, 2u + 51u);
}

// Adding or renaming a sheet (a new run of the results table) recomputes the formulas that name
// sheets, what follows them and the clock, not every formula of every run.
TEST(Recalc, SheetChangesRecomputeOnlyWhatNamesSheets) {
  TManualClock clock(100.25);
  TWorkbook book;
  for (int r = 1; r <= 200; ++r) book.SetFormulaRC(r, 2, QStringLiteral("=A%1*2").arg(r));
  book.SetFormulaRC(1, 3, "=NOW()");
  book.SetNumSheets(2);
  book.SetSheet(2);
  book.SetNumberRC(1, 1, 5);
  book.SetSheet(1);
  book.SetFormulaRC(1, 4, "='Sheet2'!A1+1");
  book.SetFormulaRC(1, 5, "=D1*10");
  clock.Set(100.5);
  const auto before = book.EvaluationCount();
  book.SetSheetName(2, "Run 2");
  EXPECT_EQ(book.EvaluationCount() - before, 3u);  // D1, E1 and the clock
  EXPECT_EQ(book.FormulaRC(1, 4), "='Run 2'!A1+1");
  EXPECT_EQ(book.NumberRC(1, 5), 60);
  EXPECT_EQ(book.NumberRC(1, 3), 100.5);
  book.DeleteSheets(2, 1);
  EXPECT_EQ(book.TextRC(1, 5), "#REF!");
}

// The results table's cycle: a template row copied into a run sheet that grows by copying its
// last row down. Formulas must follow the rows they land in.
TEST(Copying, TemplateRowsCopyIntoAGrowingRunSheet) {
  TWorkbook templ;
  templ.SetMaxCol(3);
  templ.SetFormulaRC(2, 3, "=A2*B2");
  templ.SetFormulaRC(3, 3, "=A3*B3");
  templ.SetNumberFormatRC(2, 3, "0.00");
  templ.SetNumberFormatRC(3, 3, "0.0");
  TWorkbook table;
  table.SetMaxCol(3);
  table.SetMaxRow(2);
  table.CopyRange(2, 1, 2, 3, templ, 3, 1, 3, 3);
  table.SetMaxRow(17);
  table.SetSelection(2, -1, 17, -1);
  table.EditCopyDown();
  for (int n = 1; n <= 20; ++n) {
    templ.SetNumberRC(2, 1, n);
    templ.SetNumberRC(2, 2, 0.5);
    if (table.MaxRow() <= n + 1) {
      const int r = table.MaxRow();
      table.SetMaxRow(r + 10);
      table.SetSelection(r, -1, r + 10, -1);
      table.EditCopyDown();
    }
    table.CopyRange(n + 1, 1, n + 1, 3, templ, 2, 1, 2, 3);
  }
  EXPECT_EQ(table.MaxRow(), 27);
  EXPECT_EQ(table.FormulaRC(21, 3), "=A21*B21");
  EXPECT_EQ(table.FormattedTextRC(21, 3), "10.00");  // formats travel with the sample row
  EXPECT_EQ(table.FormulaRC(27, 3), "=A27*B27");
  EXPECT_EQ(table.NumberFormatRC(27, 3), "0.0");  // grown rows carry the pattern row's format
  EXPECT_EQ(table.NumberRC(27, 3), 0);
  table.SetNumberRC(5, 2, 2);  // a stored row still computes
  EXPECT_EQ(table.NumberRC(5, 3), 8);
}

TEST(Copying, CopyRangeShiftsRelativeReferencesBetweenWorkbooks) {
  TWorkbook source;
  source.SetNumberRC(3, 1, 7);
  source.SetFormulaRC(3, 2, "=A3*2+$A$1+A$1");
  source.SetNumberFormatRC(3, 1, "0.00");
  source.SetTextRC(3, 3, "label");
  TWorkbook target;
  target.SetNumberRC(1, 1, 100);
  target.SetNumberRC(5, 1, 1);  // overwritten by the copy
  target.CopyRange(5, 1, 5, 3, source, 3, 1, 3, 3);
  EXPECT_EQ(target.FormulaRC(5, 2), "=A5*2+$A$1+A$1");
  EXPECT_EQ(target.NumberRC(5, 2), 7 * 2 + 100 + 100);
  EXPECT_EQ(target.FormattedTextRC(5, 1), "7.00");
  EXPECT_EQ(target.TextRC(5, 3), "label");
  target.CopyRange(6, 2, 6, 2, target, 5, 2, 5, 2);  // within one workbook
  EXPECT_EQ(target.FormulaRC(6, 2), "=A6*2+$A$1+A$1");
}

// Copies move compiled references directly; they must agree with the formula's shifted text.
TEST(Copying, CopiedFormulasComputeWhatTheirTextSays) {
  TWorkbook book;
  for (int r = 1; r <= 8; ++r) book.SetNumberRC(r, 1, r);
  book.SetFormulaRC(6, 2, "=SUM($A$5:A6)*10+A$1");
  book.CopyRange(3, 2, 3, 2, book, 6, 2, 6, 2);  // up three rows: the range turns over
  EXPECT_EQ(book.FormulaRC(3, 2), "=SUM($A$5:A3)*10+A$1");
  EXPECT_EQ(book.NumberRC(3, 2), (3 + 4 + 5) * 10 + 1);
  book.CopyRange(4, 3, 4, 3, book, 3, 2, 3, 2);  // a copy of a copy
  EXPECT_EQ(book.FormulaRC(4, 3), "=SUM($A$5:B4)*10+B$1");
  EXPECT_EQ(book.NumberRC(4, 3), (4 + 5) * 10 + 0);
  book.SetFormulaRC(6, 4, "=C2+SUM(C1:C2)");
  book.CopyRange(1, 4, 1, 4, book, 6, 4, 6, 4);  // C2 would move to row -3
  EXPECT_EQ(book.FormulaRC(1, 4), "=#REF!+SUM(#REF!)");
  EXPECT_EQ(book.TextRC(1, 4), "#REF!");
  book.SetNumberRC(4, 1, 100);  // copies track their new precedents
  EXPECT_EQ(book.NumberRC(3, 2), (3 + 100 + 5) * 10 + 1);
}

TEST(Copying, EditCopyDownFillsWholeRowsWithShiftedFormulas) {
  TWorkbook book;
  book.SetMaxCol(3);
  book.SetNumberRC(2, 1, 1);
  book.SetFormulaRC(2, 2, "=A2*10");
  book.SetNumberFormatRC(2, 2, "0.0");
  for (int r = 3; r <= 5; ++r) book.SetNumberRC(r, 1, r);
  book.SetSelection(2, -1, 5, -1);
  book.EditCopyDown();
  EXPECT_EQ(book.FormulaRC(5, 2), "=A5*10");
  EXPECT_EQ(book.FormattedTextRC(5, 2), "10.0");  // column A was copied down too: A5 = 1
  EXPECT_EQ(book.NumberRC(5, 1), 1);
}

TEST(Copying, NumbersKeepEveryDigitWhateverTheirFormat) {
  TWorkbook book;
  book.SetNumberRC(1, 1, 2.0 / 3);
  book.SetNumberFormatRC(1, 1, "0.00");
  book.SetNumberRC(1, 2, 1234567.125);
  book.SetNumberFormatRC(1, 2, "#,##0");
  book.SetNumberRC(1, 3, 90 / 86400.0);
  book.SetNumberFormatRC(1, 3, "[h]:mm:ss");
  book.SetSelection(1, 1, 1, 3);
  const QString copied = book.EditCopy();
  // A clock keeps its appearance; the numbers paste back exactly.
  EXPECT_EQ(copied, "0.6666666666666666\t1234567.125\t0:01:30\n");
  book.SetSelection(3, 1, 3, 1);
  book.EditPaste(copied);
  EXPECT_EQ(book.NumberRC(3, 1), 2.0 / 3);
  EXPECT_EQ(book.NumberRC(3, 2), 1234567.125);
}

TEST(Copying, ClipboardTextRoundTripsThroughPaste) {
  TWorkbook book;
  book.SetNumberRC(1, 1, 1.5);
  book.SetTextRC(1, 2, "a\tb");
  book.SetFormulaRC(2, 1, "=A1*2");
  book.SetSelection(1, 1, 2, 2);
  const QString copied = book.EditCopy();
  EXPECT_EQ(copied, "1.5\ta b\n3\t\n");
  book.SetSelection(4, 1, 4, 1);
  book.EditPaste(copied + "=A4+1\t=SUM(\n");
  EXPECT_EQ(book.NumberRC(4, 1), 1.5);
  EXPECT_EQ(book.NumberRC(6, 1), 2.5);
  EXPECT_EQ(book.TextRC(6, 2), "=SUM(");  // not a valid formula: kept as text
  book.SetSelection(1, 1, 1, 2);
  EXPECT_EQ(book.EditCut(), "1.5\ta b\n");
  EXPECT_EQ(book.TextRC(1, 1), "");
  EXPECT_EQ(book.NumberRC(2, 1), 0);  // its dependent followed
}

TEST(Model, SheetsGrowShrinkAndKeepTheirNames) {
  TWorkbook book;
  book.SetNumSheets(3);
  EXPECT_EQ(book.SheetName(3), "Sheet3");
  book.SetSheet(3);
  book.SetSheetName(3, "Run 1");
  EXPECT_THROW(book.SetSheetName(2, "run 1"), EWorkbookError);
  book.DeleteSheets(1, 2);
  EXPECT_EQ(book.NumSheets(), 1);
  EXPECT_EQ(book.SheetName(1), "Run 1");
  EXPECT_EQ(book.Sheet(), 1);
  EXPECT_THROW(book.DeleteSheets(1, 1), EWorkbookError);
  EXPECT_THROW(book.SetSheet(2), EWorkbookError);
}

TEST(Model, CellsReadAsTheCallersExpect) {
  TWorkbook book;
  EXPECT_EQ(book.TextRC(9, 9), "");
  EXPECT_EQ(book.NumberRC(9, 9), 0);
  EXPECT_EQ(book.LastRow(), 0);
  book.SetRow(2);
  book.SetCol(3);
  book.SetNumber(0.1 + 0.2);
  EXPECT_EQ(book.NumberRC(2, 3), 0.1 + 0.2);
  EXPECT_EQ(book.Text(), "0.3");
  book.SetNumberFormat("0.000");
  EXPECT_EQ(book.FormattedText(), "0.300");
  book.SetTextRC(4, 2, "=not a formula");
  EXPECT_EQ(book.FormulaRC(4, 2), "");
  EXPECT_EQ(book.LastRow(), 4);
  EXPECT_EQ(book.LastCol(), 3);
  book.SetTextRC(4, 2, "");
  EXPECT_EQ(book.LastRow(), 2);
  book.SetNumberRC(3, 1, std::nan(""));
  EXPECT_EQ(book.TextRC(3, 1), "#NUM!");
  EXPECT_THROW(book.SetNumberRC(0, 1, 1), EWorkbookError);
  book.SetColText(2, "Flow");
  EXPECT_EQ(book.TextRC(0, 2), "Flow");
  book.SetMaxRow(2);
  EXPECT_EQ(book.LastRow(), 2);
}

TEST(Model, DeletingASheetKeepsOtherSheetsReferencesAndTheActiveSheet) {
  TWorkbook book;
  book.SetNumSheets(3);
  book.SetSheet(3);
  book.SetNumberRC(1, 1, 9);
  book.SetSheet(2);
  book.SetFormulaRC(1, 1, "=Sheet3!A1+1");
  book.SetSheet(3);
  book.DeleteSheets(1, 1);  // Sheet2 and Sheet3 move down to 1 and 2
  EXPECT_EQ(book.Sheet(), 2);
  EXPECT_EQ(book.SheetName(2), "Sheet3");
  book.SetNumberRC(1, 1, 19);
  book.SetSheet(1);
  EXPECT_EQ(book.NumberRC(1, 1), 20);
}

TEST(Model, SelectionFormatsAndShrinkingTheGridFollowThrough) {
  TWorkbook book;
  book.SetMaxRow(5);
  book.SetMaxCol(4);
  book.SetSelection(-1, 2, -1, 3);  // whole columns B and C
  EXPECT_EQ(book.Row(), 1);
  EXPECT_EQ(book.Col(), 2);
  book.SetNumberFormat("0.0");
  EXPECT_EQ(book.NumberFormatRC(5, 3), "0.0");
  EXPECT_EQ(book.NumberFormatRC(5, 4), "General");
  book.SetNumberRC(5, 3, 2);
  EXPECT_EQ(book.FormattedTextRC(5, 3), "2.0");
  book.SetFormulaRC(1, 1, "=SUM(C1:C9)*2");
  EXPECT_EQ(book.NumberRC(1, 1), 4);
  book.SetMaxCol(2);  // C goes, and the sum follows
  EXPECT_EQ(book.NumberRC(1, 1), 0);
  EXPECT_EQ(book.LastCol(), 1);
  book.SetSelection(1, -1, 1, -1);
  EXPECT_EQ(book.EditCopy(), "0\n");  // a whole row, cut to the cells holding data
}

TEST(Model, ABiggerTargetRepeatsTheCopiedRange) {
  TWorkbook book;
  book.SetNumberRC(1, 1, 1);
  book.SetFormulaRC(1, 2, "=A1*10");
  book.CopyRange(2, 1, 5, 2, book, 1, 1, 1, 2);
  EXPECT_EQ(book.FormulaRC(5, 2), "=A5*10");
  EXPECT_EQ(book.NumberRC(4, 2), 10);
}

TEST(Model, BooleanResultsReadAsTextAndNumber) {
  TWorkbook book;
  book.SetFormulaRC(1, 1, "=2>1");
  EXPECT_EQ(book.TextRC(1, 1), "TRUE");
  EXPECT_EQ(book.NumberRC(1, 1), 1);
  book.SetValueRC(2, 1, TCellValue::Boolean(false));
  EXPECT_EQ(book.FormattedTextRC(2, 1), "FALSE");
  book.SetFormulaRC(3, 1, "=1/0");
  EXPECT_EQ(book.NumberRC(3, 1), 0);
  EXPECT_EQ(book.FormattedTextRC(3, 1), "#DIV/0!");
}

}  // namespace
