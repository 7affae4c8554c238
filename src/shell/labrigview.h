#pragma once
// The running rig as the lab network sees it: titles from the rig, the diagram's live values and
// alarms, and the results table's runs. Read on the station's own timer, never in the tick.

#include "lab/ilabrig.h"

class TMaster;

class TLabRigView : public ILabRig {
 public:
  explicit TLabRigView(TMaster& master) : FMaster(master) {}
  QString RigTitle() const override;
  QString Exercise() const override;
  QString State() const override;
  std::vector<TLabPayload::TValue> LiveValues() const override;
  std::vector<TAlarmState> Alarms() const override;
  int RunCount() const override;
  bool ReadRun(int run, TLabRun& out) const override;

 private:
  TMaster& FMaster;
};
