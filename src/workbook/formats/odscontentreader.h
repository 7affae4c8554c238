#pragma once
// Reads the cells of an .ods content part as the file states them: every value type (float,
// percentage, currency, date, time, boolean, string), formulas in their own text (constants keep
// every digit), and rows and cells repeated by count, each repeat a full copy; with each cell's
// number format (from its style or its column's) and the columns' widths. Fed the styles part
// first, it knows the styles that part defines too.

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <QString>

#include "workbook/formats/odsnumberstyles.h"
#include "workbook/formats/xmlpartparser.h"
#include "workbook/model/cellvalue.h"
#include "workbook/model/workbook.h"

class TOdsContentReader : public TXmlPartParser::THandler {
 public:
  enum class TType { Number, Percentage, Currency, Date, Time, Boolean, Text };
  struct TCell {
    int Sheet = 0, Row = 0, Col = 0;  // from 1
    TType Type = TType::Number;
    TCellValue Value;
    QString Formula;          // "" for a constant; else in this program's syntax, with "="
    int FromRow = 0, FromCol = 0;  // a repeat: the cell it copies (same sheet); 0 for the first
    int ArrayRows = 0, ArrayCols = 0;  // an array formula's extent
    bool ErrorResult = false;          // the formula's saved result is the error its text names
    int Format = 0;                    // its number format's place in Formats; 0 for none
  };
  // Copies made by repeat counts beyond this many are refused: a tiny file could ask for billions.
  static constexpr long long MaxRepeatedCells = 2'000'000;

  void StartElement(std::string_view name) override;
  void EndElement(std::string_view name) override;

  std::vector<QString> SheetNames;
  std::vector<TCell> Cells;  // in file order
  std::vector<TWorkbook::TDefinedName> Names;  // named ranges and expressions, in our syntax
  // Columns given a width by their declaration's style, in twips (1/1440 inch).
  struct TColumnWidth {
    int Sheet = 0, First = 0, Last = 0;  // from 1
    double Twips = 0;
  };
  std::vector<TColumnWidth> ColumnWidths;
  std::vector<QString> Formats{QString()};  // the format codes cells name, first none

  // OpenFormula ("of:=SUM([.A1:.B2];[$Other.C3])") in this program's syntax ("=SUM(A1:B2,Other!C3)").
  static QString TranslateFormula(const QString& formula);

 private:
  void StartCell(bool covered);
  void EndCell();
  void EndRow();
  void Fail(const QString& what) const;
  static int Count(std::string_view text, const char* what);
  void StartName(bool expression);
  // The place in Formats of the format a cell style shows, found once per style.
  int FormatOf(std::string_view cellStyle);
  // The style a column gives its cells that name none.
  std::string_view ColumnCellStyle(int col) const;

  int FSheet = 0, FRow = 0, FCol = 0;  // FRow/FCol: the next row and column, from 1
  int FRowRepeat = 1, FCellRepeat = 1;
  std::size_t FRowFirstCell = 0;  // index in Cells of the current row's first cell
  bool FInCell = false, FHasValue = false, FFirstParagraph = true, FInTable = false;
  int FAnnotation = 0, FParagraph = 0;
  TCell FCell;
  QString FCellText;
  long long FRepeated = 0;

  // Styles: column widths, number formats, and the current table's column declarations.
  long long FDeclaredColumns = 0;  // column declarations so far in the current table
  std::map<std::string, double, std::less<>> FColumnStyles;  // column style name -> width in twips
  std::string FStyle;  // the column style being read
  TOdsNumberStyles FNumberStyles;
  std::map<std::string, int, std::less<>> FFormatOfStyle;  // cell style name -> place in Formats
  struct TColumnCellStyle {
    int First = 0, Last = 0;
    std::string Style;
  };
  std::vector<TColumnCellStyle> FColumnCellStyles;  // the current table's, by column
};
