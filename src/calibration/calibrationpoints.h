#pragma once
// The new points of a calibration being recorded: kept in ascending order of reference value as
// they are added (a point equal to an earlier one goes after it), at most as many as a channel's
// conversion table takes.

#include <vector>

#include "calibration/calibrationsheet.h"

class TCalibrationPoints {
 public:
  static constexpr int MaxPoints = 20;

  int Count() const { return static_cast<int>(FPoints.size()); }
  bool Full() const { return Count() >= MaxPoints; }
  const TCalibrationPoint& At(int i) const { return FPoints.at(static_cast<std::size_t>(i)); }
  const std::vector<TCalibrationPoint>& Points() const { return FPoints; }

  // Inserts by reference value; returns the new point's index, or -1 when the list is full.
  int Add(const TCalibrationPoint& point);
  void Remove(int i);
  // Replaces the whole list as given (direct entry keeps the user's order).
  void Assign(std::vector<TCalibrationPoint> points);
  void Clear() { FPoints.clear(); }
  // The index of the point nearest to (volts, reference) on a chart whose axes span `voltSpan` and
  // `refSpan`; -1 when the list is empty.
  int Nearest(double volts, double reference, double voltSpan, double refSpan) const;

 private:
  std::vector<TCalibrationPoint> FPoints;
};
