#include "workbook/formats/odsimport.h"

#include <cmath>
#include <exception>
#include <string>

#include "workbook/formats/odscontentreader.h"
#include "workbook/formats/workbookfile.h"
#include "workbook/formats/xlsxcodec.h"
#include "workbook/formats/xmlpartparser.h"
#include "workbook/formats/xlsximport.h"
#include "workbook/model/a1notation.h"
#include "workbook/model/workbook.h"
#include "workbook/model/workbookerror.h"
#include "workbook/zip/zipreader.h"

namespace {

// The format a typed cell shows when its style names none we could read.
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

}  // namespace

TWorkbook TOdsImport::Read(const QString& path, const QByteArray& data) {
  TOdsContentReader content;
  try {
    const TZipReader zip(data);
    if (!zip.Has("content.xml")) throw EWorkbookError(path, QString(), QStringLiteral("this is not a spreadsheet package (no content part)"));
    // The styles part first: cells may name the styles it defines.
    if (zip.Has("styles.xml")) TXmlPartParser::Parse(zip, "styles.xml", content);
    TXmlPartParser::Parse(zip, "content.xml", content);
  } catch (const EWorkbookError& e) {
    throw EWorkbookError(path, e.Where(), e.What());
  } catch (const std::exception& e) {
    throw EWorkbookError(path, QString(), QStringLiteral("cannot read the .ods file: %1").arg(QString::fromUtf8(e.what())));
  }
  if (content.SheetNames.empty()) throw EWorkbookError(path, QString(), QStringLiteral("the workbook has no sheet"));

  TWorkbook book;
  book.SetAutoRecalc(false);
  const int sheets = static_cast<int>(content.SheetNames.size());
  TWorkbookFile::NameSheets(book, content.SheetNames, path);
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
    QString code = content.Formats[static_cast<std::size_t>(cell.Format)];
    if (code.isEmpty() || code.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0) code = DefaultFormat(cell);
    if (!code.isEmpty()) book.SetNumberFormatRC(cell.Row, cell.Col, code);
  }
  // Widths up to the last column holding something.
  for (const TOdsContentReader::TColumnWidth& w : content.ColumnWidths) {
    const int last = std::min(w.Last, lastCol[static_cast<std::size_t>(w.Sheet - 1)]);
    if (w.First > last) continue;
    book.SetSheet(w.Sheet);
    // About 107.7 twips a character; the file's width carries 5/7 of a character of padding,
    // which our widths (1/256 character) leave out.
    const double chars = std::max(w.Twips / 107.67 - 5.0 / 7.0, 0.0);
    const auto width = static_cast<std::uint16_t>(std::min(std::lround(chars * 256), 65535L));
    for (int c = w.First; c <= last; ++c) book.SetColWidth(c, width);
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
