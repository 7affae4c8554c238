#pragma once
// What the sources ask of the main window.

class IAcquisitionHost {
 public:
  virtual ~IAcquisitionHost() = default;
  // The Autopilot (output scheduler) command is enabled.
  virtual bool AutopilotEnabled() const = 0;
  // Output schedules are running (FSchedulingActive).
  virtual bool SchedulingActive() const = 0;
  // A source that takes its own samples turns off Log Sample, Configure and Log Next Results.
  virtual void DisableSamplingCommands() = 0;
};
