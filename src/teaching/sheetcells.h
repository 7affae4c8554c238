#pragma once
// Reads the cells of a teaching sheet (the presentation or the questions) as their readers need
// them: texts cut to a length, numbers from number cells or from texts that read as numbers.
// A cell that should be a number and is not reads as 0 and is noted, with its row and column,
// so that one pass names every bad cell.

#include <optional>

#include <QString>
#include <QStringList>

class TWorkbook;

class TSheetCells {
 public:
  // `name` prefixes the notes ("config/qa.vts").
  TSheetCells(const TWorkbook& book, const QString& name) : FBook(book), FName(name) {}

  // Cells outside the sheet's grid read as empty.
  QString Text(int row, int col, int cut = 200) const;
  bool HasText(int row, int col) const { return !Text(row, col).trimmed().isEmpty(); }
  // Nothing for an empty cell; 0 and a note for a cell that is not a number.
  std::optional<double> Number(int row, int col);
  // Rounded to the nearest integer, halves to even; an empty cell gives `empty`.
  int Integer(int row, int col, int empty = 0);
  int LastRow() const;
  void Note(int row, int col, const QString& text);
  const QStringList& Notes() const { return FNotes; }

 private:
  const TWorkbook& FBook;
  QString FName;
  QStringList FNotes;
};
