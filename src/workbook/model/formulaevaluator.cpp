#include "workbook/model/formulaevaluator.h"

#include <algorithm>
#include <cmath>

#include "platform/numbers.h"
#include "workbook/model/formulafunctions.h"

thread_local unsigned TFormulaEvaluator::tRangeAsScalar = 0;

bool TFormulaEvaluator::ToNumber(const TCellValue& v, double& out, TCellError& err) {
  switch (v.Kind) {
    case TValueKind::Number:
    case TValueKind::Bool: out = v.Num; return true;
    case TValueKind::Empty: out = 0; return true;
    case TValueKind::Text:
      if (v.Str.isEmpty()) { out = 0; return true; }
      if (auto n = numbers::ParseTypedNumber(v.Str)) { out = *n; return true; }
      err = TCellError::Value;
      return false;
    case TValueKind::Error: err = v.Err; return false;
    case TValueKind::Range: RangeAsScalar(); err = TCellError::Value; return false;
  }
  return false;
}

// An operand of an arithmetic operator: an empty text (a formula's "") is not a number there,
// while an empty cell is 0.
bool TFormulaEvaluator::ArithmeticNumber(const TCellValue& v, double& out, TCellError& err) {
  if (v.Kind == TValueKind::Text && v.Str.isEmpty()) {
    err = TCellError::Value;
    return false;
  }
  return ToNumber(v, out, err);
}

bool TFormulaEvaluator::ToBool(const TCellValue& v, bool& out, TCellError& err) {
  switch (v.Kind) {
    case TValueKind::Number:
    case TValueKind::Bool: out = v.Num != 0; return true;
    case TValueKind::Empty: out = false; return true;
    case TValueKind::Text:
      if (v.Str.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0) { out = true; return true; }
      if (v.Str.compare(QLatin1String("FALSE"), Qt::CaseInsensitive) == 0) { out = false; return true; }
      err = TCellError::Value;
      return false;
    case TValueKind::Error: err = v.Err; return false;
    case TValueKind::Range: RangeAsScalar(); err = TCellError::Value; return false;
  }
  return false;
}

QString TFormulaEvaluator::ToText(const TCellValue& v) {
  switch (v.Kind) {
    case TValueKind::Number: return numbers::FloatToStr(v.Num);
    case TValueKind::Text: return v.Str;
    default: return v.ToText();
  }
}

int TFormulaEvaluator::Compare(const TCellValue& a, const TCellValue& b) {
  auto rank = [](TValueKind k) { return k == TValueKind::Number ? 0 : k == TValueKind::Text ? 1 : 2; };
  TValueKind ka = a.Kind, kb = b.Kind;
  if (ka == TValueKind::Empty && kb == TValueKind::Empty) return 0;
  if (ka == TValueKind::Empty) ka = kb;
  if (kb == TValueKind::Empty) kb = ka;
  if (rank(ka) != rank(kb)) return rank(ka) < rank(kb) ? -1 : 1;
  if (ka == TValueKind::Text) {
    const QString sa = a.Kind == TValueKind::Empty ? QString() : a.Str;
    const QString sb = b.Kind == TValueKind::Empty ? QString() : b.Str;
    const int c = sa.compare(sb, Qt::CaseInsensitive);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
  }
  const double x = a.Kind == TValueKind::Empty ? 0 : a.Num;
  const double y = b.Kind == TValueKind::Empty ? 0 : b.Num;
  if (ApproxEqual(x, y)) return 0;
  return x < y ? -1 : 1;
}

// Equal when they differ only past the 15th significant digit or so (2^-48 relative), as common
// spreadsheets compare: 0.1 + 0.2 = 0.3 holds. Zero equals only zero.
bool TFormulaEvaluator::ApproxEqual(double x, double y) {
  if (x == y) return true;
  if (x == 0 || y == 0 || !std::isfinite(x) || !std::isfinite(y)) return false;
  constexpr double e48 = 1.0 / (16777216.0 * 16777216.0);
  const double d = std::abs(x - y);
  return d < std::abs(x) * e48 && d < std::abs(y) * e48;
}

void TFormulaEvaluator::Intersect(TCellValue& v) {
  if (v.Kind != TValueKind::Range || !FCells) return;
  const TRangeRef r = v.Range;
  int sheet = 0, row = r.Row1, col = r.Col1;
  const bool single = r.Row1 == r.Row2 && r.Col1 == r.Col2;
  if (!single && FArrayMode) FElementwise = true;
  // An array has no place on the sheet to meet: its first element stands for it.
  if (!single && !r.IsArray()) {
    int ownRow = 0, ownCol = 0;
    if (!FCells->RunningCell(sheet, ownRow, ownCol)) return;
    if (r.Col1 == r.Col2 && ownRow >= r.Row1 && ownRow <= r.Row2) row = ownRow;
    else if (r.Row1 == r.Row2 && ownCol >= r.Col1 && ownCol <= r.Col2) col = ownCol;
    else return;
  }
  FCells->ReadCell(r.SheetId, row, col, v);
  v.FromRef = true;
}

void TFormulaEvaluator::Binary(TOp op) {
  TCellValue& a = FStack[FStack.size() - 2];
  TCellValue& b = FStack.back();
  Intersect(a);
  Intersect(b);
  TCellValue r;
  if (a.IsError()) {
    r = TCellValue::Error(a.Err);
  } else if (b.IsError()) {
    r = TCellValue::Error(b.Err);
  } else if (op == TOp::Concat) {
    if (a.Kind == TValueKind::Range || b.Kind == TValueKind::Range) r = TCellValue::Error(TCellError::Value);
    else r = TCellValue::Text(ToText(a) + ToText(b));
  } else if (op >= TOp::Eq && op <= TOp::Ge) {
    if (a.Kind == TValueKind::Range || b.Kind == TValueKind::Range) {
      r = TCellValue::Error(TCellError::Value);
    } else {
      const int c = Compare(a, b);
      bool v = false;
      switch (op) {
        case TOp::Eq: v = c == 0; break;
        case TOp::Ne: v = c != 0; break;
        case TOp::Lt: v = c < 0; break;
        case TOp::Gt: v = c > 0; break;
        case TOp::Le: v = c <= 0; break;
        default: v = c >= 0; break;
      }
      r = TCellValue::Boolean(v);
    }
  } else {
    double x = 0, y = 0;
    TCellError err = TCellError::None;
    if (!ArithmeticNumber(a, x, err) || !ArithmeticNumber(b, y, err)) {
      r = TCellValue::Error(err);
    } else {
      double v = 0;
      switch (op) {
        case TOp::Add: v = x + y; break;
        case TOp::Sub: v = x - y; break;
        case TOp::Mul: v = x * y; break;
        case TOp::Div:
          if (y == 0) err = TCellError::Div0;
          else v = x / y;
          break;
        default:  // Pow
          if (x == 0 && y == 0) err = TCellError::Num;
          else if (x == 0 && y < 0) err = TCellError::Div0;
          else v = std::pow(x, y);
          break;
      }
      if (err == TCellError::None && !std::isfinite(v)) err = TCellError::Num;
      r = err == TCellError::None ? TCellValue::Number(v) : TCellValue::Error(err);
    }
  }
  FStack.pop_back();
  FStack.back() = std::move(r);
}

void TFormulaEvaluator::Execute(const TFormula& f, const ICellSource& cells, TFormulaPlace place) {
  FStack.clear();
  auto ref = [&](std::uint32_t i) {
    return place.SheetId < 0 ? f.Refs[i] : f.Moved(i, place.DRow, place.DCol, place.SheetId);
  };
  FArrays.Begin(cells);
  FCells = &FArrays;
  const std::size_t n = f.Code.size();
  for (std::size_t pc = 0; pc < n; ++pc) {
    const TInstr& in = f.Code[pc];
    switch (in.Op) {
      case TOp::Number: FStack.push_back(TCellValue::Number(f.Numbers[in.Arg])); break;
      case TOp::String: FStack.push_back(TCellValue::Text(f.Strings[in.Arg])); break;
      case TOp::Bool: FStack.push_back(TCellValue::Boolean(in.Arg != 0)); break;
      case TOp::Error: FStack.push_back(TCellValue::Error(static_cast<TCellError>(in.Arg))); break;
      case TOp::Missing: FStack.emplace_back(); break;
      case TOp::Ref: {
        const TFormulaRef r = ref(in.Arg);
        FStack.emplace_back();
        if (r.SheetId < 0) {
          FStack.back() = TCellValue::Error(TCellError::Ref);
        } else {
          cells.ReadCell(r.SheetId, r.Row, r.Col, FStack.back());
          FStack.back().FromRef = true;
        }
        break;
      }
      case TOp::Range: {
        const TFormulaRef a = ref(in.Arg);
        const TFormulaRef b = ref(in.Arg + 1);
        TCellValue v;
        if (a.SheetId < 0) {
          v = TCellValue::Error(TCellError::Ref);
        } else {
          // A "$" end and a moving end may pass each other: the range is what lies between them.
          v.Kind = TValueKind::Range;
          v.Range = TRangeRef{a.SheetId, std::min(a.Row, b.Row), std::min(a.Col, b.Col), std::max(a.Row, b.Row), std::max(a.Col, b.Col)};
        }
        FStack.push_back(std::move(v));
        break;
      }
      case TOp::Neg:
      case TOp::Percent: {
        TCellValue& v = FStack.back();
        Intersect(v);
        double x = 0;
        TCellError err = TCellError::None;
        if (!ArithmeticNumber(v, x, err)) v = TCellValue::Error(err);
        else v = TCellValue::Number(in.Op == TOp::Neg ? -x : x / 100);
        break;
      }
      case TOp::Call: {
        TCellValue r;
        const std::size_t base = FStack.size() - in.Argc;
        TFormulaFunctions::Call(static_cast<TFunc>(in.Func),
                                std::span<TCellValue>(FStack.data() + base, in.Argc), FArrays, r);
        FStack.resize(base);
        FStack.push_back(std::move(r));
        break;
      }
      case TOp::JumpIfFalse: {
        TCellValue cond = std::move(FStack.back());
        FStack.pop_back();
        Intersect(cond);
        bool b = false;
        TCellError err = TCellError::None;
        if (!ToBool(cond, b, err)) {
          FStack.push_back(TCellValue::Error(err));
          pc = f.Code[in.Arg - 1].Arg - 1;  // the Jump before the else branch names the end
        } else if (!b) {
          pc = in.Arg - 1;
        }
        break;
      }
      case TOp::Jump: pc = in.Arg - 1; break;
      case TOp::JumpIfNotError:
        if (!FStack.back().IsError()) pc = in.Arg - 1;
        else FStack.pop_back();
        break;
      default: Binary(in.Op); break;
    }
  }
  if (FStack.empty()) FStack.push_back(TCellValue::Error(TCellError::Value));
}

void TFormulaEvaluator::Run(const TFormula& f, const ICellSource& cells, TCellValue& result, TFormulaPlace place) {
  FArrayMode = false;
  Execute(f, cells, place);
  result = std::move(FStack.back());
  Intersect(result);
  FCells = nullptr;
  FArrays.End();
  if (result.Kind == TValueKind::Range) result = TCellValue::Error(TCellError::Value);
  else if (result.Kind == TValueKind::Empty) result = TCellValue::Number(0);
  result.FromRef = false;
}

bool TFormulaEvaluator::RunArray(const TFormula& f, const ICellSource& cells, std::vector<TCellValue>& out, TFormulaPlace place) {
  const int rows = std::max(f.ArrayRows, 1), cols = std::max(f.ArrayCols, 1);
  FArrayMode = true;
  FElementwise = false;
  const unsigned scalarsBefore = tRangeAsScalar;
  Execute(f, cells, place);
  FArrayMode = false;
  const TCellValue result = std::move(FStack.back());
  out.assign(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols), TCellValue{});
  TRangeRef r = result.Range;
  const int resultRows = r.Row2 - r.Row1 + 1, resultCols = r.Col2 - r.Col1 + 1;
  for (int i = 0; i < rows; ++i)
    for (int j = 0; j < cols; ++j) {
      TCellValue& v = out[static_cast<std::size_t>(i) * static_cast<std::size_t>(cols) + static_cast<std::size_t>(j)];
      if (result.Kind != TValueKind::Range) {
        v = result;
      } else {
        const int si = resultRows == 1 ? 0 : i, sj = resultCols == 1 ? 0 : j;
        if (si >= resultRows || sj >= resultCols) v = TCellValue::Error(TCellError::NA);
        else FArrays.ReadCell(r.SheetId, r.Row1 + si, r.Col1 + sj, v);
      }
      if (v.Kind == TValueKind::Empty) v = TCellValue::Number(0);
      v.FromRef = false;
    }
  FCells = nullptr;
  FArrays.End();
  return !FElementwise && tRangeAsScalar == scalarsBefore;
}
