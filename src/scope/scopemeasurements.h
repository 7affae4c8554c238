#pragma once
// What a bench oscilloscope reads off one channel of a capture: mean, RMS, extremes, amplitude,
// frequency and period from level crossings with hysteresis (averaged over whole cycles), duty
// cycle and the 10-90 % edge times. Plain arrays in, no widgets, so each figure can be checked on
// signals with known answers. A figure the signal cannot give (too few cycles, a flat line, edges
// faster than the sampling) is marked invalid with the reason, never guessed.

#include <array>
#include <cstddef>
#include <vector>

#include <QString>

class TScopeMeasurements {
 public:
  enum TKind { Mean, RmsDc, RmsAc, Minimum, Maximum, PeakToPeak, Amplitude, Frequency, Period, DutyCycle, RiseTime,
               FallTime, KindCount };
  struct TMeasure {
    bool Valid = false;
    double Value = 0;
    QString Why;  // why there is no value
  };
  // Shown where a figure cannot apply.
  static constexpr const char16_t* NoValue = u"\u2014";

  // Measures `count` samples taken `interval` seconds apart.
  void Measure(const double* samples, std::size_t count, double interval);
  void Measure(const std::vector<double>& samples, double interval) { Measure(samples.data(), samples.size(), interval); }

  const TMeasure& operator[](TKind kind) const { return FMeasures[kind]; }
  // The levels the crossings and edges were taken from (robust extremes, not single spikes).
  double Top() const { return FTop; }
  double Base() const { return FBase; }
  int WholeCycles() const { return FCycles; }

  static QString Name(TKind kind);
  // The figure with its unit: the channel's `units` for levels, s (ms, us) for times, Hz, %.
  static QString Format(const TMeasure& m, TKind kind, const QString& units);
  // Every figure, one "name<TAB>value" line each (a missing one with its reason), for the clipboard.
  QString Text(const QString& channel, const QString& units) const;

 private:
  void Levels(const double* y, std::size_t n);
  void Crossings(const double* y, std::size_t n);
  void CycleFigures(const double* y, std::size_t n, double interval);
  void Edges(const double* y, std::size_t n, double interval);
  void Invalidate(std::initializer_list<TKind> kinds, const QString& why);

  std::array<TMeasure, KindCount> FMeasures{};
  std::vector<double> FScratch;
  std::vector<double> FRises, FFalls;  // crossing instants in samples (fractional)
  double FTop = 0, FBase = 0;
  int FCycles = 0;
  bool FFlat = true;
};
