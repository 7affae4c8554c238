#include "scope/scopespectrum.h"

#include <algorithm>
#include <cmath>
#include <complex>

#include <fftw3.h>

// One FFTW plan with its aligned buffers, made again only when the record length changes.
struct TScopeSpectrum::TPlan {
  std::size_t Count = 0;
  double* In = nullptr;
  fftw_complex* Out = nullptr;
  fftw_plan Plan = nullptr;
  explicit TPlan(std::size_t count) : Count(count) {
    In = fftw_alloc_real(count);
    Out = fftw_alloc_complex(count / 2 + 1);
    Plan = fftw_plan_dft_r2c_1d(static_cast<int>(count), In, Out, FFTW_ESTIMATE);
  }
  ~TPlan() {
    if (Plan) fftw_destroy_plan(Plan);
    fftw_free(In);
    fftw_free(Out);
  }
  TPlan(const TPlan&) = delete;
  TPlan& operator=(const TPlan&) = delete;
};

TScopeSpectrum::TScopeSpectrum() = default;
TScopeSpectrum::~TScopeSpectrum() = default;

QString TScopeSpectrum::WindowName(TWindow window) {
  switch (window) {
    case Rectangular: return QStringLiteral("Rectangular");
    case Hann: return QStringLiteral("Hann");
    case Hamming: return QStringLiteral("Hamming");
    case BlackmanHarris: return QStringLiteral("Blackman-Harris");
  }
  return {};
}

void TScopeSpectrum::SetWindow(TWindow window) {
  if (window == FWindow) return;
  FWindow = window;
  FCount = 0;  // the weights are made again with the next record
  Clear();
}

void TScopeSpectrum::Clear() {
  FRecords = 0;
  FMeanSum = 0;
  std::fill(FPower.begin(), FPower.end(), 0.0);
}

void TScopeSpectrum::Plan(std::size_t count) {
  FCount = count;
  FWeights.resize(count);
  const double step = 2 * M_PI / double(count);  // periodic windows: whole cycles over the record
  double sum = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const double x = step * double(i);
    double w = 1;
    switch (FWindow) {
      case Rectangular: w = 1; break;
      case Hann: w = 0.5 - 0.5 * std::cos(x); break;
      case Hamming: w = 0.54 - 0.46 * std::cos(x); break;
      case BlackmanHarris:
        w = 0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2 * x) - 0.01168 * std::cos(3 * x);
        break;
    }
    FWeights[i] = w;
    sum += w;
  }
  // A sine of amplitude A gives |X| = A * sum(w) / 2 at its bin.
  FGain = 2 / sum;
  if (!FPlan || FPlan->Count != count) FPlan = std::make_unique<TPlan>(count);
  FPower.assign(count / 2 + 1, 0.0);
  FRecords = 0;
  FMeanSum = 0;
}

bool TScopeSpectrum::Add(const double* y, std::size_t count, double interval) {
  if (count < 2 || !(interval > 0)) return false;
  if (count != FCount || interval != FInterval) {
    Plan(count);
    FInterval = interval;
    FBinHz = 1 / (double(count) * interval);
  }
  double mean = 0;
  for (std::size_t i = 0; i < count; ++i) mean += y[i];
  mean /= double(count);
  for (std::size_t i = 0; i < count; ++i) FPlan->In[i] = (y[i] - mean) * FWeights[i];
  fftw_execute(FPlan->Plan);
  for (std::size_t k = 1; k < FPower.size(); ++k) {
    const double re = FPlan->Out[k][0], im = FPlan->Out[k][1];
    double a = std::sqrt(re * re + im * im) * FGain;
    if (count % 2 == 0 && k == count / 2) a /= 2;  // Nyquist has no mirror image
    FPower[k] += a * a;
  }
  FMeanSum += mean * mean;
  ++FRecords;
  return true;
}

double TScopeSpectrum::Linear(std::size_t bin) const {
  if (FRecords == 0 || bin >= FPower.size()) return 0;
  return std::sqrt((bin == 0 ? FMeanSum : FPower[bin]) / FRecords);
}

double TScopeSpectrum::Decibels(std::size_t bin) const {
  const double a = Linear(bin);
  return a > 0 ? std::max(FloorDb, 20 * std::log10(a)) : FloorDb;
}

std::size_t TScopeSpectrum::PeakBin() const {
  std::size_t best = 0;
  for (std::size_t k = 1; k < FPower.size(); ++k)
    if (FPower[k] > (best ? FPower[best] : 0)) best = k;
  return best;
}
