#include <gtest/gtest.h>

#include "evalfixture.h"
#include "qstringprinter.h"

#include "workbook/model/workbook.h"

namespace {

// A1:A10 hold 1..10, B1:B10 their remainders by 3, C1:C3 texts; Eval computes a formula in E20.
class NewFunctionsTest : public TEvalFixture {
 protected:
  NewFunctionsTest() : TEvalFixture(20, 5) {}
  void SetUp() override {
    for (int r = 1; r <= 10; ++r) {
      Book.SetNumberRC(r, 1, r);
      Book.SetNumberRC(r, 2, r % 3);
    }
    Book.SetTextRC(1, 3, "red");
    Book.SetTextRC(2, 3, "");
    Book.SetTextRC(3, 3, "blue");
    Book.SetSheetName(1, "Data");
  }
};

TEST_F(NewFunctionsTest, ReferencesWorkedOutWhenTheFormulaRuns) {
  EXPECT_EQ(Num("=ROW()"), 20);
  EXPECT_EQ(Num("=COLUMN()"), 5);
  EXPECT_EQ(Num("=ROW(A7)"), 7) << "a lone cell is its place, not its value";
  EXPECT_EQ(Num("=COLUMN(C2:D9)"), 3);
  EXPECT_EQ(Num("=SUM(INDIRECT(\"A1:A4\"))"), 10);
  EXPECT_EQ(Num("=INDIRECT(\"Data!A5\")"), 5);
  EXPECT_EQ(Num("=INDIRECT(\"'data'!A6\")"), 6);
  EXPECT_EQ(Num("=INDIRECT(\"R7C1\",FALSE)"), 7);
  EXPECT_EQ(Shown("=INDIRECT(\"Nowhere!A1\")"), "#REF!");
  EXPECT_EQ(Shown("=INDIRECT(\"A0\")"), "#REF!");
  EXPECT_EQ(Num("=SUM(OFFSET(A1,2,0,3,1))"), 3 + 4 + 5);
  EXPECT_EQ(Num("=OFFSET(A5,-1,0)"), 4);
  EXPECT_EQ(Shown("=OFFSET(A1,-1,0)"), "#REF!");
  // INDIRECT and OFFSET follow the cells they name once the workbook recalculates.
  Book.SetFormulaRC(21, 5, "=INDIRECT(\"A1\")*2");
  Book.SetNumberRC(1, 1, 50);
  Book.Recalc();
  EXPECT_EQ(Book.NumberRC(21, 5), 100);
}

TEST_F(NewFunctionsTest, XLookupMatchModesAndSearchDirections) {
  Book.SetNumberRC(1, 4, 10);
  Book.SetNumberRC(2, 4, 20);
  Book.SetNumberRC(3, 4, 30);
  Book.SetTextRC(1, 6, "ten");
  Book.SetTextRC(2, 6, "twenty");
  Book.SetTextRC(3, 6, "thirty");
  EXPECT_EQ(Shown("=XLOOKUP(20,D1:D3,F1:F3)"), "twenty");
  EXPECT_EQ(Shown("=XLOOKUP(25,D1:D3,F1:F3)"), "#N/A");
  EXPECT_EQ(Shown("=XLOOKUP(25,D1:D3,F1:F3,\"none\")"), "none");
  EXPECT_EQ(Shown("=XLOOKUP(25,D1:D3,F1:F3,,-1)"), "twenty");
  EXPECT_EQ(Shown("=XLOOKUP(25,D1:D3,F1:F3,,1)"), "thirty");
  EXPECT_EQ(Shown("=XLOOKUP(\"th*\",F1:F3,D1:D3,,2)"), "30");
  EXPECT_EQ(Num("=XLOOKUP(1,B1:B10,A1:A10,,0,-1)"), 10) << "last to first";
  EXPECT_EQ(Num("=XLOOKUP(1,B1:B10,A1:A10)"), 1);
  EXPECT_EQ(Shown("=XLOOKUP(1,B1:B10,A1:A3)"), "#VALUE!") << "shapes differ";
}

TEST_F(NewFunctionsTest, InformationAndChoice) {
  EXPECT_EQ(Shown("=ISNA(NA())"), "TRUE");
  EXPECT_EQ(Shown("=ISNA(1/0)"), "FALSE");
  EXPECT_EQ(Shown("=ISERR(1/0)"), "TRUE");
  EXPECT_EQ(Shown("=ISERR(NA())"), "FALSE");
  EXPECT_EQ(Shown("=ISLOGICAL(A1>0)"), "TRUE");
  EXPECT_EQ(Shown("=ISLOGICAL(1)"), "FALSE");
  EXPECT_EQ(Shown("=T(C1)&T(A1)"), "red");
  EXPECT_EQ(Num("=N(TRUE)+N(\"7\")+N(A3)"), 1 + 0 + 3);
  EXPECT_EQ(Num("=TYPE(A1)+TYPE(C1)+TYPE(TRUE)+TYPE(1/0)"), 1 + 2 + 4 + 16);
  EXPECT_EQ(Num("=ERROR.TYPE(1/0)"), 2);
  EXPECT_EQ(Num("=ERROR.TYPE(NA())"), 7);
  EXPECT_EQ(Shown("=ERROR.TYPE(5)"), "#N/A");
  EXPECT_EQ(Shown("=IFS(A1>5,\"big\",A1>0,\"small\")"), "small");
  EXPECT_EQ(Shown("=IFS(A1>5,\"big\")"), "#N/A");
  EXPECT_EQ(Shown("=IFS(1/0,\"x\",TRUE,\"y\")"), "#DIV/0!");
  EXPECT_EQ(Shown("=SWITCH(B2,0,\"zero\",2,\"two\",\"other\")"), "two");
  EXPECT_EQ(Shown("=SWITCH(B1,0,\"zero\",2,\"two\",\"other\")"), "other");
  EXPECT_EQ(Shown("=SWITCH(B1,0,\"zero\")"), "#N/A");
  EXPECT_EQ(Shown("=SWITCH(\"1\",1,\"number\",\"text\")"), "text") << "a text never equals a number";
}

TEST_F(NewFunctionsTest, StatisticsAndAggregates) {
  EXPECT_EQ(Num("=MODE(B1:B10)"), 1);
  EXPECT_EQ(Shown("=MODE(1,2,3)"), "#N/A");
  EXPECT_EQ(Num("=AVEDEV(A1:A10)"), 2.5);
  EXPECT_EQ(Num("=DEVSQ(A1:A10)"), 82.5);
  EXPECT_EQ(Shown("=DEVSQ(C1:C3)"), "#NUM!");
  EXPECT_EQ(Num("=MAXIFS(A1:A10,B1:B10,1)"), 10);
  EXPECT_EQ(Num("=MINIFS(A1:A10,B1:B10,\">0\",A1:A10,\">3\")"), 4);
  EXPECT_EQ(Num("=MAXIFS(A1:A10,B1:B10,7)"), 0);
  EXPECT_EQ(Num("=SUBTOTAL(9,A1:A10)"), 55);
  EXPECT_EQ(Num("=SUBTOTAL(101,A1:A10)"), 5.5);
  EXPECT_EQ(Num("=SUBTOTAL(3,C1:C3,A1:A2)"), 4);
  EXPECT_EQ(Shown("=SUBTOTAL(12,A1:A10)"), "#VALUE!");
  Book.SetFormulaRC(11, 1, "=1/0");
  EXPECT_EQ(Shown("=SUM(A1:A11)"), "#DIV/0!");
  EXPECT_EQ(Num("=AGGREGATE(9,6,A1:A11)"), 55) << "option 6 passes over errors";
  EXPECT_EQ(Shown("=AGGREGATE(9,4,A1:A11)"), "#DIV/0!");
  EXPECT_EQ(Num("=AGGREGATE(14,6,A1:A11,2)"), 9);
  EXPECT_EQ(Num("=AGGREGATE(15,6,A1:A11,3)"), 3);
  EXPECT_EQ(Num("=AGGREGATE(12,6,A1:A11)"), 5.5);
  EXPECT_EQ(Num("=AGGREGATE(16,6,A1:A10,0.25)"), 3.25);
  EXPECT_EQ(Num("=AGGREGATE(17,6,A1:A10,3)"), 7.75);
  EXPECT_EQ(Num("=AGGREGATE(18,6,A1:A10,0.25)"), 2.75);
  EXPECT_EQ(Shown("=AGGREGATE(15,6,A1:A11,11)"), "#NUM!");
}

TEST_F(NewFunctionsTest, NumberBasesAndHyperbolicFunctions) {
  EXPECT_EQ(Num("=HEX2DEC(\"ff\")"), 255);
  EXPECT_EQ(Num("=HEX2DEC(\"FFFFFFFFFF\")"), -1);
  EXPECT_EQ(Num("=HEX2DEC(10)"), 16);
  EXPECT_EQ(Shown("=HEX2DEC(\"FG\")"), "#NUM!");
  EXPECT_EQ(Shown("=HEX2DEC(\"12345678901\")"), "#NUM!");
  EXPECT_EQ(Num("=BIN2DEC(\"1111111111\")"), -1);
  EXPECT_EQ(Num("=BIN2DEC(\"0111111111\")"), 511);
  EXPECT_EQ(Shown("=DEC2HEX(255,4)"), "00FF");
  EXPECT_EQ(Shown("=DEC2HEX(-1)"), "FFFFFFFFFF");
  EXPECT_EQ(Shown("=DEC2HEX(255,1)"), "#NUM!");
  EXPECT_EQ(Shown("=DEC2BIN(-2)"), "1111111110");
  EXPECT_EQ(Shown("=DEC2BIN(512)"), "#NUM!");
  EXPECT_DOUBLE_EQ(Num("=SINH(1)"), std::sinh(1.0));
  EXPECT_DOUBLE_EQ(Num("=COSH(-2)"), std::cosh(2.0));
  EXPECT_DOUBLE_EQ(Num("=TANH(0.5)"), std::tanh(0.5));
  EXPECT_DOUBLE_EQ(Num("=ASINH(2)"), std::asinh(2.0));
  EXPECT_DOUBLE_EQ(Num("=ACOSH(3)"), std::acosh(3.0));
  EXPECT_DOUBLE_EQ(Num("=ATANH(0.5)"), std::atanh(0.5));
  EXPECT_EQ(Shown("=ACOSH(0.5)"), "#NUM!");
  EXPECT_EQ(Shown("=ATANH(1)"), "#NUM!");
}

TEST_F(NewFunctionsTest, TextsAndWorkdays) {
  EXPECT_EQ(Shown("=CLEAN(\"a\"&CHAR(10)&\"b\"&CHAR(31))"), "ab");
  EXPECT_EQ(Shown("=CONCAT(C1:C3,A1)"), "redblue1");
  EXPECT_EQ(Shown("=TEXTJOIN(\", \",TRUE,C1:C3,A2)"), "red, blue, 2");
  EXPECT_EQ(Shown("=TEXTJOIN(\"-\",FALSE,C1:C3)"), "red--blue");
  EXPECT_EQ(Shown("=CONCAT(A1,1/0)"), "#DIV/0!");
  EXPECT_EQ(Shown("=TEXT(12.5,\"\")"), "");
  Book.SetNumberRC(1, 8, 46000);  // H1: 2025-12-09, a Tuesday
  Book.SetNumberRC(2, 8, 46002);  // H2: Thursday the 11th, a holiday
  EXPECT_EQ(Num("=WEEKDAY(H1,2)"), 2);
  EXPECT_EQ(Num("=NETWORKDAYS(H1,H1+13)"), 10);
  EXPECT_EQ(Num("=NETWORKDAYS(H1,H1+13,H2)"), 9);
  EXPECT_EQ(Num("=NETWORKDAYS(H1+13,H1)"), -10);
  EXPECT_EQ(Num("=WORKDAY(H1,4)"), 46006) << "Tuesday plus 4 workdays is the next Monday";
  EXPECT_EQ(Num("=WORKDAY(H1,4,H2)"), 46007);
  EXPECT_EQ(Num("=WORKDAY(H1,-2)"), 45996) << "back over the weekend";
}

TEST_F(NewFunctionsTest, AnnuitiesAgreeWithOneAnother) {
  const double pmt = Num("=PMT(0.06/12,360,200000)");
  EXPECT_NEAR(pmt, -1199.101050, 1e-6);
  EXPECT_NEAR(Num("=PV(0.06/12,360," + QString::number(pmt, 'g', 17) + ")"), 200000, 1e-6);
  EXPECT_NEAR(Num("=NPER(0.06/12," + QString::number(pmt, 'g', 17) + ",200000)"), 360, 1e-9);
  EXPECT_NEAR(Num("=RATE(360," + QString::number(pmt, 'g', 17) + ",200000)"), 0.005, 1e-12);
  EXPECT_NEAR(Num("=FV(0.05/12,60,-100,-1000)"), 8083.966963, 1e-6);
  EXPECT_NEAR(Num("=FV(0,10,-100)"), 1000, 1e-12);
  EXPECT_NEAR(Num("=PMT(0.1,2,100,0,1)"), -52.380952, 1e-6) << "payments at the start of periods";
  EXPECT_NEAR(Num("=NPV(0.1,-10000,3000,4200,6800)"), 1188.4434, 1e-4);
  EXPECT_EQ(Shown("=RATE(10,100,100)"), "#NUM!") << "no rate balances it";
}

// A range where one value is wanted takes the cell in the formula's own row or column.
TEST_F(NewFunctionsTest, ImplicitIntersection) {
  Book.SetFormulaRC(4, 7, "=A1:A10*2");
  EXPECT_EQ(Book.NumberRC(4, 7), 8);
  Book.SetFormulaRC(12, 7, "=A1:A10*2");
  EXPECT_EQ(Book.TextRC(12, 7), "#VALUE!") << "outside the range's rows";
  Book.SetFormulaRC(30, 2, "=A1:C1");
  EXPECT_EQ(Book.NumberRC(30, 2), 1) << "a one-row range gives its cell in the column";
  Book.SetFormulaRC(5, 7, "=IF(A1:A10>4,\"yes\",\"no\")");
  EXPECT_EQ(Book.TextRC(5, 7), "yes");
  Book.SetFormulaRC(6, 7, "=A1:B10");
  EXPECT_EQ(Book.TextRC(6, 7), "#VALUE!") << "two columns cross no single cell";
  EXPECT_EQ(Num("=SUM(A1:A10)"), 55) << "functions still take the whole range";
}

}  // namespace
