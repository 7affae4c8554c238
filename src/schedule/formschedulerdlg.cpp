#include "schedule/formschedulerdlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "acquisition/qxanalogueoutputsource.h"
#include "schedule/formoutputtimeprofiling.h"
#include "schedule/ischedulerhost.h"

TFormSchedulerDlg::TFormSchedulerDlg(ISchedulerHost& host, const std::vector<TQXAnalogueOutputSource*>& outputs,
                                     QWidget* parent)
    : QDialog(parent), FHost(host) {
  setWindowTitle(QStringLiteral("Scheduler Dialog"));
  for (TQXAnalogueOutputSource* ao : outputs) {
    auto* editor = dynamic_cast<TFormOutputTimeProfiling*>(ao->FTimeProfilingEditor.get());
    if (!editor || static_cast<int>(FArrayFormOutputProfiler.size()) == MaxOutputs) continue;
    FArrayFormOutputProfiler.push_back(editor);
    connect(editor, &TFormOutputTimeProfiling::ScheduleToggled, this,
            [this, editor](bool active) { ToggleCheckBox(editor, active); });
  }
  FAvailableAO = static_cast<int>(FArrayFormOutputProfiler.size());

  auto* box = new QVBoxLayout(this);
  FMessage = new QLabel(this);
  FMessage->setWordWrap(true);
  box->addWidget(FMessage);
  for (int i = 1; i <= MaxOutputs; ++i) {
    auto* check = new QCheckBox(this);
    if (i > FAvailableAO) {
      check->setText(QStringLiteral("Analogue Output %1 is not available  on this rig").arg(i));
      check->setEnabled(false);
    }
    FArrayCheckBoxes.push_back(check);
    box->addWidget(check);
  }
  FAll = new QCheckBox(QStringLiteral("All available schedules and scheduler"), this);
  FAll->setChecked(true);
  connect(FAll, &QCheckBox::toggled, this, [this] { ApplyAllBox(); });
  box->addWidget(FAll);
  auto* buttons = new QDialogButtonBox(this);
  FOK = buttons->addButton(QStringLiteral("Start"), QDialogButtonBox::AcceptRole);
  QPushButton* apply = buttons->addButton(QDialogButtonBox::Apply);
  QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
  // OK and Cancel hide the dialog themselves; it lives as long as the main window.
  FOK->setAutoDefault(false);
  connect(FOK, &QPushButton::clicked, this, &TFormSchedulerDlg::OKClick);
  connect(apply, &QPushButton::clicked, this, &TFormSchedulerDlg::ApplyClick);
  connect(cancel, &QPushButton::clicked, this, &TFormSchedulerDlg::CancelClick);
  box->addWidget(buttons);
  setMinimumWidth(520);
  RefreshScheduleInfo();
}

QString TFormSchedulerDlg::MessageText() const {
  return FHost.SchedulingActive()
             ? QStringLiteral(
                   "The scheduler is currently running.\n\nSelect which schedules to suspend or stop all the "
                   "schedules. Click the cancel button to annul the action.")
             : QStringLiteral(
                   "The scheduler is not running.\n\nSelect which schedules to run or Click the cancel button "
                   "to annul the operation.\nEvery time a checkbox is ticked press Apply to store the "
                   "scheduler configuration.");
}

QString TFormSchedulerDlg::OKText() const {
  return FHost.SchedulingActive() ? QStringLiteral("Stop") : QStringLiteral("Start");
}

void TFormSchedulerDlg::RefreshScheduleInfo() {
  FMessage->setText(MessageText());
  FOK->setText(OKText());
  for (int i = 0; i < FAvailableAO; ++i) {
    TFormOutputTimeProfiling* editor = FArrayFormOutputProfiler[static_cast<size_t>(i)];
    QCheckBox* check = FArrayCheckBoxes[static_cast<size_t>(i)];
    check->setText(QStringLiteral("Schedule %1: ").arg(i + 1) + editor->GetScheduleInfo());
    check->setChecked(editor->FScheduleActive());
  }
  // With the all box ticked, every output is to run: the boxes say so.
  ApplyAllBox();
}

void TFormSchedulerDlg::ApplyAllBox() {
  for (int i = 0; i < FAvailableAO; ++i) {
    QCheckBox* check = FArrayCheckBoxes[static_cast<size_t>(i)];
    if (FAll->isChecked()) check->setChecked(true);
    check->setEnabled(!FAll->isChecked());
  }
}

void TFormSchedulerDlg::ToggleCheckBox(TFormOutputTimeProfiling* editor, bool state) {
  for (int i = 0; i < FAvailableAO; ++i)
    if (FArrayFormOutputProfiler[static_cast<size_t>(i)] == editor)
      FArrayCheckBoxes[static_cast<size_t>(i)]->setChecked(state);
}

void TFormSchedulerDlg::ApplyClick() {
  for (int i = 0; i < FAvailableAO; ++i) {
    TFormOutputTimeProfiling* editor = FArrayFormOutputProfiler[static_cast<size_t>(i)];
    if (FArrayCheckBoxes[static_cast<size_t>(i)]->isChecked() != editor->FScheduleActive())
      editor->ToggleActivateClick();
  }
}

void TFormSchedulerDlg::OKClick() {
  ApplyClick();
  hide();
  // While running, OK stops everything only with the all box ticked; otherwise the unticked
  // schedules are suspended and the rest go on.
  if (!FHost.SchedulingActive() || FAll->isChecked()) StartOrStop();
}

void TFormSchedulerDlg::StartOrStop() {
  FHost.ToolBtnAutoPilotClickCallBack();
  for (TFormOutputTimeProfiling* editor : FArrayFormOutputProfiler) editor->RefreshWindow();
  RefreshScheduleInfo();
}

void TFormSchedulerDlg::InitializeDialogue() {
  if (FHost.SchedulingActive()) return;
  RefreshScheduleInfo();
  ApplyClick();
}

void TFormSchedulerDlg::showEvent(QShowEvent* event) {
  RefreshScheduleInfo();
  QDialog::showEvent(event);
}
