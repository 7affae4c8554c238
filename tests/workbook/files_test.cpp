#include <gtest/gtest.h>

#include "qstringprinter.h"

#include <cfloat>
#include <cstring>
#include <functional>
#include <random>

#include <QDir>
#include <QFile>

#include "workbook/model/workbook.h"
#include "workbook/zip/zipreader.h"
#include "workbook/model/workbookerror.h"
#include "support/tempfolder.h"

namespace {

// Two sheets with what every format must carry: exact doubles, awkward text, formulas across
// sheets, number formats.
void Fill(TWorkbook& book) {
  book.SetSheetName(1, "Run 1");
  book.SetNumberRC(1, 1, 0.1);
  book.SetNumberRC(2, 1, 1.0 / 3);
  book.SetNumberRC(3, 1, -1234.5678);
  book.SetTextRC(1, 2, "tab\there, \"quoted\", line\nbreak, µ°C");
  book.SetTextRC(2, 2, "12");  // numeric-looking text stays text
  book.SetFormulaRC(1, 3, "=A1*2+SUM(A1:A2)");
  book.SetNumberFormatRC(1, 3, "0.000");
  book.SetFormulaRC(2, 3, "=\"x\"&'Data sheet'!A1");
  book.SetNumSheets(2);
  book.SetSheetName(2, "Data sheet");
  book.SetSheet(2);
  book.SetNumberRC(1, 1, 42);
  book.SetSheet(1);
}

void ExpectFilled(const TWorkbook& book) {
  EXPECT_EQ(book.NumSheets(), 2);
  EXPECT_EQ(book.SheetName(1), "Run 1");
  EXPECT_EQ(book.SheetName(2), "Data sheet");
  EXPECT_EQ(book.NumberRC(1, 1), 0.1);
  EXPECT_EQ(book.NumberRC(2, 1), 1.0 / 3);
  EXPECT_EQ(book.NumberRC(3, 1), -1234.5678);
  EXPECT_EQ(book.TextRC(1, 2), "tab\there, \"quoted\", line\nbreak, µ°C");
  EXPECT_EQ(book.ValueRC(2, 2).Kind, TValueKind::Text);
  EXPECT_EQ(book.FormulaRC(1, 3), "=A1*2+SUM(A1:A2)");
  EXPECT_EQ(book.FormattedTextRC(1, 3), "0.633");
  EXPECT_EQ(book.TextRC(2, 3), "x42");
}

class Files : public ::testing::Test {
 protected:
  // Writes book as type and reads it back; the type read from the content must be the one written.
  TWorkbook RoundTrip(const TWorkbook& book, const char* name, std::int16_t type) {
    const QString path = Dir.File(name);
    book.Write(path, type);
    TWorkbook back;
    std::int16_t read = 0;
    back.Read(path, &read);
    EXPECT_EQ(read, type) << name;
    return back;
  }
  TTempFolder Dir;
};

TEST_F(Files, NativeRoundTripKeepsEverything) {
  TWorkbook book;
  Fill(book);
  book.SetColText(2, "Flow\r(l/min)");
  book.SetColWidth(2, 3000);
  book.SetRowHeight(3, 400);
  book.SetHdrHeight(600);
  book.SetMaxRow(17);
  book.SetMaxCol(12);
  book.SetValueRC(6, 1, TCellValue::Error(TCellError::NA));
  book.SetNumberFormatRC(7, 1, "hh:mm:ss");  // a formatted empty cell
  book.SetNumberRC(4, 1, DBL_MAX);
  book.SetNumberRC(5, 1, 5e-324);
  book.SetNumberRC(4, 3, -1.2345678901234567e-300);
  book.SetNumberRC(5, 3, 0.30000000000000004);
  std::mt19937_64 rng(7);
  for (int r = 8; r <= 200; ++r) {  // random bit patterns: every finite double must survive
    std::uint64_t bits = rng();
    double v;
    std::memcpy(&v, &bits, sizeof v);
    if (!std::isfinite(v)) v = static_cast<double>(bits);
    book.SetNumberRC(r, 5, v);
  }
  const QString path = Dir.File("book.vts");
  TWorkbook back = RoundTrip(book, "book.vts", 5);
  ExpectFilled(back);
  EXPECT_EQ(back.ColText(2), "Flow\r(l/min)");
  EXPECT_EQ(back.ColWidth(2), 3000);
  EXPECT_EQ(back.RowHeight(3), 400);
  EXPECT_EQ(back.HdrHeight(), 600);
  EXPECT_EQ(back.MaxCol(), 12);
  EXPECT_EQ(back.TextRC(6, 1), "#N/A");
  EXPECT_EQ(back.NumberFormatRC(7, 1), "hh:mm:ss");
  for (int r = 8; r <= 200; ++r) EXPECT_EQ(back.NumberRC(r, 5), book.NumberRC(r, 5)) << r;
  EXPECT_EQ(back.NumberRC(4, 1), DBL_MAX);
  EXPECT_EQ(back.NumberRC(5, 1), 5e-324);
  EXPECT_EQ(back.NumberRC(4, 3), -1.2345678901234567e-300);
  EXPECT_EQ(back.NumberRC(5, 3), 0.30000000000000004);
  // Writing what was read gives the same bytes: the format is stable for diffs.
  back.Write(Dir.File("again.vts"), 1);
  EXPECT_EQ(TTempFolder::Read(path), TTempFolder::Read(Dir.File("again.vts")));

  TWorkbook plain;  // default sheet names read back as themselves
  plain.SetNumSheets(2);
  plain.Write(path, 5);
  back.Read(path);
  EXPECT_EQ(back.NumSheets(), 2);
  EXPECT_EQ(back.SheetName(2), "Sheet2");
}

TEST_F(Files, XlsxRoundTripKeepsValuesFormulasAndFormats) {
  TWorkbook book;
  Fill(book);
  book.SetColWidth(3, 5120);
  const TWorkbook back = RoundTrip(book, "book.xlsx", 4);
  ExpectFilled(back);
  EXPECT_NEAR(back.ColWidth(3), 5120, 256);
}

TEST_F(Files, XlsxCarriesExactDoublesAwkwardTextAndEveryResultKind) {
  TWorkbook book;
  const double awkward[] = {5e-324, 0.30000000000000004, -1.2345678901234567e-300, 1e21, DBL_MAX, -0.0};
  for (int i = 0; i < 6; ++i) book.SetNumberRC(i + 1, 1, awkward[i]);
  book.SetTextRC(1, 2, "  padded  ");
  book.SetTextRC(2, 2, "a<b & c>d \"q\" 'x'");
  book.SetTextRC(3, 2, "  padded  ");  // shared once, used twice
  book.SetTextRC(4, 2, "_x0041_ is not A");
  book.SetTextRC(5, 2, QString::fromUtf8("bell\x07" "cr\r"));
  book.SetFormulaRC(1, 3, "=A2>0");
  book.SetFormulaRC(2, 3, "=1/0");
  book.SetFormulaRC(3, 3, "=B2&\"!\"");
  book.SetValueRC(4, 3, TCellValue::Error(TCellError::NA));
  book.SetNumberFormatRC(6, 3, "0.00%");  // formatted, empty
  book.SetNumberFormatRC(6, 4, "0.00%");
  book.SetNumberRC(6, 4, 0.125);
  book.SetRowHeight(2, 400);

  const TWorkbook back = RoundTrip(book, "awkward.xlsx", 4);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(back.NumberRC(i + 1, 1), awkward[i]) << i;
  EXPECT_EQ(back.TextRC(1, 2), "  padded  ");
  EXPECT_EQ(back.TextRC(2, 2), "a<b & c>d \"q\" 'x'");
  EXPECT_EQ(back.TextRC(3, 2), "  padded  ");
  EXPECT_EQ(back.TextRC(4, 2), "_x0041_ is not A");
  EXPECT_EQ(back.FormulaRC(1, 3), "=A2>0");
  EXPECT_EQ(back.TextRC(1, 3), book.TextRC(1, 3));
  EXPECT_EQ(back.TextRC(2, 3), "#DIV/0!");
  EXPECT_EQ(back.TextRC(3, 3), "a<b & c>d \"q\" 'x'!");
  EXPECT_EQ(back.TextRC(4, 3), "#N/A");
  EXPECT_EQ(back.FormattedTextRC(6, 4), "12.50%");
  EXPECT_EQ(back.TextRC(5, 2), QString::fromUtf8("bell\x07" "cr\r"));  // carried as _x0007_ and _x000D_
}

TEST_F(Files, XlsxRefusesWhatTheFormatCannotHoldAndKeepsThePreviousFile) {
  TWorkbook book;
  book.SetNumberRC(1, 1, 1);
  const QString path = Dir.File("limits.xlsx");
  book.Write(path, 4);
  const QByteArray before = TTempFolder::Read(path);
  struct TCase { const char* Name; std::function<void(TWorkbook&)> Spoil; const char* Says; };
  const TCase cases[] = {
      {"long text", [](TWorkbook& b) { b.SetTextRC(3, 2, QString(32768, 'x')); }, "B3"},
      {"long name", [](TWorkbook& b) { b.SetSheetName(1, QString(32, 'n')); }, "31 characters"},
      {"apostrophe", [](TWorkbook& b) { b.SetSheetName(1, "'quoted'"); }, "apostrophe"},
  };
  for (const TCase& c : cases) {
    TWorkbook spoilt;
    spoilt.SetNumberRC(1, 1, 2);
    c.Spoil(spoilt);
    try {
      spoilt.Write(path, 4);
      ADD_FAILURE() << c.Name << " was written";
    } catch (const EWorkbookError& e) {
      EXPECT_TRUE(e.Message().contains("limits.xlsx")) << e.what();
      EXPECT_TRUE(e.Message().contains(c.Says)) << e.what();
    }
    EXPECT_EQ(TTempFolder::Read(path), before) << c.Name;
  }
  QStringList left = QDir(Dir.Path()).entryList(QDir::Files);
  EXPECT_EQ(left, QStringList{"limits.xlsx"});  // no temporary files left behind
}

TEST_F(Files, DelimitedTextRoundTripsTheActiveSheet) {
  for (std::int16_t type : {std::int16_t(3), std::int16_t(6)}) {
    TWorkbook book;
    Fill(book);
    const TWorkbook back = RoundTrip(book, type == 3 ? "book.txt" : "book.csv", type);
    EXPECT_EQ(back.NumSheets(), 1);
    EXPECT_EQ(back.NumberRC(2, 1), 1.0 / 3);
    EXPECT_EQ(back.NumberRC(3, 1), -1234.5678);
    EXPECT_EQ(back.TextRC(1, 2), book.TextRC(1, 2));
    EXPECT_EQ(back.ValueRC(2, 2).Kind, TValueKind::Text);
    EXPECT_EQ(back.TextRC(1, 3), "0.633");  // formatted results, as shown
    EXPECT_EQ(back.TextRC(2, 3), "x42");
  }
}

// Each bad file must be refused with a message naming the file and the place, and the workbook
// reading it must keep what it held.
TEST_F(Files, MalformedFilesAreRejectedWithoutChangingTheWorkbook) {
  TWorkbook good;
  Fill(good);
  good.Write(Dir.File("good.vts"), 5);
  good.Write(Dir.File("good.xlsx"), 4);
  const QByteArray vts = TTempFolder::Read(Dir.File("good.vts"));
  const QByteArray xlsx = TTempFolder::Read(Dir.File("good.xlsx"));
  struct TCase { const char* Name; QByteArray Content; const char* Where; };
  const TCase cases[] = {
      {"truncated.vts", vts.left(vts.size() / 2), "line"},
      {"badnumber.vts", "quorlex-workbook 1\nsheet \"S\"\ncell A1 1.2.3\nend\n", "line 3"},
      {"badformula.vts", "quorlex-workbook 1\nsheet \"S\"\ncell B2 =SUM(1\nend\n", "line 3"},
      {"badcell.vts", "quorlex-workbook 1\nsheet \"S\"\ncell 1A 1\nend\n", "line 3"},
      {"unknown.vts", "quorlex-workbook 1\nsheet \"S\"\nbogus\nend\n", "line 3"},
      {"newer.vts", "quorlex-workbook 99\nend\n", "line 1"},
      {"badtext.vts", "quorlex-workbook 1\nsheet \"S\"\ncell A1 \"abc\nend\n", "line 3"},
      {"twosheets.vts", "quorlex-workbook 1\nsheet \"S\"\nsheet \"s\"\nend\n", "line 3"},
      {"truncated.xlsx", xlsx.left(xlsx.size() / 2), "xlsx"},
      {"garbage.xlsx", QByteArray("PK\x03\x04", 4) + QByteArray(200, 'x'), "xlsx"},
      {"quote.csv", "a,b\n1,\"open\n2,3\n", "line 2"},
      {"binary.txt", QByteArray("a\tb\n1\t2\n\0\0", 12), "line 3"},
      {"empty.txt", "", "empty"},
  };
  for (const TCase& c : cases) {
    const QString path = Dir.Write(c.Name, c.Content);
    TWorkbook book;
    Fill(book);
    try {
      book.Read(path);
      ADD_FAILURE() << c.Name << " was accepted";
    } catch (const EWorkbookError& e) {
      EXPECT_TRUE(e.Message().contains(c.Name)) << e.what();
      EXPECT_TRUE(e.Message().contains(c.Where)) << e.what();
    }
    ExpectFilled(book);
  }
  TWorkbook book;
  EXPECT_THROW(book.Read(Dir.File("missing.vts")), EWorkbookError);
}

// A small .ods made for this test (two sheets, a formula across sheets); the engine computes it.
TEST_F(Files, OdsIsReadWithFormulasComputedHere) {
  const QByteArray ods = QByteArray::fromBase64(
      "UEsDBBQAAAAAAAAAIQCFbDmKLgAAAC4AAAAIAAAAbWltZXR5cGVhcHBsaWNhdGlvbi92bmQub2FzaXMub3BlbmRvY3VtZW50"
      "LnNwcmVhZHNoZWV0UEsDBBQAAAAIAFkriV2P3Vd8VAEAAFYEAAALAAAAY29udGVudC54bWytVF1PgzAUffdXNI3Z/AgwUBPT"
      "UZYlZm++qHsye+igKEnpRVrc9u8tlE1mcCHRF3p77j334/SGcLbNBfrkpcpAUuy7E4y4jCHJ5BvFy5eFc49n0VkIaZrFnCQQ"
      "VzmX2olBanMiw5aKWC/FVSkJMJUpIlnOFdExgYLLPYt0o0lTyyKarcVgehN8xOZbPZhsYrtcSId3bXgBRm33HckCHO31WUOy"
      "O1xUUXKWqHfOtVHQtt18kbXrahQ/VRL5JkPH75SwOQZiLsShMhMVd/SuMORUANP4yEPxxPWDO+wNy6B0aZ66rl8rU0QLAZvQ"
      "ay/G+JGiJ6kFUijzSjCKjU701Z37q6vg+nn5eFHbxJ0Hq0s8fIK6e++kIn+T6KZXnr5JzscPTDPUvOK4HmvE8mI6+qhAT7f2"
      "6J2r1bV3ji5yYjO+C//retwGg7ryerb4ANo99375K0RfUEsBAhQDFAAAAAAAAAAhAIVsOYouAAAALgAAAAgAAAAAAAAAAAAA"
      "AIABAAAAAG1pbWV0eXBlUEsBAhQDFAAAAAgAWSuJXY/dV3xUAQAAVgQAAAsAAAAAAAAAAAAAAIABVAAAAGNvbnRlbnQueG1s"
      "UEsFBgAAAAACAAIAbwAAANEBAAAAAA==");
  TWorkbook book;
  std::int16_t type = 0;
  book.Read(Dir.Write("small.ods", ods), &type);
  EXPECT_EQ(type, 4);
  EXPECT_EQ(book.SheetName(2), "Data sheet");
  EXPECT_EQ(book.FormulaRC(1, 3), "=A1*2+SUM(A1:A2)");
  EXPECT_EQ(book.NumberRC(1, 3), 3.375);  // the file's cached 0 is not trusted
  EXPECT_EQ(book.TextRC(2, 2), "42x");
  book.SetNumberRC(2, 1, 4);
  EXPECT_EQ(book.NumberRC(1, 3), 4.375);
  EXPECT_THROW(book.Read(Dir.Write("cut.ods", ods.left(300))), EWorkbookError);
  EXPECT_EQ(book.NumberRC(2, 1), 4);
}

// What our .xlsx says must be what other programs show: errors as error values (a stored one
// stays a value), newer functions with their file prefix, numbers as plain decimals.
TEST_F(Files, XlsxStoresErrorsNewerFunctionsAndNumbersAsOtherProgramsReadThem) {
  TWorkbook book;
  book.SetNumberRC(1, 1, 100000);
  book.SetNumberRC(2, 1, 3);
  book.SetValueRC(1, 2, TCellValue::Error(TCellError::NA));
  book.SetFormulaRC(1, 3, "=1/0");
  book.SetFormulaRC(1, 4, "=STDEV.S(A1:A2)+LEN(\"STDEV.S(\")");
  const QString path = Dir.File("errors.xlsx");
  book.Write(path, TWorkbook::ftXlsx5);
  const std::string sheet = TZipReader(TTempFolder::Read(path)).Read("xl/worksheets/sheet1.xml");
  EXPECT_NE(sheet.find(R"(<c r="A1"><v>100000</v></c>)"), std::string::npos) << sheet;
  EXPECT_NE(sheet.find(R"(<c r="B1" t="e"><v>#N/A</v></c>)"), std::string::npos) << sheet;
  EXPECT_NE(sheet.find(R"(<c r="C1" t="e"><f>1/0</f><v>#DIV/0!</v></c>)"), std::string::npos) << sheet;
  EXPECT_NE(sheet.find("<f>_xlfn.STDEV.S(A1:A2)+LEN("), std::string::npos) << sheet;
  EXPECT_EQ(sheet.find("_xlfn.STDEV.S("), sheet.rfind("_xlfn.STDEV.S(")) << "text inside quotes keeps its form";
  TWorkbook back;
  back.Read(path);
  EXPECT_EQ(back.FormulaRC(1, 2), "");
  EXPECT_EQ(back.TextRC(1, 2), "#N/A");
  EXPECT_EQ(back.FormulaRC(1, 4), "=STDEV.S(A1:A2)+LEN(\"STDEV.S(\")");
}

// Workbooks saved with a password, or in the binary format before .xlsx, are named as such.
TEST_F(Files, EncryptedAndOldBinaryWorkbooksAreNamed) {
  QByteArray compound("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  compound += QByteArray(512, '\0');
  const QByteArray encrypted = compound + QByteArray("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0", 32);
  TWorkbook book;
  try {
    book.Read(Dir.Write("locked.xlsx", encrypted));
    ADD_FAILURE();
  } catch (const EWorkbookError& e) {
    EXPECT_TRUE(e.Message().contains("the workbook is encrypted (protected by a password)")) << e.what();
  }
  try {
    book.Read(Dir.Write("old.xls", compound));
    ADD_FAILURE();
  } catch (const EWorkbookError& e) {
    EXPECT_TRUE(e.Message().contains("older format (.xls)")) << e.what();
  }
}

TEST_F(Files, AFailedSaveLeavesThePreviousFile) {
  TWorkbook book;
  Fill(book);
  const QString path = Dir.File("keep.xlsx");
  book.Write(path, 4);
  const QByteArray before = TTempFolder::Read(path);
  book.SetSheetName(2, "bad[name]");  // not allowed in .xlsx
  EXPECT_THROW(book.Write(path, 4), EWorkbookError);
  EXPECT_EQ(TTempFolder::Read(path), before);
  EXPECT_THROW(book.Write(Dir.File("no/such/folder/x.vts"), 5), EWorkbookError);
  EXPECT_THROW(book.Write(path, 9), EWorkbookError);
}

}  // namespace
