#pragma once
// "Scheduler Dialog": one check box per scheduled analogue output (at most eight) and one for all
// of them; Apply suspends or resumes the outputs' schedules, OK also starts or stops scheduling.

#include <vector>

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;
class ISchedulerHost;
class TFormOutputTimeProfiling;
class TQXAnalogueOutputSource;

class TFormSchedulerDlg : public QDialog {
  Q_OBJECT
 public:
  static constexpr int MaxOutputs = 8;

  // `outputs`: the analogue outputs in data-list order; those with a schedule editor get a row.
  TFormSchedulerDlg(ISchedulerHost& host, const std::vector<TQXAnalogueOutputSource*>& outputs,
                    QWidget* parent = nullptr);

  void InitializeDialogue();
  void RefreshScheduleInfo();
  void ToggleCheckBox(TFormOutputTimeProfiling* editor, bool state);
  void ApplyClick();
  void OKClick();
  void CancelClick() { hide(); }

  int FAvailableAO = 0;
  std::vector<TFormOutputTimeProfiling*> FArrayFormOutputProfiler;
  std::vector<QCheckBox*> FArrayCheckBoxes;  // eight
  QCheckBox* AllBox() const { return FAll; }
  QString MessageText() const;
  QString OKText() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void ApplyAllBox();
  void StartOrStop();

  ISchedulerHost& FHost;
  QCheckBox* FAll = nullptr;
  QLabel* FMessage = nullptr;
  QPushButton* FOK = nullptr;
};
