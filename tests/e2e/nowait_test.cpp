// Sampling never waits on a person: the demo rig against the card simulator, recording every
// 500 ms while a dialog of each kind the program opens stays up for a while, and while TIC-1
// follows a set-point schedule with its band box half-typed. Every sample must come within one
// interval of its due time.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

#include "acquisition/qxdatalist.h"
#include "acquisition/qxloggerpanel.h"
#include "ifd/qxifd.h"
#include "ifd/serial/waitfor.h"
#include "pid/piddisplay.h"
#include "pid/qxcontrollersource.h"
#include "platform/datetime.h"
#include "platform/nowaitzone.h"
#include "platform/qtprompts.h"
#include "platform/services.h"
#include "results/tableform.h"
#include "rigconfig/inistore.h"
#include "schedule/formschedulerdlg.h"
#include "shell/master.h"
#include "shell/resultsmdi.h"
#include "workbook/model/workbook.h"
#include "workbook/view/f1book.h"
#include "support/demosimulator.h"
#include "support/scriptedprompts.h"
#include "support/tempfolder.h"

namespace {
// The program's real modal dialogs, each answered (closed) by a slow user after `openMs`.
class TSlowUserPrompts : public TQtPrompts {
 public:
  explicit TSlowUserPrompts(int openMs) : FPrevious(&TServices::Prompts()), FOpenMs(openMs) {
    TServices::SetPrompts(this);
  }
  ~TSlowUserPrompts() override { TServices::SetPrompts(FPrevious); }

  TModalResult MessageDlg(const QString& text, TMsgDlgType kind, TMsgDlgButtons buttons) override {
    Arm();
    return TQtPrompts::MessageDlg(text, kind, buttons);
  }
  std::optional<QString> OpenFileDialog(const TFileDialogRequest& request) override {
    Arm();
    return TQtPrompts::OpenFileDialog(request);
  }
  std::optional<QString> SaveFileDialog(const TFileDialogRequest& request) override {
    Arm();
    return TQtPrompts::SaveFileDialog(request);
  }
  std::optional<int> ChooseItem(const TChoiceRequest& request) override {
    Arm();
    return TQtPrompts::ChooseItem(request);
  }
  std::optional<QString> InputText(const QString& caption, const QString& prompt, const QString& initial,
                                   bool password, const TTextDialog& customDialog) override {
    Arm();
    return TQtPrompts::InputText(caption, prompt, initial, password, customDialog);
  }
  void Notice(const QString& text, TMsgDlgType kind) override {
    Notices << text;
    TQtPrompts::Notice(text, kind);
  }

  int Opened = 0, ClosedWhileModal = 0, OpenedInZone = 0;
  QStringList Notices;

 private:
  void Arm() {
    ++Opened;
    if (TNoWaitZone::Inside()) ++OpenedInZone;
    QTimer::singleShot(FOpenMs, [this] {
      bool closed = false;
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->isVisible() && dialog->isModal()) {
          closed = true;
          dialog->reject();
        }
      if (closed) ++ClosedWhileModal;
    });
  }
  IPrompts* FPrevious;
  int FOpenMs;
};
}  // namespace

TEST(NoWait, SamplesKeepTheirTimesWhileDialogsAreOpenAndControllersFollowSchedules) {
  if (!TCardSimulator::Built()) GTEST_SKIP() << "the simulator is not built";
  TTempFolder tmp;
  TDemoSimulator sim(tmp);
  {
    TIniStore ini(sim.Rig() + "/config/Configuration.ini");
    ini.WriteString("Scope", "feature", "off");  // Sample Now drives the logger
    // TIC-1's set point (the tank, input 0) follows a schedule of its own.
    ini.WriteString("AUTOPILOT", "0",
                    "\"10 min=45\" \"params=begin\" \"typechannel=AO\" \"intervalmode=INC\" \"repeat=NRIP\" "
                    "\"cycles=0\" \"changemode=STEP\" \"nameschedule=warm\" \"nextschedule=stop\"");
    ASSERT_TRUE(ini.UpdateFile());
  }
  ASSERT_TRUE(sim.Start());
  ASSERT_TRUE(WaitFor([&] { return QFileInfo::exists(sim.Devices() + "/VelUSB0"); }, 5000));

  TScriptedPrompts startUp;
  startUp.ExpectChoice(0);
  auto master = std::make_unique<TMaster>();
  master->StartUp(sim.Rig(), {});
  TQXLoggerPanel* logger = master->Diagram()->Logger();
  ASSERT_NE(logger, nullptr);
  TPIDdisplay* tic1 = nullptr;
  for (TQXSource* s : TServices::DataList()->Sources())
    if (auto* c = qobject_cast<TQXControllerSource*>(s); c && c->Index == 1) tic1 = c->PIDdisplay.get();
  ASSERT_NE(tic1, nullptr);

  // TIC-1 in Automatic, scheduling started with every schedule.
  tic1->ModeRadio[TPIDdisplay::Automatic]->click();
  master->Action("StartSchedule")->trigger();
  ASSERT_NE(master->SchedulerDlg(), nullptr);
  master->SchedulerDlg()->OKClick();
  ASSERT_TRUE(master->FSchedulingActive);
  ASSERT_TRUE(WaitFor([&] { return tic1->Calc().SetPointTerm == 45; }, 3000)) << tic1->Calc().SetPointTerm;

  constexpr int kInterval = 500;
  logger->Programmed_Sample_Mode = PSS_FreeRun;
  logger->Sample_Interval = kInterval;
  master->Action("SampleNow")->trigger();
  ASSERT_EQ(logger->Current_Sample_State, RSS_Active);
  WaitFor([] { return false; }, 1000);

  {
    TSlowUserPrompts user(1500);
    IPrompts& prompts = TServices::Prompts();
    prompts.MessageDlg("Is the pump primed?", TMsgDlgType::mtConfirmation, TMsgDlgButtons::YesNo);
    prompts.OpenFileDialog({"Open Results", "Results|*.xlsx", tmp.Path(), "", "xlsx"});
    prompts.SaveFileDialog({"Save Results", "Results|*.xlsx", tmp.Path(), "run.xlsx", "xlsx"});
    prompts.ChooseItem({"Exercise", "Choose the exercise", {"One", "Two"}, 0, {}});
    prompts.InputText("Lecturer", "Password", "", true);
    EXPECT_EQ(user.Opened, 5);
    EXPECT_EQ(user.ClosedWhileModal, 5);  // each was really up, modal, until the user closed it

    // The band box cleared, "-" and "." on the way to a number, while the schedule hands TIC-1
    // its set point on every tick: nothing is asked, the band is kept until the box reads.
    const double band = tic1->Calc().ProportionalTerm;
    for (const char* typing : {"", "-", "."}) {
      tic1->PropBand->setText(typing);
      WaitFor([] { return false; }, 700);
    }
    EXPECT_EQ(user.Opened, 5);
    EXPECT_EQ(user.OpenedInZone, 0);
    EXPECT_TRUE(user.Notices.isEmpty()) << user.Notices.join('\n').toStdString();
    EXPECT_EQ(tic1->Calc().ProportionalTerm, band);
    EXPECT_EQ(tic1->PropBand->text(), ".");
    EXPECT_EQ(tic1->Calc().SetPointTerm, 45);
  }
  master->Action("SampleNow")->trigger();  // stop
  ASSERT_EQ(logger->Current_Sample_State, RSS_Idle);

  TWorkbook& results = master->Table()->ResultsTable->Book();
  results.SetSheet(1);
  const int samples = logger->Sample_Transfer_Count;
  // 1 s before, 5 dialogs of 1.5 s and 2.1 s of typing: about 18 samples at 0.5 s.
  EXPECT_GE(samples, 16);
  const double first = results.NumberRC(2, 3) * datetime::MSecsPerDay;
  for (int k = 0; k < samples; ++k) {
    ASSERT_EQ(results.ValueRC(k + 2, 3).Kind, TValueKind::Number) << "sample " << k + 1;
    const double at = results.NumberRC(k + 2, 3) * datetime::MSecsPerDay - first;
    EXPECT_LT(std::abs(at - k * kInterval), kInterval) << "sample " << k + 1 << " at " << at << " ms";
  }
  startUp.ExpectMessage("", TModalResult::mrNo);  // the unsaved run is not kept
  master->close();
  master.reset();
}
