// The sheet reader takes the usual rows and cells straight from their bytes. Whatever a sheet part
// holds, that must read exactly as the scanner's events (and expat's) read it: the same cells,
// formats, dates and refusals, wherever the input is cut into pieces.
#include <gtest/gtest.h>

#include "qstringprinter.h"
#include "xlsxpackage.h"

#include <random>
#include <string>
#include <vector>

#include "workbook/formats/workbookfile.h"
#include "workbook/formats/xlsxsheetreader.h"
#include "workbook/formats/xmlpartparser.h"
#include "workbook/formats/xmlscanner.h"
#include "workbook/model/sheet.h"
#include "workbook/model/workbook.h"
#include "workbook/model/workbookerror.h"
#include "workbook/zip/zipreader.h"

namespace {

const std::vector<QString> Strings = {"shared"};
const std::vector<QString> Styles = {"", "0.00", "yyyy-mm-dd"};

// Every cell of the sheet with its format, and the rows' heights, or "refused" and the message.
std::string Contents(TWorkbook& book) {
  std::string out;
  for (int r = 1; r <= book.MaxRow(); ++r) {
    if (book.RowHeight(r) != TSheet::DefaultRowHeight) out += "row " + std::to_string(r) + " height " + std::to_string(book.RowHeight(r)) + " ";
    for (int c = 1; c <= book.MaxCol(); ++c) {
      const TCellValue v = book.ValueRC(r, c);
      if (v.Kind == TValueKind::Empty && book.NumberFormatRC(r, c).isEmpty()) continue;
      out += std::to_string(r) + "," + std::to_string(c) + "=" + book.FormulaRC(r, c).toStdString() + "|" + book.TextRC(r, c).toStdString() + "|" +
             std::to_string(v.Kind == TValueKind::Number ? v.Num : 0) + "|" + book.NumberFormatRC(r, c).toStdString() + " ";
    }
  }
  return out;
}

template <class TParse>
std::string Read(TParse parse) {
  TWorkbook book;
  TXlsxSheetReader reader(1, "S", Strings, Styles);
  reader.DateShift = 1462;
  reader.Direct = &book;
  try {
    parse(reader);
    reader.Finish();
    TWorkbookFile::PlaceFormulas(book, reader.Formulas, "s.xlsx", &reader.Uses);
    book.Recalc();
  } catch (const EWorkbookError& e) {
    return "refused: " + e.Message().toStdString();
  }
  return Contents(book);
}

std::string WithExpat(const std::string& xml) {
  const QByteArray package = Package({{"s.xml", xml}});
  const TZipReader zip(package);
  return Read([&](TXlsxSheetReader& r) { TXmlPartParser::ParseWithExpat(zip, "s.xml", r); });
}

std::string WithScanner(const std::string& xml, std::size_t piece) {
  return Read([&](TXlsxSheetReader& r) {
    TXmlScanner scanner("s.xml", r);
    for (std::size_t at = 0; at < xml.size(); at += piece) scanner.Feed(xml.data() + at, std::min(piece, xml.size() - at));
    scanner.Finish();
  });
}

std::string Sheet(const std::string& cells) { return "<worksheet><sheetData><row r=\"1\">" + cells + "</row></sheetData></worksheet>"; }

TEST(XlsxSheetReader, CellsTakenFromTheirBytesReadAsTheirEvents) {
  const std::vector<std::string> cells = {
      "<c><v>0</v></c>", "<c r=\"C1\"><v>-1.5E3</v></c>", "<c r=\"D1\" s=\"1\"><v>2.25</v></c>", "<c s=\"2\"><v>45000</v></c>",
      "<c r=\"AA1\" s=\"0\"><v>+7</v></c>", "<c r=\"B1\"><v>1e</v></c>", "<c r=\"XFE1\"><v>1</v></c>", "<c r=\"A0\"><v>1</v></c>",
      "<c r=\"a1\"><v>1</v></c>", "<c r=\"$A$1\"><v>1</v></c>", "<c r=\"A1\" s=\"9\"><v>1</v></c>", "<c r=\"A1\" r=\"B1\"><v>1</v></c>",
      "<c s=\"1\" r=\"E1\"><v>3</v></c>", "<c r=\"F1\" t=\"s\"><v>0</v></c>", "<c r=\"G1\"><v> 4 </v></c>", "<c r=\"H1\"><v></v></c>",
      "<c r=\"I1\"/>", "<c r=\"J1\" s=\"1\"/>", "<c r=\"K1\"><f>1+1</f><v>2</v></c>", "<c r=\"L1\"><v>5</v><v>6</v></c>",
      "<c r=\"M1\" ><v>8</v></c>", "<c r='N1'><v>9</v></c>", "<cx><v>1</v></cx>", "<c r=\"O1\"><v>1</v></c >", "<c r=\"P1\"><v>1</v>",
      "<c r=\"Q1\"><v>1&#48;</v></c>", "<c r=\"R1\"><v>1</v></c><c><v>2</v></c>", "<c r=\"1048577\"><v>1</v></c>",
      // Shared formulas: the master (left to the scanner), then uses, usual and not.
      "<c r=\"S1\"><f t=\"shared\" ref=\"S1:Z1\" si=\"0\">A1*2</f><v>0</v></c>", "<c r=\"T1\"><f t=\"shared\" si=\"0\"/></c>",
      "<c s=\"1\"><f t=\"shared\" si=\"0\"/></c>", "<c r=\"V1\"><f t=\"shared\" si=\"7\"/></c>", "<c r=\"W1\"><f t=\"shared\" si=\"\"/></c>",
      "<c r=\"X1\"><f t=\"shared\" si=\"0\"/><v>4</v></c>", "<c r=\"Y1\"><f si=\"0\" t=\"shared\"/></c>",
      "<c r=\"Z1\"><f t=\"shared\" si=\"0\"></f></c>", "<c r=\"AB1\"><f t=\"shared\" si=\"0\"/></c >",
  };
  // Each alone, and runs of them in random order, cut into pieces of every small size.
  std::mt19937 rng(5);
  std::vector<std::string> documents;
  for (const std::string& c : cells) documents.push_back(Sheet(c));
  for (std::size_t use = 29; use < cells.size(); ++use) documents.push_back(Sheet(cells[28] + cells[use] + cells[use]));
  for (int i = 0; i < 60; ++i) {
    std::string run;
    for (int k = 0; k < 6; ++k) run += cells[rng() % 5];  // well-formed ones, so runs mostly load
    if (i % 2 == 0) run += cells[28] + cells[29 + rng() % 8];  // a shared master and a use
    if (i % 3 == 0) run += cells[rng() % cells.size()];
    documents.push_back(Sheet(run));
  }
  documents.push_back("<worksheet><sheetData><row><c><f><c><v>3</v></c></f></c></row></sheetData></worksheet>");
  // Rows in every form, the usual ones taken from their bytes too.
  const std::vector<std::string> rows = {
      "<row r=\"2\">", "<row r=\"3\" spans=\"1:5\">", "<row>", "<row r=\"0\">", "<row r=\"99999999999\">", "<row r=\"1048577\">",
      "<row r=\"4\" spans=\"1:5\" ht=\"30\" customHeight=\"1\">", "<row r=\"5\" ht=\"30\" customHeight=\"1\">", "<row r=\"6\" spans=\"1 5\">",
      "<row r=\"7\" >", "<row r=\"007\">", "<row r=\"8\" spans=\"1:5\" >", "<row r=\"\">", "<row r=\"9\" spans=\"\">", "<rows r=\"10\">",
  };
  for (const std::string& row : rows)
    for (const std::string& then : {std::string("<row r=\"11\"><c><v>1</v></c></row>"), std::string("<row><c><v>2</v></c></row>")})
      documents.push_back("<worksheet><sheetData>" + row + cells[0] + cells[28] + (row.find("<rows") == 0 ? "</rows>" : "</row>") + then +
                          "<row r=\"12\"/></sheetData></worksheet>");
  for (const std::string& xml : documents) {
    const std::string expected = WithExpat(xml);
    for (const std::size_t piece : {std::size_t(1), std::size_t(2), std::size_t(7), std::size_t(16), xml.size()})
      ASSERT_EQ(WithScanner(xml, piece), expected) << xml << " in pieces of " << piece;
  }
  // The usual cells are taken whole and the usual row's start tag alone, the rest left to the scanner.
  TWorkbook book;
  TXlsxSheetReader reader(1, "S", Strings, Styles);
  reader.Direct = &book;
  for (const std::string usual : {"<c r=\"A1\"><v>0</v></c>", "<c r=\"B1\" s=\"1\"><v>2.5</v></c>", "<c r=\"C1\"><f t=\"shared\" si=\"0\"/></c>"}) {
    EXPECT_EQ(reader.TakeElement(usual.data(), usual.size()).Bytes, usual.size()) << usual;
    EXPECT_EQ(reader.TakeElement(usual.data(), usual.size()).OpenName, 0u) << usual;
  }
  for (const std::string row : {"<row r=\"2\">", "<row r=\"3\" spans=\"1:30\">"}) {
    const std::string more = row + "<c><v>1</v></c>";
    EXPECT_EQ(reader.TakeElement(more.data(), more.size()).Bytes, row.size()) << row;
    EXPECT_EQ(reader.TakeElement(more.data(), more.size()).OpenName, 3u) << row;
  }
  for (const std::string other : {"<c r=\"F1\" t=\"s\"><v>0</v></c>", "<c r=\"A1\"><f t=\"shared\" si=\"0\"/>", "<c r=\"I1\"/>", "<c r=\"P1\"><v>1</v>",
                                  "<c><v>0</v></c", "<row r=\"2\"", "<row r=\"2\"/>", "<row r=\"2\" ht=\"3\">", "<rows r=\"2\">"})
    EXPECT_EQ(reader.TakeElement(other.data(), other.size()).Bytes, 0u) << other;
  EXPECT_EQ(WithScanner(Sheet("<c r=\"B1\" s=\"1\"><v>2.5</v></c><c s=\"2\"><v>100</v></c>"), 4096),
            "1,1=||0.000000|General 1,2=|2.5|2.500000|0.00 1,3=|1562|1562.000000|yyyy-mm-dd ");
}

}  // namespace
