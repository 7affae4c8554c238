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
  const std::pair<const char*, const char*> cases[] = {
      {"=ROUND(123,-3)", "0"},           {"=ROUND(123,-400)", "0"},         {"=ROUND(123,-1E30)", "0"},
      {"=ROUNDDOWN(-123,-400)", "0"},    {"=TRUNC(1E300,-400)", "0"},       {"=ROUNDUP(123,-3)", "1000"},
      {"=ROUNDUP(123,-400)", "#NUM!"},   {"=ROUNDUP(0,-400)", "0"},         {"=ROUND(1.25,1E30)", "1.25"},
      {"=ROUND(1.25,400)", "1.25"},      {"=ROUND(1E300,15)", "1E300"},     {"=ROUNDUP(-1E300,10)", "-1E300"},
      {"=ROUND(1E308,-300)", "1E308"},   {"=ROUND(2.5,0.9)", "3"},  // digits are truncated
  };
  for (const auto& [formula, shown] : cases) EXPECT_EQ(Shown(formula), QString(shown)) << formula;
}

}  // namespace
