#include "acquisition/calibrationtable.h"

#include <algorithm>
#include <numeric>

#include "platform/numbers.h"

namespace {
// The indices of `points` in rising order of voltage; equal voltages keep their stored order.
std::vector<std::size_t> ByVoltage(const std::vector<std::pair<double, double>>& points) {
  std::vector<std::size_t> order(points.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&points](std::size_t a, std::size_t b) { return points[a].second < points[b].second; });
  return order;
}

QString PointText(const std::vector<std::pair<double, double>>& points, std::size_t i) {
  return QStringLiteral("point %1 (%2 V, %3)")
      .arg(i + 1)
      .arg(numbers::FloatToStr(points[i].second))
      .arg(numbers::FloatToStr(points[i].first));
}
}  // namespace

void TCalibrationTable::Build(const std::vector<std::pair<double, double>>& given) {
  RawValue.fill(0);
  ProcValue.fill(0);
  IFD_to_Proc_gradient.fill(0);
  RawValue[1] = -2047;
  int k = 2;
  if (given.empty()) {
    // No calibration: counts in, counts out.
    ProcValue[1] = -2047;
    RawValue[2] = 2049;
    ProcValue[2] = 2049;
    processing_index = 2;
    IFD_to_Proc_gradient[1] = 1;
    // The ends as the first and last entries read: (2049, 2049 counts) and (-2047, -2047 counts).
    FFirst = {2049, 2049 / CountsPerVolt};
    FLast = {-2047, -2047 / CountsPerVolt};
    return;
  }
  const std::vector<std::pair<double, double>> points(
      given.begin(), given.begin() + std::min<std::ptrdiff_t>(static_cast<std::ptrdiff_t>(given.size()), MaxEntries - 2));
  FFirst = points.front();
  FLast = points.back();
  for (std::size_t i : ByVoltage(points)) {
    RawValue[static_cast<size_t>(k)] = points[i].second * CountsPerVolt;
    ProcValue[static_cast<size_t>(k)] = points[i].first;
    ++k;
  }
  RawValue[static_cast<size_t>(k)] = 2049;
  ProcValue[static_cast<size_t>(k)] = ProcValue[static_cast<size_t>(k - 1)];
  ProcValue[1] = ProcValue[2];
  processing_index = k;
  for (int i = 1; i <= k - 1; ++i) {
    double d = RawValue[static_cast<size_t>(i + 1)] - RawValue[static_cast<size_t>(i)];
    if (d == 0) d = 1e-15;
    IFD_to_Proc_gradient[static_cast<size_t>(i)] =
        (ProcValue[static_cast<size_t>(i + 1)] - ProcValue[static_cast<size_t>(i)]) / d;
  }
}

double TCalibrationTable::Process(double x) const {
  for (int i = 1; i <= processing_index - 1; ++i) {
    const auto u = static_cast<size_t>(i);
    if (RawValue[u] <= x && x < RawValue[u + 1]) return (x - RawValue[u]) * IFD_to_Proc_gradient[u] + ProcValue[u];
  }
  if (processing_index < 2) return 0;  // never built
  // A reading off the table's ends (the card's -2048, a count garbled beyond 12 bits) is still a
  // reading: the end segments go on, flat for a calibrated channel (the value of its nearest
  // point), counts for an uncalibrated one.
  const auto last = static_cast<size_t>(processing_index);
  if (x < RawValue[1]) return (x - RawValue[1]) * IFD_to_Proc_gradient[1] + ProcValue[1];
  if (x >= RawValue[last]) return (x - RawValue[last]) * IFD_to_Proc_gradient[last - 1] + ProcValue[last];
  return 0;
}

int TCalibrationTable::RawFromProcess(double y) const {
  for (int i = 1; i <= processing_index - 1; ++i) {
    const auto u = static_cast<size_t>(i);
    // A falling segment holds the values between its ends as well as a rising one.
    if (std::min(ProcValue[u], ProcValue[u + 1]) <= y && y <= std::max(ProcValue[u], ProcValue[u + 1])) {
      const double g = IFD_to_Proc_gradient[u];
      const double raw = g != 0 ? (y - ProcValue[u]) / g + RawValue[u] : RawValue[u + 1];
      return static_cast<int>(numbers::RoundHalfEven(raw));
    }
  }
  return 0;
}

double TCalibrationTable::Gradient(int i) const {
  if (i < 1 || i > MaxEntries) return 0;
  return IFD_to_Proc_gradient[static_cast<size_t>(i)];
}

std::optional<QString> TCalibrationTable::NonMonotonic(const std::vector<std::pair<double, double>>& points) {
  const std::vector<std::size_t> order = ByVoltage(points);
  int direction = 0;  // +1 values rise with the voltage, -1 they fall
  std::size_t turnFrom = 0;
  for (std::size_t n = 1; n < order.size(); ++n) {
    const std::size_t a = order[n - 1], b = order[n];
    const double dv = points[b].second - points[a].second, dp = points[b].first - points[a].first;
    if (dp == 0) continue;
    if (dv == 0)
      return QStringLiteral("%1 and %2 have the same voltage but different values")
          .arg(PointText(points, a), PointText(points, b));
    const int sign = dp > 0 ? 1 : -1;
    if (direction != 0 && sign != direction)
      return QStringLiteral("the values %1 and then %2 as the voltage rises: %3, %4 and %5")
          .arg(direction > 0 ? QStringLiteral("rise") : QStringLiteral("fall"),
               sign > 0 ? QStringLiteral("rise") : QStringLiteral("fall"), PointText(points, turnFrom),
               PointText(points, a), PointText(points, b));
    direction = sign;
    turnFrom = a;
  }
  return std::nullopt;
}
