#include <gtest/gtest.h>

#include "qstringprinter.h"

#include <map>
#include <random>

#include "workbook/model/a1notation.h"
#include "workbook/model/workbook.h"

namespace {

// Sums over short, tall and wide ranges, some replaced on the way, follow every write into any
// cell they cover, compared with sums the test keeps itself.
TEST(RangeDependencies, EveryRangeShapeFollowsItsCells) {
  struct TRange { int R1, C1, R2, C2; };
  std::mt19937 rng(31);
  auto pick = [&](int lo, int hi) { return lo + static_cast<int>(rng() % static_cast<unsigned>(hi - lo + 1)); };
  TWorkbook book;
  std::map<std::pair<int, int>, double> values;
  std::vector<TRange> ranges;
  auto place = [&](std::size_t i) {
    TRange r;
    switch (i % 3) {
      case 0: r = {pick(1, 300), pick(1, 40), 0, 0}; r.R2 = r.R1 + pick(0, 100); r.C2 = r.C1 + pick(0, 20); break;  // short
      case 1: r = {pick(1, 50), pick(1, 40), 0, 0}; r.R2 = r.R1 + pick(300, 2000); r.C2 = r.C1 + pick(0, 3); break;  // tall
      default: r = {pick(1, 300), pick(1, 5), 0, 0}; r.R2 = r.R1 + pick(0, 5); r.C2 = r.C1 + pick(70, 200); break;   // wide
    }
    ranges[i] = r;
    // Formulas sit in rows of their own, below every range.
    book.SetFormulaRC(3000 + static_cast<int>(i), 1,
                      "=SUM(" + a1::CellName(r.R1, r.C1) + ":" + a1::CellName(r.R2, r.C2) + ")");
  };
  ranges.resize(90);
  for (std::size_t i = 0; i < ranges.size(); ++i) place(i);
  for (int step = 0; step < 600; ++step) {
    if (step % 50 == 0) place(rng() % ranges.size());  // replaced formulas leave stale entries behind
    const int row = pick(1, 2100), col = pick(1, 210);
    const double v = pick(-50, 50);
    book.SetNumberRC(row, col, v);
    values[{row, col}] = v;
  }
  for (std::size_t i = 0; i < ranges.size(); ++i) {
    const TRange& r = ranges[i];
    double sum = 0;
    for (const auto& [cell, v] : values)
      if (cell.first >= r.R1 && cell.first <= r.R2 && cell.second >= r.C1 && cell.second <= r.C2) sum += v;
    EXPECT_EQ(book.NumberRC(3000 + static_cast<int>(i), 1), sum) << "formula " << i;
  }
}

}  // namespace
