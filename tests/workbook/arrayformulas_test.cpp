#include <gtest/gtest.h>

#include "evalfixture.h"
#include "qstringprinter.h"
#include "xlsxpackage.h"

#include "support/tempfolder.h"
#include "workbook/model/workbook.h"
#include "workbook/model/workbookerror.h"

namespace {

// A1:B3 hold 1 2 / 3 4 / 5 "five"; Eval computes an ordinary formula in H20.
class ArrayFormulasTest : public TEvalFixture {
 protected:
  ArrayFormulasTest() : TEvalFixture(20, 8) {}
  void SetUp() override {
    Book.SetNumberRC(1, 1, 1);
    Book.SetNumberRC(1, 2, 2);
    Book.SetNumberRC(2, 1, 3);
    Book.SetNumberRC(2, 2, 4);
    Book.SetNumberRC(3, 1, 5);
    Book.SetTextRC(3, 2, "five");
  }
  // The values of rows x cols cells from (row, col), row by row, as shown.
  QStringList Block(int row, int col, int rows, int cols) {
    QStringList out;
    for (int r = row; r < row + rows; ++r)
      for (int c = col; c < col + cols; ++c) out << Book.ValueRC(r, c).ToText();
    return out;
  }
  bool Kept(int row, int col) {
    const TCell* cell = Book.SheetAt(Book.Sheet()).Find(row, col);
    const TFormula* code = cell ? Book.FormulaCode(*cell) : nullptr;
    return code && code->Kept;
  }
};

TEST_F(ArrayFormulasTest, TransposeIsTakenLikeARangeByFunctions) {
  EXPECT_EQ(Shown("=SUM(TRANSPOSE(A1:B3))"), "15") << "the text is passed over as in a range";
  EXPECT_EQ(Shown("=COUNT(TRANSPOSE(A1:B3))"), "5");
  EXPECT_EQ(Shown("=COUNTA(TRANSPOSE(A1:B3))"), "6");
  EXPECT_EQ(Shown("=MAX(TRANSPOSE(A1:B3))&\"/\"&MIN(TRANSPOSE(A1:B3))&\"/\"&AVERAGE(TRANSPOSE(A1:B3))"), "5/1/3");
  EXPECT_EQ(Shown("=ROWS(TRANSPOSE(A1:B3))&\"x\"&COLUMNS(TRANSPOSE(A1:B3))"), "2x3");
  EXPECT_EQ(Shown("=INDEX(TRANSPOSE(A1:B3),2,1)"), "2") << "row 2 of the transpose is column B";
  EXPECT_EQ(Shown("=INDEX(TRANSPOSE(A1:B3),2,3)"), "five");
  EXPECT_EQ(Shown("=SUM(INDEX(TRANSPOSE(A1:B3),1,0))"), "9") << "a whole row of the array";
  EXPECT_EQ(Shown("=SUMPRODUCT(TRANSPOSE(A1:A3),TRANSPOSE(A1:A3))"), "35");
  EXPECT_EQ(Shown("=MATCH(5,TRANSPOSE(A1:A3),0)"), "3");
  EXPECT_EQ(Shown("=HLOOKUP(3,TRANSPOSE(A1:B3),2,FALSE)"), "4");
  EXPECT_EQ(Shown("=SUM(TRANSPOSE(TRANSPOSE(A1:A3)))"), "9") << "an array of an array";
  EXPECT_EQ(Shown("=SUBTOTAL(9,TRANSPOSE(A1:A3))"), "9");
  // Empty cells of the range read as empty: counted by nothing, 0 where a value is shown.
  EXPECT_EQ(Shown("=COUNTBLANK(TRANSPOSE(A1:B5))"), "4");
  EXPECT_EQ(Shown("=INDEX(TRANSPOSE(A1:B5),1,5)"), "0");
  // A whole column costs its used part only.
  EXPECT_EQ(Shown("=SUM(TRANSPOSE(A:A))&\"/\"&COLUMNS(TRANSPOSE(A:A))"), "9/1048576");
  // An error in the range is met as in the range.
  Book.SetFormulaRC(4, 1, "=1/0");
  EXPECT_EQ(Shown("=SUM(TRANSPOSE(A1:A4))"), "#DIV/0!");
  EXPECT_EQ(Shown("=IFERROR(SUM(TRANSPOSE(A1:A4)),-1)"), "-1");
}

TEST_F(ArrayFormulasTest, AnOrdinaryCellShowsTheFirstElement) {
  EXPECT_EQ(Shown("=TRANSPOSE(A1:B3)"), "1");
  EXPECT_EQ(Shown("=TRANSPOSE(B1:B3)*10"), "20");
  EXPECT_EQ(Shown("=TRANSPOSE(7)"), "7");
  EXPECT_EQ(Shown("=TRANSPOSE(\"x\")"), "x");
  EXPECT_EQ(Shown("=TRANSPOSE(Nowhere!A1:A2)"), "#REF!");
  // An array is no place on the sheet: what wants a reference refuses it.
  EXPECT_EQ(Shown("=ROW(TRANSPOSE(A2:B3))"), "#VALUE!");
  EXPECT_EQ(Shown("=SUM(OFFSET(TRANSPOSE(A1:B3),1,0))"), "#VALUE!");
}

TEST_F(ArrayFormulasTest, AnArrayFormulaFillsItsExtent) {
  Book.SetArrayFormulaRC(10, 1, "=TRANSPOSE(A1:B3)", 2, 3);
  EXPECT_EQ(Block(10, 1, 2, 3), (QStringList{"1", "3", "5", "2", "4", "five"}));
  EXPECT_EQ(Book.FormulaRC(10, 1), "=TRANSPOSE(A1:B3)");
  EXPECT_EQ(Book.FormulaRC(10, 2), "") << "the other cells hold values";
  EXPECT_FALSE(Kept(10, 1));
  // Past the result: #N/A; a single row or column repeats along the other side; one value fills all.
  Book.SetArrayFormulaRC(13, 1, "=TRANSPOSE(A1:B2)", 3, 3);
  EXPECT_EQ(Block(13, 1, 3, 3), (QStringList{"1", "3", "#N/A", "2", "4", "#N/A", "#N/A", "#N/A", "#N/A"}));
  Book.SetArrayFormulaRC(17, 1, "=TRANSPOSE(A1:A3)", 2, 3);
  EXPECT_EQ(Block(17, 1, 2, 3), (QStringList{"1", "3", "5", "1", "3", "5"}));
  Book.SetArrayFormulaRC(10, 5, "=SUM(A1:A3)", 2, 2);
  EXPECT_EQ(Block(10, 5, 2, 2), (QStringList{"9", "9", "9", "9"}));
  Book.SetArrayFormulaRC(13, 5, "=A1:B2", 2, 2);
  EXPECT_EQ(Block(13, 5, 2, 2), (QStringList{"1", "2", "3", "4"}));
  // An extent past the sheet, or too large, is refused and changes nothing.
  EXPECT_THROW(Book.SetArrayFormulaRC(1048576, 1, "=TRANSPOSE(A1:B3)", 2, 3), EWorkbookError);
  EXPECT_THROW(Book.SetArrayFormulaRC(30, 1, "=TRANSPOSE(A1:B3)", 1000, 1000), EWorkbookError);
  EXPECT_THROW(Book.SetArrayFormulaRC(30, 1, "=TRANSPOSE(A1:B3", 2, 3), EWorkbookError);
  EXPECT_EQ(Book.ValueRC(30, 1).Kind, TValueKind::Empty);
}

TEST_F(ArrayFormulasTest, EveryCellOfTheExtentFollowsTheInputs) {
  Book.SetArrayFormulaRC(10, 1, "=TRANSPOSE(A1:B3)", 2, 3);
  Book.SetFormulaRC(12, 1, "=C11&\"!\"");     // reads an element past the formula's own cell
  Book.SetFormulaRC(12, 2, "=SUM(A10:C11)");  // reads the whole extent
  EXPECT_EQ(Book.TextRC(12, 1), "five!");
  EXPECT_EQ(Book.NumberRC(12, 2), 15);
  std::vector<std::pair<int, int>> told;
  Book.SetChangeHandler([&](int, int r1, int c1, int r2, int c2) { told.emplace_back(r2 - r1 + 1, c2 - c1 + 1); });
  Book.SetNumberRC(3, 2, 6);
  EXPECT_EQ(Book.NumberRC(11, 3), 6);
  EXPECT_EQ(Book.TextRC(12, 1), "6!");
  EXPECT_EQ(Book.NumberRC(12, 2), 21);
  EXPECT_NE(std::find(told.begin(), told.end(), std::pair{2, 3}), told.end()) << "the view is told of the whole extent";
  // Within a batch, once at its end.
  {
    TWorkbook::TBatchScope batch(Book);
    Book.SetNumberRC(1, 1, 100);
    Book.SetNumberRC(1, 2, 200);
  }
  EXPECT_EQ(Block(10, 1, 2, 1), (QStringList{"100", "200"}));
  EXPECT_EQ(Book.NumberRC(12, 2), 100 + 200 + 3 + 4 + 5 + 6);
  // A cell of the extent that holds a formula of its own is left to it.
  Book.SetFormulaRC(11, 2, "=-1");
  Book.SetNumberRC(2, 2, 40);
  EXPECT_EQ(Book.NumberRC(11, 2), -1);
  EXPECT_EQ(Book.NumberRC(11, 1), 200);
  // An array over its own extent is circular.
  Book.SetArrayFormulaRC(20, 1, "=TRANSPOSE(A20:A21)", 1, 2);
  EXPECT_EQ(Book.TextRC(20, 1), "#CIRC!");
}

TEST_F(ArrayFormulasTest, ACopyOfTheFormulaCellIsAnOrdinaryFormula) {
  Book.SetArrayFormulaRC(10, 1, "=TRANSPOSE(A1:B3)", 2, 3);
  Book.CopyRange(10, 5, 10, 5, Book, 10, 1, 10, 1);
  EXPECT_EQ(Book.FormulaRC(10, 5), "=TRANSPOSE(E1:F3)");
  EXPECT_EQ(Book.ValueRC(10, 6).Kind, TValueKind::Empty) << "the copy fills nothing beside it";
  const TCell* cell = Book.SheetAt(1).Find(10, 5);
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(Book.FormulaCode(*cell)->ArrayRows, 0);
}

TEST_F(ArrayFormulasTest, WrittenAndReadBackStillComputed) {
  Book.SetArrayFormulaRC(10, 1, "=TRANSPOSE(A1:B3)", 2, 3);
  TTempFolder dir;
  for (const auto& [name, type] : {std::pair{"copy.xlsx", TWorkbook::ftXlsx5}, std::pair{"copy.vts", TWorkbook::ftNative3}}) {
    SCOPED_TRACE(name);
    const QString path = dir.File(QString::fromLatin1(name));
    Book.Write(path, type);
    TWorkbook back;
    EXPECT_TRUE(back.Read(path).isEmpty()) << "nothing kept, nothing to tell";
    const TCell* cell = back.SheetAt(1).Find(10, 1);
    ASSERT_NE(cell, nullptr);
    ASSERT_NE(back.FormulaCode(*cell), nullptr);
    EXPECT_FALSE(back.FormulaCode(*cell)->Kept);
    EXPECT_EQ(back.FormulaCode(*cell)->ArrayRows, 2);
    EXPECT_EQ(back.FormulaCode(*cell)->ArrayCols, 3);
    back.SetNumberRC(2, 1, 30);
    EXPECT_EQ(back.NumberRC(10, 2), 30) << "recomputed after reading";
    EXPECT_EQ(back.TextRC(11, 3), "five");
  }
}

const std::string Ns = R"( xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main")"
                       R"( xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships")";

QByteArray OneSheet(const std::string& sheetData) {
  TParts p;
  p["xl/workbook.xml"] = "<workbook" + Ns + R"(><sheets><sheet name="Sheet1" sheetId="1" r:id="rId1"/></sheets></workbook>)";
  p["xl/_rels/workbook.xml.rels"] =
      R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
      R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>)"
      R"(</Relationships>)";
  p["xl/worksheets/sheet1.xml"] = "<worksheet" + Ns + "><sheetData>" + sheetData + "</sheetData></worksheet>";
  return Package(p);
}

TEST_F(ArrayFormulasTest, ArrayFormulasFromFilesAreComputedWhenTheEngineComputesThemAlike) {
  // Saved values that are stale on purpose: what the engine computes replaces them.
  const std::string data =
      R"(<row r="1"><c r="A1"><v>1</v></c><c r="B1"><v>2</v></c></row>)"
      R"(<row r="2"><c r="A2"><v>3</v></c><c r="B2"><v>4</v></c></row>)"
      R"(<row r="4"><c r="A4"><f t="array" ref="A4:B5">TRANSPOSE(A1:B2)</f><v>9</v></c><c r="B4"><v>9</v></c></row>)"
      R"(<row r="5"><c r="A5"><v>9</v></c><c r="B5"><v>9</v></c></row>)"
      // Element by element in other programs: kept with the values saved.
      R"(<row r="7"><c r="A7"><f t="array" ref="A7">SUM(A1:A2*B1:B2)</f><v>14</v></c>)"
      R"(<c r="B7"><f t="array" ref="B7">SUM(IF(A1:A2&gt;1,B1:B2))</f><v>4</v></c>)"
      R"(<c r="C7"><f t="array" ref="C7:D7">ABS(A1:B1)</f><v>1</v></c><c r="D7"><v>2</v></c></row>)"
      // A function the engine lacks: kept.
      R"(<row r="8"><c r="A8"><f t="array" ref="A8">_xlfn.NOSUCHFN(A1:B2)</f><v>5</v></c></row>)"
      // Whole-range functions: computed.
      R"(<row r="9"><c r="A9"><f t="array" ref="A9">SUMPRODUCT(A1:A2,B1:B2)</f><v>0</v></c></row>)";
  TTempFolder dir;
  const QString path = dir.Write(QStringLiteral("arrays.xlsx"), OneSheet(data));
  const QStringList notes = Book.Read(path);
  EXPECT_EQ(Block(4, 1, 2, 2), (QStringList{"1", "3", "2", "4"}));
  EXPECT_FALSE(Kept(4, 1));
  EXPECT_EQ(Book.NumberRC(9, 1), 14);
  EXPECT_FALSE(Kept(9, 1));
  EXPECT_EQ(Book.NumberRC(7, 1), 14);
  EXPECT_EQ(Book.NumberRC(7, 2), 4);
  EXPECT_EQ(Block(7, 3, 1, 2), (QStringList{"1", "2"}));
  EXPECT_EQ(Book.NumberRC(8, 1), 5);
  for (int c : {1, 2, 3}) EXPECT_TRUE(Kept(7, c)) << c;
  EXPECT_TRUE(Kept(8, 1));
  ASSERT_EQ(notes.size(), 1);
  EXPECT_TRUE(notes[0].startsWith("4 formulas are not recalculated")) << notes[0].toStdString();
  // The computed one follows its inputs; the kept ones still write back with their extents.
  Book.SetNumberRC(1, 2, 20);
  EXPECT_EQ(Book.NumberRC(5, 1), 20);
  const QString copy = dir.File(QStringLiteral("copy.xlsx"));
  Book.Write(copy, TWorkbook::ftXlsx5);
  TWorkbook back;
  back.Read(copy);
  EXPECT_EQ(back.NumberRC(5, 1), 20);
  EXPECT_EQ(back.FormulaRC(7, 3), "=ABS(A1:B1)");
  const TCell* kept = back.SheetAt(1).Find(7, 3);
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(back.FormulaCode(*kept)->ArrayCols, 2);
}

// A5 and A10 total their blocks with SUBTOTAL, A11 wraps one in arithmetic; a total over them all
// counts each number once.
TEST_F(ArrayFormulasTest, SubtotalsPassOverTheSubtotalsInTheirRanges) {
  TWorkbook book;
  for (int r = 1; r <= 4; ++r) book.SetNumberRC(r, 1, r);
  book.SetFormulaRC(5, 1, "=SUBTOTAL(9,A1:A4)");
  for (int r = 6; r <= 9; ++r) book.SetNumberRC(r, 1, 10 * r);
  book.SetFormulaRC(10, 1, "=AGGREGATE(9,4,A6:A9)");
  book.SetFormulaRC(11, 1, "=1+SUBTOTAL(109,A1:A2)");
  book.SetNumberRC(12, 1, 9);
  auto eval = [&](const QString& f) {
    book.SetFormulaRC(1, 3, f);
    return book.ValueRC(1, 3).ToText();
  };
  EXPECT_EQ(eval("=SUBTOTAL(9,A1:A11)"), "310") << "10 + 300; the totals skipped";
  EXPECT_EQ(eval("=SUBTOTAL(2,A1:A11)"), "8");
  EXPECT_EQ(eval("=SUBTOTAL(103,A1:A11)"), "8");
  EXPECT_EQ(eval("=SUBTOTAL(9,A1:A4,A5)"), "10") << "a lone cell holding a total is skipped too";
  EXPECT_EQ(eval("=SUBTOTAL(A12,A1:A11)"), "310") << "the function number from a cell";
  EXPECT_EQ(eval("=SUM(A1:A11)"), QString::number(310 + 10 + 300 + 4));
  for (int option : {0, 1, 2, 3}) EXPECT_EQ(eval(QStringLiteral("=AGGREGATE(9,%1,A1:A11)").arg(option)), "310") << option;
  for (int option : {4, 5, 6, 7}) EXPECT_EQ(eval(QStringLiteral("=AGGREGATE(9,%1,A1:A11)").arg(option)), "624") << option;
  EXPECT_EQ(eval("=AGGREGATE(14,0,A1:A11,1)"), "90") << "the largest, past the totals";
  EXPECT_EQ(eval("=AGGREGATE(14,4,A1:A11,A12/9)"), "300");
  // A total follows the block it sums, and the grand total follows both.
  book.SetFormulaRC(2, 2, "=SUBTOTAL(9,A1:A11)");
  book.SetNumberRC(1, 1, 101);
  EXPECT_EQ(book.NumberRC(5, 1), 110);
  EXPECT_EQ(book.NumberRC(2, 2), 410);
}

}  // namespace
