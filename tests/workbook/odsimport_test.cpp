// .ods files written the way office programs write them: repeated rows and cells holding values,
// every value type, formulas with full-precision constants, and faults named in the user's words.
#include <gtest/gtest.h>

#include "qstringprinter.h"
#include "xlsxpackage.h"


#include "support/tempfolder.h"
#include "workbook/formats/odscontentreader.h"
#include "workbook/formats/odsimport.h"
#include "workbook/model/workbook.h"
#include "workbook/model/workbookerror.h"

namespace {

std::string Float(double v) {
  return "<table:table-cell office:value-type=\"float\" office:value=\"" + std::to_string(v) + "\"><text:p>x</text:p></table:table-cell>";
}

TWorkbook Read(const std::string& tables) { return TOdsImport::Read("test.ods", Ods(tables)); }

QString Failure(const std::string& tables) {
  try {
    Read(tables);
  } catch (const EWorkbookError& e) {
    return e.Message();
  }
  return QStringLiteral("(read without complaint)");
}

// Writers keep a run of identical rows (a constant reading) as one row with a count: each repeat
// is a full row, and the rows after them keep their places.
TEST(OdsImport, RepeatedRowsAndCellsHoldingValuesAreEveryOneOfThem) {
  TWorkbook b = Read(
      "<table:table table:name=\"Run\">"
      "<table:table-row table:number-rows-repeated=\"3\">" + Float(7) +
      "<table:table-cell table:number-columns-repeated=\"2\" office:value-type=\"string\"><text:p>on</text:p></table:table-cell>"
      "<table:table-cell table:formula=\"of:=[.A1]*2\" office:value-type=\"float\" office:value=\"0\"/></table:table-row>"
      "<table:table-row table:number-rows-repeated=\"2\"><table:table-cell table:number-columns-repeated=\"4\"/></table:table-row>"
      "<table:table-row>" + Float(9) + "</table:table-row></table:table>");
  for (int r = 1; r <= 3; ++r) {
    EXPECT_EQ(b.NumberRC(r, 1), 7) << r;
    EXPECT_EQ(b.TextRC(r, 2), "on") << r;
    EXPECT_EQ(b.TextRC(r, 3), "on") << r;
    EXPECT_EQ(b.FormulaRC(r, 4), QStringLiteral("=A%1*2").arg(r)) << r;  // each repeat reads its own row
  }
  EXPECT_EQ(b.NumberRC(4, 1), 0);
  EXPECT_EQ(b.TextRC(5, 1), "");
  EXPECT_EQ(b.NumberRC(6, 1), 9);
  EXPECT_EQ(b.LastRow(), 6);
  b.SetNumberRC(2, 1, 1);
  EXPECT_EQ(b.NumberRC(2, 4), 2);
}

// Percentage, currency, date, time and boolean cells keep their values, show as typed, and take
// part in formulas; text comes from all paragraphs with spaces, tabs and breaks, not from notes.
TEST(OdsImport, EveryValueTypeIsKept) {
  TWorkbook b = Read(
      "<table:table table:name=\"Sheet1\"><table:table-row>"
      "<table:table-cell office:value-type=\"percentage\" office:value=\"0.25\"><text:p>25%</text:p></table:table-cell>"
      "<table:table-cell office:value-type=\"currency\" office:currency=\"EUR\" office:value=\"19.99\"><text:p>19.99 EUR</text:p></table:table-cell>"
      "<table:table-cell office:value-type=\"date\" office:date-value=\"2024-03-01\"><text:p>01/03/24</text:p></table:table-cell>"
      "<table:table-cell office:value-type=\"date\" office:date-value=\"2024-03-01T06:00:00\"><text:p>x</text:p></table:table-cell>"
      "<table:table-cell office:value-type=\"time\" office:time-value=\"PT12H30M00S\"><text:p>12:30:00</text:p></table:table-cell>"
      "<table:table-cell office:value-type=\"boolean\" office:boolean-value=\"true\"><text:p>TRUE</text:p></table:table-cell>"
      "<table:table-cell office:value-type=\"string\"><text:p>a<text:s text:c=\"2\"/>b<text:tab/>c</text:p>"
      "<office:annotation><text:p>a note</text:p></office:annotation><text:p><text:span>line 2</text:span></text:p></table:table-cell>"
      "</table:table-row><table:table-row>"
      "<table:table-cell table:formula=\"of:=[.A1]*100+[.B1]\"/>"
      "<table:table-cell table:formula=\"of:=IF([.F1];[.D1]-[.C1];0)\"/>"
      "<table:table-cell office:value-type=\"time\" office:time-value=\"PT26H\"/>"
      "<table:table-cell office:value-type=\"float\" office:value=\"0.30000000000000004\"/>"
      "</table:table-row></table:table>");
  EXPECT_EQ(b.NumberRC(1, 1), 0.25);
  EXPECT_EQ(b.FormattedTextRC(1, 1), "25%");
  EXPECT_EQ(b.FormattedTextRC(1, 2), "19.99");
  EXPECT_EQ(b.FormattedTextRC(1, 3), "2024-03-01");
  EXPECT_EQ(b.FormattedTextRC(1, 4), "2024-03-01 06:00:00");
  EXPECT_DOUBLE_EQ(b.NumberRC(1, 5), 12.5 / 24);
  EXPECT_EQ(b.FormattedTextRC(1, 5), "12:30:00");
  EXPECT_EQ(b.ValueRC(1, 6).Kind, TValueKind::Bool);
  EXPECT_EQ(b.TextRC(1, 7), "a  b\tc\nline 2");
  EXPECT_DOUBLE_EQ(b.NumberRC(2, 1), 44.99);
  EXPECT_DOUBLE_EQ(b.NumberRC(2, 2), 0.25);
  EXPECT_EQ(b.FormattedTextRC(2, 3), "26:00:00");
  EXPECT_EQ(b.NumberRC(2, 4), 0.30000000000000004);
}

// Formula text is taken as the file has it: constants keep every digit.
TEST(OdsImport, FormulaConstantsKeepEveryDigit) {
  TWorkbook b = Read(
      "<table:table table:name=\"Data sheet\"><table:table-row>" + Float(2) +
      "<table:table-cell table:formula=\"of:=[.A1]*3.14159265358979\"/>"
      "<table:table-cell table:formula=\"of:=4018.99999998843+0\"/>"
      "<table:table-cell table:formula=\"of:=SUM([.A1:.B1];[$'Data sheet'.A1];&quot;a;b&quot;=&quot;x&quot;)\"/>"
      "</table:table-row></table:table>"
      "<table:table table:name=\"Other\"><table:table-row>"
      "<table:table-cell table:formula=\"oooc:=[$'Data sheet'.A1]+SUM([$'Data sheet'.$A$1:.$A$1])\"/></table:table-row></table:table>");
  EXPECT_EQ(b.FormulaRC(1, 2), "=A1*3.14159265358979");
  EXPECT_EQ(b.NumberRC(1, 2), 2 * 3.14159265358979);
  EXPECT_EQ(b.NumberRC(1, 3), 4018.99999998843);
  EXPECT_EQ(b.FormulaRC(1, 4), "=SUM(A1:B1,'Data sheet'!A1,\"a;b\"=\"x\")");
  b.SetSheet(2);
  EXPECT_EQ(b.FormulaRC(1, 1), "='Data sheet'!A1+SUM('Data sheet'!$A$1:$A$1)");
  EXPECT_EQ(b.NumberRC(1, 1), 4);
}

TEST(OdsImport, TheSampleFilesReadTrue) {
  const QString dir = QStringLiteral(QUORLEX_SOURCE_DIR "/tests/fuzz/corpus/ods/");
  TWorkbook typed;
  typed.Read(dir + "ods-typed-cells-dropped.ods");
  EXPECT_EQ(typed.LastCol(), 7);
  EXPECT_EQ(typed.TextRC(1, 7), "hello");
  EXPECT_EQ(typed.FormattedTextRC(1, 4), "2024-03-01");
  TWorkbook constants;
  constants.Read(dir + "ods-formula-constants-cut.ods");
  EXPECT_EQ(constants.FormulaRC(1, 2), "=A1*3.14159265358979");
  EXPECT_EQ(constants.NumberRC(1, 4), 0.000123456789);
  TWorkbook floats;
  floats.Read(dir + "ods-float-constants-cut.ods");
  EXPECT_EQ(floats.NumberRC(1, 1), 0.30000000000000004);
  EXPECT_EQ(floats.NumberRC(1, 2), 3.141592653589793);
}

// Faults name the file, the place and the cause, never the reading library's internals.
TEST(OdsImport, FaultsAreNamedInTheUsersWords) {
  EXPECT_EQ(Failure("<table:table table:name=\"S\"><table:table-row><table:table-cell office:value-type=\"float\" "
                    "office:value=\"1,5\"/></table:table-row></table:table>"),
            "test.ods: sheet \"S\" cell A1: the value \"1,5\" is not a number");
  EXPECT_EQ(Failure("<table:table table:name=\"S\"><table:table-row table:number-rows-repeated=\"1048576\"/>"
                    "<table:table-row>" + Float(1) + "</table:table-row></table:table>"),
            "test.ods: sheet \"S\" cell A1048577: the cell lies outside the sheet, which ends at row 1048576, column 16384");
  EXPECT_EQ(Failure("<table:table table:name=\"S\"><table:table-row table:number-rows-repeated=\"2000\">"
                    "<table:table-cell table:number-columns-repeated=\"2000\" office:value-type=\"float\" office:value=\"1\"/>"
                    "</table:table-row></table:table>"),
            "test.ods: sheet \"S\" cell A1: the file repeats cells that hold something more than 2000000 times: too many cells");
  EXPECT_EQ(Failure("<table:table table:name=\"S\"><table:table-row table:number-rows-repeated=\"-3\"/></table:table>"),
            "test.ods: the repeat count of rows \"-3\" is not a positive whole number");
  const QString cut = Failure("<table:table table:name=\"S\"><table:table-row>");
  EXPECT_TRUE(cut.startsWith("test.ods: content.xml line 3: malformed XML")) << cut.toStdString();
  EXPECT_EQ(Failure("<table:table table:name=\"S\"/><table:table table:name=\"s\"/>"),
            "test.ods: sheet 2: there is already a sheet named \"s\"");
}

// Column widths come through on every sheet, also past the columns a table lays out and where
// tables declare the full width, which the layout reader is not given whole.
TEST(OdsImport, ColumnWidthsReachTheLastColumnHoldingSomething) {
  const std::string wide = "<table:table-column table:style-name=\"narrow\" table:number-columns-repeated=\"16384\"/>";
  const std::string content =
      "<?xml version=\"1.0\"?>\n<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
      "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\" "
      "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\">"
      "<office:automatic-styles>"
      "<style:style style:name=\"wide\" style:family=\"table-column\"><style:table-column-properties style:column-width=\"3in\"/></style:style>"
      "<style:style style:name=\"narrow\" style:family=\"table-column\"><style:table-column-properties style:column-width=\"0.5in\"/></style:style>"
      "</office:automatic-styles><office:body><office:spreadsheet>"
      "<table:table table:name=\"Near\"><table:table-column table:style-name=\"narrow\"/><table:table-column table:style-name=\"wide\"/>"
      "<table:table-row>" + Float(1) + Float(2) + "</table:table-row></table:table>"
      "<table:table table:name=\"Far\"><table:table-column table:style-name=\"narrow\" table:number-columns-repeated=\"1999\"/>"
      "<table:table-column table:style-name=\"wide\" table:number-columns-repeated=\"14385\"/>"
      "<table:table-row><table:table-cell table:number-columns-repeated=\"1999\"/>" + Float(3) + "</table:table-row></table:table>"
      "<table:table table:name=\"Empty\">" + wide + "<table:table-row>" + Float(4) + "</table:table-row></table:table>"
      "</office:spreadsheet></office:body></office:document-content>";
  TWorkbook b = TOdsImport::Read("test.ods", PackageInOrder({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}, {"content.xml", content}}));
  ASSERT_EQ(b.NumSheets(), 3);
  b.SetSheet(1);
  const int narrow = b.ColWidth(1), wideWidth = b.ColWidth(2);
  EXPECT_GT(narrow, 256);
  EXPECT_GT(wideWidth, 5 * narrow);
  b.SetSheet(2);
  EXPECT_EQ(b.NumberRC(1, 2000), 3);
  EXPECT_EQ(b.ColWidth(1999), narrow);
  EXPECT_EQ(b.ColWidth(2000), wideWidth);
  b.SetSheet(3);
  EXPECT_EQ(b.NumberRC(1, 1), 4);
  EXPECT_EQ(b.ColWidth(1), narrow);
}

// Number formats from the styles: a cell's own, its column's, and one its style takes from a
// parent in the styles part; conditions on the sign become sections.
TEST(OdsImport, NumberFormatsComeFromCellColumnAndParentStyles) {
  const std::string ns =
      "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
      "xmlns:number=\"urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0\" xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
      "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"";
  const std::string styles =
      "<?xml version=\"1.0\"?><office:document-styles " + ns + "><office:styles>"
      "<number:number-style style:name=\"N1\"><number:number number:decimal-places=\"3\" number:min-integer-digits=\"1\"/></number:number-style>"
      "<style:style style:name=\"Reading\" style:family=\"table-cell\" style:data-style-name=\"N1\"/>"
      "</office:styles></office:document-styles>";
  const std::string content =
      "<?xml version=\"1.0\"?><office:document-content " + ns + "><office:automatic-styles>"
      "<number:number-style style:name=\"P0\"><number:number number:decimal-places=\"1\" number:min-integer-digits=\"1\" number:grouping=\"true\"/>"
      "<number:text> kPa</number:text></number:number-style>"
      "<number:number-style style:name=\"N2\"><number:text>(</number:text><number:number number:decimal-places=\"1\" number:min-integer-digits=\"1\" "
      "number:grouping=\"true\"/><number:text>)</number:text><style:map style:condition=\"value()&gt;=0\" style:apply-style-name=\"P0\"/></number:number-style>"
      "<number:time-style style:name=\"N3\" number:truncate-on-overflow=\"false\"><number:hours/><number:text>:</number:text>"
      "<number:minutes number:style=\"long\"/></number:time-style>"
      "<style:style style:name=\"signed\" style:family=\"table-cell\" style:data-style-name=\"N2\"/>"
      "<style:style style:name=\"child\" style:family=\"table-cell\" style:parent-style-name=\"Reading\"/>"
      "<style:style style:name=\"hours\" style:family=\"table-cell\" style:data-style-name=\"N3\"/>"
      "</office:automatic-styles><office:body><office:spreadsheet><table:table table:name=\"S\">"
      "<table:table-column/><table:table-column table:number-columns-repeated=\"2\" table:default-cell-style-name=\"hours\"/>"
      "<table:table-row><table:table-cell table:style-name=\"signed\" office:value-type=\"float\" office:value=\"1234.56\"/>"
      "<table:table-cell table:number-columns-repeated=\"2\" office:value-type=\"float\" office:value=\"1.5\"/></table:table-row>"
      "<table:table-row><table:table-cell table:style-name=\"signed\" office:value-type=\"float\" office:value=\"-2\"/>"
      "<table:table-cell table:style-name=\"child\" office:value-type=\"float\" office:value=\"2\"/></table:table-row>"
      "</table:table></office:spreadsheet></office:body></office:document-content>";
  const TWorkbook b = TOdsImport::Read(
      "test.ods", PackageInOrder({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}, {"styles.xml", styles}, {"content.xml", content}}));
  EXPECT_EQ(b.FormattedTextRC(1, 1), "1,234.6 kPa");
  EXPECT_EQ(b.FormattedTextRC(2, 1), "(2.0)");
  EXPECT_EQ(b.FormattedTextRC(1, 2), "36:00");
  EXPECT_EQ(b.FormattedTextRC(1, 3), "36:00");
  EXPECT_EQ(b.FormattedTextRC(2, 2), "2.000");
}

TEST(OdsImport, OpenFormulaTranslation) {
  EXPECT_EQ(TOdsContentReader::TranslateFormula("of:=[.A1:.B2]"), "=A1:B2");
  EXPECT_EQ(TOdsContentReader::TranslateFormula("=[$Run.$B$3]"), "=Run!$B$3");
  EXPECT_EQ(TOdsContentReader::TranslateFormula("of:=[$'it''s'.A1]"), "='it''s'!A1");
  EXPECT_EQ(TOdsContentReader::TranslateFormula("of:=IF([.A1]>0;\"[.x];\";1)"), "=IF(A1>0,\"[.x];\",1)");
  EXPECT_EQ(TOdsContentReader::TranslateFormula("of:=SUM([$A.A1:$C.A1])"), "=SUM(A!A1:C!A1)");  // across sheets: refused later
}

}  // namespace
