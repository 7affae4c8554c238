// The schedule editor on the demo rig's outputs and the scheduler dialog: saving and deleting
// through Configuration.ini, the chooser of stored schedules, typed cells, and the run on one
// reference time.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>

#include "acquisition/qxanalogueoutputsource.h"
#include "acquisition/sourcefixture.h"
#include "rigconfig/inistore.h"
#include "pid/piddisplay.h"
#include "pid/qxcontrollersource.h"
#include "schedule/formoutputtimeprofiling.h"
#include "schedule/formschedulerdlg.h"
#include "schedule/ischedulerhost.h"
#include "schedule/scheduleline.h"
#include "workbook/qstringprinter.h"

namespace {
struct TFakeSchedulerHost : ISchedulerHost {
  bool Active = false;
  TDateTime Ref = -1;
  int Calls = 0;
  bool SchedulingActive() const override { return Active; }
  TDateTime RefTimeScheduling() const override { return Ref; }
  void ToolBtnAutoPilotClickCallBack() override {
    ++Calls;
    Active = !Active;
    Ref = Active ? TServices::Clock().Now() : -1;
  }
  int StateChanges = 0;
  void ScheduleStateChanged() override { ++StateChanges; }
};

const QString kStop = QStringLiteral("\"nextschedule=stop\"");

struct TScheduleEditor : ::testing::Test, TDemoRigFixture {
  TFakeSchedulerHost host;
  TScriptedPrompts prompts;
  QString rigCopy, ini;

  TScheduleEditor() {
    TQXAnalogueOutputSource::SetScheduleEditorFactory(
        [this](TQXAnalogueOutputSource& owner) { return std::make_unique<TFormOutputTimeProfiling>(owner, host); });
    rigCopy = tmp.CopyTree(TDemoSimulator_Source(), "demo");
    ini = rigCopy + "/config/Configuration.ini";
  }
  ~TScheduleEditor() override { TQXAnalogueOutputSource::SetScheduleEditorFactory({}); }
  static QString TDemoSimulator_Source() { return QStringLiteral(QUORLEX_SOURCE_DIR "/examples/rigs/demo"); }

  // The pump's line (output 1, key -2) set before the rig loads.
  void StorePumpLine(const QString& line) {
    TIniStore store(ini);
    store.WriteString("AUTOPILOT", "-2", line);
    ASSERT_TRUE(store.UpdateFile());
  }
  QString PumpLine() const { return TIniStore(ini).ReadString("AUTOPILOT", "-2", "<none>"); }
  TQXAnalogueOutputSource* Output(int number) {
    for (TQXSource* s : list->Sources())
      if (auto* ao = qobject_cast<TQXAnalogueOutputSource*>(s); ao && ao->OutputNumber() == number) return ao;
    return nullptr;
  }
  static TFormOutputTimeProfiling* EditorOf(TQXAnalogueOutputSource* ao) {
    return ao ? dynamic_cast<TFormOutputTimeProfiling*>(ao->FTimeProfilingEditor.get()) : nullptr;
  }
  TFormOutputTimeProfiling* Pump() { return EditorOf(Output(1)); }
  // TIC-1's window: it controls the heater (output 0) from the tank temperature (input 0).
  TPIDdisplay* Tic1() {
    for (TQXSource* s : list->Sources())
      if (auto* c = qobject_cast<TQXControllerSource*>(s); c && c->Index == 1) return c->PIDdisplay.get();
    return nullptr;
  }
  void StoreLine(const char* key, const QString& line) {
    TIniStore store(ini);
    store.WriteString("AUTOPILOT", key, line);
    ASSERT_TRUE(store.UpdateFile());
  }
  bool Load() { return LoadDemo(rigCopy + "/", nullptr, &prompts); }
  // Loads expecting one warning containing `text` as the outputs register.
  bool LoadWarning(const QString& text) {
    return LoadDemo(rigCopy + "/", nullptr, &prompts, [&](TScriptedPrompts& p) { p.ExpectMessage(text); });
  }
};
}  // namespace

TEST_F(TScheduleEditor, SavingPutsTheEditorsScheduleFirstAndKeepsTheFile) {
  StorePumpLine("");  // an empty line: the built-in default stands in
  ASSERT_TRUE(Load());
  TFormOutputTimeProfiling* pump = Pump();
  ASSERT_NE(pump, nullptr);
  EXPECT_EQ(pump->FTargetChannel, -2);
  // The built-in stand-in is there to edit; the pump has no schedule of its own to run.
  EXPECT_FALSE(pump->FScheduleActive());
  EXPECT_EQ(pump->SlotRows(), QStringList({"1 s=0", "2 s=0", "3 s=0"}));
  EXPECT_EQ(pump->LoadedSummary(), "[s] AO INC NRIP C:0 STEP name schedule: default");

  // The unchanged default is saved once, after the question.
  prompts.ExpectMessage("Do you want to save the schedule in the editor to file?", TModalResult::mrYes);
  pump->SaveSchedules();
  EXPECT_EQ(PumpLine(), QLatin1String(TSchedule::DefaultText) + " " + kStop);

  // Locked, nothing can be typed or added.
  EXPECT_TRUE(pump->FEditingIsLocked);
  EXPECT_FALSE(pump->LoadedTable()->isEnabled());
  pump->AddTimeSlot();
  EXPECT_EQ(pump->SlotRows().size(), 3);

  EXPECT_FALSE(pump->Command("AddSlot")->isEnabled());
  EXPECT_EQ(pump->Command("Lock")->toolTip(), "unlock the editor");
  pump->Command("Lock")->trigger();
  EXPECT_FALSE(pump->FEditingIsLocked);
  EXPECT_TRUE(pump->LoadedTable()->isEnabled());
  EXPECT_EQ(pump->Command("Lock")->toolTip(), "lock the editor");
  pump->ClearTimeSlots();
  pump->AddTimeSlot();
  pump->SetTimeUnit(2);
  pump->TypeCell(0, 0, "90");
  // A value beyond the output's range is brought to its limit, and the user told.
  prompts.ExpectMessage("Slot 1: 150 is beyond the output's range (0 to 100); it is set to 100.");
  pump->TypeCell(0, 1, "150");
  pump->TypeCell(1, 0, "2 h");
  pump->TypeCell(1, 1, "40");
  EXPECT_EQ(pump->SlotRows(), QStringList({"90 min=100", "2 min=40"}));
  // A time the run table cannot hold is refused, naming the slot, and the cell goes back.
  prompts.ExpectMessage("Slot 2");
  pump->TypeCell(1, 0, "40000");
  EXPECT_EQ(pump->SlotRows()[1], "2 min=40");

  pump->FParams.nameschedule = "warm-up";
  prompts.ExpectMessage("Do you want to save", TModalResult::mrYes);
  pump->SaveSchedules();
  const auto stored = scheduleline::Read(PumpLine());
  ASSERT_EQ(stored.Schedules.size(), 2);
  EXPECT_EQ(stored.Schedules[0].Param("nameschedule"), "warm-up");
  EXPECT_EQ(stored.Schedules[1].Param("nameschedule"), "default");
  // Reloaded from the file: the saved schedule is in the editor, the next one in the side pane.
  EXPECT_EQ(pump->FallAvailableSchds.size(), 2);
  EXPECT_EQ(pump->SlotRows(), QStringList({"90 min=100", "2 min=40"}));
  EXPECT_EQ(pump->StoredPaneRows(), QStringList({"1 s=0", "2 s=0", "3 s=0"}));
  // The rest of the demo's settings file is still there.
  const QString text = QString::fromUtf8(TTempFolder::Read(ini));
  EXPECT_TRUE(text.contains("; The oscilloscope's settings"));
  EXPECT_TRUE(text.contains("Trigger Mode = Software Trigger"));

  // One slot row: nothing of the editor's is saved and nothing is asked.
  pump->ClearTimeSlots();
  pump->SaveSchedules();
  EXPECT_EQ(scheduleline::Read(PumpLine()).Schedules.size(), 2);
}

TEST_F(TScheduleEditor, TheChooserSkipsUnnamedSchedulesWithoutLosingItsPlace) {
  StorePumpLine(
      "\"1 s=1\" \"params=begin\" \"intervalmode=INC\" \"nameschedule=first\" \"nextschedule=begin\" "
      "\"1 s=2\" \"params=begin\" \"nameschedule=\" \"nextschedule=begin\" "
      "\"1 s=3\" \"2 s=4\" \"params=begin\" \"intervalmode=CON\" \"nameschedule=third\" \"nextschedule=stop\"");
  ASSERT_TRUE(Load());
  TFormOutputTimeProfiling* pump = Pump();
  ASSERT_NE(pump, nullptr);
  ASSERT_EQ(pump->FallAvailableSchds.size(), 3);
  ASSERT_EQ(pump->Chooser()->count(), 2);
  EXPECT_EQ(pump->Chooser()->itemText(1), "third");
  pump->ToggleExtendedView();
  EXPECT_EQ(pump->width(), TFormOutputTimeProfiling::WideWidth);
  pump->Chooser()->setCurrentIndex(1);
  emit pump->Chooser()->activated(1);
  EXPECT_EQ(pump->ChosenStoredIndex(), 2);
  EXPECT_EQ(pump->StoredPaneRows(), QStringList({"1 s=3", "2 s=4"}));
  // A picture for a person to look at: the editor unlocked, with its side pane.
  if (const QByteArray dir = qgetenv("QUORLEX_SHOTS"); !dir.isEmpty()) {
    pump->SetLocked(false);
    pump->show();
    pump->grab().save(QString::fromLocal8Bit(dir) + "/schedule-editor-wide.png");
    pump->SetLocked(true);
  }

  // Loaded into the editor and saved: its CON stays CON.
  pump->SetLocked(false);
  pump->LoadSavedSchedule();
  EXPECT_EQ(pump->FTimePointMode, continuos);
  prompts.ExpectMessage("Do you want to save", TModalResult::mrYes);
  pump->SaveSchedules();
  EXPECT_TRUE(PumpLine().startsWith("\"1 s=3\" \"2 s=4\" \"params=begin\" \"typechannel=\" \"intervalmode=CON\""))
      << PumpLine().toStdString();

  // Deleting asks by name and removes exactly the chosen schedule.
  const int before = static_cast<int>(pump->FallAvailableSchds.size());
  pump->Chooser()->setCurrentIndex(pump->Chooser()->findText("first"));
  prompts.ExpectMessage("Do you want to delete the schedule first permanently?", TModalResult::mrYes);
  pump->DeleteSavedSchedule();
  const auto left = scheduleline::Read(PumpLine()).Schedules;
  ASSERT_EQ(static_cast<int>(left.size()), before - 1);
  for (const TSchedule& s : left) EXPECT_NE(s.Param("nameschedule"), "first");
}

TEST_F(TScheduleEditor, DeletingTheOnlyScheduleLeavesTheStopMarker) {
  StorePumpLine("\"1 s=7\" \"params=begin\" \"intervalmode=INC\" \"nameschedule=only\" \"nextschedule=stop\"");
  ASSERT_TRUE(Load());
  TFormOutputTimeProfiling* pump = Pump();
  ASSERT_NE(pump, nullptr);
  pump->ToggleExtendedView();
  pump->ShowStoredSchedule(0);
  prompts.ExpectMessage("delete the schedule only", TModalResult::mrYes);
  pump->DeleteSavedSchedule();
  EXPECT_EQ(PumpLine(), kStop);
  EXPECT_TRUE(pump->SlotRows().isEmpty());
  EXPECT_EQ(pump->FTimePointMode, wrong);
}

TEST_F(TScheduleEditor, AnUnreadableLineIsReportedAndSavingOverItAsksFirst) {
  ASSERT_TRUE(Load());
  TFormOutputTimeProfiling* pump = Pump();
  ASSERT_NE(pump, nullptr);
  const QString cut = "\"1 s=7\" \"params=begin\" \"intervalmode=INC\" \"nameschedule=cut";
  StorePumpLine(cut);
  prompts.ExpectMessage("could not be read completely");
  pump->LoadScheduleForTargetChl(-2);
  EXPECT_EQ(prompts.Pending(), 0);
  EXPECT_EQ(pump->SlotRows(), QStringList({"1 s=7"}));
  // Saving would replace the line: only after a yes.
  prompts.ExpectMessage("could not be read completely. Replace it", TModalResult::mrNo);
  pump->SaveSchedules();
  EXPECT_EQ(PumpLine(), cut);
}

TEST_F(TScheduleEditor, AllOutputsRunOnOneReferenceTime) {
  StorePumpLine("\"1 s=0\" \"2 s=5\" \"3 s=10\" \"params=begin\" \"intervalmode=INC\" \"nameschedule=steps\" " + kStop);
  ASSERT_TRUE(Load());
  TFormOutputTimeProfiling* pump = Pump();
  ASSERT_NE(pump, nullptr);
  host.ToolBtnAutoPilotClickCallBack();  // started now
  auto at = [&](double ms) {
    clock.Set(host.Ref + ms / datetime::MSecsPerDay);
    return pump->GetScheduledProcValue();
  };
  EXPECT_EQ(at(500), 0);
  EXPECT_EQ(at(1500), 5);
  EXPECT_EQ(pump->FOutputSlotRow, 2);
  EXPECT_EQ(pump->LoadedTable()->item(1, 0)->foreground().color(), QColor(0, 128, 0));
  EXPECT_NE(pump->LoadedTable()->item(0, 0)->foreground().color(), QColor(0, 128, 0));
  EXPECT_EQ(at(3000), 10);
  EXPECT_EQ(at(6000), 0);

  // Stopped and started again: from the first slot.
  host.ToolBtnAutoPilotClickCallBack();
  host.ToolBtnAutoPilotClickCallBack();
  EXPECT_EQ(at(200), 0);
  EXPECT_EQ(at(1200), 5);

  // Suspended, then activated 10 s into a run of a schedule whose first slot ends at 5 s: it
  // starts at its second slot on the shared clock.
  pump->ToggleActivateClick();
  EXPECT_FALSE(pump->FScheduleActive());
  pump->SetLocked(false);
  pump->ClearTimeSlots();
  pump->TypeCell(0, 0, "5");
  pump->AddTimeSlot();
  pump->TypeCell(1, 0, "20");
  pump->TypeCell(1, 1, "30");
  at(10000);
  pump->ToggleActivateClick();
  EXPECT_TRUE(pump->FScheduleActive());
  EXPECT_EQ(at(10000), 30);
  EXPECT_EQ(pump->FOutputSlotRow, 2);

  // Driving a controller's set point: values are not percentages. Edits run after a reload,
  // which asks first and leaves the schedule active.
  pump->SetPIDScheduleEngaged(true);
  pump->TypeCell(1, 1, "150");
  EXPECT_EQ(at(12000), 30);
  prompts.ExpectMessage("do you want to reload the schedule", TModalResult::mrYes);
  pump->ReloadSchedule();
  EXPECT_TRUE(pump->FScheduleActive());
  EXPECT_EQ(at(12000), 150);
}

TEST_F(TScheduleEditor, TheDialogOffersEightRowsAndStartsAndSuspends) {
  ASSERT_TRUE(Load());
  // Three more outputs beside the demo's heater and pump: five in all.
  std::vector<std::unique_ptr<TQXAnalogueOutputSource>> extra;
  std::vector<TQXAnalogueOutputSource*> outputs;
  for (TQXSource* s : list->Sources())
    if (auto* ao = qobject_cast<TQXAnalogueOutputSource*>(s)) outputs.push_back(ao);
  for (int n = 2; n < 5; ++n) {
    auto def = Def(ANALOGUE_OUT_DATASRC, 0, -(n + 1), 0);
    Calibrate(def, {{0, 0.0}, {100, 5.0}});
    extra.push_back(std::make_unique<TQXAnalogueOutputSource>());
    extra.back()->RegisterParent(&panel, def);
    outputs.push_back(extra.back().get());
  }
  // One without a place on the diagram has no editor and no row.
  auto hidden = Def(ANALOGUE_OUT_DATASRC, 0, -8, 0, false);
  TQXAnalogueOutputSource unplaced;
  unplaced.RegisterParent(&panel, hidden);
  outputs.push_back(&unplaced);
  ASSERT_EQ(outputs.size(), 6u);

  TFormSchedulerDlg dlg(host, outputs);
  ASSERT_EQ(dlg.FAvailableAO, 5);
  for (int i = 6; i <= 8; ++i) {
    QCheckBox* box = dlg.FArrayCheckBoxes[static_cast<size_t>(i - 1)];
    EXPECT_EQ(box->text(), QStringLiteral("Analogue Output %1 is not available  on this rig").arg(i));
    EXPECT_FALSE(box->isEnabled());
    EXPECT_FALSE(box->isChecked());
  }
  EXPECT_TRUE(dlg.FArrayCheckBoxes[0]->text().startsWith("Schedule 1: Owner: "));
  EXPECT_TRUE(dlg.AllBox()->isChecked());
  EXPECT_FALSE(dlg.FArrayCheckBoxes[4]->isEnabled());
  EXPECT_TRUE(dlg.MessageText().startsWith("The scheduler is not running."));
  EXPECT_EQ(dlg.OKText(), "Start");

  // Initialised with the all box: every schedule of its own active (the heater's and the pump's),
  // the added outputs without one left alone; OK starts scheduling.
  dlg.InitializeDialogue();
  for (size_t i = 0; i < dlg.FArrayFormOutputProfiler.size(); ++i)
    EXPECT_EQ(dlg.FArrayFormOutputProfiler[i]->FScheduleActive(), i < 2) << i;
  dlg.OKClick();
  EXPECT_TRUE(host.Active);
  EXPECT_EQ(dlg.OKText(), "Stop");

  // While running, without the all box, OK suspends the unticked ones and scheduling goes on.
  dlg.AllBox()->setChecked(false);
  EXPECT_TRUE(dlg.FArrayCheckBoxes[1]->isEnabled());
  dlg.FArrayCheckBoxes[1]->setChecked(false);
  dlg.OKClick();
  EXPECT_TRUE(host.Active);
  EXPECT_FALSE(dlg.FArrayFormOutputProfiler[1]->FScheduleActive());
  EXPECT_TRUE(dlg.FArrayFormOutputProfiler[0]->FScheduleActive());
  // An editor toggled elsewhere (reload, the controller) moves its box.
  dlg.FArrayFormOutputProfiler[1]->ToggleActivateClick();
  EXPECT_TRUE(dlg.FArrayCheckBoxes[1]->isChecked());
  // With the all box, OK stops everything.
  dlg.AllBox()->setChecked(true);
  dlg.OKClick();
  EXPECT_FALSE(host.Active);
  EXPECT_EQ(host.Calls, 2);
}

// A schedule that cannot run is said so once and leaves its output alone, however often it is
// toggled; the editor says it is not enabled.
TEST_F(TScheduleEditor, AScheduleThatCannotRunLeavesItsOutputAlone) {
  StorePumpLine("\"1 s=20\" \"2 s=60\" \"params=begin\" \"intervalmode=SOMETIMES\" \"nameschedule=odd\" " + kStop);
  ASSERT_TRUE(LoadWarning("The schedule \"odd\" of Owner: "));
  EXPECT_EQ(prompts.Pending(), 0);
  EXPECT_TRUE(prompts.MessageTexts().last().contains("cannot run")) << prompts.MessageTexts().last().toStdString();
  TQXAnalogueOutputSource* pumpOut = Output(1);
  TFormOutputTimeProfiling* pump = EditorOf(pumpOut);
  ASSERT_NE(pump, nullptr);
  EXPECT_FALSE(pump->FScheduleActive());
  EXPECT_TRUE(pump->ScheduleState().startsWith("Schedule not enabled: it cannot run")) << pump->ScheduleState().toStdString();
  pumpOut->AnalogueSet(40);
  pump->ToggleActivateClick();  // as the dialog's Apply does
  EXPECT_FALSE(pump->FScheduleActive());
  host.ToolBtnAutoPilotClickCallBack();
  clock.AdvanceMs(1500);
  pumpOut->FollowSchedule();  // as the sampling tick does while scheduling runs
  EXPECT_EQ(pumpOut->AnalogueDataBox->value(), 40);
  EXPECT_EQ(OutputCounts(0x9C), pumpOut->GetRawFromProcess(40));
}

// With TIC-1 in Automatic its heater's schedule target is the tank, which has no schedule: Start
// leaves the set point alone. A schedule that runs out holds its output at 0 and says so.
TEST_F(TScheduleEditor, NoOwnScheduleIsLeftAloneAndARunOutScheduleSaysItFinished) {
  StorePumpLine("\"1 s=20\" \"1 s=30\" \"params=begin\" \"intervalmode=INC\" \"nameschedule=short\" " + kStop);
  ASSERT_TRUE(Load());
  TPIDdisplay* tic1 = Tic1();
  ASSERT_NE(tic1, nullptr);
  TQXAnalogueOutputSource* heaterOut = Output(0);
  TFormOutputTimeProfiling* heater = EditorOf(heaterOut);
  ASSERT_NE(heater, nullptr);
  tic1->SetPoint->setText("55");
  tic1->ApplySettings();
  tic1->ModeRadio[TPIDdisplay::Automatic]->click();
  EXPECT_EQ(heater->FTargetChannel, 0);
  EXPECT_FALSE(heater->FScheduleActive());
  heater->ToggleActivateClick();  // "All available schedules" ticked
  EXPECT_FALSE(heater->FScheduleActive());
  TFormOutputTimeProfiling* pump = Pump();
  ASSERT_TRUE(pump->FScheduleActive());

  host.ToolBtnAutoPilotClickCallBack();
  clock.AdvanceMs(1500);
  heaterOut->FollowSchedule();
  EXPECT_DOUBLE_EQ(tic1->Calc().SetPointTerm, 55);
  Output(1)->FollowSchedule();
  EXPECT_EQ(Output(1)->AnalogueDataBox->value(), 30);
  EXPECT_EQ(pump->ScheduleState(), "Schedule enabled");
  EXPECT_EQ(pump->FinishedText(), "");

  const int changes = host.StateChanges;
  clock.AdvanceMs(1000);
  Output(1)->FollowSchedule();
  EXPECT_EQ(Output(1)->AnalogueDataBox->value(), 0);  // the safe end, as before
  EXPECT_EQ(pump->ScheduleState(), "Schedule finished \u2014 output 0");
  EXPECT_EQ(pump->FinishedText(), Output(1)->fShort_text + " finished \u2014 output 0");
  EXPECT_EQ(host.StateChanges, changes + 1);
  Output(1)->FollowSchedule();
  EXPECT_EQ(host.StateChanges, changes + 1);  // told once, not every tick
  host.ToolBtnAutoPilotClickCallBack();         // stopped: nothing runs, nothing is finished
  EXPECT_EQ(pump->FinishedText(), "");
}

// The same warning once per schedule while the rig is loaded: not again for every controller mode
// change, which reloads the heater's schedules each time. Stored values beyond the output's range
// run at its limit, with one warning naming the schedule and the slots.
TEST_F(TScheduleEditor, ScheduleWarningsComeOncePerLoadAndStoredValuesAreClamped) {
  StoreLine("-1", "\"1 min=150\" \"1 min=-5\" \"1 min=60\" \"params=begin\" \"intervalmode=INC\" "
                  "\"nameschedule=too hot\" " + kStop);
  ASSERT_TRUE(LoadWarning("The schedule \"too hot\" of Owner: "));
  EXPECT_EQ(prompts.Pending(), 0);
  const QString warning = prompts.MessageTexts().last();
  EXPECT_TRUE(warning.contains("asks for more than the output can give (0 to 100): slot 1 (150) runs as 100; "
                               "slot 2 (-5) runs as 0"))
      << warning.toStdString();
  TPIDdisplay* tic1 = Tic1();
  ASSERT_NE(tic1, nullptr);
  TFormOutputTimeProfiling* heater = EditorOf(Output(0));
  for (int round = 0; round < 2; ++round)
    for (int mode : {TPIDdisplay::Automatic, TPIDdisplay::Manual, TPIDdisplay::Off})
      tic1->ModeRadio[mode]->click();
  EXPECT_EQ(prompts.MessageTexts().size(), 1) << prompts.MessageTexts().join('\n').toStdString();
  EXPECT_EQ(heater->FTargetChannel, -1);
  // The stored line is kept as it is; the run takes the limits.
  EXPECT_EQ(heater->SlotRows(), QStringList({"1 min=150", "1 min=-5", "1 min=60"}));
  ASSERT_EQ(heater->FSchedule.Slots().size(), 3u);
  EXPECT_EQ(heater->FSchedule.Slots()[0].FvalSingle, 100);
  EXPECT_EQ(heater->FSchedule.Slots()[1].FvalSingle, 0);
  EXPECT_EQ(heater->FSchedule.Slots()[2].FvalSingle, 60);
}
