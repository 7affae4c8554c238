// What we write shows the same in LibreOffice: each sample workbook is read, written as .xlsx by
// us, then opened by LibreOffice headless, which recalculates it and saves every sheet's values as
// CSV, and saves it as .ods, which we read back. Every cell is compared with ours, in value and,
// read back from the .ods, as shown. Skipped where
// LibreOffice is not installed (the package list installs it for the suite).
#include <gtest/gtest.h>

#include "../qstringprinter.h"
#include "../xlsxpackage.h"

#include <cmath>
#include <optional>

#include <QDateTime>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>

#include "platform/numbers.h"
#include "support/tempfolder.h"
#include "workbook/model/a1notation.h"
#include "workbook/model/numberformat.h"
#include "workbook/model/workbook.h"

namespace {

const QString kCorpus = QStringLiteral(QUORLEX_SOURCE_DIR "/tests/fuzz/corpus");

// Runs LibreOffice on the files, converting each into `dir` with the filter given.
void Convert(const TTempFolder& dir, const QString& filter, const QStringList& files) {
  const QString office = QStandardPaths::findExecutable(QStringLiteral("soffice"));
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  QStringList args{QStringLiteral("-env:UserInstallation=file://") + dir.File(QStringLiteral("profile")), QStringLiteral("--headless"),
                   QStringLiteral("--norestore"), QStringLiteral("--convert-to"), filter, QStringLiteral("--outdir"),
                   dir.File(QStringLiteral("lo"))};
  p.start(office, args + files);
  ASSERT_TRUE(p.waitForFinished(240000)) << "LibreOffice did not finish";
  ASSERT_EQ(p.exitCode(), 0) << p.readAll().constData();
}

// A sheet of cells whose values our engine computes, with the functions, formats and forms that
// other programs must recompute the same: array formulas (one kept, two computed: one larger than
// its result), a defined name, and totals (column C) that the totals over them must pass over.
QByteArray OwnCases() {
  const std::string ns = R"( xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main")"
                         R"( xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships")";
  TParts p;
  p["xl/workbook.xml"] = "<workbook" + ns + R"(><sheets><sheet name="Cases" sheetId="1" r:id="rId1"/></sheets>)"
                         R"(<definedNames><definedName name="Data">Cases!$A$1:$A$10</definedName></definedNames></workbook>)";
  p["xl/_rels/workbook.xml.rels"] =
      R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
      R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>)"
      R"(</Relationships>)";
  const char* const totals[] = {R"(<c r="C1"><f>SUBTOTAL(9,A1:A3)</f><v>6</v></c>)", R"(<c r="C2"><f>1+SUBTOTAL(9,A4:A6)</f><v>16</v></c>)",
                                R"(<c r="C3"><f>AGGREGATE(9,4,A1:A2)</f><v>3</v></c>)"};
  const char* const transposed[] = {R"(<c r="F1"><f t="array" ref="F1:G4">TRANSPOSE(A1:B3)</f><v>1</v></c><c r="G1"><v>2</v></c>)",
                                    R"(<c r="F2"><v>1</v></c><c r="G2"><v>2</v></c>)",
                                    R"(<c r="F3" t="e"><v>#N/A</v></c><c r="G3" t="e"><v>#N/A</v></c>)",
                                    R"(<c r="F4" t="e"><v>#N/A</v></c><c r="G4" t="e"><v>#N/A</v></c>)"};
  std::string rows;
  for (int r = 1; r <= 10; ++r)
    rows += "<row r=\"" + std::to_string(r) + "\"><c r=\"A" + std::to_string(r) + "\"><v>" + std::to_string(r) + "</v></c><c r=\"B" +
            std::to_string(r) + "\"><v>" + std::to_string(r % 3) + "</v></c>" + (r <= 3 ? totals[r - 1] : "") +
            (r <= 4 ? transposed[r - 1] : "") + "</row>";
  rows += R"(<row r="11"><c r="A11"><f t="array" ref="A11">SUM(A1:A10*B1:B10)</f><v>52</v></c><c r="B11"><f>SUM(Data)</f><v>55</v></c></row>)";
  rows += R"(<row r="12"><c r="A12"><f t="array" ref="A12:C13">TRANSPOSE(A1:B3)</f><v>1</v></c><c r="B12"><v>2</v></c><c r="C12"><v>3</v></c></row>)"
          R"(<row r="13"><c r="A13"><v>1</v></c><c r="B13"><v>2</v></c><c r="C13"><v>0</v></c></row>)";
  p["xl/worksheets/sheet1.xml"] = "<worksheet" + ns + "><sheetData>" + rows + "</sheetData></worksheet>";
  return Package(p);
}

// Formulas our engine computes; LibreOffice must agree with every result.
const char* const kFormulas[] = {
    "=ROW()", "=COLUMN(C5)", "=ROW(A3:A9)", "=SUM(INDIRECT(\"A1:A4\"))", "=INDIRECT(\"'Cases'!A5\")", "=SUM(OFFSET(A1,2,0,3,1))",
    "=ISNA(NA())", "=ISERR(1/0)", "=ISLOGICAL(TRUE)", "=T(\"x\")&N(TRUE)", "=TYPE(\"a\")", "=ERROR.TYPE(1/0)",
    "=SUBTOTAL(9,A1:A10)", "=SUBTOTAL(101,A1:A10)", "=AGGREGATE(14,6,A1:A10,2)", "=MODE(B1:B10)", "=AVEDEV(A1:A10)",
    "=DEVSQ(A1:A10)", "=SINH(1)+COSH(1)+TANH(0.5)", "=ASINH(2)+ACOSH(3)+ATANH(0.5)", "=HEX2DEC(\"FFFFFFFFFF\")",
    "=DEC2HEX(255,4)", "=BIN2DEC(\"1111111111\")", "=DEC2BIN(-2)", "=CLEAN(\"a\"&CHAR(9)&\"b\")",
    "=WORKDAY(46000,10)", "=NETWORKDAYS(46000,46030)", "=FV(0.05/12,60,-100,-1000)", "=PV(0.08/12,240,500)",
    "=PMT(0.06/12,360,200000)", "=NPER(0.01,-100,5000)", "=RATE(48,-200,8000)", "=NPV(0.1,-10000,3000,4200,6800)",
    "=IFS(A2>5,\"big\",A2>1,\"mid\",TRUE,\"small\")", "=SWITCH(B3,0,\"zero\",1,\"one\",\"other\")", "=MAXIFS(A1:A10,B1:B10,1)",
    "=MINIFS(A1:A10,B1:B10,\">0\")", "=TEXTJOIN(\"-\",TRUE,A1:A3,\"\",\"x\")", "=CONCAT(A1:A3,\"y\")", "=TEXT(1234.5,\"\")",
    "=TEXT(1234567,\"0.0,,\")", "=TEXT(0.75,\"# ?/?\")", "=TEXT(2.5,\"# ?\?/?\?\")", "=TEXT(150,\"[>100]\"\"big\"\";\"\"small\"\"\")",
    "=TEXT(0.25,\"h:mm a/p\")", "=A1:A10*2", "=SUM(TRANSPOSE(A1:B10))", "=INDEX(TRANSPOSE(A1:B10),2,3)",
    "=SUMPRODUCT(TRANSPOSE(A1:A3),TRANSPOSE(B1:B3))", "=MAX(TRANSPOSE(A1:A10))", "=SUBTOTAL(9,A1:C3)", "=SUBTOTAL(109,C1:C3)",
    "=AGGREGATE(9,0,A1:C3)", "=AGGREGATE(9,4,A1:C3)", "=SUM(C1:C3)",
};

// A date or time as LibreOffice writes one in CSV (its US English forms) as a serial day.
std::optional<double> SerialOf(const QString& text) {
  const QDate epoch(1899, 12, 30);
  for (const char* f : {"MM/dd/yy hh:mm AP", "MM/dd/yyyy hh:mm:ss AP", "MM/dd/yy hh:mm:ss AP"}) {
    const QDateTime t = QDateTime::fromString(text, QLatin1String(f));
    if (t.isValid()) return epoch.daysTo(t.date()) + t.time().msecsSinceStartOfDay() / 86400000.0;
  }
  for (const char* f : {"MM/dd/yy", "MM/dd/yyyy"}) {
    QDate d = QDate::fromString(text, QLatin1String(f));
    if (d.isValid() && QLatin1String(f) == QLatin1String("MM/dd/yy") && d.year() < 1930) d = d.addYears(100);
    if (d.isValid()) return static_cast<double>(epoch.daysTo(d));
  }
  const QTime t = QTime::fromString(text, QStringLiteral("hh:mm:ss AP"));
  if (t.isValid()) return t.msecsSinceStartOfDay() / 86400000.0;
  return std::nullopt;
}

// Empty when LibreOffice's CSV text shows our value, else what differs.
QString Disagreement(const TCellValue& ours, const QString& shown, const QString& theirs) {
  if (const auto n = numbers::ParseTypedNumber(theirs); n && !theirs.isEmpty() && ours.Kind == TValueKind::Number) {
    if (std::abs(ours.Num - *n) <= 1e-12 * std::max(1.0, std::abs(*n))) return {};
  } else if (const auto serial = SerialOf(theirs); serial && ours.Kind == TValueKind::Number) {
    if (std::abs(ours.Num - *serial) < 0.5 / 86400) return {};
  } else if (theirs == ours.ToText() || theirs == shown) {
    return {};
  } else if (ours.Kind == TValueKind::Empty && theirs.isEmpty()) {
    return {};
  }
  return QStringLiteral("ours \"%1\" (shown \"%2\"), LibreOffice \"%3\"")
      .arg(ours.Kind == TValueKind::Number ? numbers::FloatToStr(ours.Num) : ours.ToText(), shown, theirs);
}

TEST(LibreOfficeRoundTrip, OurXlsxCopiesShowTheSameValuesInLibreOffice) {
  if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty()) GTEST_SKIP() << "LibreOffice is not installed";
  TTempFolder dir;
  QStringList sources;
  for (const QString& kind : {QStringLiteral("xlsx"), QStringLiteral("ods")})
    for (const QString& name : QDir(kCorpus + QLatin1Char('/') + kind).entryList({QStringLiteral("*.") + kind}, QDir::Files))
      sources << kCorpus + QLatin1Char('/') + kind + QLatin1Char('/') + name;
  sources << dir.Write(QStringLiteral("own-cases.xlsx"), OwnCases());

  // Ours, read from each source (the own cases gain the formulas above) and written as .xlsx.
  std::vector<std::pair<QString, TWorkbook>> books;
  QStringList copies;
  for (const QString& source : sources) {
    TWorkbook book;
    book.Read(source);
    // A cell in the sheet's far corner tests our sparse storage; as CSV it would be a line of
    // 16 384 fields for each of a million rows.
    bool far = false;
    for (int s = 1; s <= book.NumSheets(); ++s) {
      book.SetSheet(s);
      far = far || book.LastRow() > 1000 || book.LastCol() > 100;
    }
    if (far) continue;
    const QString base = QFileInfo(source).completeBaseName();
    if (base == QLatin1String("own-cases")) {
      book.SetSheet(1);
      for (int i = 0; i < static_cast<int>(std::size(kFormulas)); ++i) book.SetFormulaRC(i + 1, 4, QString::fromLatin1(kFormulas[i]));
    }
    const QString copy = dir.File(base + QStringLiteral("-copy.xlsx"));
    book.Write(copy, TWorkbook::ftXlsx5);
    copies << copy;
    books.emplace_back(base + QStringLiteral("-copy"), std::move(book));
  }
  // Every sheet's values as CSV (raw values, all sheets), and the whole workbook as .ods.
  Convert(dir, QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76,1,,1033,false,true,false,false,false,-1"), copies);
  Convert(dir, QStringLiteral("ods"), copies);

  for (auto& [base, book] : books) {
    SCOPED_TRACE(base.toStdString());
    TWorkbook ods;
    ods.Read(dir.File(QStringLiteral("lo/") + base + QStringLiteral(".ods")));
    ASSERT_EQ(ods.NumSheets(), book.NumSheets());
    for (int s = 1; s <= book.NumSheets(); ++s) {
      book.SetSheet(s);
      ods.SetSheet(s);
      const QString csvPath = dir.File(QStringLiteral("lo/%1-%2.csv").arg(base, book.SheetName(s)));
      ASSERT_TRUE(QFileInfo::exists(csvPath)) << csvPath.toStdString();
      TWorkbook csv;
      csv.Read(csvPath);
      const int rows = std::max(book.LastRow(), csv.LastRow()), cols = std::max(book.LastCol(), csv.LastCol());
      for (int r = 1; r <= rows; ++r)
        for (int c = 1; c <= cols; ++c) {
          const TCellValue ours = r <= book.MaxRow() && c <= book.MaxCol() ? book.ValueRC(r, c) : TCellValue{};
          const QString shown = ours.Kind == TValueKind::Empty ? QString() : book.FormattedTextRC(r, c);
          const QString theirs = r <= csv.MaxRow() && c <= csv.MaxCol() ? csv.TextRC(r, c) : QString();
          const QString cell = book.SheetName(s) + QLatin1Char('!') + a1::CellName(r, c) + QLatin1Char(' ') + book.FormulaRC(r, c);
          // LibreOffice finds no empty intersection: it gives #REF! where the file saved #NULL!.
          const bool known = ours.IsError() && ours.Err == TCellError::Null && theirs == QLatin1String("#REF!");
          if (!known) EXPECT_EQ(Disagreement(ours, shown, theirs), QString()) << "xlsx copy, " << cell.toStdString();
          // LibreOffice's .ods of our copy reads back as ours.
          const TCellValue back = r <= ods.MaxRow() && c <= ods.MaxCol() ? ods.ValueRC(r, c) : TCellValue{};
          const bool same = back == ours || (back.Kind == TValueKind::Number && ours.Kind == TValueKind::Number &&
                                             std::abs(back.Num - ours.Num) <= 1e-12 * std::max(1.0, std::abs(ours.Num)));
          EXPECT_TRUE(same || (known && back.IsError() && back.Err == TCellError::Ref)) << ".ods copy, " << cell.toStdString() << ": ours " << ours.ToText().toStdString() << ", read back "
                            << back.ToText().toStdString();
          // and shows as ours: LibreOffice wrote our number formats as its own styles.
          if (same && ours.Kind == TValueKind::Number) EXPECT_EQ(ods.FormattedTextRC(r, c), shown) << ".ods copy, " << cell.toStdString();
        }
    }
  }
}

// Number formats written by us as .xlsx, turned by LibreOffice into its own .ods styles (with
// conditions for the negative section), read back and shown the same, above and below zero.
TEST(LibreOfficeRoundTrip, NumberFormatsComeBackFromLibreOfficesOds) {
  if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty()) GTEST_SKIP() << "LibreOffice is not installed";
  const char* const formats[] = {"0.000", "#,##0.00", "0.0%", "0.00E+00", "dd/mm/yyyy", "yyyy-mm-dd hh:mm:ss", "[h]:mm:ss",
                                 "hh:mm", "# ?/?", "#,##0.00;-#,##0.00", "0.00;(0.00)", "\"kPa \"0.0", "mmm d, yyyy", "dddd",
                                 "h:mm AM/PM", "0.0#", "0.00;[Red]-0.00", "@"};
  TTempFolder dir;
  TWorkbook book;
  for (int i = 0; i < static_cast<int>(std::size(formats)); ++i)
    for (int c : {1, 2}) {
      book.SetNumberRC(i + 1, c, (c == 1 ? 1 : -1) * (45352.3125 + i * 1234.567));
      book.SetNumberFormatRC(i + 1, c, QString::fromLatin1(formats[i]));
    }
  book.Write(dir.File(QStringLiteral("formats.xlsx")), TWorkbook::ftXlsx5);
  Convert(dir, QStringLiteral("ods"), {dir.File(QStringLiteral("formats.xlsx"))});
  TWorkbook ods;
  ods.Read(dir.File(QStringLiteral("lo/formats.ods")));
  for (int r = 1; r <= static_cast<int>(std::size(formats)); ++r)
    for (int c : {1, 2})
      EXPECT_EQ(ods.FormattedTextRC(r, c), book.FormattedTextRC(r, c)) << formats[r - 1] << " read back as " << ods.NumberFormatRC(r, c).toStdString();
}

}  // namespace
