#include <gtest/gtest.h>

#include <cmath>

#include "acquisition/calibrationtable.h"

TEST(CalibrationTable, TwoPointTableHasFlatEnds) {
  TCalibrationTable t;
  t.Build({{0, 0.0}, {100, 5.0}});
  ASSERT_EQ(t.processing_index, 4);
  EXPECT_EQ(t.RawValue[1], -2047);
  EXPECT_EQ(t.RawValue[2], 0);
  EXPECT_EQ(t.RawValue[3], 2048);
  EXPECT_EQ(t.RawValue[4], 2049);
  EXPECT_EQ(t.ProcValue[1], 0);
  EXPECT_EQ(t.ProcValue[4], 100);
  EXPECT_EQ(t.Process(1024), 50);
  EXPECT_EQ(t.Process(2047), 99.951171875);
  EXPECT_EQ(t.Process(-100), 0);
  EXPECT_EQ(t.Process(-2048), 0);  // below the first entry: the flat end
  EXPECT_EQ(t.RawFromProcess(50), 1024);
  EXPECT_EQ(t.RawFromProcess(100.5), 0);  // above the range
  EXPECT_EQ(t.MinVolts(), 0);
  EXPECT_EQ(t.MaxVolts(), 5);
}

TEST(CalibrationTable, BelowTheFirstPointIsTheFirstValue) {
  TCalibrationTable t;
  t.Build({{10, 1.0}, {50, 5.0}});
  EXPECT_EQ(t.Process(0), 10);
  EXPECT_EQ(t.MinProcValue(), 10);
  EXPECT_EQ(t.MaxProcValue(), 50);
}

// The card reads down to -2048 counts and a garbled count can lie anywhere: a reading off the
// table is converted as its end says, never recorded as a 0 nobody measured.
TEST(CalibrationTable, ReadingsBeyondTheTableKeepItsEnds) {
  TCalibrationTable t;
  t.Build({{10, 1.0}, {50, 5.0}});
  EXPECT_EQ(t.Process(-2048), 10);
  EXPECT_EQ(t.Process(-32768), 10);
  EXPECT_EQ(t.Process(2049), 50);
  EXPECT_EQ(t.Process(32767), 50);
  TCalibrationTable falling;
  falling.Build({{0, 5.0}, {100, -5.0}});
  EXPECT_EQ(falling.Process(-2049), 100);
  EXPECT_EQ(falling.Process(5000), 0);
  TCalibrationTable none;
  none.Build({});
  EXPECT_EQ(none.Process(-2048), -2048);
  EXPECT_EQ(none.Process(2049), 2049);
  EXPECT_EQ(none.Process(30000), 30000);
}

TEST(CalibrationTable, MultiPointFallingAndZeroWidthSegments) {
  TCalibrationTable t;
  t.Build({{0, -5.0}, {50, 0.0}, {100, 5.0}});
  EXPECT_NEAR(t.Process(-1024), 25, 1e-12);
  EXPECT_NEAR(t.Process(1024), 75, 1e-12);
  EXPECT_EQ(t.RawFromProcess(75), 1024);

  TCalibrationTable falling;
  falling.Build({{100, 1.0}, {20, 3.0}});
  EXPECT_EQ(falling.RawFromProcess(60), 819);  // 2 V, rounded to counts
  EXPECT_NEAR(falling.Process(2 * TCalibrationTable::CountsPerVolt), 60, 1e-9);

  TCalibrationTable step;
  step.Build({{0, 1.0}, {10, 1.0}, {20, 2.0}});  // two points at the same voltage
  EXPECT_TRUE(std::isfinite(step.Gradient(2)));
  EXPECT_NEAR(step.Process(1.5 * TCalibrationTable::CountsPerVolt), 15, 1e-9);
}

TEST(CalibrationTable, UncalibratedChannelsReportCountsAndTwentyPointsFit) {
  TCalibrationTable none;
  none.Build({});
  EXPECT_EQ(none.Process(123), 123);
  EXPECT_EQ(none.RawFromProcess(-500), -500);

  std::vector<std::pair<double, double>> points;
  for (int i = 0; i < 20; ++i) points.emplace_back(i * 10.0, -4.75 + i * 0.5);
  TCalibrationTable full;
  full.Build(points);
  EXPECT_EQ(full.processing_index, 22);
  EXPECT_EQ(full.MaxProcValue(), 190);
}

// Voltage falling as the reference rises, stored in rising order of reference (5 V -> 0,
// 0 V -> 50, -5 V -> 100): read between the points both ways, flat beyond them, and the first and
// last stored points still give the range a level bar or an output takes.
TEST(CalibrationTable, AFallingSensorConvertsBetweenItsPoints) {
  TCalibrationTable t;
  t.Build({{0, 5.0}, {50, 0.0}, {100, -5.0}});
  EXPECT_NEAR(t.Process(-3.66 * TCalibrationTable::CountsPerVolt), 86.6, 1e-9);
  EXPECT_NEAR(t.Process(1024), 25, 1e-12);
  EXPECT_NEAR(t.Process(-2048), 100, 1e-12);
  EXPECT_EQ(t.Process(2048), 0);
  EXPECT_EQ(t.RawFromProcess(75), -1024);
  EXPECT_EQ(t.RawFromProcess(25), 1024);
  EXPECT_EQ(t.MinProcValue(), 0);
  EXPECT_EQ(t.MaxProcValue(), 100);
  EXPECT_EQ(t.MinVolts(), 5);
  EXPECT_EQ(t.MaxVolts(), -5);
  // The same points in any order convert alike.
  TCalibrationTable shuffled;
  shuffled.Build({{50, 0.0}, {100, -5.0}, {0, 5.0}});
  for (double x : {-2000.0, -1500.0, -3.0, 0.0, 700.0, 2047.0}) EXPECT_DOUBLE_EQ(shuffled.Process(x), t.Process(x)) << x;
}

TEST(CalibrationTable, OnlyMonotonicPointsMakeAOneToOneConversion) {
  EXPECT_FALSE(TCalibrationTable::NonMonotonic({{0, 5.0}, {50, 0.0}, {100, -5.0}}));
  EXPECT_FALSE(TCalibrationTable::NonMonotonic({{0, -5.0}, {50, 0.0}, {100, 5.0}}));
  EXPECT_FALSE(TCalibrationTable::NonMonotonic({{0, 0.0}, {0, 1.0}, {10, 2.0}})) << "a flat stretch is no turn";
  EXPECT_FALSE(TCalibrationTable::NonMonotonic({}));
  EXPECT_EQ(TCalibrationTable::NonMonotonic({{0, 1.0}, {50, 3.0}, {100, 2.0}}).value_or(QString()),
            "the values rise and then fall as the voltage rises: point 1 (1 V, 0), point 3 (2 V, 100) and point 2 (3 V, 50)");
  EXPECT_EQ(TCalibrationTable::NonMonotonic({{10, 1.0}, {20, 1.0}}).value_or(QString()),
            "point 1 (1 V, 10) and point 2 (1 V, 20) have the same voltage but different values");
  EXPECT_TRUE(TCalibrationTable::NonMonotonic({{100, 0.0}, {50, 1.0}, {60, 2.0}, {70, 3.0}}));
}
