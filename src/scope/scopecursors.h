#pragma once
// Two vertical cursors that stand on samples of a record (time) and two horizontal ones at levels,
// with their differences: delta t, 1/delta t and delta V. No widgets: the trace view moves them.

#include <cstddef>

#include <QString>

class TScopeCursors {
 public:
  // The record the time cursors stand on; they keep their samples where the record allows.
  void SetRecord(std::size_t count, double interval);
  std::size_t Count() const { return FCount; }
  double Interval() const { return FInterval; }

  // Moves time cursor `which` (0 or 1) to the sample nearest `seconds` (clamped to the record).
  void MoveTime(int which, double seconds);
  std::size_t Sample(int which) const { return FSample[which & 1]; }
  double Time(int which) const { return double(FSample[which & 1]) * FInterval; }
  double DeltaT() const { return Time(1) - Time(0); }
  // 1/delta t; no value while both stand on one sample.
  bool HasRate() const { return FSample[0] != FSample[1]; }
  double Rate() const { return HasRate() ? 1 / DeltaT() : 0; }

  void MoveLevel(int which, double level) { FLevel[which & 1] = level; }
  double Level(int which) const { return FLevel[which & 1]; }
  double DeltaV() const { return FLevel[1] - FLevel[0]; }

  // "t1 ... t2 ... delta t ... 1/delta t ... V1 ... V2 ... delta V", one per line.
  QString Readout(const QString& units) const;

 private:
  std::size_t FCount = 0;
  double FInterval = 0;
  std::size_t FSample[2] = {0, 0};
  double FLevel[2] = {0, 0};
};
