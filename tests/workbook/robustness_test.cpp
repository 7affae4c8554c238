#include <gtest/gtest.h>

#include "qstringprinter.h"

#include <random>

#include "workbook/model/a1notation.h"
#include "workbook/model/workbook.h"
#include "workbook/model/workbookerror.h"
#include "support/tempfolder.h"

namespace {

// Damaged copies of good files: each read must either succeed or throw EWorkbookError, and a
// failed read must leave the workbook as it was.
TEST(ReaderFuzz, DamagedFilesNeverCrashTheReaders) {
  TTempFolder dir;
  TWorkbook good;
  good.SetSheetName(1, "Run 1");
  for (int r = 1; r <= 6; ++r) {
    good.SetNumberRC(r, 1, r * 0.1);
    good.SetTextRC(r, 2, QString("t\"%1\",\tx").arg(r));
    good.SetFormulaRC(r, 3, QString("=A%1*2&\"s\"").arg(r));
    good.SetNumberFormatRC(r, 1, "0.00");
  }
  good.SetColText(1, "Head");
  const QString names[] = {"f.vts", "f.csv", "f.txt"};
  const std::int16_t types[] = {5, 6, 3};
  std::mt19937 rng(99);
  int refused = 0;
  for (int k = 0; k < 3; ++k) {
    good.Write(dir.File(names[k]), types[k]);
    const QByteArray original = TTempFolder::Read(dir.File(names[k]));
    for (int i = 0; i < 700; ++i) {
      QByteArray bytes = original;
      const int edits = 1 + static_cast<int>(rng() % 4);
      for (int e = 0; e < edits && !bytes.isEmpty(); ++e) {
        const int at = static_cast<int>(rng() % bytes.size());
        switch (rng() % 4) {
          case 0: bytes[at] = static_cast<char>(rng()); break;
          case 1: bytes.remove(at, 1 + static_cast<int>(rng() % 8)); break;
          case 2: bytes.insert(at, "\"=\\#\t,\n\r\xff"[rng() % 9]); break;
          default: bytes.truncate(at); break;
        }
      }
      TWorkbook book;
      book.SetNumberRC(1, 1, 7);
      try {
        book.Read(dir.Write("damaged", bytes));
      } catch (const EWorkbookError& e) {
        ++refused;
        EXPECT_TRUE(e.Message().contains("damaged")) << e.what();
        EXPECT_EQ(book.NumberRC(1, 1), 7);
      }
    }
  }
  EXPECT_GT(refused, 100);  // most damage to the native format is caught
}

TEST(CellNames, LimitsAndQuotingFollowSpreadsheets) {
  EXPECT_EQ(a1::ColumnName(1), "A");
  EXPECT_EQ(a1::ColumnName(26), "Z");
  EXPECT_EQ(a1::ColumnName(27), "AA");
  EXPECT_EQ(a1::ColumnName(16384), "XFD");
  ASSERT_TRUE(a1::ParseCellName("XFD1048576"));
  EXPECT_EQ(a1::ParseCellName("xfd1048576")->Col, 16384);
  EXPECT_FALSE(a1::ParseCellName("XFE1"));
  EXPECT_FALSE(a1::ParseCellName("A1048577"));
  EXPECT_FALSE(a1::ParseCellName("A0"));
  EXPECT_FALSE(a1::ParseCellName("A1B"));
  const auto abs = a1::ParseCellName("$B$7");
  ASSERT_TRUE(abs);
  EXPECT_TRUE(abs->AbsCol && abs->AbsRow);
  EXPECT_EQ(a1::QuoteSheetName("Data"), "Data");
  EXPECT_EQ(a1::QuoteSheetName("Run 1"), "'Run 1'");
  EXPECT_EQ(a1::QuoteSheetName("AB12"), "'AB12'");  // would read as a cell
  EXPECT_EQ(a1::QuoteSheetName("it's"), "'it''s'");
}

TEST(Notifications, ViewsHearOfCellsTheyShowAndOfBiggerChanges) {
  TWorkbook book;
  std::vector<std::array<int, 5>> seen;
  book.SetChangeHandler([&](int s, int r1, int c1, int r2, int c2) { seen.push_back({s, r1, c1, r2, c2}); });
  book.SetFormulaRC(1, 2, "=A1+1");
  seen.clear();
  book.SetNumberRC(1, 1, 5);  // the written cell and the formula that followed it
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], (std::array<int, 5>{1, 1, 2, 1, 2}));
  EXPECT_EQ(seen[1], (std::array<int, 5>{1, 1, 1, 1, 1}));
  seen.clear();
  book.SetNumSheets(2);
  book.SetSheet(2);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back()[0], 0);  // structure changed: redraw everything
}

TEST(Recalc, ReplacingRangeFormulasKeepsDependenciesExact) {
  TWorkbook book;
  for (int i = 0; i < 200; ++i) book.SetFormulaRC(1, 2, QString("=SUM(A1:A%1)").arg(1 + i % 5));
  book.SetFormulaRC(1, 3, "=SUM(A1:A5)");
  book.ClearRange(1, 3, 1, 3);
  const auto before = book.EvaluationCount();
  book.SetNumberRC(5, 1, 2);  // only B1 (=SUM(A1:A5)) still reads A5
  EXPECT_EQ(book.EvaluationCount() - before, 1u);
  EXPECT_EQ(book.NumberRC(1, 2), 2);
  book.SetNumberRC(6, 1, 2);
  EXPECT_EQ(book.EvaluationCount() - before, 1u);
}

}  // namespace
