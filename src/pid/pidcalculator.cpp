#include "pid/pidcalculator.h"

#include <algorithm>
#include <cmath>

namespace {
double Limit(double v, double lo, double hi) { return std::min(std::max(v, lo), hi); }
}  // namespace

void TPIDCalculator::ResetMemory(std::int64_t nowMs) {
  PreviousCalculatedError = 0;
  PreviousIntegralValue = 0;
  PreviousTimeOfCalculation = nowMs;
}

bool TPIDCalculator::Calculate(double processValue, double minProc, double maxProc, std::int64_t nowMs) {
  TimeOfCalculation = nowMs;
  if (TimeOfCalculation <= PreviousTimeOfCalculation) return false;
  TimeSinceLastCalc = static_cast<double>(TimeOfCalculation - PreviousTimeOfCalculation) / 1000.0;
  const double span = maxProc - minProc;
  CalculatedError = (processValue - SetPointTerm) * Direction;
  if (IsOnOffController) {
    // Inside the dead band the output keeps its side.
    const double band = std::fabs(span) / 100.0;
    if (std::fabs(CalculatedError) > band) PIDOutput = CalculatedError >= 0 ? ControlMaxValue : ControlMinValue;
  } else {
    // A zero band (or span) stands for an infinite gain: the output goes to a limit at once.
    const double denominator = span * ProportionalTerm / 100.0;
    Gain = denominator != 0 ? 100.0 / denominator : 1e16;
    ProportionalValue = Gain * CalculatedError;
    IntegralValue = IntegralTerm != 0
                        ? Gain * (TimeSinceLastCalc / IntegralTerm) * (CalculatedError + PreviousCalculatedError) / 2 +
                              PreviousIntegralValue
                        : 0;
    DerivativeValue = DerivativeTerm / TimeSinceLastCalc * (CalculatedError - PreviousCalculatedError) * Gain;
    ProportionalValue = Limit(ProportionalValue, -100, 100);
    IntegralValue = Limit(IntegralValue, -100, 100);
    DerivativeValue = Limit(DerivativeValue, -100, 100);
    CalcPIDOutput = ProportionalValue + IntegralValue + DerivativeValue;
    PIDOutput = Limit(CalcPIDOutput + ZeroErrorPIDOutput, ControlMinValue, ControlMaxValue);
    PreviousCalculatedError = CalculatedError;
    PreviousIntegralValue = IntegralValue;
  }
  PreviousTimeOfCalculation = TimeOfCalculation;
  return true;
}

double TPIDCalculator::RefluxPercent(double ratio) { return ratio + 1 != 0 ? ratio / (ratio + 1) * 100.0 : 100.0; }

double TPIDCalculator::RefluxRatio(double percent) {
  const double a = percent / 100.0;
  return a != 1 ? a / (1 - a) : 0;
}
