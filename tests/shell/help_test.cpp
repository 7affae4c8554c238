// Every help request the program can make on the demo rig leads to a page: the Help menu, the
// help button with each window in front, the nomenclature button, the column titles of the table,
// the sample configuration and the interface settings.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "platform/helpwindow.h"
#include "results/tableform.h"
#include "rigconfig/rigconfig.h"
#include "shell/master.h"
#include "support/recordinghelpviewer.h"
#include "support/scriptedprompts.h"
#include "support/tempfolder.h"

namespace {
const QString kDemoSource = QStringLiteral(QUORLEX_SOURCE_DIR "/examples/rigs/demo");

void TriggerMenu(QMenu* menu) {
  for (QAction* a : menu->actions()) {
    if (a->isSeparator() || !a->isEnabled() || !a->isVisible()) continue;
    if (a->menu()) TriggerMenu(a->menu());
    else a->trigger();
  }
}

// The page a recorded request ("contents F", "context F N", "topic F T") leads to.
QString PageFor(const QString& request) {
  const QString kind = request.section(QLatin1Char(' '), 0, 0);
  const QString file = request.section(QLatin1Char(' '), 1, 1);
  const QString rest = request.section(QLatin1Char(' '), 2);
  if (kind == "contents") return THelpWindow::ContentsPage(file);
  if (kind == "context") return THelpWindow::ContextPage(file, rest.toInt());
  return THelpWindow::TopicPage(file, rest);
}
}  // namespace

TEST(DemoRigHelp, EveryRequestFindsAPage) {
  TTempFolder tmp;
  qputenv("QUORLEX_DEVICE_DIR", tmp.File("no-devices").toLocal8Bit());
  TScriptedPrompts prompts;
  prompts.ExpectChoice(0);
  TMaster master;
  master.StartUp(tmp.CopyTree(kDemoSource, "demo"), {});
  TRecordingHelpViewer help;

  QMenu* helpMenu = nullptr;
  for (QAction* top : master.menuBar()->actions())
    if (top->text() == "&Help") helpMenu = top->menu();
  ASSERT_NE(helpMenu, nullptr);
  prompts.ExpectChoice(0);  // the about box, also on the Help menu
  TriggerMenu(helpMenu);
  for (int form : {1, 2, 3}) {
    master.ShowChild(form);
    master.Action("HelpScreen")->trigger();
  }
  master.Action("Nomenclature")->trigger();
  master.ShellHelpContents();  // the interface settings' help
  TRigConfig& rig = *master.Rig();
  for (int column = 1; column < static_cast<int>(rig.ColumnStatus.size()); ++column) master.Table()->ResultsTableClick(1, column);
  rig.ShellStringHelp(QStringLiteral("Sample_Configuration"));  // the sample configuration's help button

  ASSERT_GE(help.Requests.size(), 16);
  for (const QString& request : help.Requests) EXPECT_FALSE(PageFor(request).isEmpty()) << request.toStdString();
  rig.ExitWarning = false;
}
