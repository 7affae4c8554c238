#include "workbook/model/informationfunctions.h"

#include "workbook/model/functionargs.h"

namespace {
using A = TFunctionArgs;

// The value a one-cell range stands for; other values as they are.
TCellValue Single(const TCellValue& v, const ICellSource& cells) {
  if (v.Kind != TValueKind::Range || v.Range.Row1 != v.Range.Row2 || v.Range.Col1 != v.Range.Col2) return v;
  TCellValue cell;
  cells.ReadCell(v.Range.SheetId, v.Range.Row1, v.Range.Col1, cell);
  cell.FromRef = true;
  return cell;
}

void IsNA(std::span<TCellValue> a, const ICellSource&, TCellValue& r) {
  r = TCellValue::Boolean(a[0].IsError() && a[0].Err == TCellError::NA);
}
void IsErr(std::span<TCellValue> a, const ICellSource&, TCellValue& r) {
  r = TCellValue::Boolean(a[0].IsError() && a[0].Err != TCellError::NA);
}
void IsLogical(std::span<TCellValue> a, const ICellSource&, TCellValue& r) { r = TCellValue::Boolean(a[0].Kind == TValueKind::Bool); }
void NA(std::span<TCellValue>, const ICellSource&, TCellValue& r) { r = TCellValue::Error(TCellError::NA); }

// T(value): a text as it is, anything else "".
void T(std::span<TCellValue> a, const ICellSource& cells, TCellValue& r) {
  const TCellValue v = Single(a[0], cells);
  if (v.IsError()) { r = v; return; }
  r = TCellValue::Text(v.Kind == TValueKind::Text ? v.Str : QString());
}

// N(value): a number as it is, TRUE 1, anything else 0.
void N(std::span<TCellValue> a, const ICellSource& cells, TCellValue& r) {
  const TCellValue v = Single(a[0], cells);
  if (v.IsError()) { r = v; return; }
  A::SetNumber(v.Kind == TValueKind::Number || v.Kind == TValueKind::Bool ? v.Num : 0, r);
}

// TYPE(value): 1 number (or empty), 2 text, 4 truth value, 16 error, 64 several cells.
void Type(std::span<TCellValue> a, const ICellSource& cells, TCellValue& r) {
  const TCellValue v = Single(a[0], cells);
  switch (v.Kind) {
    case TValueKind::Text: return A::SetNumber(2, r);
    case TValueKind::Bool: return A::SetNumber(4, r);
    case TValueKind::Error: return A::SetNumber(16, r);
    case TValueKind::Range: return A::SetNumber(64, r);
    default: return A::SetNumber(1, r);
  }
}

// ERROR.TYPE(value): the number of an error value (#NULL! 1 .. #N/A 7), #N/A for any other value.
void ErrorType(std::span<TCellValue> a, const ICellSource& cells, TCellValue& r) {
  const TCellValue v = Single(a[0], cells);
  if (!v.IsError()) return A::SetError(TCellError::NA, r);
  switch (v.Err) {
    case TCellError::Null: return A::SetNumber(1, r);
    case TCellError::Div0: return A::SetNumber(2, r);
    case TCellError::Ref: return A::SetNumber(4, r);
    case TCellError::Name: return A::SetNumber(5, r);
    case TCellError::Num: return A::SetNumber(6, r);
    case TCellError::NA: return A::SetNumber(7, r);
    default: return A::SetNumber(3, r);  // #VALUE!, and ours #CIRC! which other programs show as it
  }
}

// IFS(cond, value, ...): the value of the first true condition; #N/A when none is.
void Ifs(std::span<TCellValue> args, const ICellSource& cells, TCellValue& result) {
  if (args.size() % 2) return A::SetError(TCellError::NA, result);
  for (std::size_t i = 0; i < args.size(); i += 2) {
    bool yes = false;
    TCellError err = TCellError::None;
    if (!TFormulaEvaluator::ToBool(Single(args[i], cells), yes, err)) return A::SetError(err, result);
    if (yes) { result = Single(args[i + 1], cells); return; }
  }
  A::SetError(TCellError::NA, result);
}

// SWITCH(value, case, result, ...[, default]): the result of the first case equal to the value.
void Switch(std::span<TCellValue> args, const ICellSource& cells, TCellValue& result) {
  const TCellValue v = Single(args[0], cells);
  if (v.IsError()) { result = v; return; }
  std::size_t i = 1;
  for (; i + 1 < args.size(); i += 2) {
    const TCellValue c = Single(args[i], cells);
    if (c.IsError()) { result = c; return; }
    if (A::KindRank(c.Kind) == A::KindRank(v.Kind) && TFormulaEvaluator::Compare(v, c) == 0) {
      result = Single(args[i + 1], cells);
      return;
    }
  }
  if (i < args.size()) { result = Single(args[i], cells); return; }
  A::SetError(TCellError::NA, result);
}

constexpr int kMany = 255;
const TFamilyFunction kFunctions[] = {
    {"ISNA", 1, 1, IsNA},    {"ISERR", 1, 1, IsErr},         {"ISLOGICAL", 1, 1, IsLogical}, {"NA", 0, 0, NA},
    {"T", 1, 1, T},          {"N", 1, 1, N},                 {"TYPE", 1, 1, Type},           {"ERROR.TYPE", 1, 1, ErrorType},
    {"IFS", 2, kMany, Ifs},  {"SWITCH", 3, kMany, Switch},
};
}  // namespace

std::span<const TFamilyFunction> TInformationFunctions::Functions() { return kFunctions; }
