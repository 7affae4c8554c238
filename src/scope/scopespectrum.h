#pragma once
// The amplitude spectrum of a channel: the record windowed (rectangular, Hann, Hamming or
// Blackman-Harris), transformed with FFTW, scaled so a sine of amplitude A reads A at its bin
// (or 20 log10 A in dB), and power-averaged over the records added since the last Clear. The
// record's mean is taken out before the window so it cannot leak over the lowest bins; bin 0
// holds it on its own.

#include <cstddef>
#include <memory>
#include <vector>

#include <QString>

class TScopeSpectrum {
 public:
  enum TWindow { Rectangular, Hann, Hamming, BlackmanHarris };
  // Levels at or below zero amplitude show as this many dB.
  static constexpr double FloorDb = -200;

  TScopeSpectrum();
  ~TScopeSpectrum();
  TScopeSpectrum(const TScopeSpectrum&) = delete;
  TScopeSpectrum& operator=(const TScopeSpectrum&) = delete;

  static QString WindowName(TWindow window);
  void SetWindow(TWindow window);
  TWindow Window() const { return FWindow; }

  // Adds a record of `count` samples `interval` seconds apart to the average. A record of another
  // length or interval than those averaged so far starts the average again. Fewer than two samples
  // or no interval are not added (false).
  bool Add(const double* samples, std::size_t count, double interval);
  bool Add(const std::vector<double>& samples, double interval) { return Add(samples.data(), samples.size(), interval); }
  void Clear();
  int Records() const { return FRecords; }

  // Bins 0 .. count/2, BinHz() apart.
  std::size_t Bins() const { return FPower.size(); }
  double BinHz() const { return FBinHz; }
  double Linear(std::size_t bin) const;
  double Decibels(std::size_t bin) const;
  // The strongest bin above 0 Hz (0 when there is none).
  std::size_t PeakBin() const;

 private:
  void Plan(std::size_t count);

  TWindow FWindow = Hann;
  std::size_t FCount = 0;
  double FInterval = 0, FBinHz = 0, FGain = 1;
  int FRecords = 0;
  std::vector<double> FWeights, FPower;
  double FMeanSum = 0;
  struct TPlan;
  std::unique_ptr<TPlan> FPlan;
};
