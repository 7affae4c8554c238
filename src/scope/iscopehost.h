#pragma once
// What the oscilloscope asks of the main window: refresh its scope panel and tools when the
// capture state changes, count finished captures, and give the sampling tools back.
class IScopeHost {
 public:
  virtual ~IScopeHost() = default;
  virtual void ChangedScope() = 0;
  virtual void NextResultsScopeReady() = 0;
  virtual void ReEnableSampling() = 0;
};
