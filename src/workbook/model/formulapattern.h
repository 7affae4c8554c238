#pragma once
// A formula's text cut at its references. The copies of a formula down a column share one code
// and one text; the text each copy shows is this one with its relative references moved, and
// the table journals or compares that text for every sample. Cutting the text once makes a
// copy's text a matter of filling in the moved names, and comparing a text with a copy's needs no
// text built at all.

#include <vector>

#include <QString>
#include <QStringView>

#include "workbook/model/a1notation.h"

struct TFormulaToken;

class TFormulaPattern {
 public:
  TFormulaPattern() = default;
  // Text that does not lex holds no references: every copy shows it unchanged.
  explicit TFormulaPattern(const QString& text);
  // `tokens` are the text's own, as the lexer gave them.
  TFormulaPattern(const QString& text, const std::vector<TFormulaToken>& tokens);

  const QString& Source() const { return FText; }
  // The text with relative references moved by (dRow, dCol); a reference pushed off the sheet
  // becomes #REF!. Absolute parts ($A, $1) stay.
  QString Text(int dRow, int dCol) const;
  // The same into `out`, keeping its room.
  void TextInto(int dRow, int dCol, QString& out) const;
  // Whether `text` is exactly Text(dRow, dCol).
  bool Matches(QStringView text, int dRow, int dCol) const;

 private:
  // One reference or range: [Begin, End) is the span that becomes #REF!; the cell names sit at
  // [CellA, CellA + LenA) and, for a range, [CellB, CellB + LenB).
  struct THole {
    int Begin = 0, End = 0;
    int CellA = 0, LenA = 0, CellB = -1, LenB = 0;
    a1::TCellName A, B;
  };
  // Cell names of a hole moved by (dRow, dCol) into a and b; false when one leaves the sheet.
  static bool Move(const THole& h, int dRow, int dCol, char16_t* a, int& lenA, char16_t* b, int& lenB);

  QString FText;
  std::vector<THole> FHoles;
};
