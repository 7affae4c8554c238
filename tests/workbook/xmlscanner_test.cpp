#include <gtest/gtest.h>

#include "qstringprinter.h"
#include "xlsxpackage.h"

#include <random>
#include <string>
#include <vector>

#include "workbook/formats/xmlpartparser.h"
#include "workbook/formats/xmlscanner.h"
#include "workbook/model/workbookerror.h"
#include "workbook/zip/zipreader.h"

namespace {

// Writes every event down, character data merged between elements, so two parsers can be compared.
class TRecorder : public TXmlPartParser::THandler {
 public:
  TRecorder() { Collecting = true; }
  void StartElement(std::string_view name) override {
    Flush();
    Log += "<" + std::string(name);
    Attrs.ForEach([&](std::string_view n, std::string_view v) { Log += " " + std::string(n) + "=[" + std::string(v) + "]"; });
    Log += ">";
  }
  void EndElement(std::string_view name) override {
    Flush();
    Log += "</" + std::string(name) + ">";
  }
  std::string Log;

 private:
  void Flush() {
    if (!Text.empty()) Log += "{" + Text + "}";
    Text.clear();
  }
};

// "ok:" and the events, or "refused".
std::string WithExpat(const std::string& xml) {
  const QByteArray package = Package({{"p.xml", xml}});
  const TZipReader zip(package);
  TRecorder r;
  try {
    TXmlPartParser::ParseWithExpat(zip, "p.xml", r);
  } catch (const EWorkbookError&) {
    return "refused";
  }
  return "ok:" + r.Log;
}

// The scanner fed in pieces of the given size (0: whole).
std::string WithScanner(const std::string& xml, std::size_t piece = 0) {
  TRecorder r;
  try {
    TXmlScanner scanner("p.xml", r);
    if (piece == 0) piece = xml.size() + 1;
    for (std::size_t at = 0; at < xml.size(); at += piece) scanner.Feed(xml.data() + at, std::min(piece, xml.size() - at));
    scanner.Finish();
  } catch (const EWorkbookError&) {
    return "refused";
  }
  return "ok:" + r.Log;
}

std::string Message(const std::string& xml, std::size_t piece) {
  TRecorder r;
  try {
    TXmlScanner scanner("xl/worksheets/sheet1.xml", r);
    for (std::size_t at = 0; at < xml.size(); at += piece) scanner.Feed(xml.data() + at, std::min(piece, xml.size() - at));
    scanner.Finish();
  } catch (const EWorkbookError& e) {
    return e.Message().toStdString();
  }
  return "accepted";
}

// What spreadsheet parts hold, and the corners of XML they may use.
const std::vector<std::string> Documents = {
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    "\r\n<worksheet xmlns=\"m\" xmlns:r=\"r\"><sheetData><row r=\"1\" spans=\"1:3\"><c r=\"A1\" s=\"1\"><v>1.5</v></c>"
    "<c r=\"B1\" t=\"s\"><v>0</v></c><c r=\"C1\" t=\"inlineStr\"><is><r><t xml:space=\"preserve\"> a &amp; b </t></r></is></c></row>"
    "<row r=\"2\"><c r=\"A2\"><f t=\"shared\" ref=\"A2:A9\" si=\"0\">B2&lt;&gt;&quot;x&quot;</f><v></v></c><c r=\"B2\" t=\"s\"><v/></c>"
    "<c r=\"C2\" t=\"e\"><v>#N/A</v></c><c r=\"D2\" t=\"b\"><v>1</v></c></row></sheetData></worksheet>",
    "\xEF\xBB\xBF<x:worksheet xmlns:x='m'>\n  <x:sheetData>\n    <x:row r = '1' >\n      <x:c r='A1' t=\"str\"><x:v><![CDATA[a<b>&c]]]></x:v></x:c>\n"
    "    </x:row>\n  </x:sheetData>\n</x:worksheet>\n",
    "<?xml version='1.0'?><!-- a comment --><?keep this?><a b=\"tab\there\nand\r\nline\" c='&#9;&#x41;&#65;&#xE9;&#x1F600;'>"
    "x\r\ny\rz&#13;<b/><c\n/><![CDATA[\r\n]]>\xE6\xBC\xA2\xF0\x9F\x98\x80</a>\n<!-- after -->\n",
    "<sst count=\"2\"><si><t>plain</t></si><si><r><rPr><b/></rPr><t>rich</t></r><rPh sb=\"0\" eb=\"1\"><t>k</t></rPh></si></sst>",
    "<a x=\"]]>\">]]&gt;</a>",
    "<a>&#x10FFFF;&#55295;&#xE000;&#xFFFD;</a>",
};

// Malformed documents, each refused by both.
const std::vector<std::string> Malformed = {
    "", "   ", "<a>", "<a></b>", "<a><b></a></b>", "<a b=1/>", "<a b=\"1\" b=\"2\"/>", "<a b=\"1\"c=\"2\"/>", "<a b=\"<\"/>",
    "<a>&nbsp;</a>", "<a>&#0;</a>", "<a>&#xD800;</a>", "<a>&#x110000;</a>", "<a>&;</a>", "<a>& b</a>", "<a>\x01</a>",
    "<a>\xC3</a>", "<a>\xC0\x80</a>", "<a>\xED\xA0\x80</a>", "<a>\xEF\xBF\xBE</a>", "<a>]]></a>", "<a/><b/>", "<a/>x", "x<a/>",
    "<!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;</a>", "<a><?xml version=\"1.0\"?></a>", "<a><!-- a -- b --></a>", "<a><![CDATA[x</a>",
    "<1a/>", "<a 1b=\"x\"/>", "<a b></a>", "<a/ >", "</a>", "<a></a></a>", "<a><!BOGUS></a>", "<a b='x\"/>",
};

TEST(XmlScanner, ReadsWhatExpatReadsAndRefusesWhatItRefuses) {
  for (const std::string& xml : Documents) {
    const std::string expected = WithExpat(xml);
    ASSERT_EQ(expected.substr(0, 3), "ok:") << xml;
    EXPECT_EQ(WithScanner(xml), expected) << xml;
    // Every cut between pieces reads the same.
    for (std::size_t piece = 1; piece <= 7; ++piece) EXPECT_EQ(WithScanner(xml, piece), expected) << piece << ": " << xml;
  }
  for (const std::string& xml : Malformed) {
    EXPECT_EQ(WithExpat(xml), "refused") << xml;
    EXPECT_EQ(WithScanner(xml), "refused") << xml;
    EXPECT_EQ(WithScanner(xml, 1), "refused") << xml;
  }
}

// Random damage to real parts: whatever the scanner reads, expat reads the same way, and both
// refuse the same documents.
TEST(XmlScanner, AgreesWithExpatOnDamagedDocuments) {
  std::mt19937 rng(45);
  int agreedRead = 0, agreedRefused = 0;
  for (int i = 0; i < 3000; ++i) {
    std::string xml = Documents[rng() % Documents.size()];
    const int edits = 1 + static_cast<int>(rng() % 3);
    for (int e = 0; e < edits && !xml.empty(); ++e) {
      const std::size_t at = rng() % xml.size();
      switch (rng() % 4) {
        case 0: xml[at] = "<>/\"'&;=![]-? \r\nax#\xC3\xA9"[rng() % 22]; break;
        case 1: xml.erase(at, 1 + rng() % 3); break;
        case 2: xml.insert(at, 1, "<>/\"'&;=![]-? \r\nax#"[rng() % 20]); break;
        default: xml.resize(at); break;
      }
    }
    const std::string expat = WithExpat(xml);
    const std::string scanner = WithScanner(xml, 1 + rng() % 64);
    EXPECT_EQ(scanner, expat) << "document: " << xml;
    if (scanner == expat) ++(expat == "refused" ? agreedRefused : agreedRead);
  }
  EXPECT_GT(agreedRead, 100);
  EXPECT_GT(agreedRefused, 100);
}

// A fault names the part and the line it is on, wherever the input was cut into pieces.
TEST(XmlScanner, FaultsNameThePartAndLine) {
  const std::string xml = "<worksheet>\n<sheetData>\n<row>\n<c><v>1</v></c>\n</sheetData>\n</worksheet>\n";
  for (const std::size_t piece : {std::size_t(1), std::size_t(3), std::size_t(1000)}) {
    const std::string message = Message(xml, piece);
    EXPECT_NE(message.find("xl/worksheets/sheet1.xml line 5"), std::string::npos) << message;
    EXPECT_NE(message.find("malformed XML: mismatched tag"), std::string::npos) << message;
  }
  EXPECT_NE(Message("<a>\n\n<!DOCTYPE a></a>", 2).find("line 3: malformed XML: a document type declaration is not allowed"), std::string::npos);
  EXPECT_NE(Message("<a>\n<b>", 4).find("line 2: malformed XML: no element found"), std::string::npos);
}

// Parts in other encodings go to expat, which converts them; UTF-8 ones to the scanner.
TEST(XmlScanner, OtherEncodingsAreReadThroughExpat) {
  EXPECT_TRUE(TXmlScanner::ReadsDocument("<?xml version=\"1.0\" encoding=\"utf-8\"?><a/>"));
  EXPECT_TRUE(TXmlScanner::ReadsDocument("\xEF\xBB\xBF<a/>"));
  EXPECT_FALSE(TXmlScanner::ReadsDocument("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a/>"));
  EXPECT_FALSE(TXmlScanner::ReadsDocument(std::string_view("\xFF\xFE<\0a\0/\0>\0", 10)));

  const std::string latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a b=\"\xE9\">\xE9</a>";
  const QByteArray package = Package({{"p.xml", latin1}});
  const TZipReader zip(package);
  TRecorder r;
  TXmlPartParser::Parse(zip, "p.xml", r);
  EXPECT_EQ(r.Log, "<a b=[\xC3\xA9]>{\xC3\xA9}</a>");
}

// A tag far longer than a piece is waited for and read whole.
TEST(XmlScanner, ATagLongerThanManyPiecesIsRead) {
  std::string xml = "<a";
  for (int i = 0; i < 200000; ++i) xml += " n" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
  xml += "/>";
  TRecorder r;
  TXmlScanner scanner("p.xml", r);
  for (std::size_t at = 0; at < xml.size(); at += 4096) scanner.Feed(xml.data() + at, std::min<std::size_t>(4096, xml.size() - at));
  scanner.Finish();
  EXPECT_NE(r.Log.find(" n199999=[199999]>"), std::string::npos);
}

}  // namespace
