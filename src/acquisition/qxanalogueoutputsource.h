#pragma once
// An analogue output: the user's demand in engineering units, sent to the interface in counts.
// Output schedules and PID controllers act through it.

#include <memory>

#include "acquisition/ipidlink.h"
#include "acquisition/ischeduleeditor.h"
#include "acquisition/qxifdanaloguesource.h"

enum TAOSchedulingStatus { PID_NO = 0, PID_ENGAGED_MANUAL = 1, PID_ENGAGED_AUTOMATIC = 2 };

class TQXAnalogueOutputSource : public TQXIFDAnalogueSource {
  Q_OBJECT
 public:
  using TQXIFDAnalogueSource::TQXIFDAnalogueSource;

  // The scheduler installs how its editors are made; without one no output is scheduled.
  static void SetScheduleEditorFactory(TScheduleEditorFactory factory);

  void RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) override;
  void DataWrite() override;

  void AnalogueChange();
  void AnalogueSet(double percent);
  // A right-button press on the demand, or the scheduler asking, shows the schedule editor.
  void OutputProgrammer(Qt::MouseButton Button, bool fromEditor = false);
  void ShowSchedule(QObject* AParent);
  void FollowSchedule();
  void SeverPIDLink() { FPIDLink = nullptr; }
  void SetPIDLink(IPIDLink* link) { FPIDLink = link; }
  void SuspendSheduling() { FAOChannelSchedulingActive = false; }
  void ResumeScheduling() { FAOChannelSchedulingActive = true; }
  void ResetSchedulerChnlTarget(int AChn);
  void ResetSchedulerMode();
  void TellSchedulerPIDProcessVarUnit(const QString& AUnit);
  QString TextScheduledTarget() const;
  // The interface's output number (the sheet's channel).
  int OutputNumber() const { return -(FChannel + 1); }

  std::unique_ptr<IScheduleEditor> FTimeProfilingEditor;
  TAOSchedulingStatus FAOSchedStatus = PID_NO;
  IPIDLink* FPIDLink = nullptr;  // none: the source drives itself
  bool FAOChannelSchedulingActive = false;
  bool EnableEditor = true;

 private:
  bool eventFilter(QObject* watched, QEvent* event) override;
};
