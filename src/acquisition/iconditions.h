#pragma once
// The interlock conditions of a latching digital output, parsed from its short label while the
// logic engine is on. The condition engine decides the output's state on a user's click.

class TQXDigitalOutputSource;

class IConditions {
 public:
  virtual ~IConditions() = default;
  virtual bool AnyValid() const = 0;
  // Binds each condition to the sources it observes (after all sources exist).
  virtual void Bind() = 0;
  // The user clicked the output: set its state as the conditions allow.
  virtual void ApplyConditions(TQXDigitalOutputSource& output) = 0;
};
