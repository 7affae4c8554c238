#include <gtest/gtest.h>

#include "evalfixture.h"
#include "qstringprinter.h"

#include <cmath>
#include <random>

#include "workbook/model/formula.h"
#include "workbook/model/workbook.h"
#include "workbook/model/workbookerror.h"
#include "support/manualclock.h"

namespace {

// A workbook with a few known cells; Eval puts a formula into Z100 and returns its result.
class FormulaTest : public TEvalFixture {
 protected:
  FormulaTest() : TEvalFixture(100, 26) {}
  void SetUp() override {
    Book.SetNumberRC(1, 1, 2);         // A1
    Book.SetNumberRC(2, 1, 3);         // A2
    Book.SetTextRC(3, 1, "abc");       // A3
    Book.SetNumberRC(5, 1, 10);        // A5, A4 stays empty
    Book.SetFormulaRC(1, 2, "=1/0");   // B1 #DIV/0!
    Book.SetTextRC(2, 2, "12.5");      // B2 numeric text
  }
};

TEST_F(FormulaTest, OperatorPrecedenceFollowsSpreadsheets) {
  EXPECT_EQ(Num("=-2^2"), 4);        // unary minus binds tighter than ^
  EXPECT_EQ(Num("=2^3^2"), 64);      // ^ is left-associative
  EXPECT_EQ(Num("=2+3*4"), 14);
  EXPECT_EQ(Num("=(2+3)*4"), 20);
  EXPECT_EQ(Num("=10-4-3"), 3);
  EXPECT_EQ(Num("=2^-1"), 0.5);
  EXPECT_EQ(Num("=50%*2"), 1);
  EXPECT_EQ(Num("=2^50%"), std::sqrt(2.0));  // percent before ^
  EXPECT_EQ(Num("=--3"), 3);
  EXPECT_EQ(Shown("=1+2&\"x\""), "3x");      // & below arithmetic
  EXPECT_EQ(Shown("=1+1=2"), "TRUE");        // comparison lowest
  EXPECT_EQ(Shown("=\"a\"&1<2"), "FALSE");   // "a1" < 2 is false: text sorts after numbers
}

TEST_F(FormulaTest, ComparisonsOrderNumbersTextAndBooleans) {
  EXPECT_EQ(Shown("=1<\"a\""), "TRUE");
  EXPECT_EQ(Shown("=\"z\"<TRUE"), "TRUE");
  EXPECT_EQ(Shown("=\"ABC\"=\"abc\""), "TRUE");
  EXPECT_EQ(Shown("=\"abc\"<\"abd\""), "TRUE");
  EXPECT_EQ(Shown("=A4=0"), "TRUE");    // an empty cell equals 0 ...
  EXPECT_EQ(Shown("=A4=\"\""), "TRUE");  // ... and ""
  EXPECT_EQ(Shown("=\"2\"=2"), "FALSE");  // text is never equal to a number
  EXPECT_EQ(Shown("=FALSE<TRUE"), "TRUE");
}

TEST_F(FormulaTest, ErrorsPropagateAndIfShortCircuits) {
  EXPECT_EQ(Shown("=B1+1"), "#DIV/0!");
  EXPECT_EQ(Shown("=SUM(A1:B1)"), "#DIV/0!");
  EXPECT_EQ(Shown("=A3*2"), "#VALUE!");
  EXPECT_EQ(Num("=B2*2"), 25);  // numeric text converts in arithmetic
  EXPECT_EQ(Shown("=NOSUCH(1)"), "#NAME?");
  EXPECT_EQ(Shown("=foo+1"), "#NAME?");
  EXPECT_EQ(Shown("=SQRT(-1)"), "#NUM!");
  EXPECT_EQ(Shown("=VLOOKUP(99,A1:A5,1,FALSE)"), "#N/A");
  EXPECT_EQ(Shown("=NoSheet!A1"), "#REF!");
  EXPECT_EQ(Num("=IF(TRUE,1,B1)"), 1);      // the untaken branch's error never shows
  EXPECT_EQ(Shown("=IF(B1,1,2)"), "#DIV/0!");  // an error condition is the result
  EXPECT_EQ(Num("=IF(FALSE,1/0,7)"), 7);
  EXPECT_EQ(Shown("=IF(A1>5,\"big\")"), "FALSE");
  EXPECT_EQ(Num("=IFERROR(B1,-1)"), -1);
  EXPECT_EQ(Num("=IFERROR(A1,-1)"), 2);
  EXPECT_EQ(Shown("=0^0"), "#NUM!");
  EXPECT_EQ(Shown("=MOD(1,0)"), "#DIV/0!");
}

TEST_F(FormulaTest, RangesSkipEmptyCellsAndText) {
  EXPECT_EQ(Num("=SUM(A1:A5)"), 15);
  EXPECT_EQ(Num("=AVERAGE(A1:A5)"), 5);  // three numbers, the empty and the text are skipped
  EXPECT_EQ(Num("=COUNT(A1:A5)"), 3);
  EXPECT_EQ(Num("=COUNTA(A1:A5)"), 4);
  EXPECT_EQ(Num("=MIN(A1:A5)"), 2);
  EXPECT_EQ(Num("=MAX(A5:A1)"), 10);  // corners in any order
  EXPECT_EQ(Num("=SUM(A1,A3,5)"), 7);  // a referenced text is skipped
  EXPECT_EQ(Shown("=SUM(\"x\")"), "#VALUE!");  // a typed text is not
  EXPECT_EQ(Shown("=AVERAGE(A4)"), "#DIV/0!");
  EXPECT_EQ(Num("=SUM(A1:A1048576)"), 15);
  EXPECT_EQ(Shown("=ISBLANK(A4)"), "TRUE");
  EXPECT_EQ(Shown("=ISBLANK(A3)"), "FALSE");
  EXPECT_EQ(Num("=A4"), 0);  // a reference to an empty cell shows 0
}

TEST_F(FormulaTest, FunctionsGiveKnownValues) {
  EXPECT_DOUBLE_EQ(Num("=PI()"), M_PI);
  EXPECT_DOUBLE_EQ(Num("=DEGREES(PI())"), 180);
  EXPECT_DOUBLE_EQ(Num("=ATAN2(1,1)"), M_PI / 4);
  EXPECT_DOUBLE_EQ(Num("=ATAN2(-1,0)"), M_PI);  // x first, as spreadsheets order it
  EXPECT_DOUBLE_EQ(Num("=LOG(8,2)"), 3);
  EXPECT_DOUBLE_EQ(Num("=LOG10(1000)"), 3);
  EXPECT_DOUBLE_EQ(Num("=LN(EXP(2))"), 2);
  EXPECT_EQ(Num("=ROUND(2.5,0)"), 3);  // spreadsheet ROUND: halves away from zero
  EXPECT_EQ(Num("=ROUND(-2.5,0)"), -3);
  EXPECT_EQ(Num("=ROUND(1.005,2)"), 1.01);
  EXPECT_EQ(Num("=ROUND(1234,-2)"), 1200);
  EXPECT_EQ(Num("=ROUNDUP(1.21,1)"), 1.3);
  EXPECT_EQ(Num("=ROUNDDOWN(-1.29,1)"), -1.2);
  EXPECT_EQ(Num("=TRUNC(-2.7)"), -2);
  EXPECT_EQ(Num("=INT(-2.5)"), -3);
  EXPECT_EQ(Num("=MOD(-3,2)"), 1);  // sign of the divisor
  EXPECT_EQ(Num("=SIGN(-4)"), -1);
  EXPECT_EQ(Num("=POWER(2,10)"), 1024);
  EXPECT_EQ(Shown("=AND(TRUE,A1>1)"), "TRUE");
  EXPECT_EQ(Shown("=OR(FALSE,A1>5)"), "FALSE");
  EXPECT_EQ(Shown("=NOT(0)"), "TRUE");
  EXPECT_EQ(Shown("=CONCATENATE(\"a\",1.5,TRUE)"), "a1.5TRUE");
  EXPECT_EQ(Shown("=TEXT(0.25,\"0.0%\")"), "25.0%");
  EXPECT_EQ(Num("=VALUE(\"1.25\")"), 1.25);
  EXPECT_EQ(Shown("=VALUE(\"1,25\")"), "#VALUE!");
  EXPECT_EQ(Shown("=CHOOSE(2,\"a\",\"b\",\"c\")"), "b");
  EXPECT_EQ(Shown("=CHOOSE(4,\"a\",\"b\",\"c\")"), "#VALUE!");
  EXPECT_EQ(Num("=ISNUMBER(A1)+ISNUMBER(A3)"), 1);
}

TEST_F(FormulaTest, VlookupFindsExactAndApproximateMatches) {
  for (int r = 1; r <= 4; ++r) {
    Book.SetNumberRC(10 + r, 3, r * 10);                 // C11:C14 = 10, 20, 30, 40
    Book.SetTextRC(10 + r, 4, QString("row%1").arg(r));  // D11:D14
  }
  EXPECT_EQ(Shown("=VLOOKUP(30,C11:D14,2,FALSE)"), "row3");
  EXPECT_EQ(Shown("=VLOOKUP(35,C11:D14,2)"), "row3");
  EXPECT_EQ(Shown("=VLOOKUP(5,C11:D14,2)"), "#N/A");
  EXPECT_EQ(Shown("=VLOOKUP(30,C11:D14,3,FALSE)"), "#REF!");
}

// Results other spreadsheets give: booleans as COUNTIF criteria, PRODUCT of nothing, and a
// formula's "" in arithmetic (an empty cell there is still 0).
TEST_F(FormulaTest, BooleansEmptyProductsAndEmptyTextAsOtherSpreadsheetsGive) {
  Book.SetValueRC(11, 5, TCellValue::Boolean(true));   // E11
  Book.SetValueRC(12, 5, TCellValue::Boolean(false));  // E12
  Book.SetValueRC(13, 5, TCellValue::Boolean(true));   // E13
  Book.SetNumberRC(14, 5, 1);                          // E14
  EXPECT_EQ(Num("=COUNTIF(E11:E14,TRUE)"), 2);
  EXPECT_EQ(Num("=COUNTIF(E11:E14,\"true\")"), 2);
  EXPECT_EQ(Num("=COUNTIF(E11:E14,FALSE)"), 1);
  EXPECT_EQ(Num("=COUNTIF(E11:E14,\"<>TRUE\")"), 2);
  EXPECT_EQ(Num("=COUNTIF(E11:E14,1)"), 1);  // a boolean is no number
  EXPECT_EQ(Num("=PRODUCT(E11:E13)"), 0);
  EXPECT_EQ(Num("=PRODUCT(A4)"), 0);
  EXPECT_EQ(Num("=PRODUCT(A1:A2)"), 6);
  Book.SetFormulaRC(15, 5, "=\"\"");                   // E15 shows nothing
  EXPECT_EQ(Shown("=E15+1"), "#VALUE!");
  EXPECT_EQ(Shown("=\"\"*2"), "#VALUE!");
  EXPECT_EQ(Shown("=-E15"), "#VALUE!");
  EXPECT_EQ(Num("=A4+1"), 1);                          // an empty cell is 0
  EXPECT_EQ(Num("=SUM(E15,A1)"), 2);                   // functions skip it as before
}

// An index or count far past any integer type is out of range like any other too-large one: the
// same error a small overshoot gives, never a conversion gone wrong.
TEST_F(FormulaTest, HugeIndexesAndCountsGiveTheOutOfRangeError) {
  Book.SetNumberRC(11, 3, 1);
  Book.SetNumberRC(11, 4, 5);
  const struct { const char* formula; const char* shown; } cases[] = {
      {"=VLOOKUP(1,C11:D11,3,FALSE)", "#REF!"},     {"=VLOOKUP(1,C11:D11,2.2E+89,FALSE)", "#REF!"},
      {"=VLOOKUP(1,C11:D11,-2.2E+89,FALSE)", "#VALUE!"}, {"=HLOOKUP(1,C11:D11,1E+300)", "#REF!"},
      {"=HLOOKUP(1,C11:D11,2)", "#REF!"},           {"=INDEX(C11:D11,1,1E+300)", "#REF!"},
      {"=INDEX(C11:D11,1,3)", "#REF!"},             {"=INDEX(C11:D11,-1E+300,1)", "#REF!"},
      {"=CHOOSE(1E+300,1,2)", "#VALUE!"},          {"=CHOOSE(3,1,2)", "#VALUE!"},
      {"=LEFT(\"abc\",1E+300)", "abc"},             {"=RIGHT(\"abc\",1E+300)", "abc"},
      {"=MID(\"abc\",1E+300,1E+300)", ""},           {"=MID(\"abc\",2,1E+300)", "bc"},
      {"=REPT(\"a\",1E+300)", "#VALUE!"},            {"=FIND(\"b\",\"abc\",1E+300)", "#VALUE!"},
      {"=SEARCH(\"b\",\"abc\",-1E+300)", "#VALUE!"}, {"=SUBSTITUTE(\"aa\",\"a\",\"b\",1E+300)", "aa"},
      {"=REPLACE(\"abc\",1E+300,1E+300,\"x\")", "abcx"}, {"=CHAR(1E+300)", "#VALUE!"},
      {"=LARGE(C11:D11,1E+300)", "#NUM!"},          {"=SMALL(C11:D11,-1E+300)", "#NUM!"},
      {"=FACT(1E+300)", "#NUM!"},                   {"=ROUND(2.5,1E+300)", "2.5"},
      {"=ROUND(2.5,-1E+300)", "0"},                 {"=DATE(1E+300,1,1)", "#NUM!"},
      {"=EDATE(1,1E+300)", "#NUM!"},
  };
  for (const auto& c : cases) EXPECT_EQ(Shown(c.formula), c.shown) << c.formula;
}

TEST_F(FormulaTest, NowComesFromTheClockService) {
  TManualClock clock(45123.25);
  EXPECT_EQ(Num("=NOW()"), 45123.25);
}

TEST_F(FormulaTest, SyntaxErrorsAreRejectedAndLeaveTheCellAlone) {
  Book.SetNumberRC(7, 7, 42);
  for (const char* bad : {"=1+", "=(1", "=SUM(1", "=\"abc", "=1 2", "=A1:", "=IF(1)", "=ROUND(1)", "=@", "=$A", "="}) {
    EXPECT_THROW(Book.SetFormulaRC(7, 7, bad), EWorkbookError) << bad;
    EXPECT_EQ(Book.NumberRC(7, 7), 42) << bad;
  }
  try {
    Book.SetFormulaRC(7, 7, "=1+*2");
    FAIL();
  } catch (const EWorkbookError& e) {
    EXPECT_TRUE(e.Message().contains("G7")) << e.what();
    EXPECT_TRUE(e.Message().contains("position 4")) << e.what();
  }
}

TEST(FormulaText, ShiftMovesRelativePartsOnly) {
  EXPECT_EQ(TFormula::Shift("=A1+$B$2+$C3+D$4", 2, 1), "=B3+$B$2+$C5+E$4");
  EXPECT_EQ(TFormula::Shift("=SUM(A1:B2)*'My sheet'!C3", 1, 0), "=SUM(A2:B3)*'My sheet'!C4");
  EXPECT_EQ(TFormula::Shift("=A1+\"A1\"", 1, 0), "=A2+\"A1\"");  // text is not a reference
  EXPECT_EQ(TFormula::Shift("=A1*2", -1, 0), "=#REF!*2");
  EXPECT_EQ(TFormula::Shift("=SUM(A1:A3)", -1, 0), "=SUM(#REF!)");
  EXPECT_EQ(TFormula::Shift("=LOG10(A1)", 1, 0), "=LOG10(A2)");  // a call is not a cell
}

TEST(FormulaText, RenamingASheetRewritesItsReferences) {
  EXPECT_EQ(TFormula::RenameSheet("=Data!A1+data!B2:C3+Other!A1", "Data", "Run 1"),
            "='Run 1'!A1+'Run 1'!B2:C3+Other!A1");
}

// Random text built from formula pieces must give a result or a syntax error: never a crash or hang.
TEST(FormulaFuzz, RandomFormulaTextNeverCrashes) {
  TWorkbook book;
  book.SetNumberRC(1, 1, 1);
  book.SetTextRC(2, 1, "x");
  const char* pieces[] = {"A1", "$B$2", "A1:B3", "Sheet1!A1", "'S x'!B2", "1", "0", "1e308", ".5", "\"s\"",
                          "\"\"", "TRUE", "#N/A", "+", "-", "*", "/", "^", "&", "%", "=", "<>", "<=", "(",
                          ")", ",", ":", "SUM(", "IF(", "IFERROR(", "VLOOKUP(", "CHOOSE(", "TEXT(", "ROUND(",
                          "MID(", "NOW()", "PI()", " ", "!", "'", "$", "#", "Z", "XFD1048576", "ZZZZ9"};
  std::mt19937 rng(12345);
  int compiled = 0;
  for (int i = 0; i < 20000; ++i) {
    QString text = "=";
    const int n = 1 + static_cast<int>(rng() % 12);
    for (int k = 0; k < n; ++k) text += QLatin1String(pieces[rng() % std::size(pieces)]);
    if (rng() % 50 == 0) text = "=" + QString(200 + rng() % 300, '(') + "1";
    try {
      book.SetFormulaRC(3 + static_cast<int>(rng() % 5), 2 + static_cast<int>(rng() % 3), text);
      ++compiled;
    } catch (const EWorkbookError&) {
    }
  }
  EXPECT_GT(compiled, 500);  // the loop exercises evaluation, not only the parser
  book.RecalcAll();
}

}  // namespace
