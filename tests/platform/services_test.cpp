#include <gtest/gtest.h>
#include <gtest/gtest-spi.h>

#include <QCoreApplication>
#include <QThread>

#include <memory>

#include "platform/datetime.h"
#include "platform/hourglass.h"
#include "platform/iclock.h"
#include "platform/iprompts.h"
#include "platform/messagebus.h"
#include "platform/nowaitprompts.h"
#include "platform/nowaitzone.h"
#include "platform/qtprompts.h"
#include "platform/services.h"
#include "support/manualclock.h"
#include "support/recordinglauncher.h"
#include "support/scriptedprompts.h"
#include "platform/iprogramlauncher.h"

TEST(ScriptedPrompts, AnswersFromTheQueueAndRecordsTexts) {
  TScriptedPrompts prompts;
  prompts.ExpectMessage("Save", TModalResult::mrYes).ExpectChoice(2).ExpectSaveFile(QStringLiteral("/tmp/x.vts"));
  IPrompts& p = TServices::Prompts();
  EXPECT_EQ(p.MessageDlg("Save the results?", TMsgDlgType::mtConfirmation, TMsgDlgButtons::YesNoCancel),
            TModalResult::mrYes);
  EXPECT_EQ(p.ChooseItem({"Port", "Choose", {"COM1", "COM2", "COM3"}, 0}), 2);
  EXPECT_EQ(p.SaveFileDialog({}), QStringLiteral("/tmp/x.vts"));
  ASSERT_EQ(prompts.Records().size(), 3u);
  EXPECT_EQ(prompts.Records()[0].Type, TMsgDlgType::mtConfirmation);
  EXPECT_EQ(prompts.Records()[0].Buttons, TMsgDlgButtons::YesNoCancel);
  EXPECT_EQ(prompts.Records()[1].Items.size(), 3);
}

TEST(ScriptedPrompts, AnUnexpectedPromptFailsTheTestAndGetsTheSafeAnswer) {
  TModalResult answer = TModalResult::mrNone;
  EXPECT_NONFATAL_FAILURE(
      {
        TScriptedPrompts prompts;
        answer = TServices::Prompts().MessageDlg("Delete everything?", TMsgDlgType::mtConfirmation,
                                                 TMsgDlgButtons::YesNo);
      },
      "unexpected message: \"Delete everything?\"");
  EXPECT_EQ(answer, TModalResult::mrNo);
}

TEST(ScriptedPrompts, AWrongTextOrAnUnansweredExpectationFails) {
  EXPECT_NONFATAL_FAILURE(
      {
        TScriptedPrompts prompts;
        prompts.ExpectMessage("Port not found");
        TServices::Prompts().MessageDlg("Card lost", TMsgDlgType::mtError, TMsgDlgButtons::OK);
      },
      "expected message \"Port not found\" but got message: \"Card lost\"");
  EXPECT_NONFATAL_FAILURE(
      {
        TScriptedPrompts prompts;
        prompts.ExpectMessage("never shown");
      },
      "never came");
}

TEST(Clock, ManualClockIsTheProgramClockWhileItLives) {
  const TDateTime t = datetime::EncodeDate(2026, 12, 9) + datetime::EncodeTime(10, 30, 0, 0);
  {
    TManualClock clock(t);
    clock.AdvanceMs(90'000);
    EXPECT_DOUBLE_EQ(TServices::Clock().Now(), t + 90.0 / datetime::SecsPerDay);
    EXPECT_EQ(TServices::Clock().TickCountMs(), 90'000);
  }
  EXPECT_GT(TServices::Clock().Now(), t - 1000);  // the system clock is back
}

TEST(DateTime, SerialDaysFromThe1899Epoch) {
  EXPECT_EQ(datetime::EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(datetime::EncodeDate(1900, 1, 1), 2.0);
  EXPECT_EQ(datetime::EncodeDate(2000, 1, 1), 36526.0);
  EXPECT_DOUBLE_EQ(datetime::EncodeTime(12, 0, 0, 0), 0.5);
  const auto parts = datetime::DecodeTime(36526.0 + datetime::EncodeTime(23, 59, 59, 999));
  EXPECT_EQ(parts.hour, 23);
  EXPECT_EQ(parts.min, 59);
  EXPECT_EQ(parts.sec, 59);
  EXPECT_EQ(parts.msec, 999);
  const QDateTime dt(QDate(2026, 12, 9), QTime(8, 15, 30));
  EXPECT_EQ(datetime::ToQDateTime(datetime::FromQDateTime(dt)), dt);
  EXPECT_THROW(datetime::EncodeDate(2026, 2, 30), std::invalid_argument);
  EXPECT_THROW(datetime::EncodeTime(24, 0, 0, 0), std::invalid_argument);
}

TEST(MessageBus, NamesRegisterOnceAndPostsArriveLaterOnTheGuiThread) {
  TMessageBus bus;
  const unsigned a = bus.RegisterWindowMessage("WM_HS_DATA_RETRIEVED");
  const unsigned b = bus.RegisterWindowMessage("WM_REFRESH_VCOM_STATUS");
  EXPECT_NE(a, b);
  EXPECT_GE(a, TMessageBus::FirstMessageId);
  EXPECT_EQ(bus.RegisterWindowMessage("WM_HS_DATA_RETRIEVED"), a);
  EXPECT_EQ(bus.MessageName(b), "WM_REFRESH_VCOM_STATUS");

  std::vector<std::tuple<unsigned, std::intptr_t, Qt::HANDLE>> got;
  bus.SetHandler([&](unsigned m, std::intptr_t w, std::intptr_t) { got.emplace_back(m, w, QThread::currentThreadId()); });
  QThread* poster = QThread::create([&] { bus.PostMessage(a, 1000); });
  poster->start();
  poster->wait();
  delete poster;
  bus.PostMessage(b, 7);
  EXPECT_TRUE(got.empty());  // nothing is delivered before the event loop runs
  QCoreApplication::processEvents();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(std::get<0>(got[0]), a);
  EXPECT_EQ(std::get<1>(got[0]), 1000);
  EXPECT_EQ(std::get<2>(got[0]), QThread::currentThreadId());
  bus.SendMessage(b, 9);
  EXPECT_EQ(std::get<1>(got.back()), 9);
}

TEST(Hourglass, NestsAndRestoresOnException) {
  ASSERT_EQ(THourglass::Depth(), 0);
  try {
    THourglass outer;
    THourglass inner;
    EXPECT_EQ(THourglass::Depth(), 2);
    throw std::runtime_error("operation failed");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(THourglass::Depth(), 0);
}

TEST(Launcher, RecordingLauncherStandsInForProcesses) {
  TRecordingLauncher launcher(false);
  EXPECT_FALSE(TServices::Launcher().Start("notepad", {"notes.txt"}, "/rig"));
  ASSERT_EQ(launcher.Launches().size(), 1u);
  EXPECT_EQ(launcher.Launches()[0].WorkingDir, "/rig");
}

TEST(QtPrompts, FilterTextBecomesQtFilters) {
  EXPECT_EQ(TQtPrompts::QtFilter("Programs|*.exe|All Files|*.*"), "Programs (*.exe);;All Files (*)");
  EXPECT_EQ(TQtPrompts::QtFilter("Results|*.vts;*.xlsx"), "Results (*.vts *.xlsx)");
}

// Inside the sampling tick, the dispatcher's hand-over or a controller's step nothing may wait on a
// person: messages turn into notices and questions get their cautious answer without a window.
TEST(NoWaitZone, PromptsInsideAZoneNeverWaitAndSayWhatWasNotAsked) {
  TScriptedPrompts prompts;
  const int refusedBefore = TNoWaitPrompts::Refused();
  {
    const TNoWaitZone zone("the sampling tick");
    IPrompts& p = TServices::Prompts();
    EXPECT_EQ(p.MessageDlg("Tank T1 is over 90 degC", TMsgDlgType::mtWarning, TMsgDlgButtons::OK), TModalResult::mrOk);
    EXPECT_EQ(p.MessageDlg("Overwrite?", TMsgDlgType::mtConfirmation, TMsgDlgButtons::YesNo), TModalResult::mrNo);
    EXPECT_EQ(p.MessageDlg("Save?", TMsgDlgType::mtConfirmation, TMsgDlgButtons::YesNoCancel),
              TModalResult::mrCancel);
    EXPECT_EQ(p.OpenFileDialog({"Open results", "", "", "", ""}), std::nullopt);
    EXPECT_EQ(p.SaveFileDialog({"Save results", "", "", "", ""}), std::nullopt);
    EXPECT_EQ(p.ChooseItem({"Port", "Choose a port", {"COM1"}, 0}), std::nullopt);
    EXPECT_EQ(p.InputText("Password", "Lecturer password", "", true), std::nullopt);
    {
      const TNoWaitZone inner("the controller's step");
      TServices::Prompts().MessageDlg("inner", TMsgDlgType::mtError, TMsgDlgButtons::OK);
    }
    // Leaving an inner zone keeps the outer one.
    EXPECT_TRUE(TNoWaitZone::Inside());
    EXPECT_STREQ(TNoWaitZone::Where(), "the sampling tick");
  }
  EXPECT_FALSE(TNoWaitZone::Inside());
  EXPECT_EQ(TNoWaitPrompts::Refused() - refusedBefore, 8);
  for (const TPromptRecord& r : prompts.Records()) EXPECT_EQ(r.Kind, TPromptRecord::TKind::Notice) << r.Text.toStdString();
  const QStringList notices = prompts.NoticeTexts();
  ASSERT_EQ(notices.size(), 8);
  EXPECT_EQ(notices[0], "Tank T1 is over 90 degC");
  EXPECT_EQ(notices[3], "\"Open results\" was not asked: the sampling tick does not wait for an answer.");
  EXPECT_EQ(notices[6], "\"Lecturer password\" was not asked: the sampling tick does not wait for an answer.");

  // Outside again, a question is asked and its answer counts.
  prompts.ExpectMessage("Overwrite?", TModalResult::mrYes);
  EXPECT_EQ(TServices::Prompts().MessageDlg("Overwrite?", TMsgDlgType::mtConfirmation, TMsgDlgButtons::YesNo),
            TModalResult::mrYes);

  // A worker thread never shows a window: its message reaches the user-interface thread as a notice.
  TModalResult fromWorker = TModalResult::mrNone;
  std::unique_ptr<QThread> worker(QThread::create([&] {
    fromWorker = TServices::Prompts().MessageDlg("Card lost", TMsgDlgType::mtError, TMsgDlgButtons::OKCancel);
  }));
  worker->start();
  ASSERT_TRUE(worker->wait(5000));
  EXPECT_EQ(fromWorker, TModalResult::mrCancel);
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(prompts.NoticeTexts().last(), "Card lost");
}
