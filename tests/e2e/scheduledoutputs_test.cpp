// Output schedules in the whole program: the demo rig with the scheduler switched on, a pump
// schedule of 0, 5 and 10 % run on a settable clock, and the values checked where they end up, in
// the output registers the simulated card received.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSpinBox>

#include "acquisition/qxanalogueoutputsource.h"
#include "acquisition/qxdatalist.h"
#include "ifd/qxifd.h"
#include "ifd/serial/waitfor.h"
#include "platform/iclock.h"
#include "platform/services.h"
#include "rigconfig/inistore.h"
#include "schedule/formoutputtimeprofiling.h"
#include "schedule/formschedulerdlg.h"
#include "shell/master.h"
#include "shell/resultsmdi.h"
#include "support/demosimulator.h"
#include "support/scriptedprompts.h"
#include "support/tempfolder.h"
#include "workbook/qstringprinter.h"

namespace {
// The date and time are set by the test; intervals and timeouts still pass in real time, so the
// program's own waits end.
class TSetClock : public IClock {
 public:
  TSetClock() {
    FTimer.start();
    TServices::SetClock(this);
  }
  ~TSetClock() override { TServices::SetClock(nullptr); }
  TDateTime Now() const override { return FNow; }
  std::int64_t TickCountMs() const override { return FTimer.elapsed(); }
  TDateTime FNow = 46000.25;

 private:
  QElapsedTimer FTimer;
};

// The last value the card got for analogue output 1 (registers 0x9C, 0x9D), in counts.
std::optional<int> LastPumpCounts(const QString& log) {
  std::optional<int> counts;
  int low = -1;
  static const QRegularExpression ram("^SetRAM 0x(9c|9d)=0x([0-9a-f]+)$");
  for (const QString& line : QString::fromUtf8(TTempFolder::Read(log)).split('\n')) {
    if (line.section('\t', 1, 1) != "VelUSB0") continue;
    const QRegularExpressionMatch m = ram.match(line.section('\t', 2));
    if (!m.hasMatch()) continue;
    const int value = m.captured(2).toInt(nullptr, 16);
    if (m.captured(1) == "9c")
      low = value;
    else if (low >= 0)
      counts = (value << 8 | low) - 2048;
  }
  return counts;
}
}  // namespace

TEST(ScheduledOutputs, ThePumpFollowsItsScheduleOnTheCard) {
  if (!TCardSimulator::Built()) GTEST_SKIP() << "the simulator is not built";
  TTempFolder tmp;
  TDemoSimulator sim(tmp);
  {
    TIniStore ini(sim.Rig() + "/config/Configuration.ini");
    ini.WriteString("AUTOPILOT", "feature", "on");
    ini.WriteString("AUTOPILOT", "-2",
                    "\"1 s=0\" \"2 s=5\" \"3 s=10\" \"params=begin\" \"typechannel=AO\" \"intervalmode=INC\" "
                    "\"repeat=NRIP\" \"cycles=0\" \"changemode=STEP\" \"nameschedule=steps\" \"nextschedule=stop\"");
    ASSERT_TRUE(ini.UpdateFile());
  }
  ASSERT_TRUE(sim.Start());
  TSetClock clock;
  TScriptedPrompts prompts;
  prompts.ExpectChoice(0);
  auto master = std::make_unique<TMaster>();
  master->StartUp(sim.Rig(), {});
  TQXIFD* ifd = master->Diagram()->IFD();
  ASSERT_NE(ifd, nullptr);
  ASSERT_TRUE(WaitFor([&] { return ifd->PortsOpen && ifd->FLegIOActive; }, 8000));

  for (const char* command : {"Scheduler", "ShowSchedules", "StartSchedule"})
    EXPECT_TRUE(master->Action(command)->isEnabled()) << command;
  EXPECT_EQ(master->FeaturePanelText("autopilot"), "Scheduling: off");
  TQXAnalogueOutputSource* pump = nullptr;
  for (TQXSource* s : TServices::DataList()->Sources())
    if (auto* ao = qobject_cast<TQXAnalogueOutputSource*>(s); ao && ao->OutputNumber() == 1) pump = ao;
  ASSERT_NE(pump, nullptr);
  auto* editor = dynamic_cast<TFormOutputTimeProfiling*>(pump->FTimeProfilingEditor.get());
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->SlotRows(), QStringList({"1 s=0", "2 s=5", "3 s=10"}));

  // "Show all schedules" shows the editors; "Start Schedule" the dialog, whose Start runs them.
  master->Action("ShowSchedules")->trigger();
  EXPECT_TRUE(editor->isVisible());
  master->Action("StartSchedule")->trigger();
  TFormSchedulerDlg* dlg = master->SchedulerDlg();
  ASSERT_NE(dlg, nullptr);
  EXPECT_TRUE(dlg->isVisible());
  dlg->OKClick();
  ASSERT_TRUE(master->FSchedulingActive);
  EXPECT_EQ(master->FRefTimeScheduling, clock.FNow);
  EXPECT_EQ(master->FeaturePanelText("autopilot"),
            "Scheduling started " + datetime::ToQDateTime(clock.FNow).time().toString(Qt::TextDate));
  EXPECT_EQ(master->Action("StartSchedule")->toolTip(), "Stop the execution of scheduled outputs");

  // Each step: the clock set into a slot, then the logger's ticks carry the slot's value to the card.
  const TDateTime start = master->FRefTimeScheduling;
  const std::pair<int, int> steps[] = {{500, 0}, {2000, 5}, {4500, 10}, {7000, 0}};
  for (const auto& [ms, percent] : steps) {
    clock.FNow = start + ms / datetime::MSecsPerDay;
    const int expected = pump->GetRawFromProcess(percent);
    EXPECT_TRUE(WaitFor([&] { return LastPumpCounts(sim.Log()) == expected; }, 8000))
        << "at " << ms << " ms the card has " << LastPumpCounts(sim.Log()).value_or(-99999) << ", not " << expected;
    EXPECT_EQ(pump->AnalogueDataBox->value(), percent);
  }
  EXPECT_NE(pump->GetRawFromProcess(5), pump->GetRawFromProcess(10));
  // Pictures for a person to look at: the main window while scheduling runs, the pump's editor
  // and the dialog as it shows then.
  if (const QByteArray dir = qgetenv("QUORLEX_SHOTS"); !dir.isEmpty()) {
    master->resize(1100, 760);
    master->show();
    clock.FNow = start + 1500 / datetime::MSecsPerDay;
    WaitFor([] { return false; }, 1500);
    master->grab().save(QString::fromLocal8Bit(dir) + "/schedule-running.png");
    editor->grab().save(QString::fromLocal8Bit(dir) + "/schedule-editor-running.png");
    dlg->show();
    WaitFor([] { return false; }, 300);
    dlg->grab().save(QString::fromLocal8Bit(dir) + "/schedule-dialog-running.png");
    dlg->hide();
  }

  // Stopped from the dialog: the panel says so and the pump keeps its last value.
  master->Action("StartSchedule")->trigger();
  EXPECT_EQ(dlg->OKText(), "Stop");
  dlg->OKClick();
  EXPECT_FALSE(master->FSchedulingActive);
  EXPECT_EQ(master->FRefTimeScheduling, -1.0);
  EXPECT_EQ(master->FeaturePanelText("autopilot"), "Scheduling: off");

  master->close();
  master.reset();
}
