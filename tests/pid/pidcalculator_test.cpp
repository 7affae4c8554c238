// The control step's arithmetic, the time-proportioning of a digital output and the window's
// number texts.
#include <gtest/gtest.h>

#include "pid/pidcalculator.h"
#include "pid/pidformat.h"
#include "pid/timeproportioner.h"

namespace {
TPIDCalculator Controller(double band, double integral) {
  TPIDCalculator c;
  c.ProportionalTerm = band;
  c.IntegralTerm = integral;
  c.ControlMinValue = 0;
  c.ControlMaxValue = 100;
  c.ResetMemory(1000);
  return c;
}
}  // namespace

TEST(PIDCalculator, BandOfTenPercentGivesGainTenAndTheProportionalPartIsLimited) {
  TPIDCalculator c = Controller(10, 0);
  c.SetPointTerm = 50;
  ASSERT_TRUE(c.Calculate(55, 0, 100, 1250));
  EXPECT_DOUBLE_EQ(c.Gain, 10);
  EXPECT_DOUBLE_EQ(c.ProportionalValue, 50);
  EXPECT_DOUBLE_EQ(c.PIDOutput, 50);
  EXPECT_DOUBLE_EQ(c.IntegralValue, 0);  // no integral time: no integral
  ASSERT_TRUE(c.Calculate(62, 0, 100, 1500));
  EXPECT_DOUBLE_EQ(c.ProportionalValue, 100);
  // Reverse action turns the sign of the error; the output is held at its lower limit.
  c.Direction = -1;
  ASSERT_TRUE(c.Calculate(62, 0, 100, 1750));
  EXPECT_DOUBLE_EQ(c.CalculatedError, -12);
  EXPECT_DOUBLE_EQ(c.PIDOutput, 0);
  // The bias is added after the parts are limited.
  c.Direction = 1;
  c.ZeroErrorPIDOutput = 20;
  ASSERT_TRUE(c.Calculate(51, 0, 100, 2000));
  EXPECT_DOUBLE_EQ(c.PIDOutput, 30);
}

TEST(PIDCalculator, IntegralGrowsByTheTrapeziumOfTheLastTwoErrors) {
  TPIDCalculator c = Controller(10, 20);
  c.SetPointTerm = 0;
  ASSERT_TRUE(c.Calculate(2, 0, 100, 1250));
  const double first = c.IntegralValue;
  EXPECT_DOUBLE_EQ(first, 10 * (0.25 / 20) * (2 + 0) / 2);
  ASSERT_TRUE(c.Calculate(4, 0, 100, 1500));
  EXPECT_NEAR(c.IntegralValue - first, 0.375, 1e-12);
  EXPECT_DOUBLE_EQ(c.TimeSinceLastCalc, 0.25);
  // A fresh start of the memory starts the integral from zero.
  c.ResetMemory(1500);
  ASSERT_TRUE(c.Calculate(4, 0, 100, 1750));
  EXPECT_DOUBLE_EQ(c.IntegralValue, 10 * (0.25 / 20) * (4 + 0) / 2);
}

TEST(PIDCalculator, NoIntervalChangesNothingAndDerivativeActsOnTheChangeOfError) {
  TPIDCalculator c = Controller(10, 0);
  c.DerivativeTerm = 1;
  EXPECT_FALSE(c.Calculate(5, 0, 100, 1000));
  EXPECT_FALSE(c.Calculate(5, 0, 100, 900));  // an earlier time is no interval either
  EXPECT_DOUBLE_EQ(c.PIDOutput, 0);
  ASSERT_TRUE(c.Calculate(1, 0, 100, 2000));
  EXPECT_DOUBLE_EQ(c.DerivativeValue, 1.0 / 1.0 * (1 - 0) * 10);
}

TEST(PIDCalculator, ZeroBandSwitchesOnAndOffOutsideOnePercentOfTheSpan) {
  TPIDCalculator c = Controller(0, 0);
  c.IsOnOffController = true;
  c.SetPointTerm = 100;
  c.PIDOutput = 37;
  ASSERT_TRUE(c.Calculate(101.9, 0, 200, 1250));  // inside 2 units: unchanged
  EXPECT_DOUBLE_EQ(c.PIDOutput, 37);
  ASSERT_TRUE(c.Calculate(102.1, 0, 200, 1500));
  EXPECT_DOUBLE_EQ(c.PIDOutput, 100);
  ASSERT_TRUE(c.Calculate(99, 0, 200, 1750));  // back inside: stays on
  EXPECT_DOUBLE_EQ(c.PIDOutput, 100);
  ASSERT_TRUE(c.Calculate(97.9, 0, 200, 2000));
  EXPECT_DOUBLE_EQ(c.PIDOutput, 0);
}

TEST(PIDCalculator, RefluxRatioAndItsShareOfTime) {
  EXPECT_DOUBLE_EQ(TPIDCalculator::RefluxPercent(3), 75);
  EXPECT_DOUBLE_EQ(TPIDCalculator::RefluxRatio(75), 3);
  EXPECT_DOUBLE_EQ(TPIDCalculator::RefluxRatio(100), 0);
}

TEST(TimeProportioner, ThirtyPercentIsOnForThreeSecondsOfTen) {
  TTimeProportioner p;
  int onMs = 0;
  bool level = false;
  for (std::int64_t t = 0; t < 20000; t += 250) {
    if (auto l = p.Drive(30, 0, 100, 0, 10, t)) level = *l;
    if (level) onMs += 250;
  }
  EXPECT_EQ(onMs, 2 * 3000);
  // At the limits: off or on without cycling; an inverted output (off level 1) the other way.
  EXPECT_EQ(p.Drive(0, 0, 100, 0, 10, 20000), false);
  EXPECT_EQ(p.Drive(100, 0, 100, 0, 10, 20250), true);
  EXPECT_EQ(p.Drive(0, 0, 100, 1, 10, 20500), true);
  // A new cycle time starts a cycle at once.
  TTimeProportioner q;
  EXPECT_EQ(q.Drive(50, 0, 100, 0, 10, 0), true);
  EXPECT_EQ(q.Drive(50, 0, 100, 0, 10, 4000), std::nullopt);
  q.Restart();
  EXPECT_EQ(q.Drive(50, 0, 100, 0, 2, 4250), true);
  EXPECT_EQ(q.Drive(50, 0, 100, 0, 2, 5250), false);
}

TEST(PIDFormat, FixedNotationRoundsToSignificantDigits) {
  EXPECT_EQ(pidformat::Fixed(52.345, 4, 1), "52.3");
  EXPECT_EQ(pidformat::Fixed(0.25, 2, 3), "0.250");
  EXPECT_EQ(pidformat::Fixed(12.3456, 3, 1), "12.3");
  EXPECT_EQ(pidformat::Fixed(1234.5, 3, 1), "1.23E+03");
  EXPECT_EQ(pidformat::Fixed(-0.01, 3, 1), "0.0");
  EXPECT_EQ(pidformat::Fixed(3, 7, 3), "3.000");
}
