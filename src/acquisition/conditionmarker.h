#pragma once
// Senders of a digital output's state change that are not the user's click: a flip, a change to
// a given state, or a forced change. A caller creates one for a single call.

class TConditionMarker {
 public:
  virtual ~TConditionMarker() = default;
};

class TNotMarker : public TConditionMarker {};

class TChangeDigitalTo : public TConditionMarker {
 public:
  explicit TChangeDigitalTo(bool value) : FValue(value) {}
  bool FValue;
};

class TForceDOstatus : public TConditionMarker {};

// The watchdog timer toggling its output.
class TWatchdogMarker : public TConditionMarker {};
