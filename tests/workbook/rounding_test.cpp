#include <gtest/gtest.h>

#include "qstringprinter.h"

#include "workbook/model/workbook.h"

namespace {

QString Shown(const QString& formula) {
  TWorkbook book;
  book.SetFormulaRC(1, 1, formula);
  return book.TextRC(1, 1);
}

// Digits far beyond what a double holds, either way, are still whole numbers of digits: rounding
// to a unit larger than the value gives 0 (or, away from zero, a number too large: #NUM!), and
// more decimals than a double has leave it as it is.
TEST(Rounding, ExtremeDigitsFollowTheSameRule) {
  EXPECT_EQ(Shown("=ROUND(123,-3)"), "0");
  EXPECT_EQ(Shown("=ROUND(123,-400)"), "0");
  EXPECT_EQ(Shown("=ROUND(123,-1E30)"), "0");
  EXPECT_EQ(Shown("=ROUNDDOWN(-123,-400)"), "0");
  EXPECT_EQ(Shown("=TRUNC(1E300,-400)"), "0");
  EXPECT_EQ(Shown("=ROUNDUP(123,-3)"), "1000");
  EXPECT_EQ(Shown("=ROUNDUP(123,-400)"), "#NUM!");
  EXPECT_EQ(Shown("=ROUNDUP(0,-400)"), "0");
  EXPECT_EQ(Shown("=ROUND(1.25,1E30)"), "1.25");
  EXPECT_EQ(Shown("=ROUND(1.25,400)"), "1.25");
  EXPECT_EQ(Shown("=ROUND(1E300,15)"), "1E300");
  EXPECT_EQ(Shown("=ROUNDUP(-1E300,10)"), "-1E300");
  EXPECT_EQ(Shown("=ROUND(1E308,-300)"), "1E308");
  EXPECT_EQ(Shown("=ROUND(2.5,0.9)"), "3");  // digits are truncated
}

}  // namespace
