#include "workbook/model/roundingfunctions.h"

#include <cmath>

#include "workbook/model/functionargs.h"

namespace {
using A = TFunctionArgs;

// x / step, taken as the whole number it is meant to be when it misses one only by binary
// representation: FLOOR(0.3, 0.1) is 0.3, not 0.2.
double Steps(double x, double step) {
  const double q = x / step;
  const double r = std::round(q);
  return TFormulaEvaluator::ApproxEqual(q, r) ? r : q;
}

// FLOOR and CEILING to a multiple of the significance; a positive number with a negative
// significance has no answer.
void ToMultiple(std::span<TCellValue> args, TCellValue& result, bool up) {
  double x = 0, step = 0;
  if (!A::Number(args[0], x, result) || !A::Number(args[1], step, result)) return;
  if (x == 0 || step == 0) return A::SetNumber(0, result);
  if (x > 0 && step < 0) return A::SetError(TCellError::Num, result);
  const double q = Steps(x, step);
  A::SetNumber((up ? std::ceil(q) : std::floor(q)) * step, result);
}
void Floor(std::span<TCellValue> a, const ICellSource&, TCellValue& r) { ToMultiple(a, r, false); }
void Ceiling(std::span<TCellValue> a, const ICellSource&, TCellValue& r) { ToMultiple(a, r, true); }

void MRound(std::span<TCellValue> args, const ICellSource&, TCellValue& result) {
  double x = 0, step = 0;
  if (!A::Number(args[0], x, result) || !A::Number(args[1], step, result)) return;
  if (step == 0) return A::SetNumber(0, result);
  if ((x > 0 && step < 0) || (x < 0 && step > 0)) return A::SetError(TCellError::Num, result);
  A::SetNumber(std::round(Steps(x, step)) * step, result);  // halves go away from zero
}

// EVEN and ODD round away from zero to the next even or odd whole number.
void ToParity(std::span<TCellValue> args, TCellValue& result, bool odd) {
  double x = 0;
  if (!A::Number(args[0], x, result)) return;
  double n = std::ceil(std::abs(x));
  if (std::fmod(n, 2) != (odd ? 1 : 0)) n += 1;
  A::SetNumber(x < 0 ? -n : n, result);
}
void Even(std::span<TCellValue> a, const ICellSource&, TCellValue& r) { ToParity(a, r, false); }
void Odd(std::span<TCellValue> a, const ICellSource&, TCellValue& r) { ToParity(a, r, true); }

void Fact(std::span<TCellValue> args, const ICellSource&, TCellValue& result) {
  double x = 0;
  if (!A::Number(args[0], x, result)) return;
  if (x < 0) return A::SetError(TCellError::Num, result);
  const double n = std::trunc(x);
  if (n > 170) return A::SetError(TCellError::Num, result);  // beyond the largest double
  double f = 1;
  for (int i = 2; i <= static_cast<int>(n); ++i) f *= i;
  A::SetNumber(f, result);
}

const TFamilyFunction kFunctions[] = {
    {"FLOOR", 2, 2, Floor}, {"CEILING", 2, 2, Ceiling}, {"MROUND", 2, 2, MRound},
    {"EVEN", 1, 1, Even},   {"ODD", 1, 1, Odd},         {"FACT", 1, 1, Fact},
};
}  // namespace

std::span<const TFamilyFunction> TRoundingFunctions::Functions() { return kFunctions; }
