#pragma once
// A PID controller window bound to an analogue output, as the output sees it.

#include <QString>

class IPIDLink {
 public:
  virtual ~IPIDLink() = default;
  // The running schedule moves the controller's set point.
  virtual void ResetSetPointFromSchedule(double value) = 0;
  virtual QString ProcessVariableName() const = 0;
};
