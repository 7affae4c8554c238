#include "workbook/formats/xlsxexport.h"

#include <stdexcept>
#include <string>

#include <QIODevice>

#include "platform/numbers.h"
#include "workbook/formats/xlsxcodec.h"
#include "workbook/formats/xlsxpackagetables.h"
#include "workbook/formats/xlsxsheetwriter.h"
#include "workbook/model/workbook.h"
#include "workbook/model/workbookerror.h"
#include "workbook/zip/zipwriter.h"

namespace {

// Level 1 compresses a sheet of numbers to about a fifth at several times the speed of the default.
constexpr int CompressionLevel = 1;

QByteArray WorkbookXml(const TWorkbook& book) {
  QByteArray x = TXlsxCodec::XmlHead;
  x += "<workbook xmlns=\"";
  x += TXlsxCodec::MainNs;
  x += "\" xmlns:r=\"";
  x += TXlsxCodec::RelNs;
  x += "\"><bookViews><workbookView/></bookViews><sheets>";
  for (int s = 1; s <= book.NumSheets(); ++s) {
    x += "<sheet name=\"";
    TXlsxCodec::AppendEscaped(x, book.SheetAt(s).Name());
    x += "\" sheetId=\"";
    numbers::AppendInteger(x, s);
    x += "\" r:id=\"rId";
    numbers::AppendInteger(x, s);
    x += "\"/>";
  }
  x += "</sheets>";
  bool names = false;
  for (const TWorkbook::TDefinedName& n : book.DefinedNames()) {
    if (n.Sheet > book.NumSheets()) continue;
    if (!names) x += "<definedNames>";
    names = true;
    x += "<definedName name=\"";
    TXlsxCodec::AppendEscaped(x, n.Name);
    x += '"';
    if (n.Sheet > 0) {
      x += " localSheetId=\"";
      numbers::AppendInteger(x, n.Sheet - 1);
      x += '"';
    }
    x += '>';
    TXlsxCodec::AppendEscaped(x, TXlsxCodec::AddFunctionPrefixes(n.Text));
    x += "</definedName>";
  }
  if (names) x += "</definedNames>";
  // Other programs recompute on opening; the cached results are for those that only read.
  x += "<calcPr fullCalcOnLoad=\"1\"/></workbook>";
  return x;
}

QByteArray WorkbookRelsXml(int sheets) {
  QByteArray x = TXlsxCodec::XmlHead;
  x += "<Relationships xmlns=\"";
  x += TXlsxCodec::PackageRelNs;
  x += "\">";
  auto relation = [&](int id, const char* type, const QByteArray& target) {
    x += "<Relationship Id=\"rId";
    numbers::AppendInteger(x, id);
    x += "\" Type=\"";
    x += TXlsxCodec::RelNs;
    x += type;
    x += "\" Target=\"";
    x += target;
    x += "\"/>";
  };
  for (int s = 1; s <= sheets; ++s) relation(s, "/worksheet", "worksheets/sheet" + QByteArray::number(s) + ".xml");
  relation(sheets + 1, "/styles", "styles.xml");
  relation(sheets + 2, "/sharedStrings", "sharedStrings.xml");
  x += "</Relationships>";
  return x;
}

QByteArray ContentTypesXml(int sheets) {
  QByteArray x = TXlsxCodec::XmlHead;
  x += "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
       "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
       "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
       "<Override PartName=\"/xl/workbook.xml\" "
       "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
       "<Override PartName=\"/xl/styles.xml\" "
       "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>"
       "<Override PartName=\"/xl/sharedStrings.xml\" "
       "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/>";
  for (int s = 1; s <= sheets; ++s) {
    x += "<Override PartName=\"/xl/worksheets/sheet" + QByteArray::number(s) + ".xml\" "
         "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>";
  }
  x += "</Types>";
  return x;
}

QByteArray PackageRelsXml() {
  QByteArray x = TXlsxCodec::XmlHead;
  x += "<Relationships xmlns=\"";
  x += TXlsxCodec::PackageRelNs;
  x += "\"><Relationship Id=\"rId1\" Type=\"";
  x += TXlsxCodec::RelNs;
  x += "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>";
  return x;
}

}  // namespace

QString TXlsxExport::SheetNameProblem(const QString& name) {
  static const QString forbidden = QStringLiteral("[]:*?/\\");
  if (name.isEmpty() || name.size() > 31) return QStringLiteral("the name must have 1 to 31 characters");
  for (const QChar ch : name)
    if (forbidden.contains(ch)) return QStringLiteral("the name cannot hold any of []:*?/\\");
  if (name.startsWith(QLatin1Char('\'')) || name.endsWith(QLatin1Char('\'')))
    return QStringLiteral("the name cannot begin or end with an apostrophe");
  return QString();
}

void TXlsxExport::Write(const TWorkbook& book, QIODevice& out, const QString& target) {
  // Sheet names are unique already (the workbook refuses a second sheet of the same name).
  for (int s = 1; s <= book.NumSheets(); ++s) {
    const QString name = book.SheetAt(s).Name();
    const QString problem = SheetNameProblem(name);
    if (!problem.isEmpty())
      throw EWorkbookError(target, QStringLiteral("sheet \"%1\"").arg(name), problem + QStringLiteral(" in .xlsx"));
  }
  try {
    TZipWriter zip(out, CompressionLevel);
    TXlsxPackageTables tables(book);
    auto part = [&](const char* name, const QByteArray& xml) {
      zip.BeginEntry(name);
      zip.Write(xml.constData(), static_cast<std::size_t>(xml.size()));
      zip.EndEntry();
    };
    const int sheets = book.NumSheets();
    part("[Content_Types].xml", ContentTypesXml(sheets));
    part("_rels/.rels", PackageRelsXml());
    part("xl/workbook.xml", WorkbookXml(book));
    part("xl/_rels/workbook.xml.rels", WorkbookRelsXml(sheets));
    for (int s = 1; s <= sheets; ++s) {
      zip.BeginEntry("xl/worksheets/sheet" + std::to_string(s) + ".xml");
      TXlsxSheetWriter(book, book.SheetAt(s), tables, zip, target).Write(s == 1);
      zip.EndEntry();
    }
    // Written last: they are complete only once every sheet has been through.
    part("xl/styles.xml", tables.StylesXml());
    part("xl/sharedStrings.xml", tables.SharedStringsXml());
    zip.Finish();
  } catch (const EWorkbookError&) {
    throw;
  } catch (const std::runtime_error& e) {
    throw EWorkbookError(target, QString(), QStringLiteral("cannot write the workbook: %1").arg(QString::fromStdString(e.what())));
  }
}
