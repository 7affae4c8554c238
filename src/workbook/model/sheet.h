#pragma once
// One sheet's storage. Cells are kept row by row in small fixed-size records (16 bytes: a double,
// an index into the sheet's text table or the workbook's formula table, a kind and a format
// number), so a row of 30 numbers costs about 500 bytes.

#include <cstdint>
#include <map>
#include <vector>

#include <QString>

enum class TCellKind : std::uint8_t { Empty, Number, Text, Formula, Error };

struct TCell {
  double Num = 0;
  std::uint32_t Aux = 0;  // Text: index into Texts; Formula: formula slot; Error: TCellError
  TCellKind Kind = TCellKind::Empty;
  std::uint16_t Format = 0;  // index into the workbook's format table, 0 = General
};

class TSheet {
 public:
  static constexpr int DefaultMaxRow = 100;
  static constexpr int DefaultMaxCol = 26;
  static constexpr std::uint16_t DefaultColWidth = 2560;  // 1/256 of a character: 10 characters
  static constexpr std::uint16_t DefaultRowHeight = 255;  // twips (1/20 point)

  TSheet(int id, const QString& name) : FId(id), FName(name) {}

  int Id() const { return FId; }
  QString Name() const { return FName; }
  void SetName(const QString& name) { FName = name; }

  // The cell, or nullptr when its row or column was never touched.
  const TCell* Find(int row, int col) const {
    if (row < 1 || row > static_cast<int>(FRows.size())) return nullptr;
    const auto& r = FRows[row - 1];
    if (col < 1 || col > static_cast<int>(r.size())) return nullptr;
    return &r[col - 1];
  }
  // The cell, created when missing.
  TCell& At(int row, int col);
  int RowCount() const { return static_cast<int>(FRows.size()); }
  int RowLength(int row) const { return static_cast<int>(FRows[row - 1].size()); }
  void TrimRows(int maxRow, int maxCol);  // drops storage beyond the grid

  // Last row / column holding a value, 0 if none.
  int LastRow() const;
  int LastCol() const;

  std::uint32_t AddText(const QString& text);
  void ReleaseText(std::uint32_t index);
  const QString& Text(std::uint32_t index) const { return FTexts[index]; }

  int MaxRow = DefaultMaxRow;
  int MaxCol = DefaultMaxCol;
  std::uint16_t HdrHeight = DefaultRowHeight;
  std::map<int, std::uint16_t> ColWidths;
  std::map<int, std::uint16_t> RowHeights;
  std::map<int, QString> ColTexts;

  std::size_t MemoryBytes() const;  // storage of cells and texts, for the benchmark's report

 private:
  int FId;
  QString FName;
  std::vector<std::vector<TCell>> FRows;
  std::vector<QString> FTexts;
  std::vector<std::uint32_t> FFreeTexts;
};
