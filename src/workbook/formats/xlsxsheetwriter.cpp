#include "workbook/formats/xlsxsheetwriter.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

#include "platform/numbers.h"
#include "workbook/formats/xlsxcodec.h"
#include "workbook/formats/xlsxpackagetables.h"
#include "workbook/model/a1notation.h"
#include "workbook/model/workbook.h"
#include "workbook/model/workbookerror.h"
#include "workbook/zip/zipwriter.h"

void TXlsxSheetWriter::Write(bool selected) {
  FOut = TXlsxCodec::XmlHead;
  FOut.reserve(FlushSize + 4096);
  FOut += "<worksheet xmlns=\"";
  FOut += TXlsxCodec::MainNs;
  FOut += "\" xmlns:r=\"";
  FOut += TXlsxCodec::RelNs;
  FOut += "\">";
  WriteDimension();
  FOut += "<sheetViews><sheetView ";
  if (selected) FOut += "tabSelected=\"1\" ";
  FOut += "workbookViewId=\"0\"/></sheetViews><sheetFormatPr defaultRowHeight=\"";
  numbers::AppendShortest(FOut, TSheet::DefaultRowHeight / 20.0);
  FOut += "\"/>";
  WriteColumns();
  FOut += "<sheetData>";
  // Stored rows and rows with a height, merged in row order.
  auto height = FSheet.RowHeights.begin();
  FSheet.ForEachRow([&](int r, const TRowCells& row) {
    for (; height != FSheet.RowHeights.end() && height->first < r; ++height) WriteRow(height->first, nullptr, height->second);
    const bool tall = height != FSheet.RowHeights.end() && height->first == r;
    WriteRow(r, &row, tall ? height->second : 0);
    if (tall) ++height;
    if (FOut.size() >= FlushSize) Flush();
  });
  for (; height != FSheet.RowHeights.end(); ++height) WriteRow(height->first, nullptr, height->second);
  FOut += "</sheetData><pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/>"
          "</worksheet>";
  Flush();
}

void TXlsxSheetWriter::Flush() {
  FZip.Write(FOut.constData(), static_cast<std::size_t>(FOut.size()));
  FOut.clear();
}

void TXlsxSheetWriter::Fail(int row, int col, const QString& what) const {
  throw EWorkbookError(FTarget, QStringLiteral("sheet \"%1\" cell %2").arg(FSheet.Name(), a1::CellName(row, col)), what);
}

// The used range, which lets readers size their storage before the cells arrive.
void TXlsxSheetWriter::WriteDimension() {
  const int lastRow = FSheet.LastRow(), lastCol = FSheet.LastCol();
  FOut += "<dimension ref=\"A1";
  if (lastRow > 0 && lastCol > 0 && (lastRow > 1 || lastCol > 1)) {
    FOut += ':';
    FOut += a1::CellName(lastRow, lastCol).toLatin1();
  }
  FOut += "\"/>";
}

void TXlsxSheetWriter::WriteColumns() {
  if (FSheet.ColWidths.empty()) return;
  FOut += "<cols>";
  for (const auto& [col, width] : FSheet.ColWidths) {
    FOut += "<col min=\"";
    numbers::AppendInteger(FOut, col);
    FOut += "\" max=\"";
    numbers::AppendInteger(FOut, col);
    FOut += "\" width=\"";
    numbers::AppendShortest(FOut, TXlsxCodec::FileColumnWidth(width));
    FOut += "\" customWidth=\"1\"/>";
  }
  FOut += "</cols>";
}

namespace {
char* Put(char* out, std::string_view text) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}
}  // namespace

void TXlsxSheetWriter::WriteRow(int r, const TRowCells* cells, std::uint16_t heightTwips) {
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
  if (cells) cells->ForEach([&](int c, const TCell& cell) {
    if (cell.Kind == TCellKind::Empty && cell.Format == 0) return;
    openRow();
    // The cell's start, and a number's whole cell, are put together here and appended at once:
    // appended piece by piece they cost more than converting the number.
    char text[128];
    char* p = Put(text, "<c r=\"");
    p = a1::WriteColumnName(p, c);
    p = Put(p, std::string_view(rowText.constData(), static_cast<std::size_t>(rowText.size())));
    *p++ = '"';
    if (const int style = FTables.StyleIndex(cell.Format)) {
      p = Put(p, " s=\"");
      p = std::to_chars(p, p + 16, style).ptr;
      *p++ = '"';
    }
    if (cell.Kind == TCellKind::Number) {
      p = Put(p, "><v>");
      p = numbers::WriteShortest(p, cell.Num);
      p = Put(p, "</v></c>");
      FOut.append(text, p - text);
      return;
    }
    FOut.append(text, p - text);
    WriteContent(r, c, cell);
  });
  if (open) FOut += "</row>";
}

namespace {
// Our "#CIRC!" is no error value of the file format: a circular formula shows #VALUE! elsewhere.
QByteArray FileErrorText(TCellError e) {
  return TCellValue::ErrorText(e == TCellError::Circular ? TCellError::Value : e).toLatin1();
}
}  // namespace

void TXlsxSheetWriter::WriteContent(int r, int c, const TCell& cell) {
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
    case TCellKind::Error:
      // A stored error value stays a value, not a formula giving it.
      FOut += " t=\"e\"><v>";
      FOut += FileErrorText(static_cast<TCellError>(cell.Aux));
      FOut += "</v></c>";
      return;
    case TCellKind::Formula: {
      QString formula = FBook.FormulaText(cell);
      if (formula.startsWith(QLatin1Char('='))) formula.remove(0, 1);
      const TCellValue v = FBook.CellValue(FSheet, cell);
      const bool number = v.Kind == TValueKind::Number && std::isfinite(v.Num);
      FOut += number ? ">" : v.Kind == TValueKind::Bool ? " t=\"b\">" : v.IsError() ? " t=\"e\">" : " t=\"str\">";
      FOut += "<f";
      if (const TFormula* code = FBook.FormulaCode(cell); code && code->ArrayRows > 0) {
        FOut += " t=\"array\" ref=\"";
        a1::AppendColumnName(FOut, c);
        numbers::AppendInteger(FOut, r);
        FOut += ':';
        a1::AppendColumnName(FOut, c + code->ArrayCols - 1);
        numbers::AppendInteger(FOut, r + code->ArrayRows - 1);
        FOut += '"';
      }
      FOut += '>';
      TXlsxCodec::AppendEscaped(FOut, TXlsxCodec::AddFunctionPrefixes(formula));
      FOut += "</f><v>";
      if (number || v.Kind == TValueKind::Bool)
        numbers::AppendShortest(FOut, v.Num);
      else if (v.IsError())
        FOut += FileErrorText(v.Err);  // an error result, not a text that looks like one
      else
        TXlsxCodec::AppendEscaped(FOut, v.ToText());
      FOut += "</v></c>";
      return;
    }
  }
}
