#include "workbook/formats/xlsxsheetreader.h"

#include <algorithm>
#include <cmath>

#include <QDateTime>

#include "platform/datetime.h"
#include "workbook/formats/xlsxcodec.h"
#include "workbook/model/a1notation.h"
#include "workbook/model/formula.h"
#include "workbook/model/numberformat.h"
#include "workbook/model/workbook.h"
#include "workbook/model/workbookerror.h"

namespace {

// "B12" read straight from the attribute's bytes: the usual cell name of a file costs no text
// conversion. False for anything else (lower case, "$", out of range), which the full parser
// then accepts or refuses with its message.
bool PlainCellName(std::string_view s, int& row, int& col) {
  std::size_t p = 0;
  long long c = 0, r = 0;
  for (; p < s.size() && s[p] >= 'A' && s[p] <= 'Z'; ++p)
    if ((c = c * 26 + (s[p] - 'A' + 1)) > a1::MaxCols) return false;
  const std::size_t digits = p;
  for (; p < s.size() && s[p] >= '0' && s[p] <= '9'; ++p)
    if ((r = r * 10 + (s[p] - '0')) > a1::MaxRows) return false;
  if (digits == 0 || p == digits || p != s.size() || s[digits] == '0') return false;
  row = static_cast<int>(r);
  col = static_cast<int>(c);
  return true;
}

// The characters of a plain attribute value or number this reader takes straight from the bytes.
// None of them needs decoding or can make the XML ill-formed.
bool Upper(char c) { return c >= 'A' && c <= 'Z'; }
bool Digit(char c) { return c >= '0' && c <= '9'; }
bool NumberCharacter(char c) { return Digit(c) || c == '.' || c == '-' || c == '+' || c == 'E' || c == 'e'; }

// ` name="value"` at p, the value of characters `ok` takes; p moves past it. False, p unmoved, else.
template <class TOk>
bool PlainAttribute(const char* b, std::size_t n, std::size_t& p, char name, TOk ok, std::string_view& value) {
  if (p + 5 > n || b[p] != ' ' || b[p + 1] != name || b[p + 2] != '=' || b[p + 3] != '"') return false;
  std::size_t q = p + 4;
  while (q < n && ok(b[q])) ++q;
  if (q >= n || b[q] != '"' || q == p + 4) return false;
  value = std::string_view(b + p + 4, q - p - 4);
  p = q + 1;
  return true;
}

}  // namespace

void TXlsxSheetReader::StartElement(std::string_view n) {
  if (n == "c") StartCell();
  else if (n == "v" || (n == "t" && FInInline && FPhonetic == 0)) { Collecting = true; Text.clear(); }
  else if (n == "f") StartFormula();
  else if (n == "is") { FInInline = true; FInline.clear(); FPhonetic = 0; }
  else if (n == "rPh" && FInInline) ++FPhonetic;  // reading aids for East Asian text, not content
  else if (n == "row") StartRow();
  else if (n == "col") Column();
}

void TXlsxSheetReader::EndElement(std::string_view n) {
  if (n == "v") { FValue.swap(Text); FHasValue = true; Collecting = false; }
  else if (n == "c") EndCell();
  else if (n == "t" && FInInline && Collecting) { FInline += Text; Collecting = false; }
  else if (n == "rPh" && FInInline) --FPhonetic;
  else if (n == "is") FInInline = false;
  else if (n == "f") { FFormula = Text; Collecting = false; }
}

void TXlsxSheetReader::Finish() {
  for (const TShared& s : FSharedUses) {
    auto master = FSharedMasters.find(s.Index);
    if (master == FSharedMasters.end()) continue;  // the file lost its master: keep the value
    Uses.Add(s.Row, s.Col, master->second.Formula, s.Saved);
  }
  FFinished = true;
  if (Direct) Apply(*Direct);
}

void TXlsxSheetReader::Write(TWrite kind, double num, std::uint32_t index) {
  FWrites.push_back({FRow, FCol, num, index, kind});
  // Reading on the workbook's thread: a batch at a time, so a large sheet is never held twice.
  constexpr std::size_t Batch = 4096;
  if (Direct && FWrites.size() >= Batch) Apply(*Direct);
}

void TXlsxSheetReader::Apply(TWorkbook& book) {
  // A row filled from (about) its start gets its room at once: grown a cell at a time it would be
  // copied at every doubling. Rows of a few scattered cells keep their sparse storage.
  for (std::size_t i = 0; i < FWrites.size();) {
    std::size_t j = i;
    int cells = 0, last = 0;
    for (; j < FWrites.size() && FWrites[j].Row == FWrites[i].Row; ++j)
      if (FWrites[j].Kind != TWrite::RowHeight && FWrites[j].Kind != TWrite::Style) {
        ++cells;
        last = std::max(last, FWrites[j].Col);
      }
    if (cells > 16 && last <= 2 * cells + 16) book.ReserveRow(FWrites[i].Row, last);
    i = j;
  }
  std::vector<double>& run = FRun;
  for (std::size_t i = 0; i < FWrites.size(); ++i) {
    const TCellWrite& w = FWrites[i];
    switch (w.Kind) {
      case TWrite::Number: {
        // Numbers side by side in a row go in together.
        run.assign(1, w.Num);
        while (i + 1 < FWrites.size() && FWrites[i + 1].Kind == TWrite::Number && FWrites[i + 1].Row == w.Row &&
               FWrites[i + 1].Col == w.Col + static_cast<int>(run.size()))
          run.push_back(FWrites[++i].Num);
        book.SetNumbersRC(w.Row, w.Col, run.data(), static_cast<int>(run.size()));
        break;
      }
      case TWrite::SharedText: book.SetTextRC(w.Row, w.Col, FStrings[w.Index]); break;
      case TWrite::OwnText: book.SetTextRC(w.Row, w.Col, FTexts[w.Index]); break;
      case TWrite::Boolean: book.SetValueRC(w.Row, w.Col, TCellValue::Boolean(w.Num != 0)); break;
      case TWrite::Error: book.SetValueRC(w.Row, w.Col, TCellValue::Error(static_cast<TCellError>(w.Index))); break;
      case TWrite::Style: book.SetNumberFormatRC(w.Row, w.Col, FStyles[w.Index]); break;
      case TWrite::RowHeight: book.SetRowHeight(w.Row, static_cast<std::uint16_t>(w.Index)); break;
    }
  }
  FWrites.clear();
  FTexts.clear();
  if (!FFinished) return;
  for (const auto& [first, entry] : FWidths) {
    const auto& [last, width] = entry;
    for (int c = first; c <= std::min(last, FLastCol); ++c) book.SetColWidth(c, width);
  }
  book.SetMaxRow(std::max(FLastRow, 1));
  book.SetMaxCol(std::max(FLastCol, 1));
  FWidths.clear();
}

void TXlsxSheetReader::Fail(const QString& what) const {
  throw EWorkbookError(QString(), QStringLiteral("sheet \"%1\" cell %2").arg(FName, a1::CellName(FRow, FCol)), what);
}

void TXlsxSheetReader::StartRow() {
  std::string_view r;
  if (const char* given = Attrs.Find("r")) r = given;
  BeginRow(r.data() ? &r : nullptr);
  const char* height = Attrs.Find("ht");
  double points = 0;
  if (height && Attrs.Get("customHeight") == "1" && TXlsxCodec::ToDouble(height, points) && points >= 0 && points < 3276)
    Write(TWrite::RowHeight, 0, static_cast<std::uint32_t>(std::lround(points * 20)));
}

void TXlsxSheetReader::BeginRow(const std::string_view* r) {
  // Checked before narrowing: a row number beyond 32 bits must not wrap into the sheet.
  const long long row = r ? TXlsxCodec::ToInteger(*r, 0) : FRow + 1LL;
  FCol = 0;
  if (row < 1 || row > a1::MaxRows)
    throw EWorkbookError(QString(), QStringLiteral("sheet \"%1\" row %2").arg(FName, TXlsxCodec::ToQString(r ? *r : std::string_view())),
                         QStringLiteral("the row number is out of range"));
  FRow = static_cast<int>(row);
}

void TXlsxSheetReader::Column() {
  double width = 0;
  const long long first = TXlsxCodec::ToInteger(Attrs.Get("min"), 0);
  const long long last = std::min<long long>(TXlsxCodec::ToInteger(Attrs.Get("max"), first), a1::MaxCols);
  if (first < 1 || last < first || !TXlsxCodec::ToDouble(Attrs.Get("width"), width) || width < 0) return;
  FWidths[static_cast<int>(first)] = {static_cast<int>(last), TXlsxCodec::ColumnWidthFromFile(width)};
}

// The usual rows and cells, read straight from their bytes: most of a sheet part is these, and the
// scanner's events cost several times their reading. Anything else is left to the scanner.
TXmlPartParser::THandler::TTaken TXlsxSheetReader::TakeElement(const char* b, std::size_t n) {
  if (n > 1 && b[1] == 'c') return {WholeCell(b, n), 0};
  if (n > 4 && b[1] == 'r' && b[2] == 'o' && b[3] == 'w') return {RowStart(b, n), 3};
  return {};
}

// A row's start tag, `<row r="12">`, with the column span a writer may add (` spans="1:30"`), which
// says nothing this reader needs.
std::size_t TXlsxSheetReader::RowStart(const char* b, std::size_t n) {
  std::size_t p = 4;
  std::string_view r;
  if (!PlainAttribute(b, n, p, 'r', Digit, r)) return 0;
  constexpr std::string_view Spans = " spans=\"";
  if (std::string_view(b + p, std::min(n - p, Spans.size())) == Spans) {
    std::size_t q = p + Spans.size();
    while (q < n && (Digit(b[q]) || b[q] == ':')) ++q;
    if (q >= n || b[q] != '"') return 0;
    p = q + 1;
  }
  if (p >= n || b[p] != '>') return 0;
  BeginRow(&r);
  return p + 1;
}

// A number, `<c r="B12" s="3"><v>-1.5E3</v></c>`, and a use of a shared formula without a saved
// value, `<c r="B12"><f t="shared" si="0"/></c>` (the reference and the style each optional).
std::size_t TXlsxSheetReader::WholeCell(const char* b, std::size_t n) {
  if (n < 15) return 0;
  std::size_t p = 2;
  std::string_view ref, style;
  if (b[p] == ' ' && b[p + 1] == 'r' && !PlainAttribute(b, n, p, 'r', [](char c) { return Upper(c) || Digit(c); }, ref)) return 0;
  if (p + 1 < n && b[p] == ' ' && b[p + 1] == 's' && !PlainAttribute(b, n, p, 's', Digit, style)) return 0;
  constexpr std::string_view Value = "><v>", SharedUse = "><f t=\"shared\" si=\"";
  if (std::string_view(b + p, std::min(n - p, SharedUse.size())) == SharedUse) {
    std::size_t q = p + SharedUse.size();
    const std::size_t index = q;
    while (q < n && Digit(b[q])) ++q;
    if (q == index || q + 7 > n || std::string_view(b + q, 7) != "\"/></c>") return 0;
    BeginCell(ref.data() ? &ref : nullptr, {}, style);
    // As StartFormula and the end of <f/> would leave it.
    FHasFormula = true;
    FFormulaType = "shared";
    FSharedIndex = static_cast<std::size_t>(TXlsxCodec::ToInteger(std::string_view(b + index, q - index), -1));
    FSharedRef = false;
    FArrayRef.clear();
    Text.clear();
    FFormula.clear();
    Collecting = false;
    EndCell();
    return q + 7;
  }
  if (std::string_view(b + p, std::min(n - p, Value.size())) != Value) return 0;
  p += Value.size();
  const std::size_t value = p;
  while (p < n && NumberCharacter(b[p])) ++p;
  if (p == value || p + 8 > n || std::string_view(b + p, 8) != "</v></c>") return 0;
  BeginCell(ref.data() ? &ref : nullptr, {}, style);
  // As the events of <v> and </v> would leave it.
  FValue.assign(b + value, p - value);
  FHasValue = true;
  Text.clear();
  Collecting = false;
  EndCell();
  return p + 8;
}

void TXlsxSheetReader::StartCell() {
  // One pass over the attributes: this runs for every cell the scanner reads.
  std::string_view ref, type, style;
  bool hasRef = false;
  Attrs.ForEachRaw([&](const char* name, const char* value) {
    const std::string_view local = TXmlPartParser::TAttributes::LocalName(name);
    if (local.size() != 1) return;
    if (local[0] == 'r') { ref = value; hasRef = true; }
    else if (local[0] == 't') type = value;
    else if (local[0] == 's') style = value;
  });
  BeginCell(hasRef ? &ref : nullptr, type, style);
}

void TXlsxSheetReader::BeginCell(const std::string_view* ref, std::string_view type, std::string_view style) {
  if (ref && PlainCellName(*ref, FRow, FCol)) {
    // read as it stands
  } else if (ref) {
    const auto name = a1::ParseCellName(QString::fromLatin1(ref->data(), static_cast<qsizetype>(ref->size())));
    if (!name || name->AbsRow || name->AbsCol)
      throw EWorkbookError(QString(), QStringLiteral("sheet \"%1\" row %2").arg(FName).arg(FRow),
                           QStringLiteral("\"%1\" is not a cell name").arg(TXlsxCodec::ToQString(*ref)));
    FRow = name->Row;
    FCol = name->Col;
  } else {
    ++FCol;
  }
  if (FRow < 1 || FCol < 1 || FCol > a1::MaxCols) Fail(QStringLiteral("the cell is outside the sheet"));
  FType = type;
  FStyle = style.empty() ? 0 : static_cast<std::size_t>(TXlsxCodec::ToInteger(style, 0));
  FHasValue = false;
  FValue.clear();
  FFormula.clear();
  FFormulaType.clear();
  FHasFormula = false;
  FInline.clear();
  FInInline = false;
}

bool TXlsxSheetReader::StyleShowsDates() {
  if (FStyle == 0 || FStyle >= FStyles.size() || FStyles[FStyle].isEmpty()) return false;
  if (FStyleShowsDates.size() < FStyles.size()) FStyleShowsDates.assign(FStyles.size(), -1);
  signed char& known = FStyleShowsDates[FStyle];
  if (known < 0) known = TNumberFormat(FStyles[FStyle]).ShowsDates() ? 1 : 0;
  return known == 1;
}

void TXlsxSheetReader::StartFormula() {
  FHasFormula = true;
  FFormulaType = Attrs.Get("t");
  FSharedIndex = static_cast<std::size_t>(TXlsxCodec::ToInteger(Attrs.Get("si"), -1));
  FSharedRef = Attrs.Find("ref") != nullptr;
  FArrayRef = Attrs.Get("ref");
  Collecting = true;
  Text.clear();
}

void TXlsxSheetReader::EndCell() {
  if (FRow > FLastRow) FLastRow = FRow;
  if (FCol > FLastCol) FLastCol = FCol;
  if (FStyle > 0 && FStyle < FStyles.size() && !FStyles[FStyle].isEmpty())
    Write(TWrite::Style, 0, static_cast<std::uint32_t>(FStyle));
  if (FHasFormula && EndFormula()) return;
  // An empty value ("<v></v>", "<v/>") is an empty cell, as other programs read it.
  if (FHasValue && FValue.empty() && FType != "str") return;
  if (FType.empty() || FType == "n") {
    if (!FHasValue) return;
    double v = 0;
    if (!TXlsxCodec::ToDouble(FValue, v)) Fail(QStringLiteral("\"%1\" is not a number").arg(TXlsxCodec::ToQString(FValue)));
    if (DateShift != 0 && StyleShowsDates()) v += DateShift;
    Write(TWrite::Number, v);
  } else if (FType == "s") {
    const long long index = TXlsxCodec::ToInteger(FValue, -1);
    if (index < 0 || index >= static_cast<long long>(FStrings.size()))
      Fail(QStringLiteral("the shared text %1 does not exist").arg(TXlsxCodec::ToQString(FValue)));
    Write(TWrite::SharedText, 0, static_cast<std::uint32_t>(index));
  } else if (FType == "inlineStr") {
    FTexts.push_back(TXlsxCodec::ToQString(TXlsxCodec::Unescape(FInline)));
    Write(TWrite::OwnText, 0, static_cast<std::uint32_t>(FTexts.size() - 1));
  } else if (FType == "str") {
    FTexts.push_back(TXlsxCodec::ToQString(TXlsxCodec::Unescape(FValue)));
    Write(TWrite::OwnText, 0, static_cast<std::uint32_t>(FTexts.size() - 1));
  } else if (FType == "b") {
    Write(TWrite::Boolean, FValue == "1" || FValue == "true" ? 1 : 0);
  } else if (FType == "e") {
    const TCellError error = TCellValue::ParseError(TXlsxCodec::ToQString(FValue));
    Write(TWrite::Error, 0, static_cast<std::uint32_t>(error == TCellError::None ? TCellError::Value : error));
  } else if (FType == "d") {
    SetDate();
  } else {
    Fail(QStringLiteral("unknown cell type \"%1\"").arg(TXlsxCodec::ToQString(FType)));
  }
}

// True when the cell's content is the formula; false leaves the cached value as the content
// (a data table, or the parts of an array formula other than its corner).
bool TXlsxSheetReader::EndFormula() {
  QString text;
  // A use of a shared formula has no text: the common case of a long column costs no conversion.
  if (FFormula.find_first_not_of(" \t\r\n") != std::string::npos) {
    text = TXlsxCodec::ToQString(TXlsxCodec::Unescape(FFormula)).trimmed();
    // Functions newer than the file format's first edition carry prefixes; our engine knows them
    // by their plain names.
    text.remove(QStringLiteral("_xlfn."));
    text.remove(QStringLiteral("_xlws."));
  }
  if (FFormulaType == "shared") {
    if (!text.isEmpty() && FSharedRef) {
      FSharedMasters[FSharedIndex] = {FRow, FCol, FSharedIndex, Formulas.size()};
      Formulas.push_back(Pending(QStringLiteral("=") + text));
      ReserveForUses();
      return true;
    }
    auto master = FSharedMasters.find(FSharedIndex);
    if (master != FSharedMasters.end()) {
      // The usual order: the master came first, so the use is placed as its copy straight away.
      Uses.Add(FRow, FCol, master->second.Formula, SavedValue());
      return true;
    }
    // The cached value stays the content until the master's formula is placed here, so a use
    // whose master the file lost keeps its value.
    FSharedUses.push_back({FRow, FCol, FSharedIndex, 0, SavedValue()});
    return false;
  }
  if (FFormulaType == "dataTable" || text.isEmpty()) return false;
  TWorkbookFile::TPendingFormula f = Pending(QStringLiteral("=") + text);
  if (FFormulaType == "array") {
    // Computed over whole ranges at once, which our engine does not do: kept with its results.
    int rows = 1, cols = 1;
    const QString ref = TXlsxCodec::ToQString(FArrayRef);
    const qsizetype colon = ref.indexOf(QLatin1Char(':'));
    if (colon > 0) {
      const auto first = a1::ParseCellName(ref.left(colon));
      const auto last = a1::ParseCellName(ref.mid(colon + 1));
      if (first && last && first->Row == FRow && first->Col == FCol && last->Row >= FRow && last->Col >= FCol) {
        rows = last->Row - FRow + 1;
        cols = last->Col - FCol + 1;
      }
    }
    f.Verbatim = true;
    f.ArrayRows = rows;
    f.ArrayCols = cols;
  }
  Formulas.push_back(f);
  return true;
}

// Room for the uses a shared master's range announces, so a long column of them does not copy
// the list at every doubling. Reserved room is not touched until used; the announcement is
// capped, since a file may claim any range.
void TXlsxSheetReader::ReserveForUses() {
  const std::string_view ref = FArrayRef;
  const std::size_t colon = ref.find(':');
  if (colon == std::string_view::npos) return;
  const auto first = a1::ParseCellName(TXlsxCodec::ToQString(ref.substr(0, colon)));
  const auto last = a1::ParseCellName(TXlsxCodec::ToQString(ref.substr(colon + 1)));
  if (!first || !last || last->Row < first->Row || last->Col < first->Col) return;
  constexpr long long MaxAnnounced = 1 << 21;
  const long long cells = std::min<long long>(MaxAnnounced, static_cast<long long>(last->Row - first->Row + 1) * (last->Col - first->Col + 1));
  std::vector<TWorkbookFile::TSharedUse>& uses = Uses.Uses;
  const std::size_t wanted = uses.size() + static_cast<std::size_t>(cells);
  if (wanted > uses.capacity()) uses.reserve(std::max(wanted, 2 * uses.capacity()));
}

TWorkbookFile::TPendingFormula TXlsxSheetReader::Pending(const QString& text) {
  TWorkbookFile::TPendingFormula f{FSheet, FRow, FCol, text};
  f.Keep = true;
  f.Saved = SavedValue();
  return f;
}

TCellValue TXlsxSheetReader::SavedValue() {
  if (!FHasValue || (FValue.empty() && FType != "str")) return TCellValue{};
  if (FType == "str") return TCellValue::Text(TXlsxCodec::ToQString(TXlsxCodec::Unescape(FValue)));
  if (FType == "b") return TCellValue::Boolean(FValue == "1" || FValue == "true");
  if (FType == "e") {
    const TCellError error = TCellValue::ParseError(TXlsxCodec::ToQString(FValue));
    return TCellValue::Error(error == TCellError::None ? TCellError::Value : error);
  }
  if (FType == "s") {
    const long long index = TXlsxCodec::ToInteger(FValue, -1);
    return index >= 0 && index < static_cast<long long>(FStrings.size()) ? TCellValue::Text(FStrings[static_cast<std::size_t>(index)]) : TCellValue{};
  }
  double v = 0;
  if (!TXlsxCodec::ToDouble(FValue, v)) return TCellValue{};
  if (DateShift != 0 && StyleShowsDates()) v += DateShift;
  return TCellValue::Number(v);
}

// An ISO 8601 date: its calendar fields as written, since sheet dates are wall-clock values.
void TXlsxSheetReader::SetDate() {
  const QDateTime when = QDateTime::fromString(TXlsxCodec::ToQString(FValue), Qt::ISODateWithMs);
  if (!when.isValid()) Fail(QStringLiteral("\"%1\" is not a date").arg(TXlsxCodec::ToQString(FValue)));
  const QDate d = when.date();
  const QTime t = when.time();
  Write(TWrite::Number, datetime::EncodeDate(d.year(), d.month(), d.day()) + datetime::EncodeTime(t.hour(), t.minute(), t.second(), t.msec()));
}
