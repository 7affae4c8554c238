#include "workbook/model/engineeringfunctions.h"

#include <cmath>

#include "workbook/model/functionargs.h"

namespace {
using A = TFunctionArgs;

// Numbers in another base are at most 10 digits; the top half of the range stands for negative
// numbers (two's complement over 10 digits).
void ToDecimal(std::span<TCellValue> args, TCellValue& result, int base) {
  QString text;
  if (!A::Text(args[0], text, result)) return;
  text = text.trimmed();
  if (text.isEmpty() || text.size() > 10) return A::SetError(TCellError::Num, result);
  bool ok = false;
  const long long value = text.toLongLong(&ok, base);
  if (!ok || value < 0) return A::SetError(TCellError::Num, result);
  const long long span = static_cast<long long>(std::llround(std::pow(base, 10)));
  A::SetNumber(static_cast<double>(value >= span / 2 ? value - span : value), result);
}
void Hex2Dec(std::span<TCellValue> a, const ICellSource&, TCellValue& r) { ToDecimal(a, r, 16); }
void Bin2Dec(std::span<TCellValue> a, const ICellSource&, TCellValue& r) { ToDecimal(a, r, 2); }
void Oct2Dec(std::span<TCellValue> a, const ICellSource&, TCellValue& r) { ToDecimal(a, r, 8); }

// DEC2HEX(number[, places]) and the like: negative numbers as 10 digits of two's complement;
// places pads with zeros and is #NUM! when too few.
void FromDecimal(std::span<TCellValue> args, TCellValue& result, int base) {
  double x = 0;
  if (!A::Number(args[0], x, result)) return;
  const long long span = static_cast<long long>(std::llround(std::pow(base, 10)));
  const double n = std::trunc(x);
  if (n < -static_cast<double>(span / 2) || n >= static_cast<double>(span / 2)) return A::SetError(TCellError::Num, result);
  const long long value = static_cast<long long>(n);
  QString text = QString::number(value < 0 ? value + span : value, base).toUpper();
  if (args.size() > 1 && args[1].Kind != TValueKind::Empty && value >= 0) {
    long long places = 0;
    if (!A::Integer(args[1], places, result)) return;
    if (places < text.size() || places > 10) return A::SetError(TCellError::Num, result);
    text = text.rightJustified(static_cast<qsizetype>(places), QLatin1Char('0'));
  }
  result = TCellValue::Text(text);
}
void Dec2Hex(std::span<TCellValue> a, const ICellSource&, TCellValue& r) { FromDecimal(a, r, 16); }
void Dec2Bin(std::span<TCellValue> a, const ICellSource&, TCellValue& r) { FromDecimal(a, r, 2); }
void Dec2Oct(std::span<TCellValue> a, const ICellSource&, TCellValue& r) { FromDecimal(a, r, 8); }

// A function of one number; a result that is not a number (outside the domain) is #NUM!.
template <double (*F)(double)>
void Unary(std::span<TCellValue> args, const ICellSource&, TCellValue& result) {
  double x = 0;
  if (!A::Number(args[0], x, result)) return;
  A::SetNumber(F(x), result);
}
double Sinh(double x) { return std::sinh(x); }
double Cosh(double x) { return std::cosh(x); }
double Tanh(double x) { return std::tanh(x); }
double Asinh(double x) { return std::asinh(x); }
double Acosh(double x) { return std::acosh(x); }
double Atanh(double x) { return std::fabs(x) < 1 ? std::atanh(x) : NAN; }

const TFamilyFunction kFunctions[] = {
    {"HEX2DEC", 1, 1, Hex2Dec},       {"BIN2DEC", 1, 1, Bin2Dec},       {"OCT2DEC", 1, 1, Oct2Dec},
    {"DEC2HEX", 1, 2, Dec2Hex},       {"DEC2BIN", 1, 2, Dec2Bin},       {"DEC2OCT", 1, 2, Dec2Oct},
    {"SINH", 1, 1, Unary<Sinh>},      {"COSH", 1, 1, Unary<Cosh>},      {"TANH", 1, 1, Unary<Tanh>},
    {"ASINH", 1, 1, Unary<Asinh>},    {"ACOSH", 1, 1, Unary<Acosh>},    {"ATANH", 1, 1, Unary<Atanh>},
};
}  // namespace

std::span<const TFamilyFunction> TEngineeringFunctions::Functions() { return kFunctions; }
