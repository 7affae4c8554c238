#include "workbook/model/formulafunctions.h"

#include <charconv>
#include <cmath>
#include <numbers>

#include "platform/iclock.h"
#include "platform/numbers.h"
#include "platform/services.h"
#include "workbook/model/cellsource.h"
#include "workbook/model/datetimefunctions.h"
#include "workbook/model/formulaevaluator.h"
#include "workbook/model/functionargs.h"
#include "workbook/model/engineeringfunctions.h"
#include "workbook/model/financialfunctions.h"
#include "workbook/model/informationfunctions.h"
#include "workbook/model/lookupfunctions.h"
#include "workbook/model/referencefunctions.h"
#include "workbook/model/numberformat.h"
#include "workbook/model/roundingfunctions.h"
#include "workbook/model/statisticsfunctions.h"
#include "workbook/model/textfunctions.h"

namespace {

constexpr int kMany = 255;
constexpr TFormulaFunctions::TInfo kFunctions[] = {
    {TFunc::If, "IF", 2, 3},           {TFunc::IfError, "IFERROR", 2, 2},   {TFunc::And, "AND", 1, kMany},
    {TFunc::Or, "OR", 1, kMany},       {TFunc::Not, "NOT", 1, 1},           {TFunc::Sum, "SUM", 1, kMany},
    {TFunc::Average, "AVERAGE", 1, kMany}, {TFunc::Min, "MIN", 1, kMany},   {TFunc::Max, "MAX", 1, kMany},
    {TFunc::Count, "COUNT", 1, kMany}, {TFunc::Counta, "COUNTA", 1, kMany}, {TFunc::Product, "PRODUCT", 1, kMany},
    {TFunc::Abs, "ABS", 1, 1},         {TFunc::Sqrt, "SQRT", 1, 1},         {TFunc::Exp, "EXP", 1, 1},
    {TFunc::Ln, "LN", 1, 1},           {TFunc::Log, "LOG", 1, 2},           {TFunc::Log10, "LOG10", 1, 1},
    {TFunc::Power, "POWER", 2, 2},     {TFunc::Pi, "PI", 0, 0},             {TFunc::Sin, "SIN", 1, 1},
    {TFunc::Cos, "COS", 1, 1},         {TFunc::Tan, "TAN", 1, 1},           {TFunc::Asin, "ASIN", 1, 1},
    {TFunc::Acos, "ACOS", 1, 1},       {TFunc::Atan, "ATAN", 1, 1},         {TFunc::Atan2, "ATAN2", 2, 2},
    {TFunc::Degrees, "DEGREES", 1, 1}, {TFunc::Radians, "RADIANS", 1, 1},   {TFunc::Int, "INT", 1, 1},
    {TFunc::Round, "ROUND", 2, 2},     {TFunc::RoundUp, "ROUNDUP", 2, 2},   {TFunc::RoundDown, "ROUNDDOWN", 2, 2},
    {TFunc::Trunc, "TRUNC", 1, 2},     {TFunc::Mod, "MOD", 2, 2},           {TFunc::Sign, "SIGN", 1, 1},
    {TFunc::IsBlank, "ISBLANK", 1, 1}, {TFunc::IsNumber, "ISNUMBER", 1, 1}, {TFunc::IsText, "ISTEXT", 1, 1},
    {TFunc::IsError, "ISERROR", 1, 1}, {TFunc::Concatenate, "CONCATENATE", 1, kMany},
    {TFunc::Text, "TEXT", 2, 2},       {TFunc::Value, "VALUE", 1, 1},       {TFunc::Now, "NOW", 0, 0},
    {TFunc::Choose, "CHOOSE", 2, kMany}, {TFunc::VLookup, "VLOOKUP", 3, 4}, {TFunc::True, "TRUE", 0, 0},
    {TFunc::False, "FALSE", 0, 0},     {TFunc::Len, "LEN", 1, 1},           {TFunc::Upper, "UPPER", 1, 1},
    {TFunc::Lower, "LOWER", 1, 1},     {TFunc::Trim, "TRIM", 1, 1},         {TFunc::Left, "LEFT", 1, 2},
    {TFunc::Right, "RIGHT", 1, 2},     {TFunc::Mid, "MID", 3, 3},
};

enum class TRounding { Nearest, Up, Down };

// Rounds to digits decimals as spreadsheets do: halves away from zero, judged on the value's
// 15-digit decimal form so that 1.005 rounds to 1.01 as its author expects.
// The digits are checked as a double before any conversion: 1e30 digits is a valid argument.
double RoundDigits(double x, double digits, TRounding mode) {
  const double d = std::trunc(digits);
  if (d > 15) return x;  // more digits than a double holds
  // A unit beyond any double: all round to 0, except away from 0, which gives an infinity (#NUM!).
  if (d < -308) return mode == TRounding::Up && x != 0 ? std::copysign(HUGE_VAL, x) : 0.0;
  const int n = static_cast<int>(d);
  const double p = std::pow(10.0, std::abs(n));
  double s = n >= 0 ? x * p : x / p;
  if (!std::isfinite(s) || std::abs(s) >= 0x1p52) return x;  // already whole at that many digits
  char buf[40];
  auto res = std::to_chars(buf, buf + sizeof buf, s, std::chars_format::general, 15);
  std::from_chars(buf, res.ptr, s);
  double r = 0;
  switch (mode) {
    case TRounding::Nearest: r = std::round(s); break;
    case TRounding::Up: r = s < 0 ? std::floor(s) : std::ceil(s); break;
    case TRounding::Down: r = std::trunc(s); break;
  }
  return n >= 0 ? r / p : r * p;
}

void Aggregate(TFunc f, std::span<TCellValue> args, const ICellSource& cells, TCellValue& result) {
  double acc = f == TFunc::Product ? 1 : 0;
  double lo = HUGE_VAL, hi = -HUGE_VAL;
  long long count = 0;
  const TCellError err = TFunctionArgs::EachNumber(args, cells, f == TFunc::Count, [&](double x) {
    ++count;
    if (f == TFunc::Product) acc *= x; else acc += x;
    lo = std::min(lo, x);
    hi = std::max(hi, x);
  });
  if (err != TCellError::None) { result = TCellValue::Error(err); return; }
  double v = 0;
  switch (f) {
    case TFunc::Count: v = static_cast<double>(count); break;
    case TFunc::Average:
      if (count == 0) { result = TCellValue::Error(TCellError::Div0); return; }
      v = acc / static_cast<double>(count);
      break;
    case TFunc::Min: v = count ? lo : 0; break;
    case TFunc::Max: v = count ? hi : 0; break;
    case TFunc::Product: v = count ? acc : 0; break;  // of no numbers at all: 0, not the empty product
    default: v = acc; break;
  }
  result = std::isfinite(v) ? TCellValue::Number(v) : TCellValue::Error(TCellError::Num);
}

void CountA(std::span<TCellValue> args, const ICellSource& cells, TCellValue& result) {
  double count = 0;
  for (TCellValue& a : args) {
    if (a.Kind == TValueKind::Range) {
      TFunctionArgs::EachCell(a.Range, cells, [&](int, int, const TCellValue& cell) {
        if (cell.Kind != TValueKind::Empty) ++count;
        return true;
      });
    } else if (a.Kind != TValueKind::Empty) {
      ++count;
    }
  }
  result = TCellValue::Number(count);
}

void Logical(TFunc f, std::span<TCellValue> args, const ICellSource& cells, TCellValue& result) {
  bool any = false, acc = f == TFunc::And;
  auto take = [&](const TCellValue& v, bool fromCells) -> TCellError {
    if (v.Kind == TValueKind::Error) return v.Err;
    if (v.Kind == TValueKind::Empty || (fromCells && v.Kind == TValueKind::Text)) return TCellError::None;
    bool b = false;
    TCellError err = TCellError::None;
    if (!TFormulaEvaluator::ToBool(v, b, err)) return err;
    any = true;
    acc = f == TFunc::And ? (acc && b) : (acc || b);
    return TCellError::None;
  };
  for (TCellValue& a : args) {
    TCellError err = TCellError::None;
    if (a.Kind == TValueKind::Range) {
      if (!TFunctionArgs::EachCell(a.Range, cells, [&](int, int, const TCellValue& cell) {
            err = take(cell, true);
            return err == TCellError::None;
          }))
        err = TCellError::Ref;
    } else {
      err = take(a, a.FromRef);
    }
    if (err != TCellError::None) { result = TCellValue::Error(err); return; }
  }
  result = any ? TCellValue::Boolean(acc) : TCellValue::Error(TCellError::Value);
}

void VLookup(std::span<TCellValue> args, const ICellSource& cells, TCellValue& result) {
  const TCellValue& key = args[0];
  if (key.IsError()) { result = key; return; }
  if (args[1].Kind != TValueKind::Range) { result = TCellValue::Error(TCellError::NA); return; }
  long long col = 0;
  if (!TFunctionArgs::Integer(args[2], col, result)) return;
  TCellError err = TCellError::None;
  bool approx = true;
  if (args.size() > 3 && args[3].Kind != TValueKind::Empty && !TFormulaEvaluator::ToBool(args[3], approx, err)) {
    result = TCellValue::Error(err);
    return;
  }
  const TRangeRef full = args[1].Range;
  if (col < 1) { result = TCellValue::Error(TCellError::Value); return; }
  if (col > TFunctionArgs::Cols(full)) { result = TCellValue::Error(TCellError::Ref); return; }
  TRangeRef first = full;
  first.Col2 = first.Col1;
  const int found = TFunctionArgs::FindKey(key, first, approx, cells);
  if (found < 0) { result = TCellValue::Error(TCellError::Ref); return; }
  if (found == 0) { result = TCellValue::Error(TCellError::NA); return; }
  cells.ReadCell(full.SheetId, full.Row1 + found - 1, full.Col1 + static_cast<int>(col) - 1, result);
  if (result.Kind == TValueKind::Empty) result = TCellValue::Number(0);
}

constexpr auto Num = &TFunctionArgs::Number;
constexpr auto Str = &TFunctionArgs::Text;
constexpr auto SetNumber = &TFunctionArgs::SetNumber;

void Math1(TFunc f, double x, TCellValue& result) {
  constexpr double pi = std::numbers::pi;
  auto num = [&] { result = TCellValue::Error(TCellError::Num); };
  switch (f) {
    case TFunc::Abs: SetNumber(std::abs(x), result); return;
    case TFunc::Sqrt: if (x < 0) return num(); SetNumber(std::sqrt(x), result); return;
    case TFunc::Exp: SetNumber(std::exp(x), result); return;
    case TFunc::Ln: if (x <= 0) return num(); SetNumber(std::log(x), result); return;
    case TFunc::Log10: if (x <= 0) return num(); SetNumber(std::log10(x), result); return;
    case TFunc::Sin: SetNumber(std::sin(x), result); return;
    case TFunc::Cos: SetNumber(std::cos(x), result); return;
    case TFunc::Tan: SetNumber(std::tan(x), result); return;
    case TFunc::Asin: if (x < -1 || x > 1) return num(); SetNumber(std::asin(x), result); return;
    case TFunc::Acos: if (x < -1 || x > 1) return num(); SetNumber(std::acos(x), result); return;
    case TFunc::Atan: SetNumber(std::atan(x), result); return;
    case TFunc::Degrees: SetNumber(x * 180 / pi, result); return;
    case TFunc::Radians: SetNumber(x * pi / 180, result); return;
    case TFunc::Int: SetNumber(std::floor(x), result); return;
    case TFunc::Sign: SetNumber(x > 0 ? 1 : x < 0 ? -1 : 0, result); return;
    default: result = TCellValue::Error(TCellError::Name); return;
  }
}

void TextFunction(TFunc f, std::span<TCellValue> args, TCellValue& result) {
  QString s;
  if (!Str(args[0], s, result)) return;
  double n = 1;
  if ((f == TFunc::Left || f == TFunc::Right) && args.size() > 1 && !Num(args[1], n, result)) return;
  switch (f) {
    case TFunc::Len: result = TCellValue::Number(static_cast<double>(s.size())); return;
    case TFunc::Upper: result = TCellValue::Text(s.toUpper()); return;
    case TFunc::Lower: result = TCellValue::Text(s.toLower()); return;
    case TFunc::Trim: result = TCellValue::Text(s.simplified()); return;
    case TFunc::Left:
    case TFunc::Right:
      if (n < 0) { result = TCellValue::Error(TCellError::Value); return; }
      n = std::min(n, 1e9);
      result = TCellValue::Text(f == TFunc::Left ? s.left(static_cast<qsizetype>(n)) : s.right(static_cast<qsizetype>(n)));
      return;
    default: {  // Mid
      double start = 0, len = 0;
      if (!Num(args[1], start, result) || !Num(args[2], len, result)) return;
      if (start < 1 || len < 0) { result = TCellValue::Error(TCellError::Value); return; }
      result = TCellValue::Text(s.mid(static_cast<qsizetype>(std::min(start, 1e9)) - 1,
                                      static_cast<qsizetype>(std::min(len, 1e9))));
      return;
    }
  }
}

}  // namespace

const std::vector<TFamilyFunction>& TFormulaFunctions::Families() {
  static const std::vector<TFamilyFunction> all = [] {
    std::vector<TFamilyFunction> v;
    for (std::span<const TFamilyFunction> family :
         {TStatisticsFunctions::Functions(), TLookupFunctions::Functions(), TTextFunctions::Functions(),
          TRoundingFunctions::Functions(), TDateTimeFunctions::Functions(), TReferenceFunctions::Functions(),
          TInformationFunctions::Functions(), TFinancialFunctions::Functions(), TEngineeringFunctions::Functions()})
      v.insert(v.end(), family.begin(), family.end());
    return v;
  }();
  return all;
}

const std::vector<TFormulaFunctions::TInfo>& TFormulaFunctions::FamilyInfos() {
  static const std::vector<TInfo> infos = [] {
    std::vector<TInfo> v;
    const auto& all = Families();
    for (std::size_t i = 0; i < all.size(); ++i)
      v.push_back({static_cast<TFunc>(static_cast<int>(TFunc::FirstFamilyFunction) + static_cast<int>(i)), all[i].Name,
                   all[i].MinArgs, all[i].MaxArgs, all[i].Volatile, all[i].RefArgs});
    return v;
  }();
  return infos;
}

QStringList TFormulaFunctions::Names() {
  QStringList names;
  for (const auto& f : kFunctions) names << QLatin1String(f.Name);
  for (const auto& f : FamilyInfos()) names << QLatin1String(f.Name);
  names.sort();
  return names;
}

const TFormulaFunctions::TInfo* TFormulaFunctions::Find(const QString& name) {
  for (const auto& f : kFunctions)
    if (name.compare(QLatin1String(f.Name), Qt::CaseInsensitive) == 0) return &f;
  for (const auto& f : FamilyInfos())
    if (name.compare(QLatin1String(f.Name), Qt::CaseInsensitive) == 0) return &f;
  return nullptr;
}

void TFormulaFunctions::Call(TFunc f, std::span<TCellValue> args, const ICellSource& cells, TCellValue& result) {
  if (f >= TFunc::FirstFamilyFunction) {
    const std::size_t i = static_cast<std::size_t>(f) - static_cast<std::size_t>(TFunc::FirstFamilyFunction);
    const auto& all = Families();
    if (i < all.size()) all[i].Impl(args, cells, result);
    else result = TCellValue::Error(TCellError::Name);
    return;
  }
  double x = 0, y = 0;
  switch (f) {
    case TFunc::Sum: case TFunc::Average: case TFunc::Min: case TFunc::Max: case TFunc::Count:
    case TFunc::Product:
      Aggregate(f, args, cells, result);
      return;
    case TFunc::Counta: CountA(args, cells, result); return;
    case TFunc::And: case TFunc::Or: Logical(f, args, cells, result); return;
    case TFunc::Not: {
      bool b = false;
      TCellError err = TCellError::None;
      result = TFormulaEvaluator::ToBool(args[0], b, err) ? TCellValue::Boolean(!b) : TCellValue::Error(err);
      return;
    }
    case TFunc::True: result = TCellValue::Boolean(true); return;
    case TFunc::False: result = TCellValue::Boolean(false); return;
    case TFunc::Pi: result = TCellValue::Number(std::numbers::pi); return;
    case TFunc::Now: result = TCellValue::Number(TServices::Clock().Now()); return;
    case TFunc::Abs: case TFunc::Sqrt: case TFunc::Exp: case TFunc::Ln: case TFunc::Log10: case TFunc::Sin:
    case TFunc::Cos: case TFunc::Tan: case TFunc::Asin: case TFunc::Acos: case TFunc::Atan:
    case TFunc::Degrees: case TFunc::Radians: case TFunc::Int: case TFunc::Sign:
      if (Num(args[0], x, result)) Math1(f, x, result);
      return;
    case TFunc::Log:
      y = 10;
      if (!Num(args[0], x, result) || (args.size() > 1 && !Num(args[1], y, result))) return;
      if (x <= 0 || y <= 0) { result = TCellValue::Error(TCellError::Num); return; }
      if (y == 1) { result = TCellValue::Error(TCellError::Div0); return; }
      SetNumber(std::log(x) / std::log(y), result);
      return;
    case TFunc::Power:
      if (!Num(args[0], x, result) || !Num(args[1], y, result)) return;
      if (x == 0 && y == 0) { result = TCellValue::Error(TCellError::Num); return; }
      if (x == 0 && y < 0) { result = TCellValue::Error(TCellError::Div0); return; }
      SetNumber(std::pow(x, y), result);
      return;
    case TFunc::Atan2:  // ATAN2(x, y), the spreadsheet argument order
      if (!Num(args[0], x, result) || !Num(args[1], y, result)) return;
      if (x == 0 && y == 0) { result = TCellValue::Error(TCellError::Div0); return; }
      SetNumber(std::atan2(y, x), result);
      return;
    case TFunc::Round: case TFunc::RoundUp: case TFunc::RoundDown: case TFunc::Trunc:
      if (!Num(args[0], x, result) || (args.size() > 1 && !Num(args[1], y, result))) return;
      SetNumber(RoundDigits(x, y, f == TFunc::Round ? TRounding::Nearest
                                  : f == TFunc::RoundUp ? TRounding::Up : TRounding::Down), result);
      return;
    case TFunc::Mod:
      if (!Num(args[0], x, result) || !Num(args[1], y, result)) return;
      if (y == 0) { result = TCellValue::Error(TCellError::Div0); return; }
      SetNumber(x - y * std::floor(x / y), result);
      return;
    case TFunc::IsBlank: result = TCellValue::Boolean(args[0].Kind == TValueKind::Empty && args[0].FromRef); return;
    case TFunc::IsNumber: result = TCellValue::Boolean(args[0].Kind == TValueKind::Number); return;
    case TFunc::IsText: result = TCellValue::Boolean(args[0].Kind == TValueKind::Text); return;
    case TFunc::IsError: result = TCellValue::Boolean(args[0].Kind == TValueKind::Error); return;
    case TFunc::Concatenate: {
      QString out, s;
      for (TCellValue& a : args) {
        if (!Str(a, s, result)) return;
        out += s;
      }
      result = TCellValue::Text(out);
      return;
    }
    case TFunc::Text: {
      QString format;
      if (!Str(args[1], format, result)) return;
      if (args[0].IsError()) { result = args[0]; return; }
      TCellValue v = args[0];
      TCellError err = TCellError::None;
      if (v.Kind == TValueKind::Text && TFormulaEvaluator::ToNumber(v, x, err)) v = TCellValue::Number(x);
      if (v.Kind == TValueKind::Empty) v = TCellValue::Number(0);
      // An empty format shows nothing (it is not General, as an empty cell format would be).
      result = TCellValue::Text(format.isEmpty() ? QString() : TNumberFormat(format).Format(v));
      return;
    }
    case TFunc::Value:
      if (args[0].Kind == TValueKind::Text) {
        const QString s = args[0].Str.trimmed();
        if (s.endsWith(QLatin1Char('%'))) {
          if (auto n = numbers::ParseTypedNumber(s.chopped(1))) { result = TCellValue::Number(*n / 100); return; }
        }
        if (auto n = numbers::ParseTypedNumber(s)) { result = TCellValue::Number(*n); return; }
        result = TCellValue::Error(TCellError::Value);
        return;
      }
      if (Num(args[0], x, result)) result = TCellValue::Number(x);
      return;
    case TFunc::Choose: {
      if (!Num(args[0], x, result)) return;
      const double i = std::trunc(x);
      if (i < 1 || i >= static_cast<double>(args.size())) { result = TCellValue::Error(TCellError::Value); return; }
      result = args[static_cast<std::size_t>(i)];
      if (result.Kind == TValueKind::Empty) result = TCellValue::Number(0);
      return;
    }
    case TFunc::VLookup: VLookup(args, cells, result); return;
    case TFunc::Len: case TFunc::Upper: case TFunc::Lower: case TFunc::Trim: case TFunc::Left:
    case TFunc::Right: case TFunc::Mid:
      TextFunction(f, args, result);
      return;
    default: result = TCellValue::Error(TCellError::Name); return;
  }
}
