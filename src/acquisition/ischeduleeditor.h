#pragma once
// The output-schedule editor of one analogue output channel, as the output sees it. The scheduler
// installs the factory; without one no editor is created and outputs are not scheduled.

#include <functional>
#include <memory>

#include <QString>

class QWidget;
class TQXAnalogueOutputSource;

class IScheduleEditor {
 public:
  virtual ~IScheduleEditor() = default;
  virtual void LoadScheduleForTargetChl(int channel) = 0;
  virtual void ShowEditor() = 0;
  virtual void PlaceInside(QWidget* parent) = 0;
  virtual bool FScheduleActive() const = 0;
  virtual double GetScheduledProcValue() const = 0;
  virtual void PauseScheduling() = 0;
  virtual void SetPIDScheduleEngaged(bool engaged) = 0;
  virtual void ToggleStatusSchedule(bool on) = 0;
  virtual void SetUnitOutPut(const QString& unit) = 0;
  // "<output> finished — output 0" while scheduling runs past the schedule's end; empty otherwise.
  virtual QString FinishedText() const = 0;
};

// Creates the editor for an output; empty (the default) while there is no scheduler.
using TScheduleEditorFactory = std::function<std::unique_ptr<IScheduleEditor>(TQXAnalogueOutputSource& owner)>;
