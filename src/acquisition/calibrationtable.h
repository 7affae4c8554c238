#pragma once
// The conversion between interface counts and engineering units of one channel: a piecewise-linear
// table built from the channel's calibration points (processed value, raw volts), with flat ends
// below the first and above the last point. 2048 counts per 5 V.

#include <array>
#include <cstddef>
#include <utility>
#include <vector>

class TCalibrationTable {
 public:
  // Two end entries and up to 20 calibration points, indexed from 1.
  static constexpr int MaxEntries = 22;
  static constexpr double CountsPerVolt = 2048.0 / 5.0;

  // `points` are (processed value, raw volts) in table order. Without points the table is the
  // identity on counts, so an uncalibrated channel reports its raw counts.
  void Build(const std::vector<std::pair<double, double>>& points);

  // Counts to engineering units; 0 when no segment holds the value. The tare is not applied here.
  double Process(double counts) const;
  // Engineering units to counts, rounded half to even; 0 when no segment holds the value.
  int RawFromProcess(double value) const;

  double MinVolts() const { return RawValue[2] / CountsPerVolt; }
  double MaxVolts() const { return RawValue[static_cast<std::size_t>(processing_index - 1)] / CountsPerVolt; }
  double MinProcValue() const { return ProcValue[2]; }
  double MaxProcValue() const { return ProcValue[static_cast<std::size_t>(processing_index - 1)]; }
  double Gradient(int i) const;

  std::array<double, MaxEntries + 1> RawValue{};
  std::array<double, MaxEntries + 1> ProcValue{};
  std::array<double, MaxEntries + 1> IFD_to_Proc_gradient{};
  int processing_index = 0;
};
