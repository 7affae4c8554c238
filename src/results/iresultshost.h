#pragma once
// What the results windows ask of the main window: which child is in front, the state of a few of
// its commands, and refreshing its bars. The main window implements it and hands it to the table
// and the graph; without one they simply skip these calls.

class IResultsHost {
 public:
  // Main-window commands the table and graph switch on or off.
  enum class TCommand {
    PageSetup1,
    LecturerToolButton,
    LecturerMode1,
    ChangePassword1,
    UnhideToolButton,
    NomenclatureToolButton,
    LogSampleToolButton,
    LogSampleMenuButton,
  };

  virtual ~IResultsHost() = default;
  // 2 graph, 3 table (the main window's ActiveForm numbering).
  virtual void SetActiveForm(int form) = 0;
  virtual void SetCommandEnabled(TCommand command, bool enabled) = 0;
  virtual void SetEnableUnhideButton(bool enabled) = 0;
  virtual void UpdateStatusBar() = 0;
  virtual void UpdateToolbars() = 0;
};
