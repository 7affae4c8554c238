#pragma once
// A formula compiled once into postfix code over a small value stack, evaluated many times by
// TFormulaEvaluator. References are resolved to (sheet id, row, col) when compiled; the text is
// kept as written and rewritten (shifted, renamed) as text, then compiled again.

#include <cstdint>
#include <functional>
#include <vector>

#include <QString>

#include "workbook/model/formulapattern.h"

enum class TOp : std::uint8_t {
  Number, String, Bool, Error, Missing, Ref, Range,
  Neg, Percent, Add, Sub, Mul, Div, Pow, Concat, Eq, Ne, Lt, Gt, Le, Ge,
  Call,            // Func with Argc arguments from the stack
  JumpIfFalse,     // pops the condition; an error condition becomes the result (jumps to the end)
  Jump,
  JumpIfNotError,  // keeps a non-error value and jumps; otherwise drops it
};

struct TInstr {
  TOp Op;
  std::uint8_t Argc = 0;
  std::uint16_t Func = 0;
  std::uint32_t Arg = 0;  // constant index, ref index, jump target or error code
};

struct TFormulaRef {
  std::int32_t SheetId = -1;  // -1: the sheet does not exist (#REF!)
  std::int32_t Row = 0, Col = 0;
  bool AbsRow = false, AbsCol = false;  // "$": stays when the formula is copied elsewhere
};

class TFormula {
 public:
  // Resolves a sheet name to its id, -1 when there is no such sheet.
  using TSheetResolver = std::function<int(const QString&)>;

  // Compiles "=..." (the "=" is optional). Throws EWorkbookError describing a syntax error. When
  // `pattern` is given, the text cut at its references goes there, from the same reading.
  static TFormula Compile(const QString& text, int ownSheetId, const TSheetResolver& resolver,
                          TFormulaPattern* pattern = nullptr);

  // The text with relative references moved by (dRow, dCol); a reference pushed off the sheet
  // becomes #REF!. Absolute parts ($A, $1) stay.
  static QString Shift(const QString& text, int dRow, int dCol);
  // Whether the code can run unchanged at a place (dRow, dCol) away from where it was compiled:
  // it names no other sheet and every reference stays on the sheet. Copies of a formula then
  // share one compiled code (see Moved).
  bool Movable(int dRow, int dCol) const;
  // Reference i as the code reads it when run (dRow, dCol) away from where it was compiled, on
  // sheet ownSheetId: parts without "$" move along, and code naming no other sheet reads its own.
  TFormulaRef Moved(std::size_t i, int dRow, int dCol, int ownSheetId) const {
    TFormulaRef r = Refs[i];
    if (!r.AbsRow) r.Row += dRow;
    if (!r.AbsCol) r.Col += dCol;
    if (!OtherSheets && r.SheetId >= 0) r.SheetId = ownSheetId;
    return r;
  }
  // The text with references to sheet oldName (any case) naming newName instead.
  static QString RenameSheet(const QString& text, const QString& oldName, const QString& newName);

  std::vector<TInstr> Code;
  std::vector<double> Numbers;
  std::vector<QString> Strings;
  std::vector<TFormulaRef> Refs;  // a Range uses two consecutive entries
  bool Volatile = false;          // calls NOW()
  bool OtherSheets = false;       // names a sheet, so sheet changes need a recompile
  // Read from a file in a form the engine cannot compute (a 3-D or table reference, an array
  // formula...): the code only yields the value saved with the file, and the text is kept as it
  // was for writing back.
  bool Kept = false;
  // An array formula's extent (from its cell down and right); 0 for an ordinary formula.
  std::int32_t ArrayRows = 0, ArrayCols = 0;
};
