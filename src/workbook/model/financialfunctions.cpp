#include "workbook/model/financialfunctions.h"

#include <cmath>

#include "workbook/model/functionargs.h"

namespace {
using A = TFunctionArgs;

// The numbers args[0..], missing optional ones taking their defaults; false with the error set.
bool Numbers(std::span<TCellValue> args, std::span<double> out, TCellValue& result) {
  for (std::size_t i = 0; i < args.size() && i < out.size(); ++i)
    if (args[i].Kind != TValueKind::Empty && !A::Number(args[i], out[i], result)) return false;
  return true;
}

// The money balance of an annuity: present value, payments (at period ends, or starts with type 1)
// and future value add up to 0 at rate r over n periods.
double Balance(double r, double n, double pmt, double pv, double fv, double type) {
  if (r == 0) return pv + pmt * n + fv;
  const double g = std::pow(1 + r, n);
  return pv * g + pmt * (1 + r * type) * (g - 1) / r + fv;
}

// FV(rate, nper, pmt[, pv][, type])
void Fv(std::span<TCellValue> args, const ICellSource&, TCellValue& result) {
  double v[5] = {0, 0, 0, 0, 0};
  if (!Numbers(args, v, result)) return;
  A::SetNumber(-Balance(v[0], v[1], v[2], v[3], 0, v[4]), result);
}

// PV(rate, nper, pmt[, fv][, type])
void Pv(std::span<TCellValue> args, const ICellSource&, TCellValue& result) {
  double v[5] = {0, 0, 0, 0, 0};
  if (!Numbers(args, v, result)) return;
  const double r = v[0], n = v[1], pmt = v[2], fv = v[3], type = v[4];
  if (r == 0) return A::SetNumber(-(fv + pmt * n), result);
  const double g = std::pow(1 + r, n);
  A::SetNumber(-(fv + pmt * (1 + r * type) * (g - 1) / r) / g, result);
}

// PMT(rate, nper, pv[, fv][, type])
void Pmt(std::span<TCellValue> args, const ICellSource&, TCellValue& result) {
  double v[5] = {0, 0, 0, 0, 0};
  if (!Numbers(args, v, result)) return;
  const double r = v[0], n = v[1], pv = v[2], fv = v[3], type = v[4];
  if (n == 0) return A::SetError(TCellError::Num, result);
  if (r == 0) return A::SetNumber(-(pv + fv) / n, result);
  const double g = std::pow(1 + r, n);
  A::SetNumber(-r * (pv * g + fv) / ((1 + r * type) * (g - 1)), result);
}

// NPER(rate, pmt, pv[, fv][, type])
void NPer(std::span<TCellValue> args, const ICellSource&, TCellValue& result) {
  double v[5] = {0, 0, 0, 0, 0};
  if (!Numbers(args, v, result)) return;
  const double r = v[0], pmt = v[1], pv = v[2], fv = v[3], type = v[4];
  if (r == 0) {
    if (pmt == 0) return A::SetError(TCellError::Num, result);
    return A::SetNumber(-(pv + fv) / pmt, result);
  }
  const double k = pmt * (1 + r * type) / r;
  const double ratio = (k - fv) / (k + pv);
  if (!(ratio > 0) || r <= -1) return A::SetError(TCellError::Num, result);
  A::SetNumber(std::log(ratio) / std::log(1 + r), result);
}

// RATE(nper, pmt, pv[, fv][, type][, guess]): Newton's method from the guess (10%).
void Rate(std::span<TCellValue> args, const ICellSource&, TCellValue& result) {
  double v[6] = {0, 0, 0, 0, 0, 0.1};
  if (!Numbers(args, v, result)) return;
  const double n = v[0], pmt = v[1], pv = v[2], fv = v[3], type = v[4];
  if (n <= 0) return A::SetError(TCellError::Num, result);
  double r = v[5];
  for (int i = 0; i < 100; ++i) {
    if (r <= -1) break;
    const double f = Balance(r, n, pmt, pv, fv, type);
    const double h = std::max(std::fabs(r) * 1e-7, 1e-10);
    const double slope = (Balance(r + h, n, pmt, pv, fv, type) - Balance(r - h, n, pmt, pv, fv, type)) / (2 * h);
    if (!std::isfinite(f) || !std::isfinite(slope) || slope == 0) break;
    const double next = r - f / slope;
    if (std::fabs(next - r) < 1e-12) return A::SetNumber(next, result);
    r = next;
  }
  A::SetError(TCellError::Num, result);
}

// NPV(rate, value...): the values at the ends of periods 1, 2, ... discounted to now.
void Npv(std::span<TCellValue> args, const ICellSource& cells, TCellValue& result) {
  double r = 0;
  if (!A::Number(args[0], r, result)) return;
  if (r == -1) return A::SetError(TCellError::Div0, result);
  double sum = 0, factor = 1;
  const TCellError err = A::EachNumber(args.subspan(1), cells, false, [&](double x) {
    factor *= 1 + r;
    sum += x / factor;
  });
  if (err != TCellError::None) return A::SetError(err, result);
  A::SetNumber(sum, result);
}

const TFamilyFunction kFunctions[] = {
    {"FV", 3, 5, Fv},     {"PV", 3, 5, Pv},     {"PMT", 3, 5, Pmt},
    {"NPER", 3, 5, NPer}, {"RATE", 3, 6, Rate}, {"NPV", 2, 255, Npv},
};
}  // namespace

std::span<const TFamilyFunction> TFinancialFunctions::Functions() { return kFunctions; }
