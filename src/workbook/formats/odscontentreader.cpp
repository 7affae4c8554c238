#include "workbook/formats/odscontentreader.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include <QDate>
#include <QRegularExpression>
#include <QTime>

#include "workbook/formats/xlsxcodec.h"
#include "workbook/model/a1notation.h"
#include "workbook/model/workbookerror.h"

namespace {

const QDate kEpoch(1899, 12, 30);

// "2024-03-01" or "2024-03-01T12:30:00.5" as days since 1899-12-30.
bool ParseDate(std::string_view text, double& days) {
  const QString s = TXlsxCodec::ToQString(text).trimmed();
  const QString datePart = s.left(s.indexOf(QLatin1Char('T')) < 0 ? s.size() : s.indexOf(QLatin1Char('T')));
  const QDate d = QDate::fromString(datePart, Qt::ISODate);
  if (!d.isValid()) return false;
  days = static_cast<double>(kEpoch.daysTo(d));
  if (datePart.size() == s.size()) return true;
  static const QRegularExpression time(QStringLiteral("^(\\d{1,2}):(\\d{2})(?::(\\d{2}(?:\\.\\d+)?))?$"));
  const QRegularExpressionMatch m = time.match(s.mid(datePart.size() + 1));
  if (!m.hasMatch()) return false;
  const double seconds = m.captured(1).toDouble() * 3600 + m.captured(2).toDouble() * 60 + m.captured(3).toDouble();
  days += seconds / 86400.0;
  return true;
}

// An ISO 8601 duration ("PT12H30M00S", "P1DT2H", "-PT0.5S") as a fraction of a day.
bool ParseDuration(std::string_view text, double& days) {
  static const QRegularExpression duration(
      QStringLiteral("^(-)?P(?:(\\d+(?:\\.\\d+)?)D)?(?:T(?:(\\d+(?:\\.\\d+)?)H)?(?:(\\d+(?:\\.\\d+)?)M)?(?:(\\d+(?:\\.\\d+)?)S)?)?$"));
  const QRegularExpressionMatch m = duration.match(TXlsxCodec::ToQString(text).trimmed());
  if (!m.hasMatch()) return false;
  const double seconds = m.captured(2).toDouble() * 86400 + m.captured(3).toDouble() * 3600 + m.captured(4).toDouble() * 60 +
                         m.captured(5).toDouble();
  days = (m.captured(1).isEmpty() ? 1 : -1) * seconds / 86400.0;
  return std::isfinite(days);
}

// One end of a bracketed reference: "$'Sheet 1'.$A$1" into its sheet ("" when absent) and cell.
void SplitEnd(const QString& end, QString& sheet, QString& cell) {
  int dot = -1;
  bool quoted = false;
  for (int i = 0; i < end.size(); ++i) {
    if (end[i] == QLatin1Char('\'')) quoted = !quoted;
    else if (end[i] == QLatin1Char('.') && !quoted) dot = i;
  }
  sheet = dot < 0 ? QString() : end.left(dot);
  cell = dot < 0 ? end : end.mid(dot + 1);
  if (sheet.startsWith(QLatin1Char('$'))) sheet.remove(0, 1);
  if (sheet.size() >= 2 && sheet.startsWith(QLatin1Char('\'')) && sheet.endsWith(QLatin1Char('\''))) {
    sheet = sheet.mid(1, sheet.size() - 2);
    sheet.replace(QStringLiteral("''"), QStringLiteral("'"));
  }
}

// The inside of "[...]": ".A1", ".A1:.B2", "$Data.A1:.B2", "'x y'.A1:'x y'.B2".
QString TranslateReference(const QString& inside) {
  int colon = -1;
  bool quoted = false;
  for (int i = 0; i < inside.size(); ++i) {
    if (inside[i] == QLatin1Char('\'')) quoted = !quoted;
    else if (inside[i] == QLatin1Char(':') && !quoted) { colon = i; break; }
  }
  QString sheet1, cell1, sheet2, cell2;
  SplitEnd(colon < 0 ? inside : inside.left(colon), sheet1, cell1);
  QString out = sheet1.isEmpty() ? cell1 : a1::QuoteSheetName(sheet1) + QLatin1Char('!') + cell1;
  if (colon < 0) return out;
  SplitEnd(inside.mid(colon + 1), sheet2, cell2);
  // A range over several sheets has no form here: its text stays and the engine refuses it.
  if (!sheet2.isEmpty() && sheet2.compare(sheet1, Qt::CaseInsensitive) != 0)
    return out + QLatin1Char(':') + a1::QuoteSheetName(sheet2) + QLatin1Char('!') + cell2;
  return out + QLatin1Char(':') + cell2;
}

// A length ("3in", "2.258cm", "72pt") in twips; 0 for one without a unit we know.
double Twips(std::string_view text) {
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || !std::isfinite(value) || value < 0) return 0;
  const std::string_view unit(end, static_cast<std::size_t>(text.data() + text.size() - end));
  if (unit == "in") return value * 1440;
  if (unit == "cm") return value * 1440 / 2.54;
  if (unit == "mm") return value * 1440 / 25.4;
  if (unit == "pt") return value * 20;
  if (unit == "pc") return value * 240;
  if (unit == "px") return value * 15;
  return 0;
}

}  // namespace

QString TOdsContentReader::TranslateFormula(const QString& formula) {
  QString f = formula;
  // The namespace prefix names the syntax: OpenFormula, the older office one, or none.
  static const QRegularExpression prefix(QStringLiteral("^[A-Za-z][A-Za-z0-9]*:(?==)"));
  f.remove(prefix);
  if (!f.startsWith(QLatin1Char('='))) f.prepend(QLatin1Char('='));
  QString out;
  out.reserve(f.size());
  for (int i = 0; i < f.size(); ++i) {
    const QChar c = f[i];
    if (c == QLatin1Char('"')) {  // a text constant, "" inside for a quote
      int j = i + 1;
      while (j < f.size() && !(f[j] == QLatin1Char('"') && (j + 1 >= f.size() || f[j + 1] != QLatin1Char('"')))) j += f[j] == QLatin1Char('"') ? 2 : 1;
      out += f.mid(i, j - i + 1);
      i = j;
    } else if (c == QLatin1Char('[')) {
      int j = i + 1;
      bool quoted = false;
      while (j < f.size() && (quoted || f[j] != QLatin1Char(']'))) {
        if (f[j] == QLatin1Char('\'')) quoted = !quoted;
        ++j;
      }
      out += TranslateReference(f.mid(i + 1, j - i - 1));
      i = j;
    } else if (c == QLatin1Char(';')) {
      out += QLatin1Char(',');
    } else {
      out += c;
    }
  }
  return out;
}

int TOdsContentReader::Count(std::string_view text, const char* what) {
  if (text.empty()) return 1;
  long long n = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (ec != std::errc() || end != text.data() + text.size() || n < 1)
    throw EWorkbookError(QString(), QString(), QStringLiteral("the repeat count %1 \"%2\" is not a positive whole number")
                                                   .arg(QLatin1String(what), TXlsxCodec::ToQString(text)));
  return static_cast<int>(std::min<long long>(n, a1::MaxRows + 1LL));
}

void TOdsContentReader::Fail(const QString& what) const {
  const QString sheet = FSheet >= 1 && FSheet <= static_cast<int>(SheetNames.size()) ? SheetNames[FSheet - 1] : QString();
  throw EWorkbookError(QString(), QStringLiteral("sheet \"%1\" cell %2").arg(sheet, a1::CellName(FRow, FCol)), what);
}

void TOdsContentReader::StartElement(std::string_view name) {
  if (FInCell) {
    if (name == "annotation") { ++FAnnotation; Collecting = false; }
    else if (FAnnotation > 0) return;
    else if (name == "p" || name == "h") { ++FParagraph; Collecting = true; Text.clear(); }
    else if (FParagraph == 0) return;
    else if (name == "s") Text.append(static_cast<std::size_t>(std::min(Count(Attrs.Get("c"), "of spaces"), 1000)), ' ');
    else if (name == "tab") Text += '\t';
    else if (name == "line-break") Text += '\n';
    return;
  }
  if (!FInTable && FNumberStyles.Start(name, Attrs)) {
    Collecting = true;
    Text.clear();
  }
  if (name == "named-range" || name == "named-expression") {
    StartName(name == "named-expression");
  } else if (name == "style") {
    FStyle = Attrs.Has("family", "table-column") ? std::string(Attrs.Get("name")) : std::string();
  } else if (name == "table-column-properties") {
    if (const double twips = Twips(Attrs.Get("column-width")); !FStyle.empty() && twips > 0) FColumnStyles[FStyle] = twips;
  } else if (name == "table") {
    FInTable = true;
    ++FSheet;
    SheetNames.push_back(TXlsxCodec::ToQString(Attrs.Get("name")));
    FRow = 1;
    FDeclaredColumns = 0;
    FColumnCellStyles.clear();
  } else if (name == "table-column" && FSheet >= 1) {
    // Each declaration covers its repeat count of columns, one after the other.
    const long long first = FDeclaredColumns + 1;
    FDeclaredColumns += Count(Attrs.Get("number-columns-repeated"), "of columns");
    if (first <= a1::MaxCols) {
      const int last = static_cast<int>(std::min<long long>(FDeclaredColumns, a1::MaxCols));
      const auto style = FColumnStyles.find(Attrs.Get("style-name"));
      if (style != FColumnStyles.end()) ColumnWidths.push_back({FSheet, static_cast<int>(first), last, style->second});
      if (const std::string_view cells = Attrs.Get("default-cell-style-name"); !cells.empty())
        FColumnCellStyles.push_back({static_cast<int>(first), last, std::string(cells)});
    }
  } else if (name == "table-row") {
    FRowRepeat = Count(Attrs.Get("number-rows-repeated"), "of rows");
    FCol = 1;
    FRowFirstCell = Cells.size();
  } else if (name == "table-cell" || name == "covered-table-cell") {
    StartCell(name == "covered-table-cell");
  }
}

void TOdsContentReader::EndElement(std::string_view name) {
  if (!FInTable && !FInCell) {
    FNumberStyles.End(name, Text);
    if (Collecting && (name == "text" || name == "currency-symbol")) Collecting = false;
  }
  if (FInCell) {
    if (name == "annotation") { if (--FAnnotation == 0 && FParagraph > 0) Collecting = true; }
    else if (FAnnotation > 0) return;
    else if ((name == "p" || name == "h") && FParagraph > 0) {
      if (!FFirstParagraph) FCellText += QLatin1Char('\n');
      FFirstParagraph = false;
      FCellText += TXlsxCodec::ToQString(Text);
      --FParagraph;
      Collecting = false;
    } else if (name == "table-cell" || name == "covered-table-cell") {
      EndCell();
    }
    return;
  }
  if (name == "table-row") EndRow();
  else if (name == "table") FInTable = false;
}

// A name for a range ("$Data.$A$1:.$A$9") or an expression ("of:=..."): kept to be written back.
void TOdsContentReader::StartName(bool expression) {
  TWorkbook::TDefinedName n;
  n.Name = TXlsxCodec::ToQString(Attrs.Get("name"));
  n.Sheet = FInTable ? FSheet : 0;
  const QString text = TXlsxCodec::ToQString(Attrs.Get(expression ? "expression" : "cell-range-address"));
  if (n.Name.isEmpty() || text.isEmpty()) return;
  n.Text = TranslateFormula(expression ? text : QStringLiteral("of:=[") + text + QLatin1Char(']'));
  if (n.Text.startsWith(QLatin1Char('='))) n.Text.remove(0, 1);
  Names.push_back(n);
}

void TOdsContentReader::StartCell(bool covered) {
  FInCell = true;
  FCellRepeat = Count(Attrs.Get("number-columns-repeated"), "of cells");
  FCellText.clear();
  FFirstParagraph = true;
  FParagraph = FAnnotation = 0;
  FHasValue = false;
  if (FSheet < 1) return;
  FCell = TCell();
  FCell.Sheet = FSheet;
  FCell.Row = FRow;
  FCell.Col = FCol;
  const std::string_view style = Attrs.Get("style-name");
  FCell.Format = FormatOf(style.empty() ? ColumnCellStyle(FCol) : style);
  const std::string_view type = Attrs.Get("value-type");
  const std::string_view formula = Attrs.Get("formula");
  if (!formula.empty() && !covered) {
    FCell.Formula = TranslateFormula(TXlsxCodec::ToQString(formula));
    FCell.ErrorResult = Attrs.Has("value-type", "error");
    if (Attrs.Find("number-matrix-rows-spanned")) {
      FCell.ArrayRows = Count(Attrs.Get("number-matrix-rows-spanned"), "of array rows");
      FCell.ArrayCols = Count(Attrs.Get("number-matrix-columns-spanned"), "of array columns");
    }
  }
  double x = 0;
  auto number = [&](const char* attr) {
    if (!TXlsxCodec::ToDouble(Attrs.Get(attr), x))
      Fail(QStringLiteral("the value \"%1\" is not a number").arg(TXlsxCodec::ToQString(Attrs.Get(attr))));
    FCell.Value = TCellValue::Number(x);
    FHasValue = true;
  };
  if (type == "float" || type == "percentage" || type == "currency") {
    FCell.Type = type == "float" ? TType::Number : type == "percentage" ? TType::Percentage : TType::Currency;
    number("value");
  } else if (type == "date") {
    FCell.Type = TType::Date;
    if (!ParseDate(Attrs.Get("date-value"), x))
      Fail(QStringLiteral("the date \"%1\" is not a date").arg(TXlsxCodec::ToQString(Attrs.Get("date-value"))));
    FCell.Value = TCellValue::Number(x);
    FHasValue = true;
  } else if (type == "time") {
    FCell.Type = TType::Time;
    if (!ParseDuration(Attrs.Get("time-value"), x))
      Fail(QStringLiteral("the time \"%1\" is not a time").arg(TXlsxCodec::ToQString(Attrs.Get("time-value"))));
    FCell.Value = TCellValue::Number(x);
    FHasValue = true;
  } else if (type == "boolean") {
    FCell.Type = TType::Boolean;
    const std::string_view b = Attrs.Get("boolean-value");
    FCell.Value = TCellValue::Boolean(b == "true" || b == "1");
    FHasValue = true;
  } else {
    FCell.Type = TType::Text;
    if (const char* s = Attrs.Find("string-value")) {
      FCell.Value = TCellValue::Text(TXlsxCodec::ToQString(s));
      FHasValue = true;
    }
  }
}

void TOdsContentReader::EndCell() {
  FInCell = false;
  Collecting = false;
  const int repeat = FCellRepeat;
  if (FSheet >= 1) {
    if (FCell.ErrorResult) {
      const TCellError error = TCellValue::ParseError(FCellText.trimmed());
      FCell.Value = TCellValue::Error(error == TCellError::None ? TCellError::Value : error);
      FHasValue = true;
    } else if (!FHasValue && FCell.Type == TType::Text && !FCellText.isEmpty()) {
      FCell.Value = TCellValue::Text(FCellText);
      FHasValue = true;
    }
    if (FHasValue || !FCell.Formula.isEmpty()) {
      // Empty cells past the grid are only padding; content there has no place in the sheet.
      if (FRow > a1::MaxRows || FCol > a1::MaxCols)
        Fail(QStringLiteral("the cell lies outside the sheet, which ends at row %1, column %2").arg(a1::MaxRows).arg(a1::MaxCols));
      const int last = static_cast<int>(std::min<long long>(static_cast<long long>(FCol) + repeat - 1, a1::MaxCols));
      FRepeated += last - FCol;
      if (FRepeated > MaxRepeatedCells)
        Fail(QStringLiteral("the file repeats cells that hold something more than %1 times: too many cells").arg(MaxRepeatedCells));
      Cells.push_back(FCell);
      for (int c = FCol + 1; c <= last; ++c) {
        TCell copy = FCell;
        copy.Col = c;
        copy.FromRow = FRow;
        copy.FromCol = FCol;
        Cells.push_back(copy);
      }
    }
  }
  FCol = static_cast<int>(std::min<long long>(static_cast<long long>(FCol) + repeat, a1::MaxCols + 1LL));
}

int TOdsContentReader::FormatOf(std::string_view cellStyle) {
  if (cellStyle.empty()) return 0;
  const auto known = FFormatOfStyle.find(cellStyle);
  if (known != FFormatOfStyle.end()) return known->second;
  const QString code = FNumberStyles.CellFormat(cellStyle);
  int place = 0;
  if (!code.isEmpty()) {
    const auto same = std::find(Formats.begin(), Formats.end(), code);
    place = static_cast<int>(same - Formats.begin());
    if (same == Formats.end()) Formats.push_back(code);
  }
  FFormatOfStyle.emplace(std::string(cellStyle), place);
  return place;
}

// The style a column gives its cells that name none; declarations come in column order.
std::string_view TOdsContentReader::ColumnCellStyle(int col) const {
  const auto after = std::upper_bound(FColumnCellStyles.begin(), FColumnCellStyles.end(), col,
                                      [](int c, const TColumnCellStyle& s) { return c < s.First; });
  if (after == FColumnCellStyles.begin()) return {};
  const TColumnCellStyle& s = *(after - 1);
  return col <= s.Last ? std::string_view(s.Style) : std::string_view();
}

void TOdsContentReader::EndRow() {
  // A repeated row that holds something is that many identical rows (a constant reading, say).
  const std::size_t first = FRowFirstCell, end = Cells.size();
  const int last = static_cast<int>(std::min<long long>(static_cast<long long>(FRow) + FRowRepeat - 1, a1::MaxRows));
  if (end > first && last > FRow) {
    FRepeated += static_cast<long long>(end - first) * (last - FRow);
    FCol = 1;  // the fault is the row's
    if (FRepeated > MaxRepeatedCells)
      Fail(QStringLiteral("the file repeats cells that hold something more than %1 times: too many cells").arg(MaxRepeatedCells));
    for (int r = FRow + 1; r <= last; ++r)
      for (std::size_t i = first; i < end; ++i) {
        TCell copy = Cells[i];
        copy.Row = r;
        if (copy.FromRow == 0) {
          copy.FromRow = Cells[i].Row;
          copy.FromCol = Cells[i].Col;
        }
        Cells.push_back(copy);
      }
  }
  FRow = static_cast<int>(std::min<long long>(static_cast<long long>(FRow) + FRowRepeat, a1::MaxRows + 1LL));
}
