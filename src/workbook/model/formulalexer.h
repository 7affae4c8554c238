#pragma once
// Splits formula text into tokens. The parser compiles them; reference shifting and sheet renaming
// rewrite the text token by token, so a formula keeps the spacing its author gave it.

#include <vector>

#include <QString>

#include "workbook/model/a1notation.h"

enum class TTokenKind { Number, String, Error, Ref, Ident, Op, LParen, RParen, Comma, Colon };

struct TFormulaToken {
  TTokenKind Kind;
  int Pos = 0, Len = 0;   // the whole token in the text
  int CellPos = 0;        // for Ref: where the cell name starts (after any "Sheet!")
  QString Text;           // operator, identifier, string content, error name, sheet name of a Ref
  bool HasSheet = false;  // Ref: "Sheet!A1"
  double Num = 0;
  a1::TCellName Cell;
};

class TFormulaLexer {
 public:
  // Tokens of the text after its leading "=" (if any). Throws EWorkbookError naming the position of
  // an unexpected character or unterminated string.
  static std::vector<TFormulaToken> Tokenize(const QString& formula);
  // Where the expression starts in a formula text: 1 after a leading "=", else 0.
  static int BodyStart(const QString& formula);
};
