#pragma once
// What the interface settings dialog reads from and tells the main window: the optional tools'
// current states, the inverter programmer button, the notice after settings were applied, and the
// general help.

class IIFDConfigHost {
 public:
  virtual ~IIFDConfigHost() = default;
  virtual bool ScopeEnabled() const = 0;
  virtual bool SchedulerEnabled() const = 0;
  virtual void Show_Vexa_items(bool show) = 0;
  virtual void Enable_Vexa_items(bool enable) = 0;
  virtual void ifdSettingsAppliedNotify() = 0;
  virtual void ShellHelpContents() = 0;
};
