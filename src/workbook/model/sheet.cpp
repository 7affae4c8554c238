#include "workbook/model/sheet.h"

TCell& TSheet::At(int row, int col) {
  if (row > static_cast<int>(FRows.size())) FRows.resize(row);
  auto& r = FRows[row - 1];
  if (col > static_cast<int>(r.size())) {
    if (r.capacity() < static_cast<std::size_t>(col)) r.reserve(std::max<std::size_t>(col, std::min(MaxCol, 64)));
    r.resize(col);
  }
  return r[col - 1];
}

void TSheet::TrimRows(int maxRow, int maxCol) {
  if (static_cast<int>(FRows.size()) > maxRow) FRows.resize(maxRow);
  for (auto& r : FRows)
    if (static_cast<int>(r.size()) > maxCol) r.resize(maxCol);
}

int TSheet::LastRow() const {
  for (int r = static_cast<int>(FRows.size()); r >= 1; --r)
    for (const TCell& c : FRows[r - 1])
      if (c.Kind != TCellKind::Empty) return r;
  return 0;
}

int TSheet::LastCol() const {
  int last = 0;
  for (const auto& r : FRows)
    for (int c = static_cast<int>(r.size()); c > last; --c)
      if (r[c - 1].Kind != TCellKind::Empty) { last = c; break; }
  return last;
}

std::uint32_t TSheet::AddText(const QString& text) {
  if (!FFreeTexts.empty()) {
    const std::uint32_t i = FFreeTexts.back();
    FFreeTexts.pop_back();
    FTexts[i] = text;
    return i;
  }
  FTexts.push_back(text);
  return static_cast<std::uint32_t>(FTexts.size() - 1);
}

void TSheet::ReleaseText(std::uint32_t index) {
  FTexts[index] = QString();
  FFreeTexts.push_back(index);
}

std::size_t TSheet::MemoryBytes() const {
  std::size_t bytes = FRows.capacity() * sizeof(std::vector<TCell>);
  for (const auto& r : FRows) bytes += r.capacity() * sizeof(TCell);
  bytes += FTexts.capacity() * sizeof(QString);
  for (const auto& t : FTexts) bytes += static_cast<std::size_t>(t.capacity()) * sizeof(QChar);
  return bytes;
}
