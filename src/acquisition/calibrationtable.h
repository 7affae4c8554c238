#pragma once
// The conversion between interface counts and engineering units of one channel: a piecewise-linear
// table built from the channel's calibration points (processed value, raw volts), with flat ends
// below the lowest and above the highest voltage, however far beyond. 2048 counts per 5 V. The table runs in rising
// order of voltage whatever order the points come in, so a sensor whose voltage falls as its
// reference rises converts as well as a rising one.

#include <array>
#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

#include <QString>

class TCalibrationTable {
 public:
  // Two end entries and up to 20 calibration points, indexed from 1.
  static constexpr int MaxEntries = 22;
  static constexpr double CountsPerVolt = 2048.0 / 5.0;

  // `points` are (processed value, raw volts) in their stored order. Without points the table is
  // the identity on counts, so an uncalibrated channel reports its raw counts.
  void Build(const std::vector<std::pair<double, double>>& points);

  // Counts to engineering units; beyond the table's ends the end segments go on (flat when
  // calibrated, counts when not). The tare is not applied here.
  double Process(double counts) const;
  // Engineering units to counts, rounded half to even; 0 when no segment holds the value.
  int RawFromProcess(double value) const;

  // The first and last calibration points as stored (not the smaller and larger): a level bar's
  // full scale and an output's demand range follow the stored order.
  double MinVolts() const { return FFirst.second; }
  double MaxVolts() const { return FLast.second; }
  double MinProcValue() const { return FFirst.first; }
  double MaxProcValue() const { return FLast.first; }
  double Gradient(int i) const;

  // Why `points` (processed value, volts; stored numbering from 1) do not make a one-to-one
  // conversion: two points at one voltage with different values, or values that rise and then
  // fall (or fall and then rise) as the voltage rises. Nothing when they are monotonic.
  static std::optional<QString> NonMonotonic(const std::vector<std::pair<double, double>>& points);

  std::array<double, MaxEntries + 1> RawValue{};
  std::array<double, MaxEntries + 1> ProcValue{};
  std::array<double, MaxEntries + 1> IFD_to_Proc_gradient{};
  int processing_index = 0;

 private:
  std::pair<double, double> FFirst{}, FLast{};
};
