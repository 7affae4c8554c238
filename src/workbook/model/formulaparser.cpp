#include "workbook/model/formulaparser.h"

#include <algorithm>

#include "workbook/model/formulafunctions.h"
#include "workbook/model/workbookerror.h"

namespace {
// Deep enough for any formula a person writes; bounded so hostile text cannot exhaust the stack.
constexpr int kMaxDepth = 200;

struct TDepthGuard {
  int& Depth;
  explicit TDepthGuard(int& d) : Depth(d) { ++Depth; }
  ~TDepthGuard() { --Depth; }
};
}  // namespace

TFormulaParser::TFormulaParser(const std::vector<TFormulaToken>& tokens, int ownSheetId,
                               const TFormula::TSheetResolver& resolver, TFormula& out)
    : FTokens(tokens), FOwnSheet(ownSheetId), FResolver(resolver), FOut(out) {}

void TFormulaParser::Parse() {
  if (FTokens.empty()) Fail(QStringLiteral("empty formula"));
  Comparison();
  if (FPos < FTokens.size()) Fail(QStringLiteral("unexpected '%1'").arg(FTokens[FPos].Text));
}

bool TFormulaParser::At(TTokenKind kind) const {
  return FPos < FTokens.size() && FTokens[FPos].Kind == kind;
}

bool TFormulaParser::AtOp(const char* op) const {
  return At(TTokenKind::Op) && FTokens[FPos].Text == QLatin1String(op);
}

void TFormulaParser::Expect(TTokenKind kind, const char* what) {
  if (!At(kind)) Fail(QStringLiteral("expected %1").arg(QLatin1String(what)));
  ++FPos;
}

void TFormulaParser::Fail(const QString& what) const {
  if (FPos >= FTokens.size()) throw EWorkbookError(what + QStringLiteral(" at the end of the formula"));
  throw EWorkbookError(QStringLiteral("%1 at position %2").arg(what).arg(FTokens[FPos].Pos + 1));
}

std::uint32_t TFormulaParser::Emit(TOp op, std::uint32_t arg, std::uint8_t argc, std::uint16_t func) {
  FOut.Code.push_back(TInstr{op, argc, func, arg});
  return static_cast<std::uint32_t>(FOut.Code.size() - 1);
}

void TFormulaParser::Comparison() {
  TDepthGuard guard(FDepth);
  if (FDepth > kMaxDepth) Fail(QStringLiteral("formula nested too deeply"));
  Concat();
  static constexpr std::pair<const char*, TOp> kOps[] = {{"=", TOp::Eq},  {"<>", TOp::Ne}, {"<", TOp::Lt},
                                                         {">", TOp::Gt},  {"<=", TOp::Le}, {">=", TOp::Ge}};
  for (;;) {
    const auto* hit = std::find_if(std::begin(kOps), std::end(kOps), [&](const auto& o) { return AtOp(o.first); });
    if (hit == std::end(kOps)) return;
    ++FPos;
    Concat();
    Emit(hit->second);
  }
}

void TFormulaParser::Concat() {
  Additive();
  while (AtOp("&")) { ++FPos; Additive(); Emit(TOp::Concat); }
}

void TFormulaParser::Additive() {
  Term();
  for (;;) {
    if (AtOp("+")) { ++FPos; Term(); Emit(TOp::Add); }
    else if (AtOp("-")) { ++FPos; Term(); Emit(TOp::Sub); }
    else return;
  }
}

void TFormulaParser::Term() {
  Power();
  for (;;) {
    if (AtOp("*")) { ++FPos; Power(); Emit(TOp::Mul); }
    else if (AtOp("/")) { ++FPos; Power(); Emit(TOp::Div); }
    else return;
  }
}

void TFormulaParser::Power() {
  Postfix();
  while (AtOp("^")) { ++FPos; Postfix(); Emit(TOp::Pow); }
}

void TFormulaParser::Postfix() {
  Unary();
  while (AtOp("%")) { ++FPos; Emit(TOp::Percent); }
}

void TFormulaParser::Unary() {
  int negations = 0;
  while (AtOp("-") || AtOp("+")) {
    if (FTokens[FPos].Text == QLatin1String("-")) ++negations;
    ++FPos;
  }
  Primary();
  if (negations % 2) Emit(TOp::Neg);
}

void TFormulaParser::Primary() {
  if (FPos >= FTokens.size()) Fail(QStringLiteral("expected a value"));
  const TFormulaToken& t = FTokens[FPos];
  switch (t.Kind) {
    case TTokenKind::Number:
      FOut.Numbers.push_back(t.Num);
      Emit(TOp::Number, static_cast<std::uint32_t>(FOut.Numbers.size() - 1));
      ++FPos;
      return;
    case TTokenKind::String:
      FOut.Strings.push_back(t.Text);
      Emit(TOp::String, static_cast<std::uint32_t>(FOut.Strings.size() - 1));
      ++FPos;
      return;
    case TTokenKind::Error:
      Emit(TOp::Error, static_cast<std::uint32_t>(TCellValue::ParseError(t.Text)));
      ++FPos;
      return;
    case TTokenKind::Ref:
      Reference();
      return;
    case TTokenKind::Ident:
      if (FPos + 1 < FTokens.size() && FTokens[FPos + 1].Kind == TTokenKind::LParen) {
        FunctionCall();
      } else if (t.Text.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0) {
        Emit(TOp::Bool, 1);
        ++FPos;
      } else if (t.Text.compare(QLatin1String("FALSE"), Qt::CaseInsensitive) == 0) {
        Emit(TOp::Bool, 0);
        ++FPos;
      } else {
        Emit(TOp::Error, static_cast<std::uint32_t>(TCellError::Name));  // unknown name
        ++FPos;
      }
      return;
    case TTokenKind::LParen:
      ++FPos;
      Comparison();
      Expect(TTokenKind::RParen, "')'");
      return;
    default:
      Fail(QStringLiteral("unexpected '%1'").arg(t.Text));
  }
}

TFormulaRef TFormulaParser::Resolve(const TFormulaToken& t) {
  TFormulaRef r;
  r.Row = t.Cell.Row;
  r.Col = t.Cell.Col;
  r.AbsRow = t.Cell.AbsRow;
  r.AbsCol = t.Cell.AbsCol;
  if (t.HasSheet) {
    FOut.OtherSheets = true;
    r.SheetId = FResolver ? FResolver(t.Text) : -1;
  } else {
    r.SheetId = FOwnSheet;
  }
  return r;
}

void TFormulaParser::Reference() {
  const TFormulaToken& first = FTokens[FPos++];
  TFormulaRef a = Resolve(first);
  if (!At(TTokenKind::Colon)) {
    FOut.Refs.push_back(a);
    Emit(TOp::Ref, static_cast<std::uint32_t>(FOut.Refs.size() - 1));
    return;
  }
  ++FPos;
  if (!At(TTokenKind::Ref)) Fail(QStringLiteral("expected a cell after ':'"));
  const TFormulaToken& second = FTokens[FPos];
  if (second.HasSheet && (!first.HasSheet || second.Text.compare(first.Text, Qt::CaseInsensitive) != 0))
    Fail(QStringLiteral("a range must stay on one sheet"));
  ++FPos;
  TFormulaRef b = a;
  b.Row = second.Cell.Row;
  b.Col = second.Cell.Col;
  b.AbsRow = second.Cell.AbsRow;
  b.AbsCol = second.Cell.AbsCol;
  // Keep ranges normalised (top-left first) whichever corners the author named.
  if (b.Row < a.Row) { std::swap(a.Row, b.Row); std::swap(a.AbsRow, b.AbsRow); }
  if (b.Col < a.Col) { std::swap(a.Col, b.Col); std::swap(a.AbsCol, b.AbsCol); }
  FOut.Refs.push_back(a);
  FOut.Refs.push_back(b);
  Emit(TOp::Range, static_cast<std::uint32_t>(FOut.Refs.size() - 2));
}

void TFormulaParser::Argument() {
  if (At(TTokenKind::Comma) || At(TTokenKind::RParen)) {
    Emit(TOp::Missing);
    return;
  }
  Comparison();
}

void TFormulaParser::FunctionCall() {
  const TFormulaToken& nameToken = FTokens[FPos];
  const TFormulaFunctions::TInfo* info = TFormulaFunctions::Find(nameToken.Text);
  FPos += 2;  // name and "("
  TDepthGuard guard(FDepth);
  if (FDepth > kMaxDepth) Fail(QStringLiteral("formula nested too deeply"));

  auto checkCount = [&](int count) {
    if (info && (count < info->MinArgs || count > info->MaxArgs))
      throw EWorkbookError(QStringLiteral("wrong number of arguments to %1 at position %2")
                               .arg(QLatin1String(info->Name)).arg(nameToken.Pos + 1));
  };

  if (info && info->Id == TFunc::If) {
    Argument();
    const std::uint32_t jumpIfFalse = Emit(TOp::JumpIfFalse);
    int count = 1;
    if (!At(TTokenKind::Comma)) checkCount(count);
    ++FPos;
    Argument();
    ++count;
    const std::uint32_t jump = Emit(TOp::Jump);
    FOut.Code[jumpIfFalse].Arg = static_cast<std::uint32_t>(FOut.Code.size());
    if (At(TTokenKind::Comma)) {
      ++FPos;
      Argument();
      ++count;
    } else {
      Emit(TOp::Bool, 0);
    }
    checkCount(count);
    FOut.Code[jump].Arg = static_cast<std::uint32_t>(FOut.Code.size());
    Expect(TTokenKind::RParen, "')' after the arguments of IF");
    return;
  }
  if (info && info->Id == TFunc::IfError) {
    Argument();
    const std::uint32_t jump = Emit(TOp::JumpIfNotError);
    if (!At(TTokenKind::Comma)) checkCount(1);
    ++FPos;
    Argument();
    FOut.Code[jump].Arg = static_cast<std::uint32_t>(FOut.Code.size());
    if (!At(TTokenKind::RParen)) checkCount(3);
    ++FPos;
    return;
  }

  // ROW(A5), OFFSET(A1,...) need where the cell is, not what it holds.
  auto argument = [&] {
    const bool lone = info && info->RefArgs && At(TTokenKind::Ref) && FPos + 1 < FTokens.size() &&
                      (FTokens[FPos + 1].Kind == TTokenKind::Comma || FTokens[FPos + 1].Kind == TTokenKind::RParen);
    if (!lone) return Argument();
    const TFormulaRef r = Resolve(FTokens[FPos++]);
    FOut.Refs.push_back(r);
    FOut.Refs.push_back(r);
    Emit(TOp::Range, static_cast<std::uint32_t>(FOut.Refs.size() - 2));
  };
  int count = 0;
  if (!At(TTokenKind::RParen)) {
    argument();
    ++count;
    while (At(TTokenKind::Comma)) {
      ++FPos;
      argument();
      ++count;
    }
  }
  Expect(TTokenKind::RParen, "')' after the arguments");
  checkCount(count);
  if (count > 255) Fail(QStringLiteral("too many arguments"));
  if (info && (info->Id == TFunc::Now || info->Volatile)) FOut.Volatile = true;
  Emit(TOp::Call, 0, static_cast<std::uint8_t>(count),
       static_cast<std::uint16_t>(info ? info->Id : TFunc::Unknown));
}
