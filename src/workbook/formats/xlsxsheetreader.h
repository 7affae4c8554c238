#pragma once
// Reads one worksheet part of an .xlsx package. What it reads is kept as a compact list of cell
// writes that Apply() hands to a workbook, so sheets can be read on other threads and applied in
// order by the workbook's own; reading on that thread, Direct applies them as they come, a batch at
// a time. Formulas are collected rather than set, so they can be compiled once every sheet (and
// every sheet name they refer to) exists; shared formulas are expanded to each of their cells.

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
  // sheet and name: the sheet read (its name for messages); strings: the package's shared texts;
  // styles: the number format of each cell style ("" for General).
  TXlsxSheetReader(int sheet, const QString& name, const std::vector<QString>& strings, const std::vector<QString>& styles)
      : FSheet(sheet), FName(name), FStrings(strings), FStyles(styles) {}

  void StartElement(std::string_view name) override;
  void EndElement(std::string_view name) override;
  TTaken TakeElement(const char* at, std::size_t available) override;
  // After the sheet: shared formulas whose master came late, column widths, the grid's size.
  void Finish();
  // Writes what was read and not yet applied into book's active sheet (the sheet read); after
  // Finish, also the column widths and the grid's size.
  void Apply(TWorkbook& book);

  // Added to numbers shown as dates: 1462 moves dates of the 1904 system to ours.
  double DateShift = 0;
  // When set, cells are applied to this workbook (the sheet read active) as they are read.
  TWorkbook* Direct = nullptr;
  // The formulas found, in file order, and the uses of the shared ones among them.
  std::vector<TWorkbookFile::TPendingFormula> Formulas;
  TWorkbookFile::TSharedUses Uses;

 private:
  // A shared formula's master (Formula: its place among Formulas), or a use read before it.
  struct TShared { int Row = 0, Col = 0; std::size_t Index = 0, Formula = 0; TCellValue Saved; };
  // One cell write: a number, a shared or own text, a boolean, an error, a style, a row height.
  enum class TWrite : std::uint8_t { Number, SharedText, OwnText, Boolean, Error, Style, RowHeight };
  struct TCellWrite {
    int Row, Col;
    double Num;
    std::uint32_t Index;
    TWrite Kind;
  };

  [[noreturn]] void Fail(const QString& what) const;
  void Write(TWrite kind, double num = 0, std::uint32_t index = 0);
  void StartRow();
  // A row's start from its number (null when it has none).
  void BeginRow(const std::string_view* r);
  std::size_t RowStart(const char* b, std::size_t n);
  std::size_t WholeCell(const char* b, std::size_t n);
  void Column();
  void StartCell();
  // A cell's start from its attributes (ref null when it has none).
  void BeginCell(const std::string_view* ref, std::string_view type, std::string_view style);
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

  int FSheet;
  QString FName;
  const std::vector<QString>& FStrings;
  const std::vector<QString>& FStyles;
  std::vector<TCellWrite> FWrites;
  std::vector<double> FRun;  // numbers side by side in a row, applied together
  std::vector<QString> FTexts;  // texts of the OwnText writes
  bool FFinished = false;
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
