#include "workbook/formats/odsimport.h"

#include <cmath>
#include <exception>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include <QBuffer>

#include <ixion/address.hpp>
#include <ixion/cell.hpp>
#include <ixion/formula.hpp>
#include <ixion/formula_name_resolver.hpp>
#include <ixion/formula_tokens.hpp>
#include <ixion/model_context.hpp>
#include <orcus/orcus_ods.hpp>
#include <orcus/spreadsheet/document.hpp>
#include <orcus/spreadsheet/factory.hpp>
#include <orcus/spreadsheet/sheet.hpp>
#include <orcus/spreadsheet/styles.hpp>

#include "workbook/formats/odscontentreader.h"
#include "workbook/formats/workbookfile.h"
#include "workbook/formats/xlsxcodec.h"
#include "workbook/formats/xmlpartparser.h"
#include "workbook/formats/xlsximport.h"
#include "workbook/model/a1notation.h"
#include "workbook/model/workbook.h"
#include "workbook/model/workbookerror.h"
#include "workbook/zip/zipreader.h"
#include "workbook/zip/zipwriter.h"

namespace ss = orcus::spreadsheet;

namespace {

// The format a typed cell shows when its style names none the library could read.
QString DefaultFormat(const TOdsContentReader::TCell& cell) {
  using T = TOdsContentReader::TType;
  const double v = cell.Value.Kind == TValueKind::Number ? cell.Value.Num : 0;
  switch (cell.Type) {
    case T::Percentage: return v * 100 == std::round(v * 100) ? QStringLiteral("0%") : QStringLiteral("0.00%");
    case T::Currency: return QStringLiteral("#,##0.00");
    case T::Date: return v == std::floor(v) ? QStringLiteral("yyyy-mm-dd") : QStringLiteral("yyyy-mm-dd hh:mm:ss");
    case T::Time: return std::abs(v) >= 1 ? QStringLiteral("[h]:mm:ss") : QStringLiteral("hh:mm:ss");
    default: return QString();
  }
}

// The content without its formula attributes. The library gives only formats and widths, and it
// refuses whole files over formulas it cannot parse (an intersection of ranges, for one).
QByteArray WithoutFormulas(const std::string& content) {
  static constexpr std::string_view kAttr = " table:formula=\"";
  QByteArray out;
  out.reserve(static_cast<qsizetype>(content.size()));
  std::size_t from = 0;
  for (std::size_t at = content.find(kAttr); at != std::string::npos; at = content.find(kAttr, from)) {
    const std::size_t end = content.find('"', at + kAttr.size());
    if (end == std::string::npos) break;
    out.append(content.data() + from, static_cast<qsizetype>(at - from));
    from = end + 1;
  }
  out.append(content.data() + from, static_cast<qsizetype>(content.size() - from));
  return out;
}

}  // namespace

TWorkbook TOdsImport::Read(const QString& path, const QByteArray& data) {
  // The library would trust the archive's declared sizes (and read its directory its own way), so
  // it gets a copy that our own reader made within its bounds. Every sheet costs the library
  // storage for each of the grid's columns, several MB, so thousands of tiny sheets are refused
  // before it builds them.
  QByteArray package;
  TOdsContentReader content;
  try {
    const TZipReader zip(data);
    QBuffer out(&package);
    out.open(QIODevice::WriteOnly);
    TZipWriter copy(out, 0);
    for (const std::string& name : zip.Names()) {
      copy.BeginEntry(name);
      if (name == "content.xml") {
        const QByteArray bare = WithoutFormulas(zip.Read(name));
        copy.Write(bare.constData(), static_cast<std::size_t>(bare.size()));
      } else {
        zip.Read(name, [&copy](const char* piece, std::size_t size) { copy.Write(piece, size); });
      }
      copy.EndEntry();
    }
    copy.Finish();
    if (!zip.Has("content.xml")) throw EWorkbookError(path, QString(), QStringLiteral("this is not a spreadsheet package (no content part)"));
    // The cells come from our own reading of the content: the library drops some value types and
    // repeats, and prints formula constants short.
    TXmlPartParser::Parse(zip, "content.xml", content);
    if (static_cast<int>(content.SheetNames.size()) > MaxSheets)
      throw EWorkbookError(path, QString(),
                           QStringLiteral("the file has %1 sheets; this program reads at most %2 from an .ods file").arg(content.SheetNames.size()).arg(MaxSheets));
  } catch (const EWorkbookError& e) {
    throw EWorkbookError(path, e.Where(), e.What());
  } catch (const std::exception& e) {
    throw EWorkbookError(path, QString(), QStringLiteral("cannot read the .ods file: %1").arg(QString::fromUtf8(e.what())));
  }
  if (content.SheetNames.empty()) throw EWorkbookError(path, QString(), QStringLiteral("the workbook has no sheet"));
  // Formats and column widths come from the library.
  const ss::range_size_t size{a1::MaxRows, a1::MaxCols};
  ss::document doc(size);
  ss::import_factory factory(doc);
  factory.set_recalc_formula_cells(false);
  try {
    orcus::orcus_ods loader(&factory);
    loader.read_stream(std::string_view(package.constData(), static_cast<std::size_t>(package.size())));
  } catch (const std::exception&) {
    // The library's own words name its internals, not the file.
    throw EWorkbookError(path, QString(),
                         QStringLiteral("the file's styles or layout cannot be read: the file is damaged or was not written as an .ods file should be"));
  }

  const ss::styles& styles = doc.get_styles();
  TWorkbook book;
  book.SetAutoRecalc(false);
  const int sheets = static_cast<int>(content.SheetNames.size());
  const bool sameSheets = static_cast<int>(doc.get_sheet_count()) == sheets;
  TWorkbookFile::NameSheets(book, content.SheetNames, path);
  // Cell formats name number formats by their file identifier, not by their place in the store.
  std::map<std::size_t, QString> formatCodes;
  for (std::size_t i = 0; i < styles.get_number_format_count(); ++i) {
    const ss::number_format_t* nf = styles.get_number_format(i);
    if (nf && !nf->format_string.empty())
      formatCodes[nf->identifier] = QString::fromUtf8(nf->format_string.data(), static_cast<int>(nf->format_string.size()));
  }
  auto formatOf = [&](int sheet, int row, int col) -> QString {
    if (!sameSheets) return QString();
    const ss::sheet* sh = doc.get_sheet(static_cast<ss::sheet_t>(sheet - 1));
    const std::size_t xf = sh ? sh->get_cell_format(row - 1, col - 1) : 0;
    if (xf == 0) return QString();
    const ss::cell_format_t* cf = styles.get_cell_format(xf);
    if (!cf || cf->number_format == 0) return QString();
    auto known = formatCodes.find(cf->number_format);
    return known != formatCodes.end() ? known->second : TXlsxImport::BuiltinFormat(cf->number_format);
  };
  std::vector<TWorkbookFile::TPendingFormula> formulas;
  std::vector<int> lastRow(static_cast<std::size_t>(sheets), 1), lastCol(static_cast<std::size_t>(sheets), 1);
  for (const TOdsContentReader::TCell& cell : content.Cells) {
    book.SetSheet(cell.Sheet);
    lastRow[static_cast<std::size_t>(cell.Sheet - 1)] = std::max(lastRow[static_cast<std::size_t>(cell.Sheet - 1)], cell.Row);
    lastCol[static_cast<std::size_t>(cell.Sheet - 1)] = std::max(lastCol[static_cast<std::size_t>(cell.Sheet - 1)], cell.Col);
    if (!cell.Formula.isEmpty()) {
      TWorkbookFile::TPendingFormula f{cell.Sheet, cell.Row, cell.Col, cell.Formula};
      f.Shared = cell.FromRow > 0;
      f.FromRow = cell.FromRow;
      f.FromCol = cell.FromCol;
      f.Keep = true;
      f.Saved = cell.Value;
      if (cell.ArrayRows > 0 && cell.FromRow == 0) {
        f.Verbatim = true;
        f.ArrayRows = cell.ArrayRows;
        f.ArrayCols = std::max(cell.ArrayCols, 1);
      }
      formulas.push_back(f);
    } else {
      book.SetValueRC(cell.Row, cell.Col, cell.Value);
    }
    // A repeat shows as the cell it repeats.
    QString code = cell.FromRow > 0 ? formatOf(cell.Sheet, cell.FromRow, cell.FromCol) : formatOf(cell.Sheet, cell.Row, cell.Col);
    if (code.isEmpty() || code.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0) code = DefaultFormat(cell);
    if (!code.isEmpty()) book.SetNumberFormatRC(cell.Row, cell.Col, code);
  }
  for (int s = 0; s < sheets && sameSheets; ++s) {
    book.SetSheet(s + 1);
    const ss::sheet* sheet = doc.get_sheet(static_cast<ss::sheet_t>(s));
    const ixion::abs_range_t range = sheet->get_data_range();
    for (ixion::col_t c = 0; range.last.valid() && c <= range.last.column && c < a1::MaxCols; ++c) {
      ss::col_t first = 0, last = 0;
      const ss::col_width_t w = sheet->get_col_width(c, &first, &last);
      if (w == ss::get_default_column_width()) continue;
      // The reader gives twips at about 107.7 per character; the file's width carries 5/7 of a
      // character of padding, which our widths (1/256 character) leave out.
      const double chars = std::max(w / 107.67 - 5.0 / 7.0, 0.0);
      book.SetColWidth(static_cast<int>(c) + 1, static_cast<std::uint16_t>(std::min(std::lround(chars * 256), 65535L)));
    }
  }
  for (int s = 0; s < sheets; ++s) {
    book.SetSheet(s + 1);
    book.SetMaxRow(lastRow[static_cast<std::size_t>(s)]);
    book.SetMaxCol(lastCol[static_cast<std::size_t>(s)]);
  }
  TWorkbookFile::KeepFormulasNaming(formulas, content.Names, book.NumSheets());
  book.SetDefinedNames(std::move(content.Names));
  TWorkbookFile::PlaceFormulas(book, formulas, path);
  book.SetSheet(1);
  book.SetAutoRecalc(true);
  return book;
}
