#include "workbook/formats/odsimport.h"

#include <cmath>
#include <exception>
#include <map>
#include <memory>

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

// Calls visit(row, col) for each cell of the range that holds something, in no particular order.
// Ranges whose cells are mostly present are walked address by address; others are halved until
// the reader's cell count says a part is empty.
template <typename F>
void ForEachPresent(const ixion::model_context& cxt, ixion::sheet_t sheet, const ixion::abs_range_t& range, F&& visit) {
  const ixion::values_t any(ixion::value_string | ixion::value_numeric | ixion::value_boolean);
  const double rows = range.last.row - range.first.row + 1.0, cols = range.last.column - range.first.column + 1.0;
  const double present = cxt.count_range(range, any);  // formula cells count too
  if (present <= 0) return;
  if (rows * cols <= 4 * present + 64) {
    for (ixion::row_t r = range.first.row; r <= range.last.row; ++r)
      for (ixion::col_t c = range.first.column; c <= range.last.column; ++c)
        if (cxt.get_celltype(ixion::abs_address_t(sheet, r, c)) != ixion::celltype_t::empty) visit(r, c);
    return;
  }
  ixion::abs_range_t low = range, high = range;
  if (rows >= cols) {
    low.last.row = range.first.row + static_cast<ixion::row_t>(rows / 2) - 1;
    high.first.row = low.last.row + 1;
  } else {
    low.last.column = range.first.column + static_cast<ixion::col_t>(cols / 2) - 1;
    high.first.column = low.last.column + 1;
  }
  ForEachPresent(cxt, sheet, low, visit);
  ForEachPresent(cxt, sheet, high, visit);
}

// Counts the sheets of an .ods content part before the reader builds them.
class TSheetCounter : public TXmlPartParser::THandler {
 public:
  void StartElement(std::string_view name) override {
    if (name == "table") ++Count;
  }
  int Count = 0;
};

}  // namespace

TWorkbook TOdsImport::Read(const QString& path, const QByteArray& data) {
  // The library would trust the archive's declared sizes (and read its directory its own way), so
  // it gets a copy that our own reader made within its bounds. Every sheet costs the library
  // storage for each of the grid's columns, several MB, so thousands of tiny sheets are refused
  // before it builds them.
  QByteArray package;
  try {
    const TZipReader zip(data);
    QBuffer out(&package);
    out.open(QIODevice::WriteOnly);
    TZipWriter copy(out, 0);
    for (const std::string& name : zip.Names()) {
      copy.BeginEntry(name);
      zip.Read(name, [&copy](const char* piece, std::size_t size) { copy.Write(piece, size); });
      copy.EndEntry();
    }
    copy.Finish();
    if (!zip.Has("content.xml")) throw EWorkbookError(path, QString(), QStringLiteral("this is not a spreadsheet package (no content part)"));
    TSheetCounter counter;
    TXmlPartParser::Parse(zip, "content.xml", counter);
    if (counter.Count > MaxSheets)
      throw EWorkbookError(path, QString(), QStringLiteral("the file has %1 sheets; this program reads at most %2 from an .ods file").arg(counter.Count).arg(MaxSheets));
  } catch (const EWorkbookError&) {
    throw;
  } catch (const std::exception& e) {
    throw EWorkbookError(path, QString(), QStringLiteral("cannot read the .ods file: %1").arg(QString::fromUtf8(e.what())));
  }
  const ss::range_size_t size{a1::MaxRows, a1::MaxCols};
  ss::document doc(size);
  ss::import_factory factory(doc);
  factory.set_recalc_formula_cells(false);
  try {
    orcus::orcus_ods loader(&factory);
    loader.read_stream(std::string_view(package.constData(), static_cast<std::size_t>(package.size())));
  } catch (const std::exception& e) {
    throw EWorkbookError(path, QString(), QStringLiteral("cannot read the .ods file: %1").arg(QString::fromUtf8(e.what())));
  }

  const ixion::model_context& cxt = doc.get_model_context();
  const auto resolver = ixion::formula_name_resolver::get(ixion::formula_name_resolver_t::excel_a1, &cxt);
  const ss::styles& styles = doc.get_styles();
  TWorkbook book;
  book.SetAutoRecalc(false);
  const int sheets = static_cast<int>(doc.get_sheet_count());
  if (sheets == 0) throw EWorkbookError(path, QString(), QStringLiteral("the workbook has no sheet"));
  book.SetNumSheets(sheets);
  for (int s = 0; s < sheets; ++s)
    book.SetSheetName(s + 1, QString::fromUtf8(doc.get_sheet_name(static_cast<ss::sheet_t>(s))));
  // Cell formats name number formats by their file identifier, not by their place in the store.
  std::map<std::size_t, QString> formatCodes;
  for (std::size_t i = 0; i < styles.get_number_format_count(); ++i) {
    const ss::number_format_t* nf = styles.get_number_format(i);
    if (nf && !nf->format_string.empty())
      formatCodes[nf->identifier] = QString::fromUtf8(nf->format_string.data(), static_cast<int>(nf->format_string.size()));
  }
  std::vector<TWorkbookFile::TPendingFormula> formulas;
  for (int s = 0; s < sheets; ++s) {
    book.SetSheet(s + 1);
    const ss::sheet* sheet = doc.get_sheet(static_cast<ss::sheet_t>(s));
    const ixion::abs_range_t range = sheet->get_data_range();
    if (!range.first.valid() || !range.last.valid()) continue;
    // Only the cells present are visited: a sheet with a cell at each corner must not cost the
    // addresses between them.
    ForEachPresent(cxt, static_cast<ixion::sheet_t>(s), range, [&](ixion::row_t r, ixion::col_t c) {
        const ixion::abs_address_t addr(static_cast<ixion::sheet_t>(s), r, c);
        const int row = static_cast<int>(r) + 1, col = static_cast<int>(c) + 1;
        switch (cxt.get_celltype(addr)) {
          case ixion::celltype_t::string:
            book.SetTextRC(row, col, TXlsxCodec::ToQString(cxt.get_string_value(addr)));
            break;
          case ixion::celltype_t::numeric: book.SetNumberRC(row, col, cxt.get_numeric_value(addr)); break;
          case ixion::celltype_t::boolean: book.SetValueRC(row, col, TCellValue::Boolean(cxt.get_boolean_value(addr))); break;
          case ixion::celltype_t::formula: {
            const ixion::formula_cell* fc = cxt.get_formula_cell(addr);
            if (!fc) break;
            const std::string text = ixion::print_formula_tokens(cxt, addr, *resolver, fc->get_tokens()->get());
            formulas.push_back({s + 1, row, col, QStringLiteral("=") + QString::fromUtf8(text)});
            break;
          }
          default: break;
        }
        const std::size_t xf = sheet->get_cell_format(r, c);
        if (xf == 0) return;
        const ss::cell_format_t* cf = styles.get_cell_format(xf);
        if (!cf || cf->number_format == 0) return;
        auto known = formatCodes.find(cf->number_format);
        const QString code = known != formatCodes.end() ? known->second : TXlsxImport::BuiltinFormat(cf->number_format);
        if (!code.isEmpty() && code.compare(QLatin1String("General"), Qt::CaseInsensitive) != 0)
          book.SetNumberFormatRC(row, col, code);
    });
    for (ixion::col_t c = 0; c <= range.last.column && c < a1::MaxCols; ++c) {
      ss::col_t first = 0, last = 0;
      const ss::col_width_t w = sheet->get_col_width(c, &first, &last);
      if (w == ss::get_default_column_width()) continue;
      // The reader gives twips at about 107.7 per character; the file's width carries 5/7 of a
      // character of padding, which our widths (1/256 character) leave out.
      const double chars = std::max(w / 107.67 - 5.0 / 7.0, 0.0);
      book.SetColWidth(static_cast<int>(c) + 1, static_cast<std::uint16_t>(std::min(std::lround(chars * 256), 65535L)));
    }
    book.SetMaxRow(std::max(static_cast<int>(range.last.row) + 1, 1));
    book.SetMaxCol(std::max(static_cast<int>(range.last.column) + 1, 1));
  }
  TWorkbookFile::PlaceFormulas(book, formulas, path);
  book.SetSheet(1);
  book.SetAutoRecalc(true);
  return book;
}
