#pragma once
// Chooses the reader by a file's content and the writer by file type, and makes every save go
// through a temporary file that replaces the target only when complete.

#include <cstdint>
#include <functional>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "workbook/model/cellvalue.h"
#include "workbook/model/workbook.h"

class QIODevice;
class TWorkbook;

class TWorkbookFile {
 public:
  // A new workbook read from path; fileType receives 5 (native), 4 (.xlsx or .ods), 3 (tab text) or
  // 6 (.csv). Throws EWorkbookError naming the file and the line or cell at fault.
  // What the reader had to guess (a text file's encoding) is added to notes.
  static TWorkbook Load(const QString& path, std::int16_t& fileType, QStringList* notes = nullptr);
  // textRows > 0 limits a text file to the active sheet's first textRows rows. Returns what the
  // format made the file differ from the workbook (for the user to be told), empty when nothing.
  static QStringList Save(const TWorkbook& book, const QString& path, std::int16_t fileType, int textRows = 0);

  // A formula read from a file, placed once every sheet exists so that references to later sheets
  // resolve. Line: the file's line for messages, 0 to name the cell instead.
  struct TPendingFormula {
    int Sheet, Row, Col;
    QString Text;
    int Line = 0;
    // A use of a shared formula: the formula of (FromRow, FromCol) on the same sheet, moved here.
    // Text then holds the source's text, unshifted.
    bool Shared = false;
    int FromRow = 0, FromCol = 0;
    // From another program's file, which saves each result: a formula the engine cannot compile is
    // kept as written with Saved as its value, instead of refusing the file.
    bool Keep = false;
    TCellValue Saved;
    // Kept without compiling even when it would compile: an array formula (of that extent) our
    // engine would compute differently, or a formula naming a defined name (NamesName).
    bool Verbatim = false;
    bool NamesName = false;
    int ArrayRows = 0, ArrayCols = 0;
  };
  // A use of a shared formula: a copy of the pending formula Source (its master, on the same sheet)
  // moved to Row, Col, with the value the file saved there (a text one in TSharedUses::Texts).
  // Kept apart from the pending formulas, since a column of them can run to a million: a use
  // takes a fifth of a pending formula's room.
  struct TSharedUse {
    int Row, Col;
    std::uint32_t Source;
    TValueKind Kind;
    TCellError Err;
    union {
      double Num;          // a number or a truth value (1, 0)
      std::uint32_t Text;  // index into TSharedUses::Texts
    };
  };
  struct TSharedUses {
    std::vector<TSharedUse> Uses;
    std::vector<QString> Texts;
    void Add(int row, int col, std::size_t source, const TCellValue& saved);
    TCellValue Saved(const TSharedUse& use) const;
    // Takes other's uses, whose sources are counted from offset among the pending formulas.
    void Append(TSharedUses&& other, std::size_t offset);
  };
  // Places them, then the uses of shared formulas among them; a formula our engine cannot compile
  // (and may not keep) is an error naming path and its place.
  static void PlaceFormulas(TWorkbook& book, const std::vector<TPendingFormula>& formulas, const QString& path,
                            const TSharedUses* uses = nullptr);
  // The rows formulas about to be placed fill, by sheet: room for them is made once, so a column
  // of a million is not moved at every doubling. Only as many rows as there are formulas (twice,
  // for gaps): one formula far down makes no room for the rows before it.
  struct TRowRoom {
    void Add(int sheet, int row);
    void Reserve(TWorkbook& book) const;

   private:
    struct TExtent { int LastRow = 0; std::size_t Count = 0; };
    std::vector<TExtent> FSheets;  // by sheet index from 1
  };
  // Where the formula placed before the next one is: a formula that reads as that one (or the
  // one above) moved along shares its code.
  struct TPlaced { int Sheet = 0, Row = 0, Col = 0; };
  // One formula, for a reader that keeps its pending formulas in a form of its own; call
  // TWorkbook::ReserveFormulas first. Updates previous.
  static void PlaceFormula(TWorkbook& book, const TPendingFormula& f, const QString& path, TPlaced& previous);

  // Marks the formulas that name one of names (our engine does not look names up) to be kept as
  // written; names of a sheet beyond sheetCount become the whole workbook's.
  static void KeepFormulasNaming(std::vector<TPendingFormula>& formulas, std::vector<TWorkbook::TDefinedName>& names, int sheetCount);

  // Gives a new workbook of names.size() sheets those names, whatever names it had: a file's
  // "Sheet2" may come first. A name refused (empty, twice) is an error naming path and sheet.
  static void NameSheets(TWorkbook& book, const std::vector<QString>& names, const QString& path);

  // The file type a name's extension suggests (.vts 5, .xlsx/.xls 4, .txt 3, .csv 6); 0 if none.
  static std::int16_t TypeForExtension(const QString& path);

  // Writes what fill() puts into the device to path atomically: the target is replaced only when
  // fill returns. The device is a file it may seek in.
  static void SaveAtomically(const QString& path, const std::function<void(QIODevice&)>& fill);

 private:
  static void Place(TWorkbook& book, const TPendingFormula& f, const QString& path, const TPlaced& previous);
  // Tells of formulas kept with their saved values, naming the first of their cells.
  static void NoteKeptFormulas(const TWorkbook& book, QStringList* notes);
  static void Put(QIODevice& out, const QByteArray& bytes);
};
