// Whole-column and whole-row references: compiled, recomputed when a cell inside them changes,
// moved and renamed as text, and read from a file.
#include <gtest/gtest.h>

#include "qstringprinter.h"
#include "support/tempfolder.h"
#include "workbook/model/formula.h"
#include "workbook/model/formulaevaluator.h"
#include "workbook/model/workbook.h"

TEST(WholeLines, ColumnAndRowRangesFollowTheirCells) {
  TWorkbook book;
  book.SetNumberRC(1, 1, 2);
  book.SetNumberRC(50, 1, 3);
  book.SetNumberRC(3, 2, 10);
  book.SetFormulaRC(1, 5, "=SUM(A:A)");
  book.SetFormulaRC(2, 5, "=SUM($A:B)");
  book.SetFormulaRC(4, 5, "=SUM(3:3)+COUNT(1:1)");
  EXPECT_EQ(book.NumberRC(1, 5), 5);
  EXPECT_EQ(book.NumberRC(2, 5), 15);
  EXPECT_EQ(book.NumberRC(4, 5), 10 + 2);  // COUNT(1:1) sees A1 and E1's own result
  book.SetNumberRC(1000, 1, 100);          // far below what the sheet held
  book.SetNumberRC(3, 20, 1);
  EXPECT_EQ(book.NumberRC(1, 5), 105);
  EXPECT_EQ(book.NumberRC(4, 5), 13);
  // A whole column holding its own formula depends on itself.
  book.SetFormulaRC(7, 1, "=SUM(A:A)");
  EXPECT_EQ(book.ValueRC(7, 1).Err, TCellError::Circular);
}

// Reads through to a workbook, counting the cells a formula looks at.
class TCountingCells : public ICellSource {
 public:
  explicit TCountingCells(const TWorkbook& book) : FBook(book.Cells()) {}
  void ReadCell(int sheetId, int row, int col, TCellValue& out) const override {
    ++Reads;
    FBook.ReadCell(sheetId, row, col, out);
  }
  bool ClipRange(TRangeRef& range) const override { return FBook.ClipRange(range); }
  mutable long Reads = 0;

 private:
  const ICellSource& FBook;
};

TEST(WholeLines, ARowIsReadOnlyAsFarAsTheSheetIsUsed) {
  TWorkbook book;
  book.SetMaxCol(14);
  for (int c = 1; c <= 14; ++c) book.SetNumberRC(3, c, c);
  book.SetNumberRC(4, 2, 1);
  const int sheetId = book.SheetAt(1).Id();
  const struct {
    const char* formula;
    double value;
  } cases[] = {
      {"=SUM(3:3)", 105},           {"=COUNTA(3:3)", 14},          {"=AND(3:3)", 1},
      {"=SUMPRODUCT(3:3,4:4)", 2},  {"=COUNTIF(3:3,\">10\")", 4}, {"=SUMIFS(3:3,4:4,1)", 2},
      {"=MATCH(14,3:3,0)", 14},     {"=HLOOKUP(7,3:4,2,FALSE)", 0}, {"=COUNTBLANK(3:3)", 16384 - 14},
      {"=SUM(A:A)", 1},
  };
  for (const auto& c : cases) {
    const TFormula f = TFormula::Compile(QString::fromLatin1(c.formula), sheetId, [](const QString&) { return -1; });
    TCountingCells cells(book);
    TCellValue v;
    TFormulaEvaluator().Run(f, cells, v);
    EXPECT_EQ(v.Num, c.value) << c.formula;
    EXPECT_LE(cells.Reads, 2 * 14 + 2) << c.formula;
  }
}

TEST(WholeLines, TextMovesOnlyTheWrittenPart) {
  EXPECT_EQ(TFormula::Shift("=SUM(A:A)+B:$C", 5, 1), "=SUM(B:B)+C:$C");
  EXPECT_EQ(TFormula::Shift("=SUM(3:3,$2:4)", 2, 7), "=SUM(5:5,$2:6)");
  EXPECT_EQ(TFormula::Shift("=SUM(A:A)", 0, -1), "=SUM(#REF!)");
  EXPECT_EQ(TFormula::RenameSheet("=INDEX(Data!B:B,2)+Data!1:1", "data", "Run 2"),
            "=INDEX('Run 2'!B:B,2)+'Run 2'!1:1");
  // Names that only look like lines stay names or numbers.
  TWorkbook book;
  book.SetFormulaRC(1, 1, "=1+2");
  EXPECT_EQ(book.NumberRC(1, 1), 3);
  book.SetFormulaRC(2, 1, "=ABCD(1)");
  EXPECT_EQ(book.ValueRC(2, 1).Err, TCellError::Name);
  for (const char* bad : {"=SUM(A:3)", "=SUM(A:)", "=SUM(:A)", "=SUM(AAAA:AAAA)", "=SUM(0:0)"})
    EXPECT_THROW(book.SetFormulaRC(3, 1, bad), std::exception) << bad;
}

TEST(WholeLines, AFileUsingThemStaysReadable) {
  TTempFolder tmp;
  TWorkbook book;
  book.SetNumberRC(1, 1, 4);
  book.SetNumberRC(2, 1, 6);
  book.SetFormulaRC(1, 3, "=AVERAGE(A:A)");
  book.SetFormulaRC(2, 3, "=ROWS(A:B)*COLUMNS(5:5)");
  const QString path = tmp.File("lines.vts");
  book.Write(path, 1);
  TWorkbook back;
  back.Read(path);
  EXPECT_EQ(back.FormulaRC(1, 3), "=AVERAGE(A:A)");
  EXPECT_EQ(back.NumberRC(1, 3), 5);
  EXPECT_EQ(back.NumberRC(2, 3), 1048576.0 * 16384);
}

TEST(ApproxCompare, NumbersEqualTo15DigitsAreEqual) {
  TWorkbook book;
  auto eval = [&](const char* f) {
    book.SetFormulaRC(1, 1, f);
    return book.ValueRC(1, 1);
  };
  EXPECT_EQ(eval("=0.1+0.2=0.3").Num, 1);
  EXPECT_EQ(eval("=0.1+0.2>0.3").Num, 0);
  EXPECT_EQ(eval("=1E-300=0").Num, 0);  // zero equals only zero
  EXPECT_EQ(eval("=1+1E-13=1").Num, 0);
  book.SetNumberRC(2, 2, 0.3);
  book.SetNumberRC(3, 2, 7);
  EXPECT_EQ(eval("=VLOOKUP(0.1+0.2,B2:B3,1,FALSE)").Num, 0.3);
  EXPECT_EQ(eval("=MATCH(0.1+0.2,B2:B3,0)").Num, 1);
}
