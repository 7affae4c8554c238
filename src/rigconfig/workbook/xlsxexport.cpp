#include "rigconfig/workbook/xlsxexport.h"

#include <cmath>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include <QIODevice>

#include "platform/numbers.h"
#include "rigconfig/workbook/a1notation.h"
#include "rigconfig/workbook/workbook.h"
#include "rigconfig/workbook/workbookerror.h"
#include "rigconfig/workbook/zipwriter.h"

namespace {

// Level 1 compresses a sheet of numbers to about a fifth at several times the speed of the default.
constexpr int CompressionLevel = 1;
constexpr int MaxTextLength = 32767;  // longest cell text other programs accept
constexpr qsizetype FlushSize = 1 << 20;
constexpr int FirstCustomFormat = 164;  // lower numbers are the built-in formats

const char* const XmlHead = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
const char* const MainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const char* const RelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const char* const PackageRelNs = "http://schemas.openxmlformats.org/package/2006/relationships";

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Whether text[i] starts something a reader would take for an _xHHHH_ escape.
bool LooksEscaped(const QByteArray& text, qsizetype i) {
  return i + 6 < text.size() && text[i] == '_' && text[i + 1] == 'x' && IsHex(text[i + 2]) && IsHex(text[i + 3]) &&
         IsHex(text[i + 4]) && IsHex(text[i + 5]) && text[i + 6] == '_';
}

// Text as XML content or attribute value. Control characters XML cannot carry are written as
// _xHHHH_, which spreadsheet programs decode; an underscore that would read as such an escape is
// itself escaped.
void AppendEscaped(QByteArray& out, const QByteArray& utf8) {
  for (qsizetype i = 0; i < utf8.size(); ++i) {
    const char ch = utf8[i];
    const auto c = static_cast<unsigned char>(ch);
    if (c == '_' && LooksEscaped(utf8, i)) {
      out += "_x005F_";
      continue;
    }
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default:
        if (c < 0x20 && c != '\t' && c != '\n') {
          static const char hex[] = "0123456789ABCDEF";
          out += "_x00";
          out += hex[c >> 4];
          out += hex[c & 15];
          out += '_';
        } else {
          out += ch;
        }
    }
  }
}

void AppendEscaped(QByteArray& out, const QString& text) { AppendEscaped(out, text.toUtf8()); }

// A column width in characters as the file stores it: the cell padding of the default font
// (5 pixels at 7 pixels per digit) is added, and the result kept to 1/256 of a character.
double FileColumnWidth(double chars) {
  constexpr double digit = 7, padding = 5;
  if (chars <= 0) return 0;
  const double pixels = chars < 1 ? std::floor(chars * (digit + padding) + 0.5)
                                  : std::floor(chars * digit + 0.5) + padding;
  return std::floor(pixels / digit * 256.0) / 256.0;
}

// Collects the package's shared texts and cell styles while the sheets are written.
class TPackageTables {
 public:
  explicit TPackageTables(const TWorkbook& book) : FBook(book) {}

  std::uint32_t StringIndex(const QString& text) {
    auto [it, added] = FStrings.try_emplace(text, static_cast<std::uint32_t>(FStringOrder.size()));
    if (added) FStringOrder.push_back(text);
    ++FStringUses;
    return it->second;
  }

  // The style index for one of the workbook's formats; 0 for General.
  int StyleIndex(std::uint16_t format) {
    if (format == 0) return 0;
    if (FStyles.size() <= format) FStyles.resize(format + 1, -1);
    if (FStyles[format] < 0) {
      FStyles[format] = static_cast<int>(FStyleFormats.size()) + 1;
      FStyleFormats.push_back(format);
    }
    return FStyles[format];
  }

  QByteArray SharedStringsXml() const {
    QByteArray x = XmlHead;
    x += "<sst xmlns=\"";
    x += MainNs;
    x += "\" count=\"";
    numbers::AppendInteger(x, FStringUses);
    x += "\" uniqueCount=\"";
    numbers::AppendInteger(x, static_cast<long long>(FStringOrder.size()));
    x += "\">";
    for (const QString& s : FStringOrder) {
      const bool keepSpaces = !s.isEmpty() && (s.front().isSpace() || s.back().isSpace());
      x += keepSpaces ? "<si><t xml:space=\"preserve\">" : "<si><t>";
      AppendEscaped(x, s);
      x += "</t></si>";
    }
    x += "</sst>";
    return x;
  }

  QByteArray StylesXml() const {
    QByteArray x = XmlHead;
    x += "<styleSheet xmlns=\"";
    x += MainNs;
    x += "\">";
    if (!FStyleFormats.empty()) {
      x += "<numFmts count=\"";
      numbers::AppendInteger(x, static_cast<long long>(FStyleFormats.size()));
      x += "\">";
      for (std::size_t i = 0; i < FStyleFormats.size(); ++i) {
        x += "<numFmt numFmtId=\"";
        numbers::AppendInteger(x, FirstCustomFormat + static_cast<long long>(i));
        x += "\" formatCode=\"";
        AppendEscaped(x, FBook.FormatCode(FStyleFormats[i]));
        x += "\"/>";
      }
      x += "</numFmts>";
    }
    x += "<fonts count=\"1\"><font><sz val=\"10\"/><name val=\"Arial\"/><family val=\"2\"/></font></fonts>"
         "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
         "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
         "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
         "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
         "<cellXfs count=\"";
    numbers::AppendInteger(x, static_cast<long long>(FStyleFormats.size()) + 1);
    x += "\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>";
    for (std::size_t i = 0; i < FStyleFormats.size(); ++i) {
      x += "<xf numFmtId=\"";
      numbers::AppendInteger(x, FirstCustomFormat + static_cast<long long>(i));
      x += "\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/>";
    }
    x += "</cellXfs><cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
         "</styleSheet>";
    return x;
  }

 private:
  const TWorkbook& FBook;
  std::unordered_map<QString, std::uint32_t> FStrings;
  std::vector<QString> FStringOrder;
  long long FStringUses = 0;
  std::vector<int> FStyles;  // by workbook format index; -1 while unused
  std::vector<std::uint16_t> FStyleFormats;
};

// One worksheet part, streamed into the archive in pieces so a large sheet never exists whole
// in memory.
class TSheetPart {
 public:
  TSheetPart(const TWorkbook& book, const TSheet& sheet, TPackageTables& tables, TZipWriter& zip, const QString& target)
      : FBook(book), FSheet(sheet), FTables(tables), FZip(zip), FTarget(target) {}

  void Write(bool selected) {
    FOut.reserve(FlushSize + 4096);
    FOut = XmlHead;
    FOut += "<worksheet xmlns=\"";
    FOut += MainNs;
    FOut += "\" xmlns:r=\"";
    FOut += RelNs;
    FOut += "\">";
    WriteDimension();
    FOut += "<sheetViews><sheetView ";
    if (selected) FOut += "tabSelected=\"1\" ";
    FOut += "workbookViewId=\"0\"/></sheetViews><sheetFormatPr defaultRowHeight=\"";
    numbers::AppendShortest(FOut, TSheet::DefaultRowHeight / 20.0);
    FOut += "\"/>";
    WriteColumns();
    FOut += "<sheetData>";
    auto height = FSheet.RowHeights.begin();
    for (int r = 1; r <= FSheet.RowCount(); ++r) {
      while (height != FSheet.RowHeights.end() && height->first < r) ++height;
      const bool tall = height != FSheet.RowHeights.end() && height->first == r;
      WriteRow(r, tall ? height->second : 0);
      if (FOut.size() >= FlushSize) Flush();
    }
    // Heights of rows beyond the stored cells.
    for (; height != FSheet.RowHeights.end(); ++height) WriteRow(height->first, height->second);
    FOut += "</sheetData><pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/>"
            "</worksheet>";
    Flush();
  }

 private:
  void Flush() {
    FZip.Write(FOut.constData(), static_cast<std::size_t>(FOut.size()));
    FOut.clear();
  }

  void Fail(int row, int col, const QString& what) const {
    throw EWorkbookError(FTarget, QStringLiteral("sheet \"%1\" cell %2").arg(FSheet.Name(), a1::CellName(row, col)), what);
  }

  // The used range, which lets readers size their storage before the cells arrive.
  void WriteDimension() {
    const int lastRow = FSheet.LastRow(), lastCol = FSheet.LastCol();
    FOut += "<dimension ref=\"A1";
    if (lastRow > 0 && lastCol > 0 && (lastRow > 1 || lastCol > 1)) {
      FOut += ':';
      FOut += a1::CellName(lastRow, lastCol).toStdString();
    }
    FOut += "\"/>";
  }

  void WriteColumns() {
    if (FSheet.ColWidths.empty()) return;
    FOut += "<cols>";
    for (const auto& [col, width] : FSheet.ColWidths) {
      FOut += "<col min=\"";
      numbers::AppendInteger(FOut, col);
      FOut += "\" max=\"";
      numbers::AppendInteger(FOut, col);
      FOut += "\" width=\"";
      numbers::AppendShortest(FOut, FileColumnWidth(width / 256.0));
      FOut += "\" customWidth=\"1\"/>";
    }
    FOut += "</cols>";
  }

  void WriteRow(int r, std::uint16_t heightTwips) {
    const int length = r <= FSheet.RowCount() ? FSheet.RowLength(r) : 0;
    QByteArray rowText;
    numbers::AppendInteger(rowText, r);
    bool open = false;
    auto openRow = [&] {
      if (open) return;
      open = true;
      FOut += "<row r=\"";
      FOut += rowText;
      if (heightTwips) {
        FOut += "\" ht=\"";
        numbers::AppendShortest(FOut, heightTwips / 20.0);
        FOut += "\" customHeight=\"1";
      }
      FOut += "\">";
    };
    if (heightTwips) openRow();
    for (int c = 1; c <= length; ++c) {
      const TCell& cell = *FSheet.Find(r, c);
      if (cell.Kind == TCellKind::Empty && cell.Format == 0) continue;
      openRow();
      FOut += "<c r=\"";
      a1::AppendColumnName(FOut, c);
      FOut += rowText;
      FOut += '"';
      if (const int style = FTables.StyleIndex(cell.Format)) {
        FOut += " s=\"";
        numbers::AppendInteger(FOut, style);
        FOut += '"';
      }
      WriteContent(r, c, cell);
    }
    if (open) FOut += "</row>";
  }

  void WriteContent(int r, int c, const TCell& cell) {
    switch (cell.Kind) {
      case TCellKind::Empty:
        FOut += "/>";
        return;
      case TCellKind::Number:
        FOut += "><v>";
        numbers::AppendShortest(FOut, cell.Num);
        FOut += "</v></c>";
        return;
      case TCellKind::Text: {
        const QString& text = FSheet.Text(cell.Aux);
        if (text.size() > MaxTextLength)
          Fail(r, c, QStringLiteral("a text longer than %1 characters cannot be stored in .xlsx").arg(MaxTextLength));
        FOut += " t=\"s\"><v>";
        numbers::AppendInteger(FOut, FTables.StringIndex(text));
        FOut += "</v></c>";
        return;
      }
      case TCellKind::Error: {
        // A stored error value is written as a formula giving it, as other programs expect.
        const QByteArray text = TCellValue::ErrorText(static_cast<TCellError>(cell.Aux)).toLatin1();
        FOut += " t=\"str\"><f>";
        AppendEscaped(FOut, text);
        FOut += "</f><v>";
        AppendEscaped(FOut, text);
        FOut += "</v></c>";
        return;
      }
      case TCellKind::Formula: {
        QString formula = FBook.FormulaText(cell);
        if (formula.startsWith(QLatin1Char('='))) formula.remove(0, 1);
        const TCellValue v = FBook.CellValue(FSheet, cell);
        const bool number = v.Kind == TValueKind::Number && std::isfinite(v.Num);
        FOut += number ? ">" : v.Kind == TValueKind::Bool ? " t=\"b\">" : " t=\"str\">";
        FOut += "<f>";
        AppendEscaped(FOut, formula);
        FOut += "</f><v>";
        if (number || v.Kind == TValueKind::Bool)
          numbers::AppendShortest(FOut, v.Num);
        else
          AppendEscaped(FOut, v.ToText());
        FOut += "</v></c>";
        return;
      }
    }
  }

  const TWorkbook& FBook;
  const TSheet& FSheet;
  TPackageTables& FTables;
  TZipWriter& FZip;
  QString FTarget;
  QByteArray FOut;
};

QByteArray WorkbookXml(const TWorkbook& book) {
  QByteArray x = XmlHead;
  x += "<workbook xmlns=\"";
  x += MainNs;
  x += "\" xmlns:r=\"";
  x += RelNs;
  x += "\"><bookViews><workbookView/></bookViews><sheets>";
  for (int s = 1; s <= book.NumSheets(); ++s) {
    x += "<sheet name=\"";
    AppendEscaped(x, book.SheetAt(s).Name());
    x += "\" sheetId=\"";
    numbers::AppendInteger(x, s);
    x += "\" r:id=\"rId";
    numbers::AppendInteger(x, s);
    x += "\"/>";
  }
  // Other programs recompute on opening; the cached results are for those that only read.
  x += "</sheets><calcPr fullCalcOnLoad=\"1\"/></workbook>";
  return x;
}

QByteArray WorkbookRelsXml(int sheets) {
  QByteArray x = XmlHead;
  x += "<Relationships xmlns=\"";
  x += PackageRelNs;
  x += "\">";
  auto relation = [&](int id, const char* type, const QByteArray& target) {
    x += "<Relationship Id=\"rId";
    numbers::AppendInteger(x, id);
    x += "\" Type=\"";
    x += RelNs;
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
  QByteArray x = XmlHead;
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
  QByteArray x = XmlHead;
  x += "<Relationships xmlns=\"";
  x += PackageRelNs;
  x += "\"><Relationship Id=\"rId1\" Type=\"";
  x += RelNs;
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
    TPackageTables tables(book);
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
      TSheetPart(book, book.SheetAt(s), tables, zip, target).Write(s == 1);
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
