#pragma once
// What the sources ask of the main window.

class IAcquisitionHost {
 public:
  virtual ~IAcquisitionHost() = default;
  // The Autopilot (output scheduler) command is enabled.
  virtual bool AutopilotEnabled() const = 0;
  // Output schedules are running (FSchedulingActive).
  virtual bool SchedulingActive() const = 0;
};
