#pragma once
// What the inverter identification asks of the main window, which keeps the type and program and
// shows them in its status bar.

#include "inverter/invertertype.h"

class IInverterHost {
 public:
  virtual ~IInverterHost() = default;
  virtual TInverterType InverterType() const = 0;
  // Each stores the value and refreshes the inverter panel.
  virtual void SetInverterType(TInverterType type) = 0;
  virtual void SetInverterProgram(int program) = 0;
  // A query started or ended: the panel may say that the inverter is being asked.
  virtual void InverterQueryRunning(bool running) = 0;
};
