// The oscilloscope's figures on signals whose answers are known: sines and pulses with noise, a DC
// offset, clipping, too few cycles and flat lines; cursors snapping to samples; the spectrum's
// scaling, windows and averaging; a capture run read back with its interval and units.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "scope/capturetrace.h"
#include "scope/scopecursors.h"
#include "scope/scopemeasurements.h"
#include "scope/scopespectrum.h"
#include "workbook/model/workbook.h"

namespace {
using M = TScopeMeasurements;

std::vector<double> Sine(int n, double dt, double f, double a, double offset = 0, double noise = 0, double phase = 0.3) {
  std::mt19937 rng(7);
  std::normal_distribution<double> g(0, 1);
  std::vector<double> y(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) y[static_cast<std::size_t>(i)] = offset + a * std::sin(2 * M_PI * f * i * dt + phase) + noise * g(rng);
  return y;
}

// A pulse train: `high` for `duty` of each period, `low` otherwise, edges between samples.
std::vector<double> Pulse(int n, double dt, double f, double duty, double low, double high, double noise = 0) {
  std::mt19937 rng(11);
  std::normal_distribution<double> g(0, 1);
  std::vector<double> y(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    const double phase = std::fmod(f * (i * dt + 0.000137), 1.0);
    y[static_cast<std::size_t>(i)] = (phase < duty ? high : low) + noise * g(rng);
  }
  return y;
}

double V(const M& m, M::TKind k) {
  EXPECT_TRUE(m[k].Valid) << M::Name(k).toStdString() << ": " << m[k].Why.toStdString();
  return m[k].Value;
}
}  // namespace

TEST(ScopeMeasurements, SineWithOffsetAndNoise) {
  // 50 Hz, 1.95 V amplitude on 0.4 V, sampled at 1 kHz for 0.99 s, 20 mV of noise.
  M m;
  m.Measure(Sine(990, 0.001, 50, 1.95, 0.4, 0.02), 0.001);
  EXPECT_NEAR(V(m, M::Frequency), 50.0, 0.02);
  EXPECT_NEAR(V(m, M::Period), 0.02, 0.00001);
  EXPECT_NEAR(V(m, M::Mean), 0.4, 0.005);
  EXPECT_NEAR(V(m, M::RmsAc), 1.95 / std::sqrt(2.0), 0.01);
  EXPECT_NEAR(V(m, M::RmsDc), std::sqrt(0.16 + 1.95 * 1.95 / 2), 0.01);
  EXPECT_NEAR(V(m, M::Amplitude), 1.95, 1.95 * 0.01);
  EXPECT_NEAR(V(m, M::Minimum), 0.4 - 1.95, 0.1);
  EXPECT_NEAR(V(m, M::Maximum), 0.4 + 1.95, 0.1);
  EXPECT_NEAR(V(m, M::PeakToPeak), V(m, M::Maximum) - V(m, M::Minimum), 1e-12);
  EXPECT_NEAR(V(m, M::DutyCycle), 50, 1);
  EXPECT_GE(m.WholeCycles(), 48);
  // A sine's 10-90 % rise takes asin(0.8)/(pi f) seconds.
  EXPECT_NEAR(V(m, M::RiseTime), std::asin(0.8) / (M_PI * 50), 0.0005);
  EXPECT_NEAR(V(m, M::FallTime), std::asin(0.8) / (M_PI * 50), 0.0005);
}

TEST(ScopeMeasurements, PulseDutyEdgesAndClipping) {
  // 20 Hz at 25 % duty between 0 and 5 V: 12.5 samples high of 50.
  M m;
  m.Measure(Pulse(1000, 0.001, 20, 0.25, 0, 5, 0.01), 0.001);
  EXPECT_NEAR(V(m, M::Frequency), 20, 0.01);
  EXPECT_NEAR(V(m, M::DutyCycle), 25, 1);
  EXPECT_NEAR(V(m, M::Amplitude), 2.5, 0.05);
  EXPECT_NEAR(V(m, M::Mean), 1.25, 0.06);  // 12 or 13 samples high of every 50
  // Edges in one step cannot be timed at this rate: no made-up 0.8 ms.
  EXPECT_FALSE(m[M::RiseTime].Valid);
  EXPECT_TRUE(m[M::RiseTime].Why.contains("faster than the sample interval")) << m[M::RiseTime].Why.toStdString();
  EXPECT_EQ(M::Format(m[M::RiseTime], M::RiseTime, "V"), QString::fromUtf16(M::NoValue));

  // A sine clipped at +-1 of amplitude 2: the flats are the top and base, the period holds.
  std::vector<double> clipped = Sine(2000, 0.0005, 50, 2);
  for (double& v : clipped) v = std::clamp(v, -1.0, 1.0);
  m.Measure(clipped, 0.0005);
  EXPECT_NEAR(V(m, M::Frequency), 50, 0.02);
  EXPECT_DOUBLE_EQ(V(m, M::Maximum), 1);
  EXPECT_DOUBLE_EQ(V(m, M::Amplitude), 1);
  EXPECT_NEAR(V(m, M::DutyCycle), 50, 0.5);
  // Linear ramp from -1 to 1 through the crossing: 10-90 % of it spans 0.8 of 2*asin(0.5)/(2 pi f).
  EXPECT_NEAR(V(m, M::RiseTime), 0.8 * (std::asin(0.5) / (M_PI * 50)), 0.0004);

  // A slow edge is timed: 0 to 1 V over 10 samples (10-90 % in 8), repeated.
  std::vector<double> ramp;
  for (int c = 0; c < 5; ++c) {
    for (int i = 0; i < 20; ++i) ramp.push_back(0);
    for (int i = 1; i <= 10; ++i) ramp.push_back(i / 10.0);
    for (int i = 0; i < 20; ++i) ramp.push_back(1);
    for (int i = 9; i >= 1; --i) ramp.push_back(i / 10.0);
  }
  m.Measure(ramp, 0.001);
  EXPECT_NEAR(V(m, M::RiseTime), 0.008, 1e-9);
  EXPECT_NEAR(V(m, M::FallTime), 0.008, 1e-9);
  EXPECT_NEAR(V(m, M::Period), 0.059, 1e-9);
}

TEST(ScopeMeasurements, WhatCannotBeMeasuredIsADashWithItsReason) {
  M m;
  // One and a half cycles: levels yes, a period no.
  m.Measure(Sine(75, 0.001, 20, 1), 0.001);
  EXPECT_TRUE(m[M::Maximum].Valid);
  EXPECT_NEAR(V(m, M::Amplitude), 1, 0.02);
  for (M::TKind k : {M::Frequency, M::Period, M::DutyCycle}) {
    EXPECT_FALSE(m[k].Valid) << M::Name(k).toStdString();
    EXPECT_TRUE(m[k].Why.contains("fewer than two whole cycles")) << m[k].Why.toStdString();
  }
  // Two and a half cycles: three falling crossings, two whole cycles (only two rising ones).
  m.Measure(Sine(130, 0.001, 20, 1), 0.001);
  EXPECT_NEAR(V(m, M::Frequency), 20, 0.05);
  EXPECT_EQ(m.WholeCycles(), 2);
  EXPECT_FALSE(m[M::DutyCycle].Valid);

  // A flat line: its level, no cycles, no edges.
  m.Measure(std::vector<double>(500, 2.5), 0.001);
  EXPECT_DOUBLE_EQ(V(m, M::Mean), 2.5);
  EXPECT_DOUBLE_EQ(V(m, M::RmsDc), 2.5);
  EXPECT_DOUBLE_EQ(V(m, M::RmsAc), 0);
  EXPECT_DOUBLE_EQ(V(m, M::PeakToPeak), 0);
  for (M::TKind k : {M::Frequency, M::Period, M::DutyCycle, M::RiseTime, M::FallTime}) {
    EXPECT_FALSE(m[k].Valid);
    EXPECT_TRUE(m[k].Why.contains("flat")) << m[k].Why.toStdString();
  }
  // Noise alone has no steady period.
  std::mt19937 rng(3);
  std::normal_distribution<double> g(0, 1);
  std::vector<double> noise(1000);
  for (double& v : noise) v = g(rng);
  m.Measure(noise, 0.001);
  EXPECT_FALSE(m[M::Frequency].Valid);
  EXPECT_TRUE(m[M::Frequency].Why.contains("irregular")) << m[M::Frequency].Why.toStdString();
  // No samples, no interval.
  m.Measure(nullptr, 0, 0.001);
  EXPECT_FALSE(m[M::Mean].Valid);
  m.Measure(Sine(500, 0.001, 50, 1), 0);
  EXPECT_TRUE(m[M::Maximum].Valid);
  EXPECT_FALSE(m[M::Frequency].Valid);

  // The copied text names each figure, its unit, and the reason for a dash.
  m.Measure(Sine(75, 0.001, 20, 1), 0.001);
  const QString text = m.Text("Vibration pick-up", "V");
  EXPECT_TRUE(text.startsWith("Vibration pick-up\n"));
  EXPECT_TRUE(text.contains("Amplitude\t0.99")) << text.toStdString();
  EXPECT_TRUE(text.contains(" V\n"));
  EXPECT_TRUE(text.contains(QStringLiteral("Frequency\t\u2014\t(fewer than two whole cycles"))) << text.toStdString();
}

TEST(ScopeMeasurements, CursorsSnapToSamples) {
  TScopeCursors c;
  c.SetRecord(1000, 0.001);
  c.MoveTime(0, 0.01049);
  c.MoveTime(1, 0.0304);
  EXPECT_EQ(c.Sample(0), 10u);
  EXPECT_EQ(c.Sample(1), 30u);
  EXPECT_NEAR(c.DeltaT(), 0.02, 1e-12);
  EXPECT_NEAR(c.Rate(), 50, 1e-9);
  c.MoveTime(1, 99);  // past the end: the last sample
  EXPECT_EQ(c.Sample(1), 999u);
  c.MoveTime(0, -5);
  EXPECT_EQ(c.Sample(0), 0u);
  c.MoveTime(1, 0.0002);
  EXPECT_FALSE(c.HasRate());
  EXPECT_TRUE(c.Readout("V").contains(QStringLiteral("1/\u0394t\t\u2014")));
  c.MoveLevel(0, -1.5);
  c.MoveLevel(1, 2);
  EXPECT_DOUBLE_EQ(c.DeltaV(), 3.5);
  EXPECT_TRUE(c.Readout("V").contains(QStringLiteral("\u0394V\t3.5 V")));
  c.SetRecord(10, 0.001);  // a shorter record keeps the cursors on it
  EXPECT_LE(c.Sample(0), 9u);
  EXPECT_LE(c.Sample(1), 9u);
}

TEST(ScopeSpectrum, SineAmplitudeAtItsBinInEveryWindow) {
  const std::vector<double> y = Sine(1000, 0.001, 50, 2, 0.7);
  for (auto w : {TScopeSpectrum::Rectangular, TScopeSpectrum::Hann, TScopeSpectrum::Hamming,
                 TScopeSpectrum::BlackmanHarris}) {
    TScopeSpectrum s;
    s.SetWindow(w);
    ASSERT_TRUE(s.Add(y, 0.001));
    EXPECT_EQ(s.Bins(), 501u);
    EXPECT_DOUBLE_EQ(s.BinHz(), 1);
    EXPECT_EQ(s.PeakBin(), 50u) << TScopeSpectrum::WindowName(w).toStdString();
    EXPECT_NEAR(s.Linear(50), 2, 0.01) << TScopeSpectrum::WindowName(w).toStdString();
    EXPECT_NEAR(s.Decibels(50), 20 * std::log10(2.0), 0.05);
    EXPECT_NEAR(s.Linear(0), 0.7, 1e-9);  // the mean on its own
  }
  // Between bins (50.5 Hz): the rectangular window leaks, Blackman-Harris keeps far bins low.
  const std::vector<double> off = Sine(1000, 0.001, 50.5, 1);
  TScopeSpectrum rect, bh;
  bh.SetWindow(TScopeSpectrum::BlackmanHarris);
  rect.SetWindow(TScopeSpectrum::Rectangular);
  rect.Add(off, 0.001);
  bh.Add(off, 0.001);
  EXPECT_GE(rect.PeakBin(), 50u);
  EXPECT_LE(rect.PeakBin(), 51u);
  EXPECT_LT(bh.Decibels(80), rect.Decibels(80) - 40);
}

TEST(ScopeSpectrum, TwoSinesAndAveraging) {
  std::vector<double> y = Sine(4096, 0.0005, 120, 1);
  const std::vector<double> b = Sine(4096, 0.0005, 50, 0.25, 0, 0, 1.1);
  for (std::size_t i = 0; i < y.size(); ++i) y[i] += b[i];
  TScopeSpectrum s;
  s.SetWindow(TScopeSpectrum::BlackmanHarris);
  s.Add(y, 0.0005);
  const double hz = s.BinHz();
  EXPECT_NEAR(double(s.PeakBin()) * hz, 120, hz);
  const auto near = [&](double f) {
    const auto k = static_cast<std::size_t>(std::lround(f / hz));
    return std::max({s.Linear(k - 1), s.Linear(k), s.Linear(k + 1)});
  };
  EXPECT_NEAR(near(50), 0.25, 0.25 * 0.15);  // scalloping of a sine between bins stays under 1 dB
  // Averaging noise over records lowers its spread, not the sine.
  TScopeSpectrum avg;
  for (int r = 0; r < 8; ++r) {
    std::vector<double> rec = Sine(1000, 0.001, 50, 1, 0, 0.3, 0.3);
    std::mt19937 rng(r + 100);
    std::normal_distribution<double> g(0, 0.3);
    for (double& v : rec) v += g(rng);
    ASSERT_TRUE(avg.Add(rec, 0.001));
  }
  EXPECT_EQ(avg.Records(), 8);
  EXPECT_EQ(avg.PeakBin(), 50u);
  EXPECT_NEAR(avg.Linear(50), 1, 0.05);
  // Another length starts again; nothing from no samples.
  EXPECT_TRUE(avg.Add(Sine(512, 0.001, 50, 1), 0.001));
  EXPECT_EQ(avg.Records(), 1);
  EXPECT_FALSE(avg.Add(nullptr, 0, 0.001));
  EXPECT_FALSE(avg.Add(Sine(10, 0.001, 50, 1), 0));
  avg.Clear();
  EXPECT_EQ(avg.Records(), 0);
  EXPECT_EQ(avg.Linear(50), 0);
  EXPECT_EQ(avg.Decibels(50), TScopeSpectrum::FloorDb);
}

TEST(CaptureTrace, ReadsIntervalAndUnitsFromACaptureRun) {
  TWorkbook book;
  book.SetNumSheets(2);
  book.SetSheet(2);
  book.SetSheetName(2, "Capture 2");
  book.SetTextRC(1, 1, "Sample");
  book.SetTextRC(1, 2, "Time (s)");
  book.SetTextRC(1, 3, "Vibration pick-up (V)");
  book.SetTextRC(1, 4, "Flow (l (n)/min)");
  for (int i = 0; i < 100; ++i) {
    book.SetNumberRC(i + 2, 1, i + 1);
    book.SetNumberRC(i + 2, 2, i * 0.00025);
    book.SetNumberRC(i + 2, 3, std::sin(i * 0.1));
    book.SetNumberRC(i + 2, 4, i);
  }
  TCaptureTrace t;
  QString why;
  ASSERT_TRUE(t.Read(book, 2, &why)) << why.toStdString();
  EXPECT_NEAR(t.Interval, 0.00025, 1e-15);
  ASSERT_EQ(t.Channels.size(), 2u);
  EXPECT_EQ(t.Channels[0].Name, "Vibration pick-up");
  EXPECT_EQ(t.Channels[0].Units, "V");
  EXPECT_EQ(t.Channels[1].Name, "Flow (l");  // the last bracket holds the units
  EXPECT_EQ(t.Channels[1].Units, "n)/min");
  EXPECT_EQ(t.Channels[0].Values.size(), 100u);
  EXPECT_DOUBLE_EQ(t.Channels[0].Values[10], std::sin(1.0));

  // A hole in a channel, uneven times, a logger run: refused with the reason.
  book.SetTextRC(50, 4, "");
  EXPECT_FALSE(t.Read(book, 2, &why));
  EXPECT_TRUE(why.contains("no reading in row 50")) << why.toStdString();
  book.SetNumberRC(50, 4, 1);
  book.SetNumberRC(30, 2, 0.5);
  EXPECT_FALSE(t.Read(book, 2, &why));
  EXPECT_TRUE(why.contains("not evenly spaced")) << why.toStdString();
  EXPECT_FALSE(t.Read(book, 1, &why));
  EXPECT_TRUE(why.contains("not a capture")) << why.toStdString();
  EXPECT_FALSE(t.Read(book, 3, &why));
}
