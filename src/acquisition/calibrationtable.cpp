#include "acquisition/calibrationtable.h"

#include "platform/numbers.h"

void TCalibrationTable::Build(const std::vector<std::pair<double, double>>& points) {
  RawValue.fill(0);
  ProcValue.fill(0);
  IFD_to_Proc_gradient.fill(0);
  RawValue[1] = -2047;
  int k = 2;
  if (points.empty()) {
    // No calibration: counts in, counts out.
    ProcValue[1] = -2047;
    RawValue[2] = 2049;
    ProcValue[2] = 2049;
    processing_index = 2;
    IFD_to_Proc_gradient[1] = 1;
    return;
  }
  for (const auto& [processed, volts] : points) {
    if (k > MaxEntries - 1) break;
    RawValue[static_cast<size_t>(k)] = volts * CountsPerVolt;
    ProcValue[static_cast<size_t>(k)] = processed;
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
  return 0;
}

int TCalibrationTable::RawFromProcess(double y) const {
  for (int i = 1; i <= processing_index - 1; ++i) {
    const auto u = static_cast<size_t>(i);
    if (ProcValue[u] <= y && y <= ProcValue[u + 1]) {
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
