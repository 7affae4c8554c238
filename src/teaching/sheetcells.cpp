#include "teaching/sheetcells.h"

#include "platform/numbers.h"
#include "workbook/model/cellvalue.h"
#include "workbook/model/workbook.h"

QString TSheetCells::Text(int row, int col, int cut) const {
  if (row < 1 || col < 1 || row > FBook.MaxRow() || col > FBook.MaxCol()) return {};
  return FBook.TextRC(row, col).left(cut);
}

std::optional<double> TSheetCells::Number(int row, int col) {
  if (row < 1 || col < 1 || row > FBook.MaxRow() || col > FBook.MaxCol()) return std::nullopt;
  const TCellValue value = FBook.ValueRC(row, col);
  switch (value.Kind) {
    case TValueKind::Empty: return std::nullopt;
    case TValueKind::Number:
    case TValueKind::Bool: return value.Num;
    case TValueKind::Text: {
      if (value.Str.trimmed().isEmpty()) return std::nullopt;
      if (const auto n = numbers::ParseTypedNumber(value.Str)) return *n;
      Note(row, col, QStringLiteral("\"%1\" is not a number").arg(value.Str));
      return 0.0;
    }
    default:
      Note(row, col, QStringLiteral("the cell holds %1, not a number").arg(value.ToText()));
      return 0.0;
  }
}

int TSheetCells::Integer(int row, int col, int empty) {
  const auto n = Number(row, col);
  if (!n) return empty;
  if (*n < -1e9 || *n > 1e9) {
    Note(row, col, QStringLiteral("%1 is out of range").arg(numbers::FloatToStr(*n)));
    return 0;
  }
  return static_cast<int>(numbers::RoundHalfEven(*n));
}

int TSheetCells::LastRow() const { return FBook.LastRow(); }

void TSheetCells::Note(int row, int col, const QString& text) {
  FNotes << QStringLiteral("%1: row %2, column %3: %4").arg(FName).arg(row).arg(col).arg(text);
}
