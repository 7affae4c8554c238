#include "workbook/model/sheet.h"

void TSheet::TrimRows(int maxRow, int maxCol) {
  FRows.Truncate(maxRow);
  FRows.ForEach([maxCol](int, TRowCells& r) { r.Truncate(maxCol); });
}

int TSheet::LastRow() const {
  return FRows.LastWhere([](const TRowCells& r) { return r.LastWhere([](const TCell& c) { return c.Kind != TCellKind::Empty; }) > 0; });
}

int TSheet::LastCol() const {
  int last = 0;
  FRows.ForEach([&last](int, const TRowCells& r) {
    last = std::max(last, r.LastWhere([](const TCell& c) { return c.Kind != TCellKind::Empty; }));
  });
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
  std::size_t bytes = FRows.MemoryBytes();
  FRows.ForEach([&bytes](int, const TRowCells& r) { bytes += r.MemoryBytes(); });
  bytes += FTexts.capacity() * sizeof(QString);
  for (const auto& t : FTexts) bytes += static_cast<std::size_t>(t.capacity()) * sizeof(QChar);
  return bytes;
}
