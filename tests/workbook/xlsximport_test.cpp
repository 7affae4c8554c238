#include <gtest/gtest.h>

#include "qstringprinter.h"
#include "xlsxpackage.h"

#include <algorithm>
#include <functional>
#include <map>
#include <random>
#include <string>

#include <QBuffer>

#include "platform/datetime.h"
#include "workbook/formats/xlsximport.h"
#include "workbook/model/workbook.h"
#include "workbook/model/workbookerror.h"
#include "workbook/zip/zipwriter.h"

namespace {

const std::string Ns = R"( xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main")"
                       R"( xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships")";

// A package as other programs write it: relationships to follow, a prefixed namespace in one
// sheet, a chart sheet, styles with built-in and custom formats, rich shared texts.
TParts ForeignWorkbook() {
  TParts p;
  p["_rels/.rels"] =
      R"(<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
      R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="/book/main.xml"/>)"
      R"(</Relationships>)";
  p["book/main.xml"] = "<workbook" + Ns + R"(><sheets><sheet name="Data &amp; more" sheetId="4" r:id="rA"/>)"
                       R"(<sheet name="Chart" sheetId="5" r:id="rC"/><sheet name="x" sheetId="6" r:id="rB"/></sheets></workbook>)";
  p["book/_rels/main.xml.rels"] =
      R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
      R"(<Relationship Id="rA" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="sheets/one.xml"/>)"
      R"(<Relationship Id="rB" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="./sheets/../sheets/two.xml"/>)"
      R"(<Relationship Id="rC" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/chartsheet" Target="charts/c.xml"/>)"
      R"(<Relationship Id="rS" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="strings.xml"/>)"
      R"(<Relationship Id="rT" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="look.xml"/>)"
      R"(</Relationships>)";
  p["book/strings.xml"] = "<sst" + Ns + R"(><si><t>plain</t></si>)"
                          R"(<si><r><t xml:space="preserve">rich </t></r><r><rPr><b/></rPr><t>text</t></r><rPh><t>ignored</t></rPh></si>)"
                          R"(<si><t>tab_x0009_in</t></si></sst>)";
  p["book/look.xml"] = "<styleSheet" + Ns + R"(><numFmts count="1"><numFmt numFmtId="170" formatCode="0.0&quot; K&quot;"/></numFmts>)"
                       R"(<cellStyleXfs count="1"><xf numFmtId="170"/></cellStyleXfs>)"
                       R"(<cellXfs count="3"><xf numFmtId="0"/><xf numFmtId="10"/><xf numFmtId="170"/></cellXfs></styleSheet>)";
  p["book/sheets/one.xml"] =
      "<x:worksheet xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
      R"(<x:cols><x:col min="2" max="3" width="20.7109375" customWidth="1"/><x:col min="4" max="16384" width="3"/></x:cols>)"
      R"(<x:sheetData>)"
      R"(<x:row r="1"><x:c r="A1"><x:v>1.5</x:v></x:c><x:c><x:v>2.5</x:v></x:c><x:c t="s"><x:v>1</x:v></x:c></x:row>)"
      R"(<x:row r="3" ht="30" customHeight="1"><x:c r="A3" s="1"><x:v>0.25</x:v></x:c><x:c r="B3" s="2"><x:v>300</x:v></x:c>)"
      R"(<x:c r="C3" t="b"><x:v>1</x:v></x:c><x:c r="D3" t="e"><x:v>#DIV/0!</x:v></x:c></x:row>)"
      R"(<x:row><x:c r="A4" t="inlineStr"><x:is><x:t>inline</x:t></x:is></x:c><x:c r="B4" t="d"><x:v>2026-12-09T06:30:00</x:v></x:c>)"
      R"(<x:c r="C4" t="s"><x:v>2</x:v></x:c></x:row>)"
      R"(<x:row r="5"><x:c r="A5" t="inlineStr"><x:is><x:r><x:t>漢</x:t></x:r><x:rPh sb="0" eb="1"><x:t>かん</x:t></x:rPh>)"
      R"(<x:phoneticPr fontId="1"/></x:is></x:c></x:row>)"
      R"(</x:sheetData></x:worksheet>)";
  // Shared formulas: the master holds the text, the others its index.
  p["book/sheets/two.xml"] =
      "<worksheet" + Ns + R"(><sheetData>)"
      R"(<row r="1"><c r="A1"><v>1</v></c><c r="B1"><f t="shared" ref="B1:B3" si="0">A1*2+$A$1</f><v>0</v></c>)"
      R"(<c r="C1"><f>_xlfn.STDEV.S(A1:A3)+SUM('Data &amp; more'!A1:B1)</f><v>9</v></c></row>)"
      R"(<row r="2"><c r="A2"><v>2</v></c><c r="B2"><f t="shared" si="0"/><v>0</v></c></row>)"
      R"(<row r="3"><c r="A3"><v>3</v></c><c r="B3"><f t="shared" si="0"/><v>0</v></c>)"
      R"(<c r="C3" t="str"><f t="array" ref="C3:C4">A1&amp;"x"</f><v>1x</v></c></row>)"
      R"(<row r="4"><c r="C4" t="str"><v>cached</v></c></row>)"
      R"(</sheetData></worksheet>)";
  return p;
}

TEST(XlsxImport, ReadsWhatOtherProgramsWrite) {
  TWorkbook b = TXlsxImport::Read("foreign.xlsx", Package(ForeignWorkbook()));
  ASSERT_EQ(b.NumSheets(), 3);
  EXPECT_EQ(b.SheetName(1), "Data & more");
  EXPECT_EQ(b.SheetName(2), "Chart");  // kept, empty, so sheet numbers stay
  EXPECT_EQ(b.SheetName(3), "x");
  b.SetSheet(1);
  EXPECT_EQ(b.NumberRC(1, 1), 1.5);
  EXPECT_EQ(b.NumberRC(1, 2), 2.5);  // no reference: the column after the last
  EXPECT_EQ(b.TextRC(1, 3), "rich text");
  EXPECT_EQ(b.FormattedTextRC(3, 1), "25.00%");  // built-in format 10
  EXPECT_EQ(b.FormattedTextRC(3, 2), "300.0 K");
  EXPECT_EQ(b.ValueRC(3, 3).Kind, TValueKind::Bool);
  EXPECT_EQ(b.TextRC(3, 4), "#DIV/0!");
  EXPECT_EQ(b.TextRC(4, 1), "inline");  // row without a number follows row 3
  EXPECT_DOUBLE_EQ(b.NumberRC(4, 2), datetime::EncodeDate(2026, 12, 9) + 0.25 + 1.0 / 48);
  EXPECT_EQ(b.TextRC(4, 3), "tab\tin");
  EXPECT_EQ(b.TextRC(5, 1), QString::fromUtf8("漢"));  // the reading aid is not content
  EXPECT_NEAR(b.ColWidth(2), 20 * 256, 2);
  EXPECT_NEAR(b.ColWidth(3), 20 * 256, 2);
  EXPECT_EQ(b.RowHeight(3), 600);
  EXPECT_EQ(b.MaxCol(), 4);  // a style over every column does not widen the grid

  b.SetSheet(3);
  EXPECT_EQ(b.FormulaRC(2, 2), "=A2*2+$A$1");
  EXPECT_EQ(b.NumberRC(3, 2), 7);  // computed here, not the cached 0
  EXPECT_EQ(b.FormulaRC(1, 3), "=STDEV.S(A1:A3)+SUM('Data & more'!A1:B1)");
  EXPECT_EQ(b.FormulaRC(3, 3), "=A1&\"x\"");
  EXPECT_EQ(b.TextRC(4, 3), "1x");  // an array formula of one value fills its extent, whatever the file saved
  b.SetNumberRC(1, 1, 10);
  EXPECT_EQ(b.NumberRC(2, 2), 14);
  EXPECT_EQ(b.TextRC(4, 3), "10x");
}

// The uses of a shared formula are copies of its master: moved references, absolute parts kept,
// a reference pushed off the sheet becomes #REF!, references to another sheet still move.
TEST(XlsxImport, SharedFormulaUsesBehaveAsCopiesOfTheirMaster) {
  TParts p = ForeignWorkbook();
  p["book/sheets/two.xml"] =
      "<worksheet" + Ns + R"(><sheetData>)"
      R"(<row r="2"><c r="A2"><v>1</v></c><c r="B2"><f t="shared" ref="B2:C3" si="3">A2+$A$2+A1</f></c>)"
      R"(<c r="D2"><f t="shared" ref="D2:D3" si="5">'Data &amp; more'!A1*2</f></c></row>)"
      R"(<row r="3"><c r="A3"><v>5</v></c><c r="B3"><f t="shared" si="3"/></c><c r="D3"><f t="shared" si="5"/></c></row>)"
      R"(<row r="1"><c r="F1"><f t="shared" si="3"/></c><c r="G1"><f t="shared" si="9"/><v>4</v></c></row>)"
      R"(</sheetData></worksheet>)";
  TWorkbook b = TXlsxImport::Read("shared.xlsx", Package(p));
  b.SetSheet(3);
  EXPECT_EQ(b.FormulaRC(3, 2), "=A3+$A$2+A2");
  EXPECT_EQ(b.NumberRC(3, 2), 7);
  // Row 1 lies above the master: its reference one row up leaves the sheet.
  EXPECT_EQ(b.FormulaRC(1, 6), "=E1+$A$2+#REF!");
  EXPECT_EQ(b.TextRC(1, 6), "#REF!");
  EXPECT_EQ(b.FormulaRC(3, 4), "='Data & more'!A2*2");
  EXPECT_EQ(b.NumberRC(2, 4), 3);
  EXPECT_EQ(b.NumberRC(1, 7), 4);  // a use whose master is missing keeps its value
  // Copies recompute with their own cells and show their own text after a save.
  b.SetNumberRC(3, 1, 10);
  EXPECT_EQ(b.NumberRC(3, 2), 12);
  b.SetNumberRC(2, 1, 2);
  EXPECT_EQ(b.NumberRC(3, 2), 14);
  EXPECT_EQ(b.NumberRC(2, 2), 4);
}

// A shared formula our engine cannot compute is kept as written in every cell it covers, each
// with the value the file saved there (texts, numbers, errors alike).
TEST(XlsxImport, SharedFormulaKeptWithEachCellsOwnSavedValue) {
  TParts p = ForeignWorkbook();
  p["book/sheets/two.xml"] =
      "<worksheet" + Ns + R"(><sheetData>)"
      R"(<row r="1"><c r="A1" t="str"><f t="shared" ref="A1:A4" si="0">NOSUCHFUNCTION(B1)</f><v>first</v></c></row>)"
      R"(<row r="2"><c r="A2" t="str"><f t="shared" si="0"/><v>second</v></c></row>)"
      R"(<row r="3"><c r="A3"><f t="shared" si="0"/><v>2.5</v></c></row>)"
      R"(<row r="4"><c r="A4" t="e"><f t="shared" si="0"/><v>#N/A</v></c></row>)"
      R"(</sheetData></worksheet>)";
  TWorkbook b = TXlsxImport::Read("kept.xlsx", Package(p));
  b.SetSheet(3);
  EXPECT_EQ(b.TextRC(1, 1), "first");
  EXPECT_EQ(b.TextRC(2, 1), "second");
  EXPECT_EQ(b.NumberRC(3, 1), 2.5);
  EXPECT_EQ(b.TextRC(4, 1), "#N/A");
  EXPECT_EQ(b.FormulaRC(3, 1), "=NOSUCHFUNCTION(B3)");
}

// Each fault is reported with the file and the place, as far as the file lets us say.
TEST(XlsxImport, DamagedPackagesAreRefusedWithThePlaceNamed) {
  struct TCase {
    const char* Name;
    std::string Part, Xml;
    const char* Says;
  };
  const std::string sheet = "book/sheets/one.xml";
  const TCase cases[] = {
      {"bad number", sheet, "<worksheet><sheetData><row r=\"2\"><c r=\"C2\"><v>1.2.3</v></c></row></sheetData></worksheet>",
       "cell C2"},
      {"missing text", sheet, "<worksheet><sheetData><row><c r=\"B1\" t=\"s\"><v>7</v></c></row></sheetData></worksheet>",
       "shared text 7"},
      {"bad reference", sheet, "<worksheet><sheetData><row><c r=\"1A\"><v>1</v></c></row></sheetData></worksheet>",
       "\"1A\" is not a cell name"},
      {"outside", sheet, "<worksheet><sheetData><row><c r=\"XFE1\"><v>1</v></c></row></sheetData></worksheet>",
       "XFE1"},
      {"bad xml", sheet, "<worksheet>\n<sheetData>\n<row><c r=\"A1\"><v>1</v></row>\n</sheetData></worksheet>",
       "one.xml line 3"},
      {"unknown type", sheet, "<worksheet><sheetData><row><c r=\"A1\" t=\"q\"><v>1</v></c></row></sheetData></worksheet>",
       "unknown cell type"},
      {"no sheets", "book/main.xml", "<workbook><sheets/></workbook>", "no sheet"},
      // 2^32 + 1 and 2^31 must not wrap into the sheet.
      {"row beyond 32 bits", sheet, "<worksheet><sheetData><row r=\"4294967297\"><c><v>1</v></c></row></sheetData></worksheet>",
       "row 4294967297"},
      {"row beyond int", sheet, "<worksheet><sheetData><row r=\"2147483648\"><c><v>1</v></c></row></sheetData></worksheet>",
       "out of range"},
  };
  for (const TCase& c : cases) {
    TParts parts = ForeignWorkbook();
    parts[c.Part] = c.Xml;
    try {
      TXlsxImport::Read("damaged.xlsx", Package(parts));
      ADD_FAILURE() << c.Name << " was accepted";
    } catch (const EWorkbookError& e) {
      EXPECT_TRUE(e.Message().contains("damaged.xlsx")) << e.what();
      EXPECT_TRUE(e.Message().contains(c.Says)) << c.Name << ": " << e.what();
    }
  }

  // Damage to the archive itself: a flipped byte inside compressed data, a cut end, no workbook.
  QByteArray good = Package(ForeignWorkbook());
  QByteArray flipped = good;
  flipped[good.indexOf("book/sheets/two.xml") + 40] = static_cast<char>(flipped[good.indexOf("book/sheets/two.xml") + 40] ^ 0x55);
  TParts noWorkbook = ForeignWorkbook();
  noWorkbook.erase("book/main.xml");
  for (const QByteArray& bad : {flipped, good.left(good.size() - 10), Package(noWorkbook), QByteArray("PK\x03\x04", 4)}) {
    EXPECT_THROW(TXlsxImport::Read("damaged.xlsx", bad), EWorkbookError);
  }
}

// Random damage, both to the XML inside a sound archive and to the archive's own bytes, must end
// in a workbook or a refusal, never a crash, hang or stray exception.
TEST(XlsxImport, RandomDamageNeverCrashesTheReader) {
  std::mt19937 rng(2026);
  const TParts original = ForeignWorkbook();
  auto mutate = [&](auto bytes) {
    const int edits = 1 + static_cast<int>(rng() % 4);
    for (int e = 0; e < edits && !bytes.empty(); ++e) {
      const std::size_t at = rng() % bytes.size();
      switch (rng() % 4) {
        case 0: bytes[at] = static_cast<char>(rng()); break;
        case 1: bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(at)); break;
        case 2: bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), "<>/\"&_x0\xff"[rng() % 10]); break;
        default: bytes.resize(at); break;
      }
    }
    return bytes;
  };
  int read = 0, refused = 0;
  for (int i = 0; i < 1500; ++i) {
    QByteArray package;
    if (i % 3 == 2) {
      const QByteArray good = Package(original);
      const std::string damaged = mutate(good.toStdString());
      package = QByteArray(damaged.data(), static_cast<qsizetype>(damaged.size()));
    } else {
      TParts parts = original;
      auto part = parts.begin();
      std::advance(part, static_cast<std::ptrdiff_t>(rng() % parts.size()));
      part->second = mutate(part->second);
      package = Package(parts);
    }
    try {
      TXlsxImport::Read("fuzz.xlsx", package);
      ++read;
    } catch (const EWorkbookError& e) {
      ++refused;
      EXPECT_TRUE(e.Message().startsWith("fuzz.xlsx")) << e.what();
    }
  }
  EXPECT_GT(read, 0);
  EXPECT_GT(refused, 0);
}

}  // namespace

namespace {

// Files other programs write that Excel opens: sheets named out of order (the first deleted), the
// 1904 date system, empty values, part names with backslashes.
TEST(XlsxImport, LenientWhereOtherProgramsAreLenient) {
  TParts p = ForeignWorkbook();
  p["book/main.xml"] = "<workbook" + Ns + R"(><workbookPr date1904="1"/><sheets><sheet name="Sheet3" sheetId="4" r:id="rA"/>)"
                       R"(<sheet name="Chart" sheetId="5" r:id="rC"/><sheet name="Sheet1" sheetId="6" r:id="rB"/></sheets></workbook>)";
  p["book/look.xml"] = "<styleSheet" + Ns + R"(><cellXfs count="3"><xf numFmtId="0"/><xf numFmtId="14"/><xf numFmtId="21"/></cellXfs></styleSheet>)";
  p["book/sheets/one.xml"] =
      "<worksheet" + Ns + R"(><sheetData><row r="1"><c r="A1" s="1"><v>43831</v></c><c r="B1"><v>43831</v></c>)"
      R"(<c r="C1" s="2"><v>0.5</v></c><c r="D1"><v></v></c><c r="E1" t="s"><v/></c><c r="F1" t="d"><v>2024-01-02</v></c></row>)"
      R"(</sheetData></worksheet>)";
  TWorkbook b = TXlsxImport::Read("lenient.xlsx", Package(p));
  EXPECT_EQ(b.SheetName(1), "Sheet3");
  EXPECT_EQ(b.SheetName(3), "Sheet1");
  b.SetSheet(1);
  EXPECT_EQ(b.NumberRC(1, 1), datetime::EncodeDate(2024, 1, 2));  // a date moves to our system
  EXPECT_EQ(b.NumberRC(1, 2), 43831);                               // a plain number does not
  EXPECT_EQ(b.NumberRC(1, 3), 0.5);                                 // nor a time of day
  EXPECT_EQ(b.NumberRC(1, 4), 0);                                   // read as an empty cell
  EXPECT_EQ(b.TextRC(1, 4), "");
  EXPECT_EQ(b.TextRC(1, 5), "");
  EXPECT_EQ(b.NumberRC(1, 6), datetime::EncodeDate(2024, 1, 2));    // ISO dates are absolute

  // Part names written with backslashes, as some Windows tools do.
  TParts slashes;
  for (const auto& [name, text] : ForeignWorkbook()) {
    std::string windows = name;
    std::replace(windows.begin(), windows.end(), '/', '\\');
    slashes[windows] = text;
  }
  TWorkbook w = TXlsxImport::Read("backslashes.xlsx", Package(slashes));
  EXPECT_EQ(w.TextRC(1, 3), "rich text");
}

TEST(XlsxImport, TheSampleFilesOpen) {
  const QString dir = QStringLiteral(QUORLEX_SOURCE_DIR "/tests/fuzz/corpus/xlsx/");
  TWorkbook order;
  order.Read(dir + "sheets-not-in-order.xlsx");
  EXPECT_EQ(order.SheetName(1), "Sheet2");
  EXPECT_EQ(order.NumberRC(1, 1), 42);
  TWorkbook bools;
  bools.Read(dir + "countif-booleans.xlsx");
  EXPECT_EQ(bools.NumberRC(4, 2), 2);  // COUNTIF(A1:A3,TRUE)
  EXPECT_EQ(bools.NumberRC(4, 3), 2);  // COUNTIF(A1:A3,"TRUE")
  EXPECT_EQ(bools.NumberRC(4, 4), 0);  // SUM skips booleans in ranges
  EXPECT_EQ(bools.NumberRC(4, 5), 0);  // PRODUCT of no numbers
}

}  // namespace

namespace {

// A workbook of several sheets, each read on its own thread: every sheet's cells and formulas land
// where they belong, and of two damaged sheets the first in sheet order is the one reported, even
// when the later one is found damaged first.
TEST(XlsxImport, SheetsReadSideBySideAsOneAfterAnother) {
  auto workbookOf = [](int count, const std::function<std::string(int)>& sheet) {
    TParts p;
    std::string sheets, rels;
    for (int s = 1; s <= count; ++s) {
      sheets += "<sheet name=\"S" + std::to_string(s) + "\" sheetId=\"" + std::to_string(s) + "\" r:id=\"r" + std::to_string(s) + "\"/>";
      rels += "<Relationship Id=\"r" + std::to_string(s) + "\" Type=\"x/worksheet\" Target=\"worksheets/s" + std::to_string(s) + ".xml\"/>";
      p["xl/worksheets/s" + std::to_string(s) + ".xml"] = "<worksheet" + Ns + "><sheetData>" + sheet(s) + "</sheetData></worksheet>";
    }
    p["xl/workbook.xml"] = "<workbook" + Ns + "><sheets>" + sheets + "</sheets></workbook>";
    p["xl/_rels/workbook.xml.rels"] = "<Relationships>" + rels + "</Relationships>";
    p["xl/sharedStrings.xml"] = "<sst" + Ns + "><si><t>shared</t></si></sst>";
    return Package(p);
  };
  // Sheet s: 5000 rows of s * row (large enough to be read side by side), a shared text, and a
  // shared formula reading the next sheet.
  auto rows = [](int s) {
    std::string xml;
    for (int r = 1; r <= 5000; ++r) {
      xml += "<row r=\"" + std::to_string(r) + "\"><c r=\"A" + std::to_string(r) + "\"><v>" + std::to_string(s * r) + "</v></c>";
      if (r == 1) xml += "<c r=\"B1\" t=\"s\"><v>0</v></c><c r=\"C1\"><f t=\"shared\" ref=\"C1:C5000\" si=\"0\">A1+S" + std::to_string(s % 6 + 1) + "!A1</f></c>";
      else xml += "<c r=\"C" + std::to_string(r) + "\"><f t=\"shared\" si=\"0\"/></c>";
      xml += "</row>";
    }
    return xml;
  };
  TWorkbook b = TXlsxImport::Read("six.xlsx", workbookOf(6, rows));
  for (int s = 1; s <= 6; ++s) {
    b.SetSheet(s);
    EXPECT_EQ(b.NumberRC(5000, 1), s * 5000) << s;
    EXPECT_EQ(b.TextRC(1, 2), "shared") << s;
    EXPECT_EQ(b.NumberRC(4999, 3), s * 4999 + (s % 6 + 1) * 4999) << s;
    EXPECT_EQ(b.FormulaRC(7, 3), QStringLiteral("=A7+S%1!A7").arg(s % 6 + 1)) << s;
  }

  const QByteArray damaged = workbookOf(6, [&](int s) {
    if (s == 2) return rows(s) + "<row r=\"5001\"><c r=\"A5001\"><v>x</v></c></row>";  // found late
    if (s == 5) return std::string("<row r=\"1\"><c r=\"A1\"><v>y</v></c></row>");    // found at once
    return rows(s);
  });
  for (int attempt = 0; attempt < 20; ++attempt) {
    try {
      TXlsxImport::Read("damaged.xlsx", damaged);
      ADD_FAILURE() << "a damaged sheet was accepted";
    } catch (const EWorkbookError& e) {
      EXPECT_TRUE(e.Message().contains("sheet \"S2\" cell A5001")) << e.what();
    }
  }
}

}  // namespace
