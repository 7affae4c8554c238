#include "rigconfig/workbook/xlsximport.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <QDateTime>

#include "platform/datetime.h"
#include "platform/numbers.h"
#include "rigconfig/workbook/a1notation.h"
#include "rigconfig/workbook/formula.h"
#include "rigconfig/workbook/workbook.h"
#include "rigconfig/workbook/workbookerror.h"
#include "rigconfig/workbook/xmlpartparser.h"
#include "rigconfig/workbook/zipreader.h"

namespace {

// Texts may carry characters XML cannot as _xHHHH_ (and a literal "_x" as _x005F_).
std::string DecodeEscapes(std::string s) {
  if (s.find("_x") == std::string::npos) return s;
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    unsigned code = 0;
    if (s[i] == '_' && i + 6 < s.size() && s[i + 1] == 'x' && s[i + 6] == '_' &&
        std::from_chars(s.data() + i + 2, s.data() + i + 6, code, 16).ptr == s.data() + i + 6) {
      out += QString(QChar(static_cast<char16_t>(code))).toStdString();
      i += 6;
    } else {
      out += s[i];
    }
  }
  return out;
}

QString ToQString(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

long long ToInteger(std::string_view s, long long fallback) {
  long long v = 0;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  return r.ec == std::errc() && r.ptr == s.data() + s.size() ? v : fallback;
}

// A number as XML carries it: blanks around it and a leading "+" are allowed.
bool ToDouble(std::string_view s, double& v) {
  constexpr std::string_view blanks = " \t\r\n";
  const std::size_t first = s.find_first_not_of(blanks);
  if (first == std::string_view::npos) return false;
  s = s.substr(first, s.find_last_not_of(blanks) - first + 1);
  if (s.front() == '+') s.remove_prefix(1);
  const std::optional<double> parsed = numbers::ParseExact(s);
  if (parsed) v = *parsed;
  return parsed.has_value();
}

using THandler = TXmlPartParser::THandler;
using TAttributes = TXmlPartParser::TAttributes;

// _rels/*.rels: relationship identifiers to part names.
class TRelsHandler : public THandler {
 public:
  explicit TRelsHandler(const std::string& folder) : FFolder(folder) {}
  void StartElement(std::string_view name) override {
    if (name == "Relationship" && Attrs.Find("Target")) {
      const std::string target = Resolve(std::string(Attrs.Get("Target")));
      Targets[std::string(Attrs.Get("Id"))] = target;
      const std::string type(Attrs.Get("Type"));
      ByType[type.substr(type.rfind('/') + 1)] = target;
    }
  }
  std::map<std::string, std::string> Targets, ByType;

 private:
  std::string Resolve(const std::string& target) const {
    std::string path = !target.empty() && target[0] == '/' ? target.substr(1) : FFolder + target;
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
      const std::size_t slash = std::min(path.find('/', start), path.size());
      const std::string piece = path.substr(start, slash - start);
      if (piece == "..") {
        if (!parts.empty()) parts.pop_back();
      } else if (!piece.empty() && piece != ".") {
        parts.push_back(piece);
      }
      start = slash + 1;
    }
    std::string out;
    for (const std::string& p : parts) out += (out.empty() ? "" : "/") + p;
    return out;
  }
  std::string FFolder;
};

class TWorkbookHandler : public THandler {
 public:
  struct TSheetEntry { std::string Name, RelId; };
  void StartElement(std::string_view name) override {
    if (name == "sheet") Sheets.push_back({DecodeEscapes(std::string(Attrs.Get("name"))), std::string(Attrs.Get("id"))});
  }
  std::vector<TSheetEntry> Sheets;
};

class TSharedStringsHandler : public THandler {
 public:
  void StartElement(std::string_view name) override {
    if (name == "si") FItem.clear();
    else if (name == "rPh") ++FPhonetic;  // reading aids for East Asian text, not content
    else if (name == "t" && FPhonetic == 0) { Collecting = true; Text.clear(); }
  }
  void EndElement(std::string_view name) override {
    if (name == "t" && Collecting) { FItem += Text; Collecting = false; }
    else if (name == "rPh") --FPhonetic;
    else if (name == "si") Strings.push_back(ToQString(DecodeEscapes(FItem)));
  }
  std::vector<QString> Strings;

 private:
  std::string FItem;
  int FPhonetic = 0;
};

// The number format of each cell style.
class TStylesHandler : public THandler {
 public:
  void StartElement(std::string_view name) override {
    if (name == "numFmt") {
      FCodes[static_cast<std::size_t>(ToInteger(Attrs.Get("numFmtId"), -1))] = ToQString(DecodeEscapes(std::string(Attrs.Get("formatCode"))));
    } else if (name == "cellXfs") {
      FInCellXfs = true;
    } else if (name == "xf" && FInCellXfs) {
      FXfFormats.push_back(static_cast<std::size_t>(ToInteger(Attrs.Get("numFmtId"), 0)));
    }
  }
  void EndElement(std::string_view name) override {
    if (name == "cellXfs") FInCellXfs = false;
  }
  // "" for General or an unknown style.
  std::vector<QString> StyleFormats() const {
    std::vector<QString> out;
    for (const std::size_t id : FXfFormats) {
      auto known = FCodes.find(id);
      QString code = known != FCodes.end() ? known->second : TXlsxImport::BuiltinFormat(id);
      if (code.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0) code.clear();
      out.push_back(code);
    }
    return out;
  }

 private:
  std::map<std::size_t, QString> FCodes;
  std::vector<std::size_t> FXfFormats;
  bool FInCellXfs = false;
};

struct TPendingFormula {
  int Sheet, Row, Col;
  QString Text;
};

// One worksheet, written straight into the workbook's active sheet.
class TSheetHandler : public THandler {
 public:
  TSheetHandler(TWorkbook& book, int sheet, const std::vector<QString>& strings, const std::vector<QString>& styles,
                std::vector<TPendingFormula>& formulas)
      : FBook(book), FSheet(sheet), FStrings(strings), FStyles(styles), FFormulas(formulas) {}

  void StartElement(std::string_view name) override {
    const std::string_view n = name;
    if (n == "c") StartCell();
    else if (n == "v" || (n == "t" && FInInline)) { Collecting = true; Text.clear(); }
    else if (n == "f") StartFormula();
    else if (n == "is") { FInInline = true; FInline.clear(); }
    else if (n == "row") StartRow();
    else if (n == "col") Column();
  }

  void EndElement(std::string_view name) override {
    const std::string_view n = name;
    if (n == "v") { FValue = Text; FHasValue = true; Collecting = false; }
    else if (n == "t" && FInInline) { FInline += Text; Collecting = false; }
    else if (n == "is") FInInline = false;
    else if (n == "f") { FFormula = Text; Collecting = false; }
    else if (n == "c") EndCell();
  }

  // After the sheet: shared formulas, column widths within the used columns, the grid's size.
  void Finish() {
    for (const TShared& s : FSharedUses) {
      auto master = FSharedMasters.find(s.Index);
      if (master == FSharedMasters.end()) continue;  // the file lost its master: keep the value
      const TShared& m = master->second;
      FFormulas.push_back({FSheet, s.Row, s.Col, TFormula::Shift(m.Text, s.Row - m.Row, s.Col - m.Col)});
    }
    for (const auto& [first, entry] : FWidths) {
      const auto& [last, width] = entry;
      for (int c = first; c <= std::min(last, FLastCol); ++c) FBook.SetColWidth(c, width);
    }
    FBook.SetMaxRow(std::max(FLastRow, 1));
    FBook.SetMaxCol(std::max(FLastCol, 1));
  }

 private:
  struct TShared { int Row = 0, Col = 0; QString Text; std::size_t Index = 0; };

  [[noreturn]] void Fail(const QString& what) const {
    throw EWorkbookError(QString(), QStringLiteral("sheet \"%1\" cell %2").arg(FBook.SheetName(FSheet), a1::CellName(FRow, FCol)), what);
  }

  void StartRow() {
    const char* r = Attrs.Find("r");
    FRow = r ? static_cast<int>(ToInteger(r, 0)) : FRow + 1;
    FCol = 0;
    if (FRow < 1 || FRow > a1::MaxRows)
      throw EWorkbookError(QString(), QStringLiteral("sheet \"%1\" row %2").arg(FBook.SheetName(FSheet), ToQString(r ? r : "")),
                       QStringLiteral("the row number is out of range"));
    const char* height = Attrs.Find("ht");
    double points = 0;
    if (height && Attrs.Get("customHeight") == "1" && ToDouble(height, points) && points >= 0 && points < 3276)
      FBook.SetRowHeight(FRow, static_cast<std::uint16_t>(std::lround(points * 20)));
  }

  // Widths are in characters plus the cell padding of the default font, 5 pixels at 7 per digit.
  void Column() {
    double width = 0;
    const int first = static_cast<int>(ToInteger(Attrs.Get("min"), 0));
    const int last = static_cast<int>(ToInteger(Attrs.Get("max"), first));
    if (first < 1 || last < first || !ToDouble(Attrs.Get("width"), width) || width < 0) return;
    const double pixels = std::floor(width * 7 + 0.5);
    const double chars = pixels >= 12 ? (pixels - 5) / 7 : pixels / 12;
    FWidths[first] = {last, static_cast<std::uint16_t>(std::min(std::lround(chars * 256), 65535L))};
  }

  void StartCell() {
    const char* ref = Attrs.Find("r");
    if (ref) {
      const auto name = a1::ParseCellName(QString::fromLatin1(ref));
      if (!name || name->AbsRow || name->AbsCol)
        throw EWorkbookError(QString(), QStringLiteral("sheet \"%1\" row %2").arg(FBook.SheetName(FSheet)).arg(FRow),
                             QStringLiteral("\"%1\" is not a cell name").arg(ToQString(ref)));
      FRow = name->Row;
      FCol = name->Col;
    } else {
      ++FCol;
    }
    if (FRow < 1 || FCol < 1 || FCol > a1::MaxCols) Fail(QStringLiteral("the cell is outside the sheet"));
    FType = Attrs.Get("t");
    FStyle = static_cast<std::size_t>(ToInteger(Attrs.Get("s"), 0));
    FHasValue = false;
    FValue.clear();
    FFormula.clear();
    FFormulaType.clear();
    FHasFormula = false;
    FInline.clear();
    FInInline = false;
  }

  void StartFormula() {
    FHasFormula = true;
    FFormulaType = Attrs.Get("t");
    FSharedIndex = static_cast<std::size_t>(ToInteger(Attrs.Get("si"), -1));
    FSharedRef = Attrs.Find("ref") != nullptr;
    Collecting = true;
    Text.clear();
  }

  void EndCell() {
    if (FRow > FLastRow) FLastRow = FRow;
    if (FCol > FLastCol) FLastCol = FCol;
    if (FStyle > 0 && FStyle < FStyles.size() && !FStyles[FStyle].isEmpty())
      FBook.SetNumberFormatRC(FRow, FCol, FStyles[FStyle]);
    if (FHasFormula && EndFormula()) return;
    if (FType.empty() || FType == "n") {
      if (!FHasValue) return;
      double v = 0;
      if (!ToDouble(FValue, v)) Fail(QStringLiteral("\"%1\" is not a number").arg(ToQString(FValue)));
      FBook.SetNumberRC(FRow, FCol, v);
    } else if (FType == "s") {
      const long long index = ToInteger(FValue, -1);
      if (index < 0 || index >= static_cast<long long>(FStrings.size()))
        Fail(QStringLiteral("the shared text %1 does not exist").arg(ToQString(FValue)));
      FBook.SetTextRC(FRow, FCol, FStrings[static_cast<std::size_t>(index)]);
    } else if (FType == "inlineStr") {
      FBook.SetTextRC(FRow, FCol, ToQString(DecodeEscapes(FInline)));
    } else if (FType == "str") {
      FBook.SetTextRC(FRow, FCol, ToQString(DecodeEscapes(FValue)));
    } else if (FType == "b") {
      FBook.SetValueRC(FRow, FCol, TCellValue::Boolean(FValue == "1" || FValue == "true"));
    } else if (FType == "e") {
      const TCellError error = TCellValue::ParseError(ToQString(FValue));
      FBook.SetValueRC(FRow, FCol, TCellValue::Error(error == TCellError::None ? TCellError::Value : error));
    } else if (FType == "d") {
      SetDate();
    } else {
      Fail(QStringLiteral("unknown cell type \"%1\"").arg(ToQString(FType)));
    }
  }

  // True when the cell's content is the formula; false leaves the cached value as the content
  // (a data table, or the parts of an array formula other than its corner).
  bool EndFormula() {
    QString text = ToQString(DecodeEscapes(FFormula)).trimmed();
    // Functions newer than the file format's first edition carry prefixes; our engine knows them
    // by their plain names.
    text.remove(QStringLiteral("_xlfn."));
    text.remove(QStringLiteral("_xlws."));
    if (FFormulaType == "shared") {
      if (!text.isEmpty() && FSharedRef) {
        FSharedMasters[FSharedIndex] = {FRow, FCol, QStringLiteral("=") + text, FSharedIndex};
        FFormulas.push_back({FSheet, FRow, FCol, QStringLiteral("=") + text});
      } else {
        FSharedUses.push_back({FRow, FCol, QString(), FSharedIndex});
      }
      return true;
    }
    if (FFormulaType == "dataTable" || text.isEmpty()) return false;
    FFormulas.push_back({FSheet, FRow, FCol, QStringLiteral("=") + text});
    return true;
  }

  // An ISO 8601 date: its calendar fields as written, since sheet dates are wall-clock values.
  void SetDate() {
    const QDateTime when = QDateTime::fromString(ToQString(FValue), Qt::ISODateWithMs);
    if (!when.isValid()) Fail(QStringLiteral("\"%1\" is not a date").arg(ToQString(FValue)));
    const QDate d = when.date();
    const QTime t = when.time();
    FBook.SetNumberRC(FRow, FCol, datetime::EncodeDate(d.year(), d.month(), d.day()) +
                                      datetime::EncodeTime(t.hour(), t.minute(), t.second(), t.msec()));
  }

  TWorkbook& FBook;
  int FSheet;
  const std::vector<QString>& FStrings;
  const std::vector<QString>& FStyles;
  std::vector<TPendingFormula>& FFormulas;
  int FRow = 0, FCol = 0, FLastRow = 0, FLastCol = 0;
  std::string FType, FValue, FFormula, FFormulaType, FInline;
  std::size_t FStyle = 0, FSharedIndex = 0;
  bool FHasValue = false, FHasFormula = false, FSharedRef = false, FInInline = false;
  std::map<int, std::pair<int, std::uint16_t>> FWidths;  // first column -> (last column, width)
  std::unordered_map<std::size_t, TShared> FSharedMasters;
  std::vector<TShared> FSharedUses;
};

std::string Folder(const std::string& part) {
  const std::size_t slash = part.rfind('/');
  return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

std::string RelsFor(const std::string& part) {
  return Folder(part) + "_rels/" + part.substr(part.rfind('/') + 1) + ".rels";
}

}  // namespace

QString TXlsxImport::BuiltinFormat(std::size_t id) {
  switch (id) {
    case 0: return QStringLiteral("General");
    case 1: return QStringLiteral("0");
    case 2: return QStringLiteral("0.00");
    case 3: return QStringLiteral("#,##0");
    case 4: return QStringLiteral("#,##0.00");
    case 9: return QStringLiteral("0%");
    case 10: return QStringLiteral("0.00%");
    case 11: return QStringLiteral("0.00E+00");
    case 14: return QStringLiteral("mm-dd-yy");
    case 15: return QStringLiteral("d-mmm-yy");
    case 16: return QStringLiteral("d-mmm");
    case 17: return QStringLiteral("mmm-yy");
    case 18: return QStringLiteral("h:mm AM/PM");
    case 19: return QStringLiteral("h:mm:ss AM/PM");
    case 20: return QStringLiteral("h:mm");
    case 21: return QStringLiteral("h:mm:ss");
    case 22: return QStringLiteral("m/d/yy h:mm");
    case 37: return QStringLiteral("#,##0 ;(#,##0)");
    case 38: return QStringLiteral("#,##0 ;(#,##0)");
    case 39: return QStringLiteral("#,##0.00;(#,##0.00)");
    case 40: return QStringLiteral("#,##0.00;(#,##0.00)");
    case 45: return QStringLiteral("mm:ss");
    case 46: return QStringLiteral("[h]:mm:ss");
    case 47: return QStringLiteral("mm:ss.0");
    case 48: return QStringLiteral("##0.0E+0");
    case 49: return QStringLiteral("@");
    default: return QString();
  }
}

TWorkbook TXlsxImport::Read(const QString& path, const QByteArray& data) {
  try {
    const TZipReader zip(data);
    std::string workbookPart = "xl/workbook.xml";
    if (zip.Has("_rels/.rels")) {
      TRelsHandler rels("");
      TXmlPartParser::Parse(zip, "_rels/.rels", rels);
      if (rels.ByType.count("officeDocument")) workbookPart = rels.ByType["officeDocument"];
    }
    if (!zip.Has(workbookPart)) throw EWorkbookError(QString(), QString(), QStringLiteral("this is not a spreadsheet package (no workbook part)"));
    TWorkbookHandler workbook;
    TXmlPartParser::Parse(zip, workbookPart, workbook);
    if (workbook.Sheets.empty()) throw EWorkbookError(QString(), QString(), QStringLiteral("the workbook has no sheet"));

    TRelsHandler rels(Folder(workbookPart));
    if (zip.Has(RelsFor(workbookPart))) TXmlPartParser::Parse(zip, RelsFor(workbookPart), rels);
    auto partOf = [&](const std::string& type, const std::string& fallback) {
      auto known = rels.ByType.find(type);
      return known != rels.ByType.end() ? known->second : Folder(workbookPart) + fallback;
    };

    TSharedStringsHandler strings;
    if (const std::string part = partOf("sharedStrings", "sharedStrings.xml"); zip.Has(part)) TXmlPartParser::Parse(zip, part, strings);
    TStylesHandler styles;
    if (const std::string part = partOf("styles", "styles.xml"); zip.Has(part)) TXmlPartParser::Parse(zip, part, styles);
    const std::vector<QString> styleFormats = styles.StyleFormats();

    TWorkbook book;
    book.SetAutoRecalc(false);
    book.SetNumSheets(static_cast<int>(workbook.Sheets.size()));
    for (std::size_t s = 0; s < workbook.Sheets.size(); ++s)
      book.SetSheetName(static_cast<int>(s) + 1, ToQString(workbook.Sheets[s].Name));
    std::vector<TPendingFormula> formulas;
    for (std::size_t s = 0; s < workbook.Sheets.size(); ++s) {
      const int sheet = static_cast<int>(s) + 1;
      book.SetSheet(sheet);
      auto target = rels.Targets.find(workbook.Sheets[s].RelId);
      // A chart sheet, or a sheet whose part is missing, stays empty.
      if (target == rels.Targets.end() || !zip.Has(target->second)) continue;
      TSheetHandler handler(book, sheet, strings.Strings, styleFormats, formulas);
      TXmlPartParser::Parse(zip, target->second, handler);
      handler.Finish();
    }
    for (const TPendingFormula& f : formulas) {
      book.SetSheet(f.Sheet);
      try {
        book.SetFormulaRC(f.Row, f.Col, f.Text);
      } catch (const EWorkbookError& e) {
        throw EWorkbookError(QString(), QStringLiteral("sheet \"%1\" cell %2").arg(book.SheetName(f.Sheet), a1::CellName(f.Row, f.Col)),
                         e.What());
      }
    }
    book.SetSheet(1);
    book.SetAutoRecalc(true);
    return book;
  } catch (const EWorkbookError& e) {
    throw EWorkbookError(path, e.Where(), e.What());
  } catch (const std::exception& e) {
    throw EWorkbookError(path, QString(), QStringLiteral("cannot read the .xlsx file: %1").arg(QString::fromUtf8(e.what())));
  }
}
