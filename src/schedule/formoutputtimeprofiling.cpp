#include "schedule/formoutputtimeprofiling.h"

#include <algorithm>
#include <cmath>

#include <QActionGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStatusBar>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "acquisition/qxanalogueoutputsource.h"
#include "platform/toolwindows.h"
#include "platform/iclock.h"
#include "platform/iprompts.h"
#include "platform/numbers.h"
#include "platform/services.h"
#include "rigconfig/rigconfig.h"
#include "schedule/ischedulerhost.h"
#include "schedule/scheduleline.h"
#include "schedule/schedulestore.h"
#include "schedule/scheduletime.h"
#include "rigconfig/helprequests.h"

namespace {
const QColor kOutputRowColour(0, 128, 0);

void Warn(const QString& text) { TServices::Prompts().MessageDlg(text, TMsgDlgType::mtWarning, TMsgDlgButtons::OK); }

QTableWidget* SlotTable(QWidget* parent, const QString& timeTitle, const QString& valueTitle) {
  auto* t = new QTableWidget(0, 2, parent);
  t->setHorizontalHeaderLabels({timeTitle, valueTitle});
  t->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  t->verticalHeader()->setVisible(false);
  t->verticalHeader()->setDefaultSectionSize(t->fontMetrics().height() + 6);
  t->setSelectionBehavior(QAbstractItemView::SelectRows);
  t->setSelectionMode(QAbstractItemView::SingleSelection);
  return t;
}

// A slot table's rows as "key=value" texts.
QStringList TableRows(const QTableWidget* table) {
  QStringList rows;
  for (int r = 0; r < table->rowCount(); ++r) {
    auto text = [&](int c) { return table->item(r, c) ? table->item(r, c)->text() : QString(); };
    rows << text(0) + QLatin1Char('=') + text(1);
  }
  return rows;
}
}  // namespace

TFormOutputTimeProfiling::TFormOutputTimeProfiling(TQXAnalogueOutputSource& owner, ISchedulerHost& host)
    : FOwner(owner), FHost(host) {
  setWindowTitle(QStringLiteral("Output Time Scheduler"));
  setAttribute(Qt::WA_DeleteOnClose, false);

  auto addCommand = [this](QToolBar* bar, const QString& name, const QString& text, const QString& hint,
                           void (TFormOutputTimeProfiling::*slot)()) {
    QAction* a = bar->addAction(text);
    a->setObjectName(name);
    a->setToolTip(hint);
    if (slot) connect(a, &QAction::triggered, this, slot);
    return a;
  };
  auto* edit = addToolBar(QStringLiteral("Edit"));
  edit->setMovable(false);
  QAction* lock = addCommand(edit, QStringLiteral("Lock"), QStringLiteral("Lock"),
                             QStringLiteral("Lock or unlock editor"), nullptr);
  connect(lock, &QAction::triggered, this, [this] { SetLocked(!FEditingIsLocked); });
  addCommand(edit, QStringLiteral("AddSlot"), QStringLiteral("Add"), QStringLiteral("Add a time slot"),
             &TFormOutputTimeProfiling::AddTimeSlot);
  addCommand(edit, QStringLiteral("DeleteSlot"), QStringLiteral("Delete"), QStringLiteral("Delete a time slot"),
             &TFormOutputTimeProfiling::DeleteTimeSlot);
  addCommand(edit, QStringLiteral("ClearSlots"), QStringLiteral("Clear"), QStringLiteral("Clear all time slots"),
             &TFormOutputTimeProfiling::ClearTimeSlots);
  FUnitMenu = new QMenu(QStringLiteral("Set Time Unit"), this);
  auto* units = new QActionGroup(this);
  for (int code = 0; code < 4; ++code) {
    QAction* a = FUnitMenu->addAction(scheduletime::UnitWord(code));
    a->setCheckable(true);
    a->setChecked(code == FTimeUnitScheduler);
    units->addAction(a);
    connect(a, &QAction::triggered, this, [this, code] { SetTimeUnit(code); });
  }
  QAction* unit = FUnitMenu->menuAction();
  unit->setObjectName(QStringLiteral("TimeUnit"));
  unit->setText(QStringLiteral("Unit: s"));
  unit->setToolTip(QStringLiteral("Set Time Unit"));
  edit->addAction(unit);
  if (auto* b = qobject_cast<QToolButton*>(edit->widgetForAction(unit))) b->setPopupMode(QToolButton::InstantPopup);
  addCommand(edit, QStringLiteral("Help"), QStringLiteral("Help"), QStringLiteral("Help"),
             &TFormOutputTimeProfiling::Help);

  addToolBarBreak();
  auto* store = addToolBar(QStringLiteral("Stored"));
  store->setMovable(false);
  addCommand(store, QStringLiteral("ShowStored"), QStringLiteral("Stored >>"),
             QStringLiteral("show other available schedules"), &TFormOutputTimeProfiling::ToggleExtendedView);
  addCommand(store, QStringLiteral("LoadStored"), QStringLiteral("Load"), QStringLiteral("Load saved schedule"),
             &TFormOutputTimeProfiling::LoadSavedSchedule);
  addCommand(store, QStringLiteral("Save"), QStringLiteral("Save"), QStringLiteral("Save all changes"),
             &TFormOutputTimeProfiling::SaveSchedules);
  addCommand(store, QStringLiteral("DeleteStored"), QStringLiteral("Delete saved"),
             QStringLiteral("Delete saved schedule"), &TFormOutputTimeProfiling::DeleteSavedSchedule);
  addCommand(store, QStringLiteral("Reload"), QStringLiteral("Reload"), QStringLiteral("Reload schedule"),
             &TFormOutputTimeProfiling::ReloadSchedule);
  for (QToolBar* bar : {edit, store}) bar->setToolButtonStyle(Qt::ToolButtonTextOnly);

  auto* central = new QWidget(this);
  auto* row = new QHBoxLayout(central);
  row->setContentsMargins(4, 4, 4, 4);
  auto* left = new QWidget(central);
  left->setFixedWidth(PaneWidth);
  auto* leftBox = new QVBoxLayout(left);
  leftBox->setContentsMargins(0, 0, 0, 0);
  EdtNameLoadedSch = new QLineEdit(left);
  EdtNameLoadedSch->setPlaceholderText(QStringLiteral("name of the schedule"));
  leftBox->addWidget(EdtNameLoadedSch);
  FLockedPanel = new QLabel(QStringLiteral("Editor Locked - click the padlock to enable editing"), left);
  FLockedPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  FLockedPanel->setStyleSheet(QStringLiteral("color: #a00000"));
  leftBox->addWidget(FLockedPanel);
  ValListEdLoadedSchedule = SlotTable(left, QStringLiteral("Time [default:s]"), FValueTitle);
  leftBox->addWidget(ValListEdLoadedSchedule, 1);
  FLoadedInfo = new QLabel(left);
  FLoadedInfo->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  leftBox->addWidget(FLoadedInfo);
  // The channel line is long (owner, target, both channels): it wraps here rather than being cut
  // off in the narrow window's status bar.
  FChannelInfo = new QLabel(left);
  FChannelInfo->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  FChannelInfo->setWordWrap(true);
  leftBox->addWidget(FChannelInfo);
  row->addWidget(left);

  FSidePane = new QWidget(central);
  FSidePane->setFixedWidth(PaneWidth - 10);
  auto* rightBox = new QVBoxLayout(FSidePane);
  rightBox->setContentsMargins(0, 0, 0, 0);
  CmbBxAvSchs = new QComboBox(FSidePane);
  rightBox->addWidget(CmbBxAvSchs);
  ValListEdAvScheds = SlotTable(FSidePane, QStringLiteral("Time[default:s]"), QStringLiteral("Output[%]"));
  ValListEdAvScheds->setEditTriggers(QAbstractItemView::NoEditTriggers);
  rightBox->addWidget(ValListEdAvScheds, 1);
  FStoredInfo = new QLabel(FSidePane);
  FStoredInfo->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  rightBox->addWidget(FStoredInfo);
  row->addWidget(FSidePane);
  FSidePane->hide();
  setCentralWidget(central);

  FStateInfo = new QLabel(this);
  statusBar()->addWidget(FStateInfo, 1);
  statusBar()->setSizeGripEnabled(false);

  connect(ValListEdLoadedSchedule, &QTableWidget::itemChanged, this,
          [this](QTableWidgetItem* item) { CellCommitted(item->row(), item->column()); });
  connect(EdtNameLoadedSch, &QLineEdit::textEdited, this, [this](const QString& name) { FParams.nameschedule = name; });
  connect(ValListEdLoadedSchedule, &QTableWidget::itemSelectionChanged, this, [this] { RefreshWindow(); });
  connect(CmbBxAvSchs, &QComboBox::activated, this,
          [this](int item) { ShowStoredSchedule(CmbBxAvSchs->itemData(item).toInt()); });
  resize(NarrowWidth, 420);
  setFixedWidth(NarrowWidth);
  RefreshWindow();
}

TFormOutputTimeProfiling::~TFormOutputTimeProfiling() = default;

QAction* TFormOutputTimeProfiling::Command(const QString& name) const {
  if (name == QLatin1String("TimeUnit")) return FUnitMenu->menuAction();
  return findChild<QAction*>(name);
}

// ---- loading ---------------------------------------------------------------------------------

void TFormOutputTimeProfiling::LoadScheduleForTargetChl(int channel) {
  FTargetChannel = channel;
  LoadStoredSchedules();
  BuildRunTable(true);
  SettleActivation();
  FValueTitle = QStringLiteral("Output [%]");
  ValListEdLoadedSchedule->setHorizontalHeaderItem(1, new QTableWidgetItem(FValueTitle));
}

void TFormOutputTimeProfiling::LoadStoredSchedules() {
  const TRigConfig* rig = TServices::Rig();
  const QString path = rig ? rig->PathConfigurationIni() : QString();
  const TScheduleStore::TLoaded stored =
      path.isEmpty() ? TScheduleStore::TLoaded{} : TScheduleStore::Load(path, FTargetChannel);
  if (!stored.Error.isEmpty()) {
    const QString text = QStringLiteral("The stored schedules could not be read: %1").arg(stored.Error);
    WarnOnce(text, text);
  }
  const scheduleline::TReadResult read = scheduleline::Read(stored.Line);
  FLoadProblems = !read.Problems.isEmpty();
  if (FLoadProblems) {
    const QString text =
        QStringLiteral("The stored schedules of channel %1 (section AUTOPILOT, key %2 of %3) could not be read "
                       "completely: %4.\nThe editor shows what could be read; saving replaces the line.")
            .arg(FTargetChannel)
            .arg(stored.Key, path, read.Problems.join(QStringLiteral("; ")));
    WarnOnce(text, text);
  }
  FallAvailableSchds = read.Schedules;
  // The built-in stand-in is there to edit, not to run: a channel without a schedule of its own
  // is left alone.
  FOwnSchedule = !read.UsedDefault && !FallAvailableSchds.isEmpty();
  if (!FallAvailableSchds.isEmpty()) {
    const TSchedule& first = FallAvailableSchds.first();
    FParams = first.Params();
    FTimePointMode = TSchedule::ModeOf(FParams.intervalmode);
    FillTable(ValListEdLoadedSchedule, first.Slots());
  } else {
    // Nothing of another channel's stays in the editor.
    FParams = TSchedule::TParams();
    FTimePointMode = incremental;
    FillTable(ValListEdLoadedSchedule, {});
  }
  ShowStoredSchedule(FallAvailableSchds.size() > 1 ? 1 : -1);
  RefreshWindow();
}

void TFormOutputTimeProfiling::FillTable(QTableWidget* table, const QStringList& rows) {
  FFilling = true;
  table->setRowCount(0);
  for (const QString& r : rows) {
    const int n = table->rowCount();
    table->insertRow(n);
    for (int c = 0; c < 2; ++c) {
      const QString text = c == 0 ? scheduletime::RowKey(r) : scheduletime::RowValue(r);
      auto* item = new QTableWidgetItem(text);
      item->setData(Qt::UserRole, text);  // the last committed text, to go back to
      table->setItem(n, c, item);
    }
  }
  FFilling = false;
}

void TFormOutputTimeProfiling::ShowStoredSchedule(int index) {
  if (index >= 0 && index < FallAvailableSchds.size()) {
    const TSchedule& s = FallAvailableSchds[index];
    FParams_av = s.Params();
    const QStringList slotRows = s.Slots();
    const QString firstKey = slotRows.isEmpty() ? QString() : scheduletime::RowKey(slotRows.first());
    const int blank = firstKey.indexOf(QLatin1Char(' '));
    FTimeUnitScheduler_av = blank < 0 ? 1 : scheduletime::UnitCode(firstKey.mid(blank + 1));
    FillTable(ValListEdAvScheds, slotRows);
  } else {
    FParams_av = TSchedule::TParams();
    FillTable(ValListEdAvScheds, {});
  }
  // The chooser offers only named schedules; each entry carries its place in the stored list, so
  // a schedule without a name does not shift the others.
  CmbBxAvSchs->clear();
  for (int i = 0; i < FallAvailableSchds.size(); ++i) {
    const QString name = FallAvailableSchds[i].Param(QStringLiteral("nameschedule"));
    if (!name.isEmpty()) CmbBxAvSchs->addItem(name, i);
  }
  CmbBxAvSchs->setCurrentIndex(CmbBxAvSchs->findData(index));
  RefreshWindow();
}

int TFormOutputTimeProfiling::ChosenStoredIndex() const {
  return CmbBxAvSchs->currentIndex() < 0 ? -1 : CmbBxAvSchs->currentData().toInt();
}

QStringList TFormOutputTimeProfiling::SlotRows() const { return TableRows(ValListEdLoadedSchedule); }

QStringList TFormOutputTimeProfiling::StoredPaneRows() const { return TableRows(ValListEdAvScheds); }

// ---- running ---------------------------------------------------------------------------------

bool TFormOutputTimeProfiling::BuildRunTable(bool tell) {
  QStringList clamped;
  const QStringList rows = ClampedRows(&clamped);
  QString why;
  if (!FSchedule.Build(rows, FTimePointMode, &why)) {
    FCannotRun = why;
    // An empty schedule (all stored schedules deleted) has nothing to say. Keyed without the
    // target's text, which changes with the controller's mode.
    if (tell && !rows.isEmpty())
      WarnOnce(QStringLiteral("run %1 %2 %3").arg(FTargetChannel).arg(FParams.nameschedule, why),
               QStringLiteral("The schedule \"%1\" of %2 cannot run: %3. It is not enabled.")
                   .arg(FParams.nameschedule, GetScheduleInfo(), why));
    return false;
  }
  FCannotRun.clear();
  if (tell && !clamped.isEmpty())
    WarnOnce(QStringLiteral("range %1 %2 %3").arg(FTargetChannel).arg(FParams.nameschedule, clamped.join(QLatin1Char(';'))),
             QStringLiteral("The schedule \"%1\" of %2 asks for more than the output can give (%3 to %4): %5.")
                 .arg(FParams.nameschedule, GetScheduleInfo())
                 .arg(OutputRange().first)
                 .arg(OutputRange().second)
                 .arg(clamped.join(QStringLiteral("; "))));
  return true;
}

std::pair<int, int> TFormOutputTimeProfiling::OutputRange() const {
  const auto lo = numbers::RoundHalfEven(std::min(FOwner.MinProcValue(), FOwner.MaxProcValue()));
  const auto hi = numbers::RoundHalfEven(std::max(FOwner.MinProcValue(), FOwner.MaxProcValue()));
  return {static_cast<int>(lo), static_cast<int>(hi)};
}

QStringList TFormOutputTimeProfiling::ClampedRows(QStringList* clamped) const {
  QStringList rows = SlotRows();
  // A set point is in the measured units: the output's range says nothing about it.
  if (FIsPIDScheduleEnaged) return rows;
  const auto [lo, hi] = OutputRange();
  for (int i = 0; i < rows.size(); ++i) {
    const QString value = scheduletime::RowValue(rows[i]);
    const auto v = numbers::ParseTypedNumber(value.trimmed());
    if (!v || (*v >= lo && *v <= hi)) continue;
    const int limit = *v < lo ? lo : hi;
    rows[i] = scheduletime::RowKey(rows[i]) + QLatin1Char('=') + QString::number(limit);
    if (clamped) *clamped << QStringLiteral("slot %1 (%2) runs as %3").arg(i + 1).arg(value.trimmed()).arg(limit);
  }
  return rows;
}

bool TFormOutputTimeProfiling::Runnable() const {
  return FOwnSchedule && FCannotRun.isEmpty() && !FSchedule.Empty();
}

void TFormOutputTimeProfiling::SettleActivation() { SetActive(Runnable()); }

void TFormOutputTimeProfiling::SetActive(bool active) {
  if (active != FScheduleActive_) {
    FScheduleActive_ = active;
    emit ScheduleToggled(active);
  }
  RefreshWindow();
}

void TFormOutputTimeProfiling::WarnOnce(const QString& key, const QString& text) {
  if (FSaid.contains(key)) return;
  FSaid.insert(key);
  Warn(text);
}

double TFormOutputTimeProfiling::GetScheduledProcValue() const {
  const double elapsed = std::fabs(TServices::Clock().Now() - FHost.RefTimeScheduling()) * datetime::MSecsPerDay;
  int row = 0;
  const double value = FSchedule.ValueAt(elapsed, &row);
  if (row != FOutputSlotRow) {
    FOutputSlotRow = row;
    MarkOutputRow();
  }
  // Past its last slot the output is 0 while scheduling runs; the editor and the host say so.
  const bool finished = row == 0 && !FSchedule.Empty();
  if (finished != FFinished) {
    FFinished = finished;
    ShowState();
    FHost.ScheduleStateChanged();
  }
  return value;
}

void TFormOutputTimeProfiling::MarkOutputRow() const {
  const QBrush normal = palette().brush(QPalette::Text);
  for (int r = 0; r < ValListEdLoadedSchedule->rowCount(); ++r)
    for (int c = 0; c < 2; ++c)
      if (QTableWidgetItem* item = ValListEdLoadedSchedule->item(r, c)) {
        // Colouring is not typing: the committed-cell handler must not see it.
        const bool was = ValListEdLoadedSchedule->blockSignals(true);
        item->setForeground(r + 1 == FOutputSlotRow ? QBrush(kOutputRowColour) : normal);
        ValListEdLoadedSchedule->blockSignals(was);
      }
}

void TFormOutputTimeProfiling::ToggleActivateClick() {
  BuildRunTable(true);
  FOutputSlotRow = 0;
  FFinished = false;
  MarkOutputRow();
  // A schedule that cannot run, or a channel without one, stays off: its output is left alone.
  FScheduleActive_ = !FScheduleActive_ && Runnable();
  RefreshWindow();
  emit ScheduleToggled(FScheduleActive_);
}

void TFormOutputTimeProfiling::ToggleStatusSchedule(bool) { ToggleActivateClick(); }

void TFormOutputTimeProfiling::SetUnitOutPut(const QString& unit) {
  FValueTitle = unit;
  ValListEdLoadedSchedule->setHorizontalHeaderItem(1, new QTableWidgetItem(unit));
  ValListEdAvScheds->setHorizontalHeaderItem(1, new QTableWidgetItem(unit));
}

// ---- editing ---------------------------------------------------------------------------------

void TFormOutputTimeProfiling::SetLocked(bool locked) {
  FEditingIsLocked = locked;
  RefreshWindow();
}

void TFormOutputTimeProfiling::AddTimeSlot() {
  if (FEditingIsLocked) return;
  FOwnSchedule = true;
  FillTable(ValListEdLoadedSchedule, SlotRows() << QStringLiteral("1 s=0"));
  RefreshWindow();
}

void TFormOutputTimeProfiling::DeleteTimeSlot() {
  if (FEditingIsLocked) return;
  const int row = ValListEdLoadedSchedule->currentRow();
  if (row == 0) return;  // the first slot stays
  if (row < 0 || row >= ValListEdLoadedSchedule->rowCount()) {
    Warn(QStringLiteral("An error occured while deleting row (%1) msg: no slot is selected").arg(row));
    return;
  }
  ValListEdLoadedSchedule->removeRow(row);
  FOwnSchedule = true;
  RefreshWindow();
}

void TFormOutputTimeProfiling::ClearTimeSlots() {
  if (FEditingIsLocked) return;
  FOwnSchedule = true;
  FillTable(ValListEdLoadedSchedule, {QStringLiteral("1 s=0")});
  RefreshWindow();
}

void TFormOutputTimeProfiling::SetTimeUnit(int code) {
  FTimeUnitScheduler = code;
  FUnitMenu->actions().at(std::clamp(code, 0, 3))->setChecked(true);
  RefreshWindow();
}

void TFormOutputTimeProfiling::TypeCell(int row, int column, const QString& text) {
  if (QTableWidgetItem* item = ValListEdLoadedSchedule->item(row, column)) item->setText(text);
}

void TFormOutputTimeProfiling::CellCommitted(int row, int column) {
  if (FFilling) return;
  QTableWidgetItem* item = ValListEdLoadedSchedule->item(row, column);
  if (!item) return;
  const auto [lo, hi] = OutputRange();
  QString text = column == 0 ? scheduletime::NormaliseTimeCell(item->text(), FTimeUnitScheduler)
                             : scheduletime::NormaliseValueCell(item->text(), FIsPIDScheduleEnaged, lo, hi);
  if (column == 1 && !FIsPIDScheduleEnaged)
    if (const auto typed = numbers::ParseTypedInteger(item->text().trimmed()); typed && *typed != text.toLongLong())
      Warn(QStringLiteral("Slot %1: %2 is beyond the output's range (%3 to %4); it is set to %5.")
               .arg(row + 1)
               .arg(*typed)
               .arg(lo)
               .arg(hi)
               .arg(text));
  QString why;
  if (column == 0 && !scheduletime::KeyMilliseconds(text, &why)) {
    Warn(QStringLiteral("Slot %1 cannot take the time %2: %3.").arg(row + 1).arg(text, why));
    text = item->data(Qt::UserRole).toString();
  }
  FFilling = true;
  item->setText(text);
  item->setData(Qt::UserRole, text);
  FFilling = false;
  FOwnSchedule = true;
  RefreshWindow();
}

void TFormOutputTimeProfiling::ToggleExtendedView() {
  FEditorExtendedView = !FEditorExtendedView;
  FSidePane->setVisible(FEditorExtendedView);
  setFixedWidth(FEditorExtendedView ? WideWidth : NarrowWidth);
  RefreshWindow();
}

void TFormOutputTimeProfiling::LoadSavedSchedule() {
  const int index = ChosenStoredIndex();
  if (FEditingIsLocked || index < 0 || ValListEdAvScheds->rowCount() <= 1) return;
  const TSchedule& s = FallAvailableSchds[index];
  FParams = s.Params();
  FTimePointMode = TSchedule::ModeOf(FParams.intervalmode);
  FillTable(ValListEdLoadedSchedule, s.Slots());
  FOwnSchedule = true;
  RefreshWindow();
}

bool TFormOutputTimeProfiling::WriteLine(const QString& line) {
  const TRigConfig* rig = TServices::Rig();
  QString error = QStringLiteral("the rig has no settings file");
  if (rig && TScheduleStore::Save(rig->PathConfigurationIni(), FTargetChannel, line, &error)) return true;
  TServices::Prompts().MessageDlg(QStringLiteral("The schedules could not be saved: %1").arg(error),
                                  TMsgDlgType::mtError, TMsgDlgButtons::OK);
  return false;
}

void TFormOutputTimeProfiling::SaveSchedules() {
  QString editorText;
  if (SlotRows().size() >= 2 &&
      TServices::Prompts().MessageDlg(QStringLiteral("Do you want to save the schedule in the editor to file?"),
                                      TMsgDlgType::mtConfirmation, TMsgDlgButtons::YesNo) == TModalResult::mrYes) {
    editorText = TSchedule::Compose(SlotRows(), FParams, FTimePointMode);
  }
  if (FLoadProblems &&
      TServices::Prompts().MessageDlg(QStringLiteral("The stored line of this channel could not be read completely. "
                                                     "Replace it with the schedules shown?"),
                                      TMsgDlgType::mtConfirmation, TMsgDlgButtons::YesNo) != TModalResult::mrYes)
    return;
  if (WriteLine(scheduleline::Compose(editorText, FallAvailableSchds))) Reloaded();
}

void TFormOutputTimeProfiling::Reloaded() {
  FSaid.clear();
  LoadStoredSchedules();
  // A running schedule goes on with its table until it is reloaded or toggled.
  if (!FScheduleActive_) {
    BuildRunTable(true);
    SettleActivation();
  }
}

void TFormOutputTimeProfiling::DeleteSavedSchedule() {
  const int index = ChosenStoredIndex();
  if (index < 0) return;
  if (TServices::Prompts().MessageDlg(QStringLiteral("Do you want to delete the schedule ") +
                                          CmbBxAvSchs->currentText() + QStringLiteral(" permanently?"),
                                      TMsgDlgType::mtConfirmation, TMsgDlgButtons::YesNo) != TModalResult::mrYes)
    return;
  QList<TSchedule> kept = FallAvailableSchds;
  kept.removeAt(index);
  if (WriteLine(scheduleline::Compose(QString(), kept))) Reloaded();
}

void TFormOutputTimeProfiling::ReloadSchedule() {
  if (!FHost.SchedulingActive()) return;
  if (TServices::Prompts().MessageDlg(
          QStringLiteral("The schedule is currently running, do you want to reload the schedule\rfor this channel?"),
          TMsgDlgType::mtConfirmation, TMsgDlgButtons::YesNo) != TModalResult::mrYes)
    return;
  FScheduleActive_ = false;
  ToggleActivateClick();
}

void TFormOutputTimeProfiling::Help() {
  if (TRigConfig* rig = TServices::Rig()) rig->ShellStringHelp(QLatin1String(helptopics::kScheduler));
}

// ---- window ----------------------------------------------------------------------------------

void TFormOutputTimeProfiling::ShowEditor() {
  // Shown together ("Show all schedules"), the outputs' editors step down and right by output so
  // that none hides another; afterwards each stays where the user put it.
  if (!FPlaced) {
    FPlaced = true;
    const int step = 36 * std::clamp(FOwner.OutputNumber(), 0, 7);
    move(80 + step, 80 + step);
  }
  RefreshWindow();
  TToolWindows::ShowBeside(this);
}

void TFormOutputTimeProfiling::PlaceInside(QWidget* parent) {
  if (!parent) return;
  move(parent->mapToGlobal(QPoint(0, 0)) + QPoint(8, 8));
}

void TFormOutputTimeProfiling::closeEvent(QCloseEvent* event) {
  hide();
  event->accept();
}

QString TFormOutputTimeProfiling::GetScheduleInfo() const {
  return QStringLiteral("Owner: ") + FOwner.fLong_text + QStringLiteral(" (%1) target:  ").arg(FOwner.FChannel) +
         FOwner.TextScheduledTarget() + QStringLiteral(" (%1)").arg(FTargetChannel);
}

QString TFormOutputTimeProfiling::ScheduleState() const {
  if (!FCannotRun.isEmpty()) return QStringLiteral("Schedule not enabled: it cannot run (%1)").arg(FCannotRun);
  if (!FScheduleActive_) return QStringLiteral("Schedule disabled");
  if (FFinished && FHost.SchedulingActive())
    return QStringLiteral("Schedule finished \u2014 ") +
           (FIsPIDScheduleEnaged ? QStringLiteral("set point 0") : QStringLiteral("output 0"));
  return QStringLiteral("Schedule enabled");
}

QString TFormOutputTimeProfiling::FinishedText() const {
  if (!FScheduleActive_ || !FFinished || !FHost.SchedulingActive()) return {};
  return FOwner.fShort_text + QStringLiteral(" finished \u2014 ") +
         (FIsPIDScheduleEnaged ? QStringLiteral("set point 0") : QStringLiteral("output 0"));
}

void TFormOutputTimeProfiling::ShowState() const {
  FStateInfo->setText(ScheduleState());
  if (auto* bar = qobject_cast<QStatusBar*>(FStateInfo->parentWidget()))
    bar->setToolTip(QStringLiteral("Channel Info: ") + GetScheduleInfo() + QStringLiteral(" - ") + ScheduleState());
}

QString TFormOutputTimeProfiling::LoadedSummary() const {
  TSchedule::TParams p = FParams;
  p.intervalmode = TSchedule::ModeText(FTimePointMode);
  return TSchedule::Summary(FTimeUnitScheduler, p);
}

QString TFormOutputTimeProfiling::StoredSummary() const {
  return TSchedule::Summary(FTimeUnitScheduler_av, FParams_av);
}

void TFormOutputTimeProfiling::RefreshWindow() {
  const bool editable = !FEditingIsLocked;
  ValListEdLoadedSchedule->setEnabled(editable);
  EdtNameLoadedSch->setEnabled(editable);
  if (!EdtNameLoadedSch->hasFocus()) EdtNameLoadedSch->setText(FParams.nameschedule);
  FLockedPanel->setVisible(FEditingIsLocked);
  Command(QStringLiteral("Lock"))->setText(FEditingIsLocked ? QStringLiteral("Unlock") : QStringLiteral("Lock"));
  Command(QStringLiteral("Lock"))
      ->setToolTip(FEditingIsLocked ? QStringLiteral("unlock the editor") : QStringLiteral("lock the editor"));
  Command(QStringLiteral("AddSlot"))->setEnabled(editable);
  Command(QStringLiteral("DeleteSlot"))->setEnabled(editable && ValListEdLoadedSchedule->currentRow() > 0);
  Command(QStringLiteral("ClearSlots"))->setEnabled(editable);
  Command(QStringLiteral("TimeUnit"))->setText(QStringLiteral("Unit: ") + scheduletime::UnitWord(FTimeUnitScheduler));
  Command(QStringLiteral("ShowStored"))
      ->setText(FEditorExtendedView ? QStringLiteral("Stored <<") : QStringLiteral("Stored >>"));
  Command(QStringLiteral("LoadStored"))
      ->setEnabled(FEditorExtendedView && editable && ChosenStoredIndex() >= 0 && ValListEdAvScheds->rowCount() > 1);
  Command(QStringLiteral("DeleteStored"))->setEnabled(FEditorExtendedView && ChosenStoredIndex() >= 0);
  Command(QStringLiteral("Reload"))->setEnabled(FHost.SchedulingActive());
  FLoadedInfo->setText(LoadedSummary());
  FStoredInfo->setText(StoredSummary());
  const QString info = GetScheduleInfo();
  FChannelInfo->setText(info);
  ShowState();
}
