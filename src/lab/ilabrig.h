#pragma once
// What a station tells the lab about its rig, read by the station's own timer (never by the
// logger tick): the main window implements it over its rig, diagram and results table.

#include <vector>

#include <QString>

#include "lab/labpayload.h"
#include "lab/labrun.h"

class ILabRig {
 public:
  struct TAlarmState {
    QString Name, Text;
    bool Raised = false;
  };
  virtual ~ILabRig() = default;
  virtual QString RigTitle() const = 0;
  virtual QString Exercise() const = 0;
  // "idle", "recording" or "capturing" (an alarm is told by Alarms()).
  virtual QString State() const = 0;
  // The diagram's live values; a value without a reading for this sample has none.
  virtual std::vector<TLabPayload::TValue> LiveValues() const = 0;
  virtual std::vector<TAlarmState> Alarms() const = 0;
  virtual int RunCount() const = 0;
  // Run `run` (from 1): its name, columns and recorded rows; false when it holds no sample.
  virtual bool ReadRun(int run, TLabRun& out) const = 0;
};
