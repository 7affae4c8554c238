#include "rigconfig/workbook/xlsxexport.h"

#include <memory>
#include <vector>

#include <QDir>
#include <QFileInfo>
#include <xlsxwriter.h>

#include "rigconfig/workbook/a1notation.h"
#include "rigconfig/workbook/workbook.h"
#include "rigconfig/workbook/workbookerror.h"

namespace {

struct TCloser {
  void operator()(lxw_workbook* wb) const { if (wb) workbook_close(wb); }
};

}  // namespace

void TXlsxExport::Write(const TWorkbook& book, const QString& file, const QString& target) {
  auto fail = [&](const QString& where, const QString& what) { throw EWorkbookError(target, where, what); };
  const QByteArray path = QFile::encodeName(file);
  QByteArray tmpdir = QFile::encodeName(QFileInfo(file).absolutePath());
  lxw_workbook_options options{};
  // Not constant_memory: that mode writes inline strings, which the .xlsx reader we use skips.
  options.tmpdir = tmpdir.data();
  options.use_zip64 = LXW_TRUE;
  std::unique_ptr<lxw_workbook, TCloser> wb(workbook_new_opt(path.constData(), &options));
  if (!wb) fail(QString(), QStringLiteral("cannot create the workbook"));

  std::vector<lxw_format*> formats;
  auto formatFor = [&](std::uint16_t index) -> lxw_format* {
    if (index == 0) return nullptr;
    if (formats.size() <= index) formats.resize(index + 1, nullptr);
    if (!formats[index]) {
      formats[index] = workbook_add_format(wb.get());
      format_set_num_format(formats[index], book.FormatCode(index).toUtf8().constData());
    }
    return formats[index];
  };

  for (int s = 1; s <= book.NumSheets(); ++s) {
    const TSheet& sheet = book.SheetAt(s);
    const QByteArray name = sheet.Name().toUtf8();
    if (workbook_validate_sheet_name(wb.get(), name.constData()) != LXW_NO_ERROR)
      fail(QStringLiteral("sheet \"%1\"").arg(sheet.Name()),
           QStringLiteral("the name cannot be used in .xlsx (at most 31 characters, none of []:*?/\\)"));
    lxw_worksheet* ws = workbook_add_worksheet(wb.get(), name.constData());
    if (!ws) fail(QStringLiteral("sheet \"%1\"").arg(sheet.Name()), QStringLiteral("cannot add the sheet"));
    for (const auto& [col, width] : sheet.ColWidths)
      worksheet_set_column(ws, static_cast<lxw_col_t>(col - 1), static_cast<lxw_col_t>(col - 1), width / 256.0, nullptr);
    auto rowHeight = sheet.RowHeights.begin();
    for (int r = 1; r <= sheet.RowCount(); ++r) {
      while (rowHeight != sheet.RowHeights.end() && rowHeight->first < r) ++rowHeight;
      if (rowHeight != sheet.RowHeights.end() && rowHeight->first == r)
        worksheet_set_row(ws, static_cast<lxw_row_t>(r - 1), rowHeight->second / 20.0, nullptr);
      for (int c = 1; c <= sheet.RowLength(r); ++c) {
        const TCell& cell = *sheet.Find(r, c);
        const auto row = static_cast<lxw_row_t>(r - 1);
        const auto col = static_cast<lxw_col_t>(c - 1);
        lxw_format* format = formatFor(cell.Format);
        lxw_error err = LXW_NO_ERROR;
        switch (cell.Kind) {
          case TCellKind::Empty:
            if (format) err = worksheet_write_blank(ws, row, col, format);
            break;
          case TCellKind::Number: err = worksheet_write_number(ws, row, col, cell.Num, format); break;
          case TCellKind::Text:
            err = worksheet_write_string(ws, row, col, sheet.Text(cell.Aux).toUtf8().constData(), format);
            break;
          case TCellKind::Error: {
            const QByteArray text = TCellValue::ErrorText(static_cast<TCellError>(cell.Aux)).toLatin1();
            err = worksheet_write_formula_str(ws, row, col, ("=" + text).constData(), format, text.constData());
            break;
          }
          case TCellKind::Formula: {
            const QByteArray formula = book.FormulaText(cell).toUtf8();
            const TCellValue v = book.CellValue(sheet, cell);
            if (v.Kind == TValueKind::Number || v.Kind == TValueKind::Bool)
              err = worksheet_write_formula_num(ws, row, col, formula.constData(), format, v.Num);
            else
              err = worksheet_write_formula_str(ws, row, col, formula.constData(), format, v.ToText().toUtf8().constData());
            break;
          }
        }
        if (err != LXW_NO_ERROR)
          fail(QStringLiteral("sheet \"%1\" cell %2").arg(sheet.Name(), a1::CellName(r, c)),
               QString::fromUtf8(lxw_strerror(err)));
      }
    }
  }
  const lxw_error err = workbook_close(wb.release());
  if (err != LXW_NO_ERROR) fail(QString(), QStringLiteral("cannot write the workbook: %1").arg(QString::fromUtf8(lxw_strerror(err))));
}
