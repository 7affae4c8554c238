#pragma once
// The workbook model behind every configuration sheet and the results table: named sheets from 1,
// cells (row, col) from 1 holding a number, a text or a formula with its computed result, number
// formats, column headings and sizes, a current cell and a selection. No widgets.
//
// With AutoRecalc on (the default) writing a cell recomputes just the formulas that depend on it,
// directly or through other formulas, each once and in dependency order. A formula caught in a
// circular reference shows the error value #CIRC!.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include <QHash>
#include <QString>
#include <QStringList>

#include "workbook/model/cellsource.h"
#include "workbook/model/cellvalue.h"
#include "workbook/model/formula.h"
#include "workbook/model/formulaevaluator.h"
#include "workbook/model/numberformat.h"
#include "workbook/model/rangedependencies.h"
#include "workbook/model/sheet.h"

class TWorkbook : private ICellSource {
 public:
  // File types of Read and Write: 1 and 5 native text workbook (.vts), 2 and 4 .xlsx, 3 tab-delimited
  // text, 6 comma-separated values. Read reports .ods as 4.
  enum TFileType : std::int16_t { ftNative2 = 1, ftXlsx4 = 2, ftTabText = 3, ftXlsx5 = 4, ftNative3 = 5, ftCsv = 6 };

  struct TSelection { int Row1 = 1, Col1 = 1, Row2 = 1, Col2 = 1; };
  // Something changed: sheet index (1-based) and cell range; Sheet 0 means anything may have changed.
  using TChangeHandler = std::function<void(int sheet, int row1, int col1, int row2, int col2)>;

  TWorkbook();
  ~TWorkbook() override;
  TWorkbook(TWorkbook&&) noexcept;
  TWorkbook& operator=(TWorkbook&&) noexcept;
  TWorkbook(const TWorkbook&) = delete;
  TWorkbook& operator=(const TWorkbook&) = delete;

  void SetChangeHandler(TChangeHandler handler) { FOnChange = std::move(handler); }

  // --- files (the formats are told apart by content, not by extension) -------------------------
  // Replaces every sheet. On any fault throws EWorkbookError naming the file and the line or cell,
  // and leaves this workbook as it was.
  // Returns what the reader had to guess, for the user to be told (empty when nothing).
  QStringList Read(const QString& path, std::int16_t* fileType = nullptr);
  // Writes through a temporary file renamed into place; throws EWorkbookError on failure.
  // textRows > 0 limits a text file (types 3 and 6) to the active sheet's first textRows rows.
  // Returns what the file type could not keep as it is (see TWorkbookFile::Save).
  QStringList Write(const QString& path, std::int16_t fileType, int textRows = 0) const;

  // --- names ---------------------------------------------------------------------------------
  // Names a file defines for a reference or a formula. Kept to be written back; formulas using them
  // are kept with their saved values, since the engine does not look names up.
  struct TDefinedName {
    QString Name;
    int Sheet = 0;  // index from 1 of the sheet the name belongs to, 0 for the whole workbook
    QString Text;   // what it stands for, without "="
  };
  const std::vector<TDefinedName>& DefinedNames() const { return FNames; }
  void SetDefinedNames(std::vector<TDefinedName> names) { FNames = std::move(names); }

  // --- sheets ---------------------------------------------------------------------------------
  int NumSheets() const { return static_cast<int>(FSheets.size()); }
  void SetNumSheets(int count);  // raising appends sheets, lowering deletes from the end
  int Sheet() const { return FSheet; }
  void SetSheet(int sheet);
  QString SheetName(int sheet) const;
  void SetSheetName(int sheet, const QString& name);  // references to it follow the new name
  void DeleteSheets(int first, int count);            // later sheets move down; one always stays
  int FindSheet(const QString& name) const;           // index from 1, 0 when there is none
  void Clear();                                       // one empty sheet "Sheet1"
  // Takes over every sheet of `fresh` (its change handler is dropped), keeps this workbook's
  // handler, and tells it that anything may have changed.
  void Adopt(TWorkbook&& fresh);

  // --- current cell and selection ---------------------------------------------------------------
  int Row() const { return FRow; }
  void SetRow(int row);
  int Col() const { return FCol; }
  void SetCol(int col);
  // r1..r2, c1..c2; a column pair of -1 selects whole rows, a row pair of -1 whole columns.
  void SetSelection(int row1, int col1, int row2, int col2);
  TSelection Selection() const;  // resolved against the grid

  QString Text() const { return TextRC(FRow, FCol); }
  void SetText(const QString& text) { SetTextRC(FRow, FCol, text); }
  double Number() const { return NumberRC(FRow, FCol); }
  void SetNumber(double value) { SetNumberRC(FRow, FCol, value); }
  QString Formula() const { return FormulaRC(FRow, FCol); }
  void SetFormula(const QString& formula) { SetFormulaRC(FRow, FCol, formula); }
  QString FormattedText() const { return FormattedTextRC(FRow, FCol); }
  // The format of the current cell; setting it formats every cell of the selection.
  QString NumberFormat() const { return NumberFormatRC(FRow, FCol); }
  void SetNumberFormat(const QString& format);

  // --- cells of the active sheet ----------------------------------------------------------------
  // Text of a cell: a text as stored, a number in its 15-digit form, a formula's result; "" when
  // empty. Row 0 is the heading row (ColText).
  QString TextRC(int row, int col) const;
  // Stores the text as it is (no formula, no number conversion); "" empties the cell.
  void SetTextRC(int row, int col, const QString& text);
  // Number of a cell: a formula's numeric result, a numeric text's value, otherwise 0.
  double NumberRC(int row, int col) const;
  void SetNumberRC(int row, int col, double value);
  // Room for cells 1..cols of a row, for a reader about to fill it from (about) its start.
  void ReserveRow(int row, int cols) { Active().ReserveRow(row, cols); }
  // Numbers into count cells of a row from col on, as a reader fills it: the row is found once
  // and the change told once for them all.
  void SetNumbersRC(int row, int col, const double* values, int count);
  // "=..." of a formula cell, "" for any other.
  QString FormulaRC(int row, int col) const;
  // Whether the cell holds a formula whose text is exactly `formula`, found without building it.
  bool HasFormulaRC(int row, int col, QStringView formula) const;
  // Compiles and stores a formula; throws EWorkbookError (nothing changes) on a syntax error.
  void SetFormulaRC(int row, int col, const QString& formula);
  // Puts the formula of (fromRow, fromCol) at (row, col), its relative references moved along, as
  // a copy would. False (nothing changes) when that cell holds no formula or the moved formula
  // cannot keep its compiled form; the caller then sets the shifted text. With `onlyAs`, also
  // when the moved formula's text would not be exactly that, or the source is kept or an array
  // formula: a formula read back row by row then shares the code of the one above instead of
  // being compiled again.
  bool CopyFormulaRC(int row, int col, int fromRow, int fromCol, const QString* onlyAs = nullptr);
  // Stores a formula read from a file that the engine cannot compute: it keeps the text as written
  // and yields `saved`, the value the file holds for it; it is not recalculated. arrayRows and
  // arrayCols > 0 mark an array formula of that extent.
  void SetKeptFormulaRC(int row, int col, const QString& formula, const TCellValue& saved, int arrayRows = 0, int arrayCols = 0);
  // Stores an array formula filling rows x cols cells from (row, col): the formula's cell shows the
  // first element of its result and the other cells of the extent take the others as values,
  // rewritten whenever the formula is recomputed (what reads them follows). Throws EWorkbookError
  // (nothing changes) on a syntax error or an extent past the sheet or over MaxArrayCells.
  void SetArrayFormulaRC(int row, int col, const QString& formula, int rows, int cols);
  static constexpr int MaxArrayCells = 65536;
  // Room for n more formulas, so a reader placing many does not move the table again and again.
  void ReserveFormulas(std::size_t n);
  // Room for rows 1..rows of a sheet (index from 1), for a reader about to fill about that many.
  void ReserveRows(int sheet, int rows);
  // What a user edits: the formula text, the number in shortest exact form, or the text.
  QString EntryRC(int row, int col) const;
  // As typed by a user: "=..." is a formula, a number is a number, anything else text.
  void SetEntryRC(int row, int col, const QString& entry);
  TCellValue ValueRC(int row, int col) const;
  // Stores a constant value; a boolean becomes the formula =TRUE or =FALSE.
  void SetValueRC(int row, int col, const TCellValue& value);
  QString FormattedTextRC(int row, int col) const;
  QString NumberFormatRC(int row, int col) const;
  void SetNumberFormatRC(int row, int col, const QString& format);
  void ClearRange(int row1, int col1, int row2, int col2);  // values go, formats stay

  int LastRow() const;
  int LastCol() const;
  int MaxRow() const;
  void SetMaxRow(int rows);  // lowering it deletes the cells beyond
  int MaxCol() const;
  void SetMaxCol(int cols);
  QString ColText(int col) const;
  void SetColText(int col, const QString& text);
  std::uint16_t ColWidth(int col) const;  // 1/256 of a character
  void SetColWidth(int col, std::uint16_t width);
  std::uint16_t RowHeight(int row) const;  // twips
  void SetRowHeight(int row, std::uint16_t height);
  std::uint16_t HdrHeight() const;
  void SetHdrHeight(std::uint16_t height);

  // --- copying --------------------------------------------------------------------------------
  // Copies values, formulas (relative references moved with the cell) and formats from the source
  // workbook's active sheet; a target larger than the source repeats it. The source may be this.
  void CopyRange(int row1, int col1, int row2, int col2, const TWorkbook& source,
                 int srcRow1, int srcCol1, int srcRow2, int srcCol2);
  void EditCopyDown();       // first row of the selection into its other rows
  QString EditCopy() const;  // the selection as tab-separated lines of displayed text
  QString EditCut();         // as EditCopy, then clears the selection's values
  void EditPaste(const QString& text);  // from the selection's top-left cell
  static QStringList PastedLines(const QString& text);  // the rows EditPaste fills, in order

  // Window layout is not part of our workbook files; kept so callers read as they are specified.
  void SaveWindowInfo() {}

  // --- calculation ----------------------------------------------------------------------------
  // Brings every result up to date: with AutoRecalc on that means the formulas calling NOW() and
  // their dependents (all others follow their inputs already); with it off, every formula.
  void Recalc();
  void RecalcAll();  // every formula, whatever the mode
  bool AutoRecalc() const { return FAutoRecalc; }
  void SetAutoRecalc(bool on);  // switching on recalculates everything
  std::uint64_t EvaluationCount() const { return FEvaluations; }
  // Writes between BeginBatch and the matching EndBatch are told to the change handler as one range
  // (or as "anything changed" when they touched several sheets), and their dependents are
  // recomputed once at the end. Batches nest.
  void BeginBatch() { ++FBatch; }
  void EndBatch();
  // A batch for the span of a scope, ended on the way out whatever happens.
  class TBatchScope {
   public:
    explicit TBatchScope(TWorkbook& book) : FBook(book) { FBook.BeginBatch(); }
    ~TBatchScope() { FBook.EndBatch(); }
    TBatchScope(const TBatchScope&) = delete;
    TBatchScope& operator=(const TBatchScope&) = delete;

   private:
    TWorkbook& FBook;
  };
  // The cells as running formulas see them, for code that evaluates a formula on its own.
  const ICellSource& Cells() const { return *this; }

  // Whole-sheet access by index for readers, writers and tools.
  const TSheet& SheetAt(int sheet) const { return *FSheets.at(sheet - 1); }
  TCellValue CellValue(const TSheet& sheet, const TCell& cell) const;
  // The NumberRC rule for a cell of any sheet.
  double NumberOf(const TSheet& sheet, const TCell& cell) const;
  QString FormulaText(const TCell& cell) const;
  // The same into `out`, keeping its room: a table journalling every sample reuses one.
  void FormulaText(const TCell& cell, QString& out) const;
  // The compiled form of a formula cell (Kept, array extent); nullptr for any other cell.
  const TFormula* FormulaCode(const TCell& cell) const;
  // "Sheet!A1" of every formula kept with its saved value, in sheet, row, column order.
  QStringList KeptFormulaCells() const;
  QString FormatCode(std::uint16_t index) const { return FFormats[index].Code(); }
  std::size_t MemoryBytes() const;

 private:
  // Compiled code with the text it came from, as written at (Row, Col). The copies of a formula
  // down a column share one: each runs it moved by its distance from (Row, Col), as a sheet's
  // shared formulas do, so a table of a million copied formulas holds one compiled code.
  struct TSharedCode {
    TFormula Code;
    TFormulaPattern Pattern;  // the text as written there
    int Row = 0, Col = 0;
    // The distinct (row, col) distances from the formula to the cells its references without "$"
    // read, when it names no other sheet: its dependencies filed by distance (see FOffsets).
    std::vector<std::pair<int, int>> Offsets;
  };
  using TCodePtr = std::shared_ptr<const TSharedCode>;
  // One formula cell: small, since a results table holds a few for every sample. A text result
  // is kept aside in FTextResults.
  struct TFormulaCell {
    TCodePtr Code;
    double Num = 0;
    int SheetId = -1, Row = 0, Col = 0;
    std::uint32_t Generation = 0;
    // The recalculation that last reached it; OnStack and Circ mean something only then.
    std::uint32_t VisitEpoch = 0;
    TValueKind Kind = TValueKind::Empty;
    TCellError Err = TCellError::None;
    bool Live : 1 = false;
    bool ByOffset : 1 = false;  // its relative references are filed in FOffsets, not FCellDeps
    bool OnStack : 1 = false;   // on the recalculation's search stack
    bool Circ : 1 = false;      // caught in a circular reference
  };
  // A formula on the search stack and its children's span in FChildren. Small: a chain of a
  // million formulas stacks a million of them.
  struct TFrame { std::uint32_t Slot, Begin, End, Pos; };
  struct TCellCopy {
    TCellKind Kind = TCellKind::Empty;
    double Num = 0;
    std::uint32_t Aux = 0;
    QString Text, Format;
    TCodePtr Code;
    std::uint16_t FormatSlot = 0;  // Format as the book copied into numbers it
  };
  // How many formulas of a sheet read at one distance.
  struct TOffsetUse { int DRow, DCol; std::uint32_t Count; };

  // ICellSource
  void ReadCell(int sheetId, int row, int col, TCellValue& out) const override;
  bool ClipRange(TRangeRef& range) const override;
  bool RunningCell(int& sheetId, int& row, int& col) const override;
  int SheetIdOf(const QString& name) const override;
  bool CallsSubtotal(int sheetId, int row, int col) const override;

  TSheet& Active() { return *FSheets[FSheet - 1]; }
  const TSheet& Active() const { return *FSheets[FSheet - 1]; }
  TSheet* ById(int id) const { return id >= 0 && id < static_cast<int>(FById.size()) ? FById[id] : nullptr; }
  int IndexOf(const TSheet& sheet) const;
  void CheckCell(int row, int col) const;
  void CheckSheet(int sheet) const;
  TCell& Touch(TSheet& sheet, int row, int col);
  void Release(TSheet& sheet, TCell& cell);
  void Written(TSheet& sheet, int row, int col);
  void StoreFormula(TSheet& sheet, int row, int col, TCodePtr code);
  QString SourceText(const TFormulaCell& f) const;
  TFormula CompileFor(const TSheet& sheet, const QString& text, TFormulaPattern* pattern = nullptr) const;
  // CompileFor, a syntax error named as the cell's.
  TFormula CompileAt(const TSheet& sheet, int row, int col, const QString& formula,
                     TFormulaPattern* pattern = nullptr) const;
  // `pattern`, when given, is the text's own, read by CompileFor; it is taken.
  static TCodePtr Share(TFormula code, const QString& text, int row, int col, TFormulaPattern* pattern = nullptr);
  TCellValue ResultOf(std::uint32_t slot) const;
  void SetResult(std::uint32_t slot, TCellValue&& value);
  std::uint16_t FormatIndex(const QString& code);
  const TNumberFormat& FormatOf(const TCell* cell) const;

  bool FileByOffset(const TFormulaCell& f);
  void Register(std::uint32_t slot);
  void Unregister(std::uint32_t slot);
  void FreeFormula(std::uint32_t slot);
  void Dependents(int sheetId, int row, int col, std::vector<std::uint32_t>& out) const;
  void RecalcFrom(const std::vector<std::uint32_t>& roots);
  void Evaluate(std::uint32_t slot);
  // An array formula's cells past its own take their elements; a cell holding a formula is left.
  void FillArray(const TFormulaCell& f, const std::vector<TCellValue>& values);
  // Rows and columns a computed array formula fills; 1 x 1 for any other.
  static std::pair<int, int> ArrayExtent(const TFormulaCell& f);
  void SheetsChanged();
  void Notify(const TSheet* sheet, int row1, int col1, int row2, int col2) const;
  TCellCopy Snapshot(const TSheet& sheet, int row, int col) const;
  void Put(TSheet& sheet, int row, int col, const TCellCopy& copy);
  void AddSheet();

  std::vector<std::unique_ptr<TSheet>> FSheets;
  std::vector<TSheet*> FById;
  std::vector<int> FIndexById;       // place from 1 of each sheet id, 0 once deleted
  QHash<QString, int> FIdByName;     // case-folded name -> sheet id
  int FSheet = 1, FRow = 1, FCol = 1;
  TSelection FSel;
  bool FAutoRecalc = true;

  std::vector<TDefinedName> FNames;
  std::vector<TNumberFormat> FFormats;
  QHash<QString, std::uint16_t> FFormatIndex;

  std::vector<TFormulaCell> FFormulas;
  std::vector<std::uint32_t> FFreeFormulas;
  std::unordered_map<std::uint32_t, QString> FTextResults;  // by slot
  TCellValue FScratch;
  // The formulas that read one cell. Most cells are read by one formula, kept without a vector of
  // its own: a workbook of a million formulas spares a million small allocations.
  struct TReaders {
    static constexpr std::uint32_t None = 0xFFFFFFFFu;
    std::uint32_t First = None;
    std::vector<std::uint32_t> More;
  };
  std::unordered_map<std::uint64_t, TReaders> FCellDeps;
  // By sheet id: the distances at which formulas filed ByOffset read. A cell written finds its
  // readers by looking back along each distance, so a column of copied formulas needs no entry per
  // cell. A sheet keeps at most MaxOffsets distances; formulas beyond them go to FCellDeps.
  static constexpr std::size_t MaxOffsets = 32;
  std::vector<std::vector<TOffsetUse>> FOffsets;
  TRangeDependencies FRangeDeps;
  std::size_t FStaleRangeDeps = 0;
  std::unordered_set<std::uint32_t> FVolatile;

  // What the running batch wrote: one sheet and the range around its cells, or several sheets.
  struct TBatchTrace {
    const TSheet* Sheet = nullptr;
    bool Mixed = false;
    int Row1 = 0, Col1 = 0, Row2 = 0, Col2 = 0;
    void Touched(const TSheet& sheet, int row, int col) {
      if (Mixed) return;
      if (!Sheet) {
        Sheet = &sheet;
        Row1 = Row2 = row;
        Col1 = Col2 = col;
      } else if (Sheet != &sheet) {
        Mixed = true;
      } else {
        Row1 = std::min(Row1, row);
        Col1 = std::min(Col1, col);
        Row2 = std::max(Row2, row);
        Col2 = std::max(Col2, col);
      }
    }
  };

  int FBatch = 0;
  TBatchTrace FTrace;
  std::vector<std::uint32_t> FPending;
  std::uint32_t FEpoch = 0;
  std::vector<std::uint32_t> FOrder, FChildren, FRoots;
  std::vector<TFrame> FFrames;
  TFormulaEvaluator FEvaluator;
  std::vector<TCellValue> FArrayScratch;
  const TFormulaCell* FRunning = nullptr;  // the formula being evaluated
  std::uint64_t FEvaluations = 0;
  TChangeHandler FOnChange;
};
