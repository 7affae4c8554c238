#include "scope/scopemeasurements.h"

#include <algorithm>
#include <cmath>

namespace {
// Top and base are these quantiles, so one noise spike does not move them while a sine's crest
// (or a clipped flat) is still found within a fraction of a percent.
constexpr double kTopQuantile = 0.99;
// Crossings count only once the signal has gone this share of (top - base) past the middle.
constexpr double kHysteresis = 0.1;
// Successive periods further apart than this ratio are no steady period.
constexpr double kIrregular = 1.5;

double Quantile(std::vector<double>& v, double q) {
  const auto k = static_cast<std::size_t>(std::lround(q * double(v.size() - 1)));
  std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(k), v.end());
  return v[k];
}

// The fractional sample index where the line from y[i - 1] to y[i] meets `level`.
double Cross(const double* y, std::size_t i, double level) {
  const double a = y[i - 1], b = y[i];
  return double(i - 1) + (b == a ? 0.5 : (level - a) / (b - a));
}

// A time in seconds with a prefix that keeps three to four digits.
QString TimeText(double s) {
  const double a = std::fabs(s);
  if (a >= 1) return QString::number(s, 'f', 4) + QStringLiteral(" s");
  if (a >= 1e-3) return QString::number(s * 1e3, 'f', 3) + QStringLiteral(" ms");
  return QString::number(s * 1e6, 'f', 1) + QStringLiteral(" \u00b5s");
}
}  // namespace

QString TScopeMeasurements::Name(TKind kind) {
  static const char* const names[KindCount] = {"Mean", "RMS (DC)", "RMS (AC)", "Minimum", "Maximum", "Peak-to-peak",
                                               "Amplitude", "Frequency", "Period", "Duty cycle", "Rise time",
                                               "Fall time"};
  return QString::fromLatin1(names[kind]);
}

QString TScopeMeasurements::Format(const TMeasure& m, TKind kind, const QString& units) {
  if (!m.Valid) return QString::fromUtf16(NoValue);
  switch (kind) {
    case Frequency:
      if (std::fabs(m.Value) >= 1000) return QString::number(m.Value / 1000, 'f', 4) + QStringLiteral(" kHz");
      return QString::number(m.Value, 'f', 3) + QStringLiteral(" Hz");
    case Period:
    case RiseTime:
    case FallTime: return TimeText(m.Value);
    case DutyCycle: return QString::number(m.Value, 'f', 2) + QStringLiteral(" %");
    default: {
      // Five figures, fixed below 1 so a mean near zero reads 0.0001 rather than 1.2e-05.
      const double a = std::fabs(m.Value);
      QString text = a >= 1e5 ? QString::number(m.Value, 'f', 0)
                     : a >= 1 ? QString::number(m.Value, 'g', 5)
                              : QString::number(m.Value, 'f', 4);
      if (text == QLatin1String("-0.0000")) text = QStringLiteral("0.0000");
      return units.isEmpty() ? text : text + QLatin1Char(' ') + units;
    }
  }
}

QString TScopeMeasurements::Text(const QString& channel, const QString& units) const {
  QString out = channel + QLatin1Char('\n');
  for (int k = 0; k < KindCount; ++k) {
    const TMeasure& m = FMeasures[static_cast<std::size_t>(k)];
    out += Name(TKind(k)) + QLatin1Char('\t') + Format(m, TKind(k), units);
    if (!m.Valid) out += QStringLiteral("\t(") + m.Why + QLatin1Char(')');
    out += QLatin1Char('\n');
  }
  return out;
}

void TScopeMeasurements::Invalidate(std::initializer_list<TKind> kinds, const QString& why) {
  for (TKind k : kinds) FMeasures[k] = TMeasure{false, 0, why};
}

void TScopeMeasurements::Measure(const double* y, std::size_t n, double interval) {
  FMeasures.fill(TMeasure{});
  FRises.clear();
  FFalls.clear();
  FCycles = 0;
  FTop = FBase = 0;
  FFlat = true;
  if (n == 0 || !(interval > 0)) {
    const QString why = n == 0 ? QStringLiteral("the capture holds no samples") : QStringLiteral("the capture has no sample interval");
    for (int k = 0; k < KindCount; ++k) FMeasures[static_cast<std::size_t>(k)].Why = why;
    if (n == 0) return;
  }
  Levels(y, n);
  if (!(interval > 0)) return;
  Crossings(y, n);
  CycleFigures(y, n, interval);
  Edges(y, n, interval);
}

void TScopeMeasurements::Levels(const double* y, std::size_t n) {
  const auto [lo, hi] = std::minmax_element(y, y + n);
  FMeasures[Minimum] = {true, *lo, {}};
  FMeasures[Maximum] = {true, *hi, {}};
  FMeasures[PeakToPeak] = {true, *hi - *lo, {}};
  FScratch.assign(y, y + n);
  FTop = Quantile(FScratch, kTopQuantile);
  FBase = Quantile(FScratch, 1 - kTopQuantile);
  FMeasures[Amplitude] = {true, (FTop - FBase) / 2, {}};
  FFlat = !(FTop - FBase > 1e-12 * std::max({1.0, std::fabs(FTop), std::fabs(FBase)}));
  // Whole-record mean and RMS; replaced by whole-cycle figures when there are cycles.
  double sum = 0;
  for (std::size_t i = 0; i < n; ++i) sum += y[i];
  const double mean = sum / double(n);
  double ss = 0;
  for (std::size_t i = 0; i < n; ++i) ss += (y[i] - mean) * (y[i] - mean);
  const double ac = std::sqrt(ss / double(n));
  FMeasures[Mean] = {true, mean, {}};
  FMeasures[RmsAc] = {true, ac, {}};
  FMeasures[RmsDc] = {true, std::sqrt(mean * mean + ac * ac), {}};
}

void TScopeMeasurements::Crossings(const double* y, std::size_t n) {
  const double span = FTop - FBase;
  if (FFlat) return;
  const double mid = (FTop + FBase) / 2, high = mid + kHysteresis * span, low = mid - kHysteresis * span;
  enum { Unknown, Low, High } state = y[0] >= high ? High : y[0] <= low ? Low : Unknown;
  std::size_t lastLow = 0, lastHigh = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (y[i] <= low) {
      if (state == High) {
        std::size_t j = i;
        while (j > lastHigh + 1 && y[j - 1] <= mid) --j;
        FFalls.push_back(Cross(y, j, mid));
      }
      state = Low;
      lastLow = i;
    } else if (y[i] >= high) {
      if (state == Low) {
        std::size_t j = i;
        while (j > lastLow + 1 && y[j - 1] >= mid) --j;
        FRises.push_back(Cross(y, j, mid));
      }
      state = High;
      lastHigh = i;
    }
  }
}

void TScopeMeasurements::CycleFigures(const double* y, std::size_t n, double interval) {
  if (FRises.empty() && FFalls.empty()) {
    const QString why = !FFlat ? QStringLiteral("the signal does not cross its middle level: no cycles")
                                 : QStringLiteral("the signal is flat: no cycles");
    Invalidate({Frequency, Period, DutyCycle}, why);
    return;
  }
  // Whole cycles run from the first crossing to the last of the same direction.
  const std::vector<double>& edges = FRises.size() >= FFalls.size() ? FRises : FFalls;
  if (edges.size() < 3) {
    Invalidate({Frequency, Period, DutyCycle},
               QStringLiteral("fewer than two whole cycles in the capture (%1 found)").arg(edges.size() < 2 ? 0 : 1));
    return;
  }
  double shortest = edges[1] - edges[0], longest = shortest;
  for (std::size_t k = 2; k < edges.size(); ++k) {
    shortest = std::min(shortest, edges[k] - edges[k - 1]);
    longest = std::max(longest, edges[k] - edges[k - 1]);
  }
  if (longest > kIrregular * shortest) {
    Invalidate({Frequency, Period, DutyCycle},
               QStringLiteral("the crossings are irregular: no steady period (noise or several frequencies)"));
    return;
  }
  FCycles = static_cast<int>(edges.size()) - 1;
  const double samples = (edges.back() - edges.front()) / FCycles;
  FMeasures[Period] = {true, samples * interval, {}};
  FMeasures[Frequency] = {true, 1 / (samples * interval), {}};

  // High time of every whole cycle, rise to the fall that follows it.
  if (FRises.size() >= 3) {
    double high = 0;
    std::size_t f = 0;
    bool complete = true;
    for (std::size_t k = 0; k + 1 < FRises.size() && complete; ++k) {
      while (f < FFalls.size() && FFalls[f] <= FRises[k]) ++f;
      complete = f < FFalls.size() && FFalls[f] < FRises[k + 1];
      if (complete) high += FFalls[f] - FRises[k];
    }
    if (complete) FMeasures[DutyCycle] = {true, 100 * high / (FRises.back() - FRises.front()), {}};
    else FMeasures[DutyCycle].Why = QStringLiteral("a cycle without a falling crossing");
  } else {
    FMeasures[DutyCycle].Why = QStringLiteral("fewer than two whole cycles between rising crossings");
  }

  // Mean and RMS over the whole cycles only: a part cycle would bias them.
  const auto a = static_cast<std::size_t>(std::ceil(edges.front()));
  const auto b = std::min(n, a + static_cast<std::size_t>(std::lround(edges.back() - edges.front())));
  if (b > a + 1) {
    double sum = 0;
    for (std::size_t i = a; i < b; ++i) sum += y[i];
    const double mean = sum / double(b - a);
    double ss = 0;
    for (std::size_t i = a; i < b; ++i) ss += (y[i] - mean) * (y[i] - mean);
    const double ac = std::sqrt(ss / double(b - a));
    FMeasures[Mean] = {true, mean, {}};
    FMeasures[RmsAc] = {true, ac, {}};
    FMeasures[RmsDc] = {true, std::sqrt(mean * mean + ac * ac), {}};
  }
}

void TScopeMeasurements::Edges(const double* y, std::size_t n, double interval) {
  const double span = FTop - FBase;
  const double l10 = FBase + 0.1 * span, l90 = FBase + 0.9 * span;
  const QString fast = QStringLiteral("the edges are faster than the sample interval (%1): sample faster to time them")
                           .arg(Format({true, interval, {}}, Period, {}));
  // From the crossing of the middle, back to where the edge left one level and on to where it
  // reached the other. An edge cut off by the start or end of the capture is not timed.
  const auto time = [&](const std::vector<double>& crossings, bool rising, TKind kind) {
    if (crossings.empty()) {
      FMeasures[kind].Why = !FFlat ? QStringLiteral("no %1 edge in the capture").arg(rising ? "rising" : "falling")
                                     : QStringLiteral("the signal is flat: no edges");
      return;
    }
    const double from = rising ? l10 : l90, to = rising ? l90 : l10;
    const auto before = [&](double v, double level) { return rising ? v < level : v > level; };
    double total = 0;
    int timed = 0, tooFast = 0;
    for (double c : crossings) {
      const auto j = static_cast<std::size_t>(std::ceil(c));
      std::size_t k = std::min(j, n - 1);
      while (k > 0 && !before(y[k - 1], from)) --k;
      if (k == 0) continue;
      std::size_t m = std::max<std::size_t>(j, 1);
      while (m < n && before(y[m], to)) ++m;
      if (m >= n) continue;
      if (m <= k) {
        ++tooFast;  // one step from below the first level to past the second
        continue;
      }
      total += Cross(y, m, to) - Cross(y, k, from);
      ++timed;
    }
    if (timed > 0) FMeasures[kind] = {true, total / timed * interval, {}};
    else FMeasures[kind].Why = tooFast > 0 ? fast : QStringLiteral("no whole %1 edge in the capture").arg(rising ? "rising" : "falling");
  };
  time(FRises, true, RiseTime);
  time(FFalls, false, FallTime);
}
