#include <gtest/gtest.h>

#include "qstringprinter.h"
#include "xlsxpackage.h"

#include <random>


#include "support/tempfolder.h"
#include "workbook/formats/odsimport.h"
#include "workbook/model/a1notation.h"
#include "workbook/model/workbook.h"
#include "workbook/model/workbookerror.h"

namespace {

std::string Table(const std::string& name, const std::string& rows) {
  return "<table:table table:name=\"" + name + "\">" + rows + "</table:table>";
}

// The first and the last cell of the grid: only the two cells are visited and stored.
TEST(HostileFiles, OdsWithTheFirstAndLastCellOfTheGrid) {
  TTempFolder dir;
  const std::string rows =
      "<table:table-row><table:table-cell office:value-type=\"float\" office:value=\"1\"/></table:table-row>"
      "<table:table-row table:number-rows-repeated=\"1048574\"><table:table-cell table:number-columns-repeated=\"16384\"/></table:table-row>"
      "<table:table-row><table:table-cell table:number-columns-repeated=\"16383\"/>"
      "<table:table-cell office:value-type=\"string\"><text:p xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\">far</text:p></table:table-cell></table:table-row>";
  TWorkbook book;
  book.Read(dir.Write("corner.ods", Ods(Table("S", rows))));
  EXPECT_EQ(book.NumberRC(1, 1), 1);
  EXPECT_EQ(book.TextRC(a1::MaxRows, a1::MaxCols), "far");
  EXPECT_EQ(book.LastRow(), a1::MaxRows);
  EXPECT_LT(book.MemoryBytes(), std::size_t{4096});
}

// One far cell would make a text file of a field for every address before it: the save is
// refused with a message and the file already there stays as it was.
TEST(HostileFiles, TextSaveOfAFarCellIsRefusedAndLeavesTheFileIntact) {
  TTempFolder dir;
  const QString path = dir.Write("results.csv", QByteArray("1,2\n"));
  TWorkbook book;
  book.SetNumberRC(1, 1, 1);
  book.SetNumberRC(a1::MaxRows, a1::MaxCols, 2);
  try {
    book.Write(path, TWorkbook::ftCsv);
    FAIL() << "a text file of every address was written";
  } catch (const EWorkbookError& e) {
    EXPECT_TRUE(e.What().contains("too many fields for a text file")) << e.What().toStdString();
  }
  EXPECT_EQ(TTempFolder::Read(path), QByteArray("1,2\n"));
  TWorkbook small;
  small.SetNumberRC(1, 1, 1);
  small.SetNumberRC(2, 3, 2);
  small.Write(path, TWorkbook::ftTabText);
  EXPECT_EQ(TTempFolder::Read(path), QByteArray("1\t\t\n\t\t2\n"));
}

// Sheets cost an .ods reader only what they hold: thousands of them load, each under its name.
TEST(HostileFiles, OdsWithThousandsOfSheetsLoads) {
  TTempFolder dir;
  std::string tables;
  for (int i = 1; i <= 4000; ++i)
    tables += Table("S" + std::to_string(i), "<table:table-row><table:table-cell office:value-type=\"float\" office:value=\"" + std::to_string(i) +
                                                 "\"/></table:table-row>");
  TWorkbook book;
  book.Read(dir.Write("many.ods", Ods(tables)));
  ASSERT_EQ(book.NumSheets(), 4000);
  EXPECT_EQ(book.SheetName(4000), "S4000");
  book.SetSheet(4000);
  EXPECT_EQ(book.NumberRC(1, 1), 4000);
}

// Sheets found by name and place through adding, renaming and deleting, against a plain list.
TEST(HostileFiles, SheetNamesStayFoundThroughEveryChange) {
  TWorkbook book;
  book.SetNumSheets(3000);
  EXPECT_EQ(book.FindSheet("sheet2999"), 2999);
  std::mt19937 rng(8);
  for (int i = 0; i < 400; ++i) {
    const int n = book.NumSheets();
    const int pick = 1 + static_cast<int>(rng() % n);
    switch (rng() % 3) {
      case 0: book.SetSheetName(pick, QStringLiteral("Renamed %1").arg(i)); break;
      case 1: if (n > 1) book.DeleteSheets(pick, 1 + static_cast<int>(rng() % 3)); break;
      default: book.SetNumSheets(n + 2); break;
    }
  }
  for (int s = 1; s <= book.NumSheets(); ++s) {
    EXPECT_EQ(book.FindSheet(book.SheetName(s)), s);
    EXPECT_EQ(book.FindSheet(book.SheetName(s).toUpper()), s);
  }
  EXPECT_EQ(book.FindSheet("Renamed -1"), 0);
  // A formula naming a sheet follows it to its new place.
  book.SetSheet(1);
  book.SetFormulaRC(1, 1, "='" + book.SheetName(book.NumSheets()) + "'!B2+1");
  const QString last = book.SheetName(book.NumSheets());
  book.DeleteSheets(2, 5);
  book.SetSheet(book.FindSheet(last));
  book.SetNumberRC(2, 2, 41);
  book.SetSheet(1);
  EXPECT_EQ(book.NumberRC(1, 1), 42);
}

}  // namespace
