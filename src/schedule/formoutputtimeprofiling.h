#pragma once
// "Output Time Scheduler": the schedule editor of one analogue output. It loads the schedules
// stored for its target channel, edits the first of them in a slot table, keeps the others in a
// side pane, saves them back to Configuration.ini, and while scheduling runs gives the output the
// value of the slot in force.

#include <QList>
#include <QSet>
#include <utility>
#include <QMainWindow>

#include "acquisition/ischeduleeditor.h"
#include "schedule/schedule.h"
#include "schedule/scheduleruntable.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QStatusBar;
class QTableWidget;
class QWidget;
class ISchedulerHost;

class TFormOutputTimeProfiling : public QMainWindow, public IScheduleEditor {
  Q_OBJECT
 public:
  static constexpr int WideWidth = 720, NarrowWidth = 370, PaneWidth = 350;

  TFormOutputTimeProfiling(TQXAnalogueOutputSource& owner, ISchedulerHost& host);
  ~TFormOutputTimeProfiling() override;

  // ---- what the output and the controller window use ----
  void LoadScheduleForTargetChl(int channel) override;
  void ShowEditor() override;
  void PlaceInside(QWidget* parent) override;
  bool FScheduleActive() const override { return FScheduleActive_; }
  double GetScheduledProcValue() const override;
  void PauseScheduling() override { ToggleActivateClick(); }
  void SetPIDScheduleEngaged(bool engaged) override { FIsPIDScheduleEnaged = engaged; }
  // Flips the activation whatever is passed, as the controller window expects.
  void ToggleStatusSchedule(bool on) override;
  void SetUnitOutPut(const QString& unit) override;
  QString FinishedText() const override;
  QString GetScheduleInfo() const;
  // The schedule in the editor can be activated: the channel has one of its own (not the built-in
  // stand-in) and its run table could be built.
  bool Runnable() const;
  // Why the run table could not be built; empty when it could.
  const QString& CannotRun() const { return FCannotRun; }

  // ---- the editor's commands ----
  void ToggleActivateClick();
  void SetLocked(bool locked);
  void AddTimeSlot();
  void DeleteTimeSlot();
  void ClearTimeSlots();
  void SetTimeUnit(int code);
  void ToggleExtendedView();
  // The side pane shows stored schedule `index` (of FallAvailableSchds).
  void ShowStoredSchedule(int index);
  void LoadSavedSchedule();
  void SaveSchedules();
  void DeleteSavedSchedule();
  void ReloadSchedule();
  void Help();
  // Brings commands, status lines and summaries up to date (also after scheduling starts or stops).
  void RefreshWindow();
  // Commits `text` into a cell of the slot table as if typed there.
  void TypeCell(int row, int column, const QString& text);

  // ---- state, readable by tests and the dialog ----
  int FTargetChannel = -9999;
  int FTimeUnitScheduler = 1;
  TTimePointMode FTimePointMode = incremental;
  bool FEditingIsLocked = true;
  bool FEditorExtendedView = false;
  bool FIsPIDScheduleEnaged = false;
  TSchedule::TParams FParams;     // of the schedule in the editor
  TSchedule::TParams FParams_av;  // of the stored schedule in the side pane
  int FTimeUnitScheduler_av = 1;
  QList<TSchedule> FallAvailableSchds;
  TScheduleRunTable FSchedule;
  mutable int FOutputSlotRow = 0;

  QStringList SlotRows() const;        // of the editor's table, "key=value"
  QStringList StoredPaneRows() const;  // of the side pane
  QString ScheduleState() const;
  QString LoadedSummary() const;
  QString StoredSummary() const;
  QTableWidget* LoadedTable() const { return ValListEdLoadedSchedule; }
  QComboBox* Chooser() const { return CmbBxAvSchs; }
  QAction* Command(const QString& name) const;
  // The stored schedule the chooser points at, -1 when none.
  int ChosenStoredIndex() const;

 signals:
  // The activation changed (the scheduler dialog follows it).
  void ScheduleToggled(bool active);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void LoadStoredSchedules();
  bool BuildRunTable(bool tell);
  // The editor's slot rows with values beyond the output's range brought inside it; `clamped`
  // gets a note per slot changed.
  QStringList ClampedRows(QStringList* clamped) const;
  // Active exactly when the channel's own schedule can run (after a load).
  void SettleActivation();
  void SetActive(bool active);
  // After saving or deleting: the stored schedules read again.
  void Reloaded();
  // A warning about the loaded schedules, said once per `key` while this editor lives (loads and
  // mode changes repeat them otherwise); saving or deleting lets them be said again.
  void WarnOnce(const QString& key, const QString& text);
  // The output's range as whole units, low first.
  std::pair<int, int> OutputRange() const;
  void ShowState() const;
  void FillTable(QTableWidget* table, const QStringList& rows);
  void CellCommitted(int row, int column);
  void MarkOutputRow() const;
  bool WriteLine(const QString& line);

  TQXAnalogueOutputSource& FOwner;
  ISchedulerHost& FHost;
  bool FScheduleActive_ = false;
  bool FFilling = false;       // the tables are being filled by the program, not typed
  bool FLoadProblems = false;  // the stored line could not be read completely
  bool FOwnSchedule = false;   // the channel has stored schedules or the user made one here
  QString FCannotRun;          // why the run table could not be built
  mutable bool FFinished = false;  // scheduling has run past the last slot
  QSet<QString> FSaid;
  bool FPlaced = false;        // given its first place on the screen
  QString FValueTitle = QStringLiteral("Output [%]");

  QTableWidget* ValListEdLoadedSchedule = nullptr;
  QTableWidget* ValListEdAvScheds = nullptr;
  QComboBox* CmbBxAvSchs = nullptr;
  QLineEdit* EdtNameLoadedSch = nullptr;
  QLabel* FLockedPanel = nullptr;
  QLabel* FLoadedInfo = nullptr;
  QLabel* FStoredInfo = nullptr;
  QWidget* FSidePane = nullptr;
  QLabel* FChannelInfo = nullptr;
  QLabel* FStateInfo = nullptr;
  QMenu* FUnitMenu = nullptr;
};
