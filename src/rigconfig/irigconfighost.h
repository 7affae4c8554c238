#pragma once
// What loading a rig changes in the main window. The main window implements it; a rig check or a
// test passes its own.

#include <QString>

class IRigConfigHost {
 public:
  virtual ~IRigConfigHost() = default;
  virtual void SetApplicationTitle(const QString& title) = 0;
  virtual void EnableLoadNewExperiment() = 0;
  virtual void SetSampleStatus(const QString& text) = 0;
  virtual void SetDuration(int samples) = 0;
  virtual void SetSampleInterval(int ms) = 0;
  // The Log Sample and Log Next Results commands (menu and tool bar) of a demonstration rig.
  virtual void DisableLogCommands() = 0;
  virtual void SetAutopilotFeature(bool on) = 0;
  virtual void SetScopeFeature(bool on) = 0;
  // The user cancelled the exercise choice: close the main window shortly.
  virtual void CloseSoon() = 0;
  // A second interface card is used: status-bar panel 2 becomes this wide.
  virtual void WidenStatusPanel2(int width) = 0;
};
