#pragma once
// Recursive-descent compiler from formula tokens to TFormula code. Precedence, tightest first:
// unary minus, percent, ^ (left to right), * /, + -, &, comparisons.

#include <vector>

#include "workbook/model/formula.h"
#include "workbook/model/formulalexer.h"

class TFormulaParser {
 public:
  TFormulaParser(const std::vector<TFormulaToken>& tokens, int ownSheetId,
                 const TFormula::TSheetResolver& resolver, TFormula& out);
  // Throws EWorkbookError naming the position of the first fault.
  void Parse();

 private:
  void Comparison();
  void Concat();
  void Additive();
  void Term();
  void Power();
  void Postfix();
  void Unary();
  void Primary();
  void Reference();
  void FunctionCall();
  void Argument();  // compiles one argument; a missing one compiles to an empty value

  bool AtOp(const char* op) const;
  bool At(TTokenKind kind) const;
  void Expect(TTokenKind kind, const char* what);
  [[noreturn]] void Fail(const QString& what) const;
  std::uint32_t Emit(TOp op, std::uint32_t arg = 0, std::uint8_t argc = 0, std::uint16_t func = 0);
  TFormulaRef Resolve(const TFormulaToken& t);

  const std::vector<TFormulaToken>& FTokens;
  int FOwnSheet;
  const TFormula::TSheetResolver& FResolver;
  TFormula& FOut;
  std::size_t FPos = 0;
  int FDepth = 0;
};
