#include <gtest/gtest.h>

#include "qstringprinter.h"
#include "xlsxpackage.h"

#include "support/tempfolder.h"
#include "workbook/model/keptformulatext.h"
#include "workbook/model/workbook.h"
#include "workbook/model/workbookerror.h"
#include "workbook/zip/zipreader.h"

namespace {

const std::string Ns = R"( xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main")"
                       R"( xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships")";

// Two sheets; the first holds one formula of each form the engine does not compute, each with the
// value the program that wrote it saved, and cells computed from them.
TParts ForeignForms() {
  TParts p;
  p["xl/workbook.xml"] = "<workbook" + Ns + R"(><sheets><sheet name="Sheet1" sheetId="1" r:id="rId1"/>)"
                         R"(<sheet name="Sheet2" sheetId="2" r:id="rId2"/></sheets>)"
                         R"(<definedNames><definedName name="Rate">Sheet2!$A$1</definedName>)"
                         R"(<definedName name="Local" localSheetId="1">Sheet2!$A$1:$A$2</definedName></definedNames></workbook>)";
  p["xl/_rels/workbook.xml.rels"] =
      R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
      R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>)"
      R"(<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet2.xml"/>)"
      R"(</Relationships>)";
  p["xl/worksheets/sheet1.xml"] =
      "<worksheet" + Ns + R"(><sheetData>)"
      R"(<row r="1"><c r="A1"><v>1</v></c><c r="B1"><f>SUM(Sheet1:Sheet2!A1)</f><v>3</v></c>)"
      R"(<c r="C1"><f>B1*10</f><v>30</v></c></row>)"
      R"(<row r="2"><c r="A2"><v>2</v></c><c r="B2"><f>SUM(Table1[value])</f><v>12.5</v></c></row>)"
      R"(<row r="3"><c r="B3" t="str"><f>[1]Prices!A1</f><v>far</v></c></row>)"
      R"(<row r="4"><c r="B4"><f>SUM({1,2;3,4})</f><v>10</v></c></row>)"
      R"(<row r="5"><c r="B5"><f>SUM((A1,A2))</f><v>3</v></c></row>)"
      R"(<row r="6"><c r="B6" t="e"><f>A1:A2 B1:B2</f><v>#NULL!</v></c><c r="C6"><f>ISERROR(B6)</f><v>1</v></c></row>)"
      R"(<row r="7"><c r="B7"><f t="array" ref="B7:B8">A1:A2*10</f><v>10</v></c></row>)"
      R"(<row r="8"><c r="B8"><v>20</v></c></row>)"
      R"(<row r="9"><c r="B9"><f>Rate*2</f><v>8</v></c><c r="C9"><f>RATE(10,-100,800)</f><v>0.0428</v></c>)"
      R"(<c r="D9"><f>_xlfn.NOSUCHFN(A1)</f><v>7</v></c></row>)"
      R"(<row r="10"><c r="B10" t="b"><f>A1=A1 A2</f><v>1</v></c></row>)"
      R"(</sheetData></worksheet>)";
  p["xl/worksheets/sheet2.xml"] =
      "<worksheet" + Ns + R"(><sheetData><row r="1"><c r="A1"><v>4</v></c></row></sheetData></worksheet>)";
  return p;
}

TWorkbook ReadForeign(const TTempFolder& dir, QStringList* notes = nullptr) {
  TWorkbook book;
  const QStringList n = book.Read(dir.Write(QStringLiteral("foreign.xlsx"), Package(ForeignForms())));
  if (notes) *notes = n;
  return book;
}

bool Kept(const TWorkbook& book, int row, int col) {
  const TCell* cell = book.SheetAt(book.Sheet()).Find(row, col);
  const TFormula* code = cell ? book.FormulaCode(*cell) : nullptr;
  return code && code->Kept;
}

// The cells of the first sheet that the engine cannot compute, as they must stay.
void ExpectForeignFormsKept(TWorkbook& book) {
  book.SetSheet(1);
  EXPECT_EQ(book.FormulaRC(1, 2), "=SUM(Sheet1:Sheet2!A1)");
  EXPECT_EQ(book.NumberRC(1, 2), 3);
  EXPECT_EQ(book.NumberRC(1, 3), 30) << "a formula reading a kept one uses its saved value";
  EXPECT_FALSE(Kept(book, 1, 3));
  EXPECT_EQ(book.FormulaRC(2, 2), "=SUM(Table1[value])");
  EXPECT_EQ(book.NumberRC(2, 2), 12.5);
  EXPECT_EQ(book.FormulaRC(3, 2), "=[1]Prices!A1");
  EXPECT_EQ(book.TextRC(3, 2), "far");
  EXPECT_EQ(book.FormulaRC(4, 2), "=SUM({1,2;3,4})");
  EXPECT_EQ(book.NumberRC(4, 2), 10);
  EXPECT_EQ(book.FormulaRC(5, 2), "=SUM((A1,A2))");
  EXPECT_EQ(book.NumberRC(5, 2), 3);
  EXPECT_EQ(book.FormulaRC(6, 2), "=A1:A2 B1:B2");
  EXPECT_EQ(book.TextRC(6, 2), "#NULL!");
  EXPECT_EQ(book.ValueRC(6, 3), TCellValue::Boolean(true));
  EXPECT_EQ(book.FormulaRC(7, 2), "=A1:A2*10");
  EXPECT_EQ(book.NumberRC(7, 2), 10);
  EXPECT_EQ(book.NumberRC(8, 2), 20);
  EXPECT_EQ(book.FormulaRC(9, 2), "=Rate*2");
  EXPECT_EQ(book.NumberRC(9, 2), 8) << "a formula naming a defined name keeps its saved value";
  EXPECT_EQ(book.ValueRC(10, 2), TCellValue::Boolean(true));
  for (int r : {1, 2, 3, 4, 5, 6, 7, 9, 10}) EXPECT_TRUE(Kept(book, r, 2)) << "row " << r;
  const TCell* array = book.SheetAt(1).Find(7, 2);
  ASSERT_NE(array, nullptr);
  EXPECT_EQ(book.FormulaCode(*array)->ArrayRows, 2);
  EXPECT_EQ(book.FormulaCode(*array)->ArrayCols, 1);
  ASSERT_EQ(book.DefinedNames().size(), 2u);
  EXPECT_EQ(book.DefinedNames()[0].Name, "Rate");
  EXPECT_EQ(book.DefinedNames()[0].Sheet, 0);
  EXPECT_EQ(book.DefinedNames()[0].Text, "Sheet2!$A$1");
  EXPECT_EQ(book.DefinedNames()[1].Sheet, 2);
}

TEST(KeptFormulas, FormsTheEngineCannotComputeOpenWithTheirSavedValues) {
  TTempFolder dir;
  QStringList notes;
  TWorkbook book = ReadForeign(dir, &notes);
  ExpectForeignFormsKept(book);
  ASSERT_EQ(notes.size(), 1);
  EXPECT_TRUE(notes[0].startsWith("10 formulas are not recalculated here")) << notes[0].toStdString();
  EXPECT_TRUE(notes[0].contains("Sheet1!B1, Sheet1!B2")) << notes[0].toStdString();
  EXPECT_TRUE(notes[0].endsWith("functions this program does not have: NOSUCHFN")) << notes[0].toStdString();
  EXPECT_EQ(book.NumberRC(9, 4), 7) << "a function we lack keeps the value, not #NAME?";
  // An ordinary formula beside them still follows its inputs.
  book.SetSheet(1);
  book.SetNumberRC(1, 1, 5);
  EXPECT_EQ(book.NumberRC(1, 2), 3) << "not recalculated";
  EXPECT_NEAR(book.NumberRC(9, 3), 0.04277, 1e-5) << "computed here";
  EXPECT_FALSE(Kept(book, 9, 3));
}

TEST(KeptFormulas, WrittenBackUnchangedToXlsxAndNativeFiles) {
  TTempFolder dir;
  TWorkbook book = ReadForeign(dir);
  for (const auto& [name, type] : {std::pair{"copy.xlsx", TWorkbook::ftXlsx5}, std::pair{"copy.vts", TWorkbook::ftNative3}}) {
    SCOPED_TRACE(name);
    book.Write(dir.File(QString::fromLatin1(name)), type);
    TWorkbook back;
    back.Read(dir.File(QString::fromLatin1(name)));
    ExpectForeignFormsKept(back);
  }
  // Other programs see the array flag and the names.
  const QByteArray archive = TTempFolder::Read(dir.File("copy.xlsx"));
  const TZipReader zip(archive);
  const QByteArray sheet = QByteArray::fromStdString(zip.Read("xl/worksheets/sheet1.xml"));
  EXPECT_TRUE(sheet.contains(R"(<c r="B7"><f t="array" ref="B7:B8">A1:A2*10</f><v>10</v></c>)")) << sheet.constData();
  EXPECT_TRUE(sheet.contains(R"(<c r="B6" t="e"><f>A1:A2 B1:B2</f><v>#NULL!</v></c>)")) << sheet.constData();
  const QByteArray workbook = QByteArray::fromStdString(zip.Read("xl/workbook.xml"));
  EXPECT_TRUE(workbook.contains(R"(<definedNames><definedName name="Rate">Sheet2!$A$1</definedName>)"
                                R"(<definedName name="Local" localSheetId="1">Sheet2!$A$1:$A$2</definedName></definedNames>)"))
      << workbook.constData();
}

TEST(KeptFormulas, CopiedElsewhereTheyBecomeTheirValues) {
  TTempFolder dir;
  TWorkbook book = ReadForeign(dir);
  book.SetSheet(1);
  book.CopyRange(1, 5, 4, 5, book, 1, 2, 4, 2);
  EXPECT_EQ(book.EntryRC(1, 5), "3");
  EXPECT_EQ(book.EntryRC(3, 5), "far");
  EXPECT_EQ(book.FormulaRC(1, 5), "");
  book.CopyRange(10, 6, 10, 6, book, 10, 2, 10, 2);
  EXPECT_EQ(book.ValueRC(10, 6), TCellValue::Boolean(true));
  // In place (a sort or an undo puts a cell back where it was) it stays the formula it was.
  book.CopyRange(1, 2, 1, 2, book, 1, 2, 1, 2);
  EXPECT_TRUE(Kept(book, 1, 2));
}

TEST(KeptFormulas, KeptTextsAndDefinedNamesFollowASheetRename) {
  TTempFolder dir;
  TWorkbook book = ReadForeign(dir);
  book.SetSheetName(2, "Other data");
  book.SetSheet(1);
  EXPECT_EQ(book.FormulaRC(1, 2), "=SUM('Sheet1:Other data'!A1)");
  EXPECT_EQ(book.NumberRC(1, 2), 3) << "still its saved value";
  EXPECT_EQ(book.FormulaRC(2, 2), "=SUM(Table1[value])");
  EXPECT_EQ(book.DefinedNames()[0].Text, "'Other data'!$A$1");
  EXPECT_EQ(book.DefinedNames()[1].Text, "'Other data'!$A$1:$A$2");
  book.SetSheetName(1, "Main");
  book.SetSheet(1);
  EXPECT_EQ(book.FormulaRC(1, 2), "=SUM('Main:Other data'!A1)");
  book.SetSheetName(2, "Sheet2");
  EXPECT_EQ(book.FormulaRC(1, 2), "=SUM(Main:Sheet2!A1)") << "quoted only while a name needs it";
  EXPECT_TRUE(Kept(book, 1, 2));
  // Written back, other programs find the sheet by its new name.
  book.Write(dir.File("renamed.xlsx"), TWorkbook::ftXlsx5);
  const QByteArray archive = TTempFolder::Read(dir.File("renamed.xlsx"));
  const TZipReader zip(archive);
  const QByteArray sheet = QByteArray::fromStdString(zip.Read("xl/worksheets/sheet1.xml"));
  EXPECT_TRUE(sheet.contains("<f>SUM(Main:Sheet2!A1)</f>")) << sheet.constData();
}

TEST(KeptFormulas, RenamingScansOnlySheetPrefixes) {
  const auto rename = [](const char* text) { return TKeptFormulaText::RenameSheet(QString::fromUtf8(text), "Data", "New data"); };
  EXPECT_EQ(rename("=Data!A1+data!B2+'Data'!C3"), "='New data'!A1+'New data'!B2+'New data'!C3");
  EXPECT_EQ(rename("=SUM(Data:Other!A1,First:Data!B1,'Data:Other'!C1)"),
            "=SUM('New data:Other'!A1,'First:New data'!B1,'New data:Other'!C1)");
  EXPECT_EQ(rename("=\"Data!A1\"&Data!A1"), "=\"Data!A1\"&'New data'!A1") << "strings stay";
  EXPECT_EQ(rename("=[1]Data!A1+'[Book.xlsx]Data'!A1"), "=[1]Data!A1+'[Book.xlsx]Data'!A1") << "another workbook's sheet";
  EXPECT_EQ(rename("=Data2!A1+MyData!A1+Data.x!A1+Data"), "=Data2!A1+MyData!A1+Data.x!A1+Data") << "other names";
  EXPECT_EQ(rename("=Other!A1:Data!B2"), "=Other!A1:'New data'!B2");
  EXPECT_EQ(rename("=SUM({1,2;3,4})+Table1[[#This Row],[Data]]+'It''s'!A1"), "=SUM({1,2;3,4})+Table1[[#This Row],[Data]]+'It''s'!A1");
  EXPECT_EQ(TKeptFormulaText::RenameSheet("='It''s'!A1", "it's", "Data"), "=Data!A1");
  EXPECT_EQ(TKeptFormulaText::RenameSheet("=Data!A1", "Data", "It's"), "='It''s'!A1");
  EXPECT_EQ(rename("=\"unclosed"), "=\"unclosed");
  EXPECT_EQ(rename("='unclosed"), "='unclosed");
}

TEST(KeptFormulas, OurOwnFilesStillRefuseAFormulaThatDoesNotCompile) {
  TTempFolder dir;
  TWorkbook book;
  try {
    book.Read(dir.Write("bad.vts", "quorlex-workbook 1\nsheet \"S\"\ncell A1 =SUM(1\nend\n"));
    FAIL() << "a mistyped formula in a rig's own file must be named, not kept";
  } catch (const EWorkbookError& e) {
    EXPECT_TRUE(QString::fromUtf8(e.what()).contains("line 3")) << e.what();
  }
  // A kept line with a damaged value is named too.
  EXPECT_THROW(book.Read(dir.Write("bad2.vts", "quorlex-workbook 1\nsheet \"S\"\ncell A1 kept maybe =A1:A2 B1\nend\n")), EWorkbookError);
  EXPECT_THROW(book.Read(dir.Write("bad3.vts", "quorlex-workbook 1\nsheet \"S\"\ncell A1 kept 1 array 0 1 =A1\nend\n")), EWorkbookError);
}

}  // namespace
