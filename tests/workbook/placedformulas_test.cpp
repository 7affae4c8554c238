// Formulas read from a workbook file share the compiled code of a neighbour whose text they repeat
// moved along. Whatever is shared, every cell must show, compute and recalculate exactly as the same
// formula entered on its own; kept and array formulas are never shared by a formula that only
// reads like them.
#include <gtest/gtest.h>

#include <cmath>

#include "qstringprinter.h"

#include "support/tempfolder.h"
#include "workbook/model/workbook.h"
#include "workbook/model/workbookerror.h"

namespace {

TWorkbook Load(const TTempFolder& dir, const QByteArray& text) {
  TWorkbook book;
  book.Read(dir.Write("placed.vts", text));
  return book;
}

QString Describe(const TWorkbook& book, int row, int col) {
  const TCell* cell = book.SheetAt(book.Sheet()).Find(row, col);
  const TFormula* code = cell ? book.FormulaCode(*cell) : nullptr;
  QString out = book.FormulaRC(row, col) + QStringLiteral(" -> ") + book.TextRC(row, col);
  if (code) out += QStringLiteral(" kept %1 array %2x%3").arg(code->Kept).arg(code->ArrayRows).arg(code->ArrayCols);
  return out;
}

TEST(PlacedFormulas, SharedNeighboursReadComputeAndRecalcAsFormulasEnteredOneByOne) {
  TTempFolder dir;
  TWorkbook book = Load(dir,
                        "quorlex-workbook 1\nsheet \"S\"\n"
                        "cell A1 1\ncell A2 2\ncell A3 3\ncell A4 4\ncell A5 5\n"
                        // D1 repeats C1 one column on (the formula placed before); B2 repeats B1.
                        "cell B1 =A1*2\ncell C1 =B1+A1\ncell D1 =C1+B1\ncell B2 =A2*2\n"
                        // Kept formulas that read alike: each keeps the value saved for it.
                        "cell B3 kept 7 =NOSUCH(A3)\ncell B4 kept \"nine\" =NOSUCH(A4)\ncell B5 =A5*2\n"
                        // Text beyond ASCII, decoded from the file's bytes.
                        "cell E1 =\"\xC2\xB5\"&A1\ncell E2 =\"\xC2\xB5\"&A2\n"
                        // An array formula, then an ordinary one that reads as it moved two rows.
                        "cell F1 kept 0 array 1 2 =TRANSPOSE(A1:A2)\ncell F3 =TRANSPOSE(A3:A4)\n"
                        "end\n");

  TWorkbook ref;
  ref.SetSheetName(1, "S");
  for (int r = 1; r <= 5; ++r) ref.SetNumberRC(r, 1, r);
  ref.SetFormulaRC(1, 2, "=A1*2");
  ref.SetFormulaRC(1, 3, "=B1+A1");
  ref.SetFormulaRC(1, 4, "=C1+B1");
  ref.SetFormulaRC(2, 2, "=A2*2");
  ref.SetKeptFormulaRC(3, 2, "=NOSUCH(A3)", TCellValue::Number(7));
  ref.SetKeptFormulaRC(4, 2, "=NOSUCH(A4)", TCellValue::Text("nine"));
  ref.SetFormulaRC(5, 2, "=A5*2");
  ref.SetFormulaRC(1, 5, QStringLiteral("=\"\u00B5\"&A1"));
  ref.SetFormulaRC(2, 5, QStringLiteral("=\"\u00B5\"&A2"));
  ref.SetArrayFormulaRC(1, 6, "=TRANSPOSE(A1:A2)", 1, 2);
  ref.SetFormulaRC(3, 6, "=TRANSPOSE(A3:A4)");

  for (int round = 0; round < 2; ++round) {
    for (int r = 1; r <= 5; ++r)
      for (int c = 1; c <= 7; ++c) {
        EXPECT_EQ(Describe(book, r, c), Describe(ref, r, c)) << "cell row " << r << " col " << c << " round " << round;
        EXPECT_TRUE(book.ValueRC(r, c) == ref.ValueRC(r, c)) << "cell row " << r << " col " << c << " round " << round;
      }
    // Dependents found after loading: a changed input reaches the shared copies only.
    for (TWorkbook* b : {&book, &ref}) {
      b->SetNumberRC(1, 1, 10);
      b->SetNumberRC(2, 1, -2);
      b->SetNumberRC(4, 1, 0.5);
    }
  }
  EXPECT_EQ(book.NumberRC(1, 4), 50);
  EXPECT_EQ(book.TextRC(2, 5), QStringLiteral("\u00B5-2"));
  EXPECT_EQ(book.TextRC(4, 2), "nine");
  EXPECT_EQ(book.NumberRC(1, 7), -2);  // the array's second element
}

TEST(PlacedFormulas, ALongChainAndRunningRangesStayExactAndFollowTheirInputs) {
  TTempFolder dir;
  QByteArray text = "quorlex-workbook 1\nsheet \"First\"\ncell A1 =2\nsheet \"T\"\ncell A1 1.5\n";
  for (int r = 2; r <= 300; ++r)
    text += "cell A" + QByteArray::number(r) + (r == 150 ? " =A149*2+0\n" : " =A" + QByteArray::number(r - 1) + "*2\n");
  for (int r = 1; r <= 299; ++r)
    text += "cell B" + QByteArray::number(r) + " =SUM(A" + QByteArray::number(r) + ":A" + QByteArray::number(r + 1) + ")\n";
  // The formula placed before is on another sheet: it lends nothing here.
  text += "sheet \"U\"\ncell B1 =SUM(A1:A2)\nend\n";
  TWorkbook book = Load(dir, text);

  book.SetSheet(2);
  EXPECT_EQ(book.FormulaRC(300, 1), "=A299*2");
  EXPECT_EQ(book.FormulaRC(151, 1), "=A150*2");
  EXPECT_EQ(book.FormulaRC(150, 1), "=A149*2+0");
  EXPECT_EQ(book.FormulaRC(299, 2), "=SUM(A299:A300)");
  EXPECT_EQ(book.NumberRC(300, 1), std::ldexp(1.5, 299));
  EXPECT_EQ(book.NumberRC(200, 2), std::ldexp(1.5, 199) + std::ldexp(1.5, 200));

  book.SetNumberRC(1, 1, 3);
  EXPECT_EQ(book.NumberRC(300, 1), std::ldexp(3.0, 299));
  EXPECT_EQ(book.NumberRC(1, 2), 3 + 6);
  EXPECT_EQ(book.NumberRC(299, 2), std::ldexp(3.0, 298) + std::ldexp(3.0, 299));

  book.SetSheet(3);
  EXPECT_EQ(book.FormulaRC(1, 2), "=SUM(A1:A2)");
  EXPECT_EQ(book.NumberRC(1, 2), 0);
  book.SetNumberRC(2, 1, 4);
  EXPECT_EQ(book.NumberRC(1, 2), 4);
  book.SetSheet(1);
  EXPECT_EQ(book.NumberRC(1, 1), 2);
}

// Room is made for the rows formulas fill, but a formula far down makes none for the rows between.
TEST(PlacedFormulas, AFarFormulaMakesNoRoomForTheRowsBeforeIt) {
  TTempFolder dir;
  TWorkbook book = Load(dir, "quorlex-workbook 1\nsheet \"S\"\ncell A1 =1\ncell B1048576 =A1+1\ncell A1048575 =B1048576*2\nend\n");
  EXPECT_EQ(book.NumberRC(1048575, 1), 4);
  EXPECT_LT(book.MemoryBytes(), std::size_t{64} * 1024);
  QByteArray column = "quorlex-workbook 1\nsheet \"S\"\n";
  for (int r = 1; r <= 5000; ++r) column += "cell A" + QByteArray::number(r) + " =" + QByteArray::number(r) + "\n";
  const TWorkbook filled = Load(dir, column + "end\n");
  // 5000 one-cell rows: the row table and each row's one cell, with little to spare.
  EXPECT_LT(filled.MemoryBytes(), std::size_t{5000} * 120);
  EXPECT_EQ(filled.SheetAt(1).RowCount(), 5000);
}

TEST(PlacedFormulas, AFaultAfterSharedFormulasNamesItsOwnLine) {
  TTempFolder dir;
  const QByteArray good = "quorlex-workbook 1\nsheet \"S\"\ncell A1 =1\ncell A2 =A1+1\ncell A3 =A2+1\n";
  for (const QByteArray& bad : {QByteArray("cell A4 =A3+\n"), QByteArray("cell A4 =A3&\"\xFF\"\n")}) {
    try {
      Load(dir, good + bad + "end\n");
      ADD_FAILURE() << "accepted " << bad.toStdString();
    } catch (const EWorkbookError& e) {
      EXPECT_EQ(e.Where(), "line 6") << e.What().toStdString();
    }
  }
}

TEST(PlacedFormulas, AMatchingTextDoesNotCopyAKeptOrArrayFormula) {
  TWorkbook book;
  for (int r = 1; r <= 4; ++r) book.SetNumberRC(r, 1, r);
  book.SetKeptFormulaRC(1, 2, "=NOSUCH(A1)", TCellValue::Number(7));
  const QString kept = "=NOSUCH(A2)";
  EXPECT_FALSE(book.CopyFormulaRC(2, 2, 1, 2, &kept));
  book.SetArrayFormulaRC(1, 3, "=A1:A2*3", 2, 1);
  const QString array = "=A3:A4*3";
  EXPECT_FALSE(book.CopyFormulaRC(3, 3, 1, 3, &array));
  EXPECT_EQ(book.FormulaRC(3, 3), "");
  // An ordinary formula is shared.
  book.SetFormulaRC(1, 4, "=A1*2");
  const QString moved = "=A4*2";
  ASSERT_TRUE(book.CopyFormulaRC(4, 4, 1, 4, &moved));
  EXPECT_EQ(book.NumberRC(4, 4), 8);
}

}  // namespace
