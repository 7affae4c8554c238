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
  EXPECT_EQ(t.Process(-2048), 0);  // below the first entry: no segment
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

TEST(CalibrationTable, MultiPointFallingAndZeroWidthSegments) {
  TCalibrationTable t;
  t.Build({{0, -5.0}, {50, 0.0}, {100, 5.0}});
  EXPECT_NEAR(t.Process(-1024), 25, 1e-12);
  EXPECT_NEAR(t.Process(1024), 75, 1e-12);
  EXPECT_EQ(t.RawFromProcess(75), 1024);

  TCalibrationTable falling;
  falling.Build({{100, 1.0}, {20, 3.0}});
  EXPECT_EQ(falling.RawFromProcess(60), 0);  // inside a falling segment: no rising segment holds it
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
