#pragma once
// One PID calculation on the measured value: proportional band as a percentage of the measured
// span, integral by the trapezium rule over the interval since the last calculation, derivative
// on the error, each part limited to +/-100 %, the sum biased by the output at zero error and
// limited to the output's range. A band of 0 makes an on/off controller with a dead band of 1 %
// of the measured span.
//
// Intervals come from a monotonic millisecond count, so a calculation across midnight (or across
// a change of the wall clock) never sees a negative interval.

#include <cstdint>

class TPIDCalculator {
 public:
  // Live settings: set point in measured units, band in % of the measured span, times in seconds.
  double SetPointTerm = 0, ProportionalTerm = 0, IntegralTerm = 0, DerivativeTerm = 0;
  int Direction = 1;  // factor on the error: 1 direct, -1 reverse
  bool IsOnOffController = false;
  double ControlMinValue = 0, ControlMaxValue = 100;
  double ZeroErrorPIDOutput = 0;  // the bias: output at zero error
  double PIDOutput = 0;

  // Memory of the last calculation.
  double PreviousCalculatedError = 0, PreviousIntegralValue = 0;
  std::int64_t PreviousTimeOfCalculation = 0;

  // Results of the last calculation.
  std::int64_t TimeOfCalculation = 0;
  double TimeSinceLastCalc = 0, CalculatedError = 0, ProportionalValue = 0, IntegralValue = 0,
         DerivativeValue = 0, Gain = 0, CalcPIDOutput = 0;

  // Clears the error and integral memory and restarts the time base.
  void ResetMemory(std::int64_t nowMs);
  // One calculation on the measured value and its span. False (and nothing changed) when no time
  // has passed since the previous one.
  bool Calculate(double processValue, double minProc, double maxProc, std::int64_t nowMs);

  // A reflux ratio R (R:1) as the share of time the reflux valve is open, in %, and back.
  static double RefluxPercent(double ratio);
  static double RefluxRatio(double percent);
};
