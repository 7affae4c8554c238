#include "scope/scopecursors.h"

#include <algorithm>
#include <cmath>

#include "scope/scopemeasurements.h"

void TScopeCursors::SetRecord(std::size_t count, double interval) {
  FCount = count;
  FInterval = interval;
  for (std::size_t& s : FSample) s = count ? std::min(s, count - 1) : 0;
}

void TScopeCursors::MoveTime(int which, double seconds) {
  if (FCount == 0 || !(FInterval > 0)) return;
  const double k = std::round(seconds / FInterval);
  FSample[which & 1] = k <= 0 ? 0 : std::min(FCount - 1, static_cast<std::size_t>(k));
}

QString TScopeCursors::Readout(const QString& units) const {
  using M = TScopeMeasurements;
  const auto time = [](double s) { return M::Format({true, s, {}}, M::Period, {}); };
  const auto level = [&](double v) { return M::Format({true, v, {}}, M::Mean, units); };
  QString out;
  out += QStringLiteral("t1\t%1 (sample %2)\n").arg(time(Time(0))).arg(Sample(0) + 1);
  out += QStringLiteral("t2\t%1 (sample %2)\n").arg(time(Time(1))).arg(Sample(1) + 1);
  out += QStringLiteral("\u0394t\t%1\n").arg(time(DeltaT()));
  out += QStringLiteral("1/\u0394t\t%1\n")
             .arg(HasRate() ? M::Format({true, std::fabs(Rate()), {}}, M::Frequency, {}) : QString::fromUtf16(M::NoValue));
  out += QStringLiteral("V1\t%1\n").arg(level(Level(0)));
  out += QStringLiteral("V2\t%1\n").arg(level(Level(1)));
  out += QStringLiteral("\u0394V\t%1\n").arg(level(DeltaV()));
  return out;
}
