#pragma once
// One sheet's storage. Cells are kept row by row in small fixed-size records (16 bytes: a double,
// an index into the sheet's text table or the workbook's formula table, a kind and a format
// number), so a row of 30 numbers costs about 500 bytes. Rows and cells are sparse arrays: a cell
// far from the others costs its own record, not the addresses before it.

#include <cstdint>
#include <map>
#include <vector>

#include <QString>

#include "workbook/model/a1notation.h"
#include "workbook/model/sparsearray.h"

enum class TCellKind : std::uint8_t { Empty, Number, Text, Formula, Error };

struct TCell {
  double Num = 0;
  std::uint32_t Aux = 0;  // Text: index into Texts; Formula: formula slot; Error: TCellError
  TCellKind Kind = TCellKind::Empty;
  std::uint16_t Format = 0;  // index into the workbook's format table, 0 = General
};

using TRowCells = TSparseArray<TCell>;

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

  // The cell, or nullptr when it was never touched.
  const TCell* Find(int row, int col) const {
    const TRowCells* r = FRows.Find(row);
    return r ? r->Find(col) : nullptr;
  }
  TCell* Find(int row, int col) {
    TRowCells* r = FRows.Find(row);
    return r ? r->Find(col) : nullptr;
  }
  // The cell, created when missing.
  TCell& At(int row, int col) { return FRows.At(row).At(col); }
  TRowCells& RowAt(int row) { return FRows.At(row); }
  // Room for columns 1..cols of a row about to be filled, so it is allocated once at its size.
  void ReserveRow(int row, int cols) { FRows.At(row).Reserve(cols); }
  // Room for rows 1..rows, for a reader about to fill them.
  void ReserveRows(int rows) { FRows.Reserve(rows); }
  // Highest row stored; a row below it may still be absent.
  int RowCount() const { return FRows.Last(); }
  // Highest column stored in the row, 0 for an absent row.
  int RowLength(int row) const {
    const TRowCells* r = FRows.Find(row);
    return r ? r->Last() : 0;
  }
  // visit(row, col, cell) for the stored cells of rows r1..r2, columns c1..c2, row by row.
  template <typename F>
  void ForEachCell(int r1, int r2, int c1, int c2, F&& visit) const {
    FRows.ForEach(r1, r2, [&](int r, const TRowCells& row) { row.ForEach(c1, c2, [&](int c, const TCell& cell) { visit(r, c, cell); }); });
  }
  template <typename F>
  void ForEachCell(int r1, int r2, int c1, int c2, F&& visit) {
    FRows.ForEach(r1, r2, [&](int r, TRowCells& row) { row.ForEach(c1, c2, [&](int c, TCell& cell) { visit(r, c, cell); }); });
  }
  template <typename F>
  void ForEachCell(F&& visit) const { ForEachCell(1, RowCount(), 1, a1::MaxCols, visit); }
  // visit(row number, row) for every stored row, in order.
  template <typename F>
  void ForEachRow(F&& visit) const { FRows.ForEach(visit); }
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
  TSparseArray<TRowCells> FRows;
  std::vector<QString> FTexts;
  std::vector<std::uint32_t> FFreeTexts;
};
