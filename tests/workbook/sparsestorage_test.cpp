#include <gtest/gtest.h>

#include "qstringprinter.h"

#include <limits>
#include <map>
#include <random>
#include <vector>

#include "support/tempfolder.h"
#include "workbook/model/a1notation.h"
#include "workbook/model/sparsearray.h"
#include "workbook/model/workbook.h"

namespace {

// Random keys in any order, near and far, against a map: every key stays findable with its value
// while items move from the far part into the vector, and a walk visits them in key order.
TEST(SparseArray, KeepsEveryItemWhateverTheOrderOfKeys) {
  std::mt19937 rng(7);
  for (int round = 0; round < 20; ++round) {
    TSparseArray<int> a;
    std::map<int, int> model;
    const int span = round % 2 ? 200 : 100000;
    for (int i = 0; i < 3000; ++i) {
      const int key = 1 + static_cast<int>(rng() % span);
      a.At(key) = i;
      model[key] = i;
    }
    for (const auto& [key, value] : model) {
      const int* found = a.Find(key);
      ASSERT_NE(found, nullptr) << key;
      EXPECT_EQ(*found, value);
    }
    int previous = 0;
    std::size_t seen = 0;
    a.ForEach([&](int key, int value) {
      EXPECT_GT(key, previous);
      previous = key;
      auto it = model.find(key);
      if (it != model.end()) { EXPECT_EQ(value, it->second); ++seen; }
      else EXPECT_EQ(value, 0);  // padding of the vector part
    });
    EXPECT_EQ(seen, model.size());
    EXPECT_EQ(a.Last(), model.rbegin()->first);
    EXPECT_LE(a.Size(), 3 * model.size() + 16);  // vector slots plus far items

    const int cut = span / 3;
    a.Truncate(cut);
    EXPECT_LE(a.Last(), cut);
    for (const auto& [key, value] : model)
      if (key > cut) EXPECT_EQ(a.Find(key), nullptr);
      else EXPECT_EQ(*a.Find(key), value);
  }
}

// Cells in the last column of many rows, and one in the last cell of the sheet: storage grows with
// the cells, and the sheet reads, finds its extent, saves and reopens them as any other.
TEST(SparseSheet, FarCellsCostTheirOwnStorage) {
  TTempFolder dir;
  TWorkbook book;
  book.SetNumberRC(1, 1, 1);
  for (int r = 1; r <= 20000; ++r) book.SetNumberRC(r * 50, a1::MaxCols, r);
  book.SetTextRC(a1::MaxRows, a1::MaxCols, "corner");
  EXPECT_LT(book.MemoryBytes(), std::size_t{20000} * 256);
  EXPECT_EQ(book.LastRow(), a1::MaxRows);
  EXPECT_EQ(book.LastCol(), a1::MaxCols);
  EXPECT_EQ(book.NumberRC(1000, a1::MaxCols), 20);
  EXPECT_EQ(book.NumberRC(1001, a1::MaxCols), 0);
  book.SetFormulaRC(2, 2, "=SUM(XFD1:XFD1000)");
  EXPECT_EQ(book.NumberRC(2, 2), 210);

  for (const auto& [name, type] : {std::pair{"far.vts", 5}, std::pair{"far.xlsx", 4}}) {
    book.Write(dir.File(name), static_cast<std::int16_t>(type));
    TWorkbook back;
    back.Read(dir.File(name));
    EXPECT_EQ(back.TextRC(a1::MaxRows, a1::MaxCols), "corner") << name;
    EXPECT_EQ(back.NumberRC(1000000, a1::MaxCols), 20000) << name;
    EXPECT_EQ(back.NumberRC(2, 2), 210) << name;
    EXPECT_LT(back.MemoryBytes(), std::size_t{20000} * 256) << name;
  }

  book.SetMaxRow(500000);
  EXPECT_EQ(book.LastRow(), 500000);
  book.ClearRange(1, 1, -1, -1);
  EXPECT_EQ(book.LastRow(), 0);
  EXPECT_EQ(book.LastCol(), 0);
}

// A run of numbers put into a row at once leaves the row as the same numbers put one by one: over
// texts and formulas, with a non-finite value, past a far cell, and with what depends on them
// recalculated; the change is told once for the run when nothing needs recalculating.
TEST(SparseSheet, NumbersPutTogetherAreNumbersPutOneByOne) {
  const double values[] = {1.5, -2, std::numeric_limits<double>::quiet_NaN(), 4, 5};
  auto prepare = [](TWorkbook& b) {
    b.SetTextRC(3, 2, "old text");
    b.SetFormulaRC(3, 3, "=A5+1");
    b.SetNumberRC(3, 16000, 9);
    b.SetFormulaRC(1, 1, "=SUM(B3:F3)");
    // Row 4 has no far cell, so its run is filled side by side in place.
    b.SetTextRC(4, 3, "old text");
    b.SetValueRC(4, 4, TCellValue::Error(TCellError::Div0));
    b.SetFormulaRC(4, 5, "=A5*2");
  };
  for (const bool recalc : {false, true}) {
    TWorkbook together, single;
    prepare(together);
    prepare(single);
    together.SetAutoRecalc(recalc);
    single.SetAutoRecalc(recalc);
    int notices = 0;
    together.SetChangeHandler([&](int, int, int, int, int) { ++notices; });
    together.SetNumbersRC(3, 2, values, 5);
    if (!recalc) EXPECT_EQ(notices, 1);
    together.SetNumbersRC(4, 2, values, 5);
    for (int r : {3, 4})
      for (int i = 0; i < 5; ++i) single.SetNumberRC(r, 2 + i, values[i]);
    together.SetAutoRecalc(true);
    single.SetAutoRecalc(true);
    together.SetNumberRC(5, 1, 10);
    single.SetNumberRC(5, 1, 10);
    for (int r : {3, 4})
      for (int c = 1; c <= 7; ++c) EXPECT_EQ(together.ValueRC(r, c), single.ValueRC(r, c)) << recalc << " " << r << " " << c;
    EXPECT_EQ(together.ValueRC(4, 5), TCellValue::Number(4));  // the formula is gone

    EXPECT_EQ(together.ValueRC(3, 4), TCellValue::Error(TCellError::Num));
    EXPECT_EQ(together.NumberRC(3, 16000), 9);
    EXPECT_EQ(together.ValueRC(1, 1), single.ValueRC(1, 1)) << recalc;
    EXPECT_EQ(together.MaxCol(), single.MaxCol());
  }
}

// A run taken at once holds what the same keys taken one by one hold, and is refused where the
// vector would not hold it: too sparse, or with far items it would have to take in.
TEST(SparseArray, ARunOfItemsIsTheItemsOneByOne) {
  TSparseArray<int> run, single;
  for (int k = 1; k <= 3; ++k) single.At(k) = run.At(k) = 10 * k;
  int* items = run.Run(2, 5);  // two present, three new
  ASSERT_NE(items, nullptr);
  EXPECT_EQ(items[0], 20);
  EXPECT_EQ(items[1], 30);
  for (int i = 0; i < 5; ++i) items[i] = 100 + i;
  for (int k = 2; k <= 6; ++k) single.At(k) = 100 + k - 2;
  std::vector<std::pair<int, int>> a, b;
  run.ForEach([&](int k, int v) { a.emplace_back(k, v); });
  single.ForEach([&](int k, int v) { b.emplace_back(k, v); });
  EXPECT_EQ(a, b);
  EXPECT_EQ(run.Last(), 6);
  // The next key is kept dense as one by one would keep it.
  EXPECT_NE(run.Run(7, 1), nullptr);

  EXPECT_EQ(run.Run(5000, 2), nullptr);  // would pad thousands of slots for two items
  run.At(5000) = 1;
  EXPECT_EQ(run.Run(8, 2), nullptr);  // far items exist: one by one
  EXPECT_EQ(run.Run(0, 2), nullptr);
  EXPECT_EQ(*run.Find(5000), 1);
}

}  // namespace
