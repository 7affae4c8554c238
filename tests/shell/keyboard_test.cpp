// The program from the keyboard alone, with key presses delivered as the window system delivers
// them (so shortcuts and focus behave as for a user): Tab reaches a digital output on the diagram
// and Space works it; Escape closes the presentation, the help window and the scheduler windows;
// Enter follows the presentation's Next link; help and scheduler windows leave the keyboard with
// the main window.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include "acquisition/qxdatalist.h"
#include "acquisition/qxdigitaloutputsource.h"
#include "acquisition/twostateimage.h"
#include "platform/helpwindow.h"
#include "platform/services.h"
#include "rigconfig/rigconfig.h"
#include "schedule/formschedulerdlg.h"
#include "shell/master.h"
#include "shell/resultsmdi.h"
#include "teaching/walkthroughgroupform.h"
#include "support/scriptedprompts.h"
#include "support/tempfolder.h"

namespace {
const QString kDemoSource = QStringLiteral(QUORLEX_SOURCE_DIR "/examples/rigs/demo");

void Settle() {
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

// One key pressed and released where the keyboard is, as the window system delivers it: shortcuts
// first, then the focused widget.
void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
  ASSERT_NE(target, nullptr);
  QTest::keyClick(target, key, modifiers);
  Settle();
}

void Activate(QWidget* window) {
  window->activateWindow();
  QApplication::setActiveWindow(window);
  Settle();
}

struct TKeyboard : ::testing::Test {
  TTempFolder tmp;
  TScriptedPrompts prompts;
  std::unique_ptr<TMaster> master;
  void SetUp() override {
    qputenv("QUORLEX_DEVICE_DIR", tmp.File("no-devices").toLocal8Bit());
    prompts.ExpectChoice(0);
    master = std::make_unique<TMaster>();
    master->StartUp(tmp.CopyTree(kDemoSource, "demo"), {});
    master->show();
    Activate(master.get());
  }
  void TearDown() override {
    master->Rig()->ExitWarning = false;
    master.reset();
  }
};
}  // namespace

TEST_F(TKeyboard, TabReachesADigitalOutputWithAVisibleFocusAndSpaceWorksIt) {
  master->ShowChild(1);
  TQXDigitalOutputSource* output = nullptr;
  for (TQXSource* s : master->Diagram()->DataList()->Sources())
    if (auto* d = qobject_cast<TQXDigitalOutputSource*>(s); d && d->DisplayButton && d->DisplayButton->isEnabled() && d->Latching)
      output = d;
  ASSERT_NE(output, nullptr) << "the demo rig has a latching digital output on its diagram";
  const QImage unfocused = output->DisplayButton->grab().toImage();

  master->Diagram()->setFocus();
  Settle();
  int presses = 0;
  while (QApplication::focusWidget() != output->DisplayButton && presses < 200) {
    Key(Qt::Key_Tab);
    ++presses;
  }
  ASSERT_EQ(QApplication::focusWidget(), output->DisplayButton) << "Tab never reached the output";
  EXPECT_NE(output->DisplayButton->grab().toImage(), unfocused) << "the focus does not show";

  const bool before = output->Output_State;
  Key(Qt::Key_Space);
  EXPECT_NE(output->Output_State, before);
  EXPECT_EQ(output->DisplayButton->State(), output->Output_State);
  Key(Qt::Key_Space);
  EXPECT_EQ(output->Output_State, before);
}

TEST_F(TKeyboard, EscapeAndCtrlF4CloseThePresentationAndEnterFollowsNext) {
  ASSERT_NE(master->Presentation(), nullptr);
  auto* window = qobject_cast<QMdiSubWindow*>(master->Presentation()->parentWidget());
  ASSERT_NE(window, nullptr);

  master->ShowChild(4);
  Settle();
  ASSERT_TRUE(window->isVisible());
  QPushButton* next = master->Presentation()->NextLink();
  ASSERT_TRUE(next->isVisible());
  next->setFocus();
  const int slide = master->SlideNumber;
  const QString chapter = master->Chapter;
  Key(Qt::Key_Return);
  EXPECT_TRUE(master->SlideNumber != slide || master->Chapter != chapter) << "Enter on Next did not move on";

  Key(Qt::Key_Escape);
  EXPECT_FALSE(window->isVisible()) << "Escape left the presentation open";

  master->ShowChild(4);
  Settle();
  ASSERT_TRUE(window->isVisible());
  Key(Qt::Key_F4, Qt::ControlModifier);
  EXPECT_FALSE(window->isVisible()) << "Ctrl+F4 left the presentation open";
}

TEST_F(TKeyboard, HelpAndSchedulerLeaveTheMenuBarTheKeyboardAndCloseOnEscape) {
  // Help from the menu: the window shows, the main window keeps the keyboard.
  QAction* menuBarItem = nullptr;
  for (QAction* top : master->menuBar()->actions())
    if (top->text() == "&Help") menuBarItem = top->menu()->actions().value(1);  // "The Standard Forms"
  ASSERT_NE(menuBarItem, nullptr);
  menuBarItem->trigger();
  Settle();
  auto* help = dynamic_cast<THelpWindow*>(&TServices::Help());
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());
  EXPECT_EQ(help->Problem(), QString());
  EXPECT_EQ(QApplication::activeWindow(), master.get()) << "the help window took the keyboard";
  Activate(help);
  Key(Qt::Key_Escape);
  EXPECT_FALSE(help->isVisible()) << "Escape left the help window open";

  // The scheduler dialog and the schedule editor of an output.
  ASSERT_TRUE(master->Action("StartSchedule")->isEnabled());
  master->Action("StartSchedule")->trigger();
  Settle();
  QWidget* scheduler = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (qobject_cast<TFormSchedulerDlg*>(w) && w->isVisible()) scheduler = w;
  ASSERT_NE(scheduler, nullptr);
  EXPECT_EQ(QApplication::activeWindow(), master.get()) << "the scheduler took the keyboard";
  Activate(scheduler);
  Key(Qt::Key_Escape);
  EXPECT_FALSE(scheduler->isVisible()) << "Escape left the scheduler open";

  const QWidgetList before = QApplication::topLevelWidgets();
  master->Action("Scheduler")->trigger();
  Settle();
  QWidget* editor = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && w != master.get() && w->inherits("TFormOutputTimeProfiling")) editor = w;
  ASSERT_NE(editor, nullptr) << "Tools > Scheduler... showed no schedule editor";
  EXPECT_EQ(QApplication::activeWindow(), master.get()) << "the schedule editor took the keyboard";
  Activate(editor);
  Key(Qt::Key_Escape);
  EXPECT_FALSE(editor->isVisible()) << "Escape left the schedule editor open";
}

TEST_F(TKeyboard, EveryTopMenuHasItsOwnAltLetter) {
  QStringList letters;
  for (QAction* top : master->menuBar()->actions()) {
    const QString text = top->text();
    const qsizetype amp = text.indexOf('&');
    ASSERT_GE(amp, 0) << text.toStdString();
    const QString letter = text.mid(amp + 1, 1).toLower();
    EXPECT_FALSE(letters.contains(letter)) << "Alt+" << letter.toStdString() << " is shared: " << text.toStdString();
    letters << letter;
  }
}
