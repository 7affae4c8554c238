#pragma once
// Reads one worksheet part of an .xlsx package straight into the workbook's active sheet. Formulas
// are collected rather than set, so they can be compiled once every sheet (and every sheet name
// they refer to) exists; shared formulas are expanded to each of their cells.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <QString>

#include "workbook/formats/workbookfile.h"
#include "workbook/formats/xmlpartparser.h"

class TWorkbook;

class TXlsxSheetReader : public TXmlPartParser::THandler {
 public:
  // strings: the package's shared texts; styles: the number format of each cell style ("" for
  // General). Formulas found are appended to formulas.
  TXlsxSheetReader(TWorkbook& book, int sheet, const std::vector<QString>& strings, const std::vector<QString>& styles,
                   std::vector<TWorkbookFile::TPendingFormula>& formulas)
      : FBook(book), FSheet(sheet), FStrings(strings), FStyles(styles), FFormulas(formulas) {}

  void StartElement(std::string_view name) override;
  void EndElement(std::string_view name) override;
  // After the sheet: shared formulas, column widths within the used columns, the grid's size.
  void Finish();
  // Added to numbers shown as dates: 1462 moves dates of the 1904 system to ours.
  double DateShift = 0;

 private:
  struct TShared { int Row = 0, Col = 0; QString Text; std::size_t Index = 0; TCellValue Saved; };

  [[noreturn]] void Fail(const QString& what) const;
  void StartRow();
  void Column();
  void StartCell();
  void StartFormula();
  void EndCell();
  bool EndFormula();
  void ReserveForUses();
  void SetDate();
  bool StyleShowsDates();
  // The value the file saved for the cell's formula.
  TCellValue SavedValue();
  // A formula of this cell for the pending list, kept as written should the engine not compile it.
  TWorkbookFile::TPendingFormula Pending(const QString& text);

  TWorkbook& FBook;
  int FSheet;
  const std::vector<QString>& FStrings;
  const std::vector<QString>& FStyles;
  std::vector<TWorkbookFile::TPendingFormula>& FFormulas;
  int FRow = 0, FCol = 0, FLastRow = 0, FLastCol = 0;
  std::string FType, FValue, FFormula, FFormulaType, FInline;
  std::size_t FStyle = 0, FSharedIndex = 0;
  std::string FArrayRef;
  bool FHasValue = false, FHasFormula = false, FSharedRef = false, FInInline = false;
  int FPhonetic = 0;  // depth of phonetic runs inside an inline text
  std::vector<signed char> FStyleShowsDates;  // per style: -1 not yet known
  std::map<int, std::pair<int, std::uint16_t>> FWidths;  // first column -> (last column, width)
  std::unordered_map<std::size_t, TShared> FSharedMasters;
  std::vector<TShared> FSharedUses;
};
