#pragma once
// A rig for station tests: titles, values, alarms and runs set by the test.

#include <map>

#include "lab/ilabrig.h"

class TFakeLabRig : public ILabRig {
 public:
  QString Title = QStringLiteral("Heat Exchanger"), ExerciseText = QStringLiteral("Exercise 1: Counter-flow");
  QString StateText = QStringLiteral("idle");
  std::vector<TLabPayload::TValue> Values;
  std::vector<TAlarmState> AlarmList;
  std::map<int, TLabRun> Runs;  // by number from 1
  int Count = 0;
  mutable int ReadRunCalls = 0;

  QString RigTitle() const override { return Title; }
  QString Exercise() const override { return ExerciseText; }
  QString State() const override { return StateText; }
  std::vector<TLabPayload::TValue> LiveValues() const override { return Values; }
  std::vector<TAlarmState> Alarms() const override { return AlarmList; }
  int RunCount() const override { return Count; }
  bool ReadRun(int run, TLabRun& out) const override {
    ++ReadRunCalls;
    const auto it = Runs.find(run);
    if (it == Runs.end() || it->second.Rows.empty()) return false;
    out = it->second;
    return true;
  }
  // A run of `rows` samples: sample number, an awkward reading, a text.
  void AddRun(int rows, double seed) {
    TLabRun r;
    r.Name = QStringLiteral("Run %1").arg(++Count);
    r.Columns = {{QStringLiteral("Sample"), QString()}, {QStringLiteral("T1"), QStringLiteral("°C")}};
    for (int i = 0; i < rows; ++i) r.Rows.push_back({double(i + 1), seed + i / 3.0});
    Runs[Count] = r;
  }
};
