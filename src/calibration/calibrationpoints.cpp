#include "calibration/calibrationpoints.h"

#include <cmath>

int TCalibrationPoints::Add(const TCalibrationPoint& point) {
  if (Full()) return -1;
  FPoints.push_back(point);
  int i = Count() - 1;
  while (i >= 1 && FPoints[static_cast<std::size_t>(i)].Reference < FPoints[static_cast<std::size_t>(i - 1)].Reference) {
    std::swap(FPoints[static_cast<std::size_t>(i)], FPoints[static_cast<std::size_t>(i - 1)]);
    --i;
  }
  return i;
}

void TCalibrationPoints::Remove(int i) {
  if (i >= 0 && i < Count()) FPoints.erase(FPoints.begin() + i);
}

void TCalibrationPoints::Assign(std::vector<TCalibrationPoint> points) {
  if (static_cast<int>(points.size()) > MaxPoints) points.resize(MaxPoints);
  FPoints = std::move(points);
}

int TCalibrationPoints::Nearest(double volts, double reference, double voltSpan, double refSpan) const {
  const double sx = voltSpan > 0 ? voltSpan : 1, sy = refSpan > 0 ? refSpan : 1;
  int best = -1;
  double bestDistance = 0;
  for (int i = 0; i < Count(); ++i) {
    const double dx = (FPoints[static_cast<std::size_t>(i)].Volts - volts) / sx;
    const double dy = (FPoints[static_cast<std::size_t>(i)].Reference - reference) / sy;
    const double d = std::hypot(dx, dy);
    if (best < 0 || d < bestDistance) {
      best = i;
      bestDistance = d;
    }
  }
  return best;
}
