#pragma once
// What the schedule editors and the scheduler dialog ask of the main window: the one start/stop of
// scheduling and the reference time all outputs share.

#include "platform/datetime.h"

class ISchedulerHost {
 public:
  virtual ~ISchedulerHost() = default;
  virtual bool SchedulingActive() const = 0;
  // When scheduling started; -1 while stopped.
  virtual TDateTime RefTimeScheduling() const = 0;
  // Starts scheduling when stopped, stops it when running.
  virtual void ToolBtnAutoPilotClickCallBack() = 0;
  // An editor's schedule finished or started again: what the host shows about scheduling is out
  // of date.
  virtual void ScheduleStateChanged() = 0;
};
