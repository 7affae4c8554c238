// Every shipped rig has a page for every help request the program can make on it: the Help menu,
// the help button with each window in front, the nomenclature button, the column titles of the
// table, and the dialogs' Help buttons. The requests the windows make are also requests the rig
// check replays, so a rig that passes the check shows no help error.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "platform/helpwindow.h"
#include "results/tableform.h"
#include "rigconfig/rigconfig.h"
#include "platform/iprompts.h"
#include "platform/services.h"
#include "shell/master.h"
#include "rigconfig/helprequests.h"
#include "support/recordinghelpviewer.h"
#include "support/scriptedprompts.h"
#include "support/tempfolder.h"

namespace {
const QString kRigs = QStringLiteral(QUORLEX_SOURCE_DIR "/examples/rigs/");

// Answers every question as a user going along would: the first exercise, OK, no file.
class TAgreeingPrompts : public IPrompts {
 public:
  TAgreeingPrompts() { TServices::SetPrompts(this); }
  ~TAgreeingPrompts() override { TServices::SetPrompts(nullptr); }
  TModalResult MessageDlg(const QString&, TMsgDlgType, TMsgDlgButtons buttons) override {
    return buttons == TMsgDlgButtons::YesNo ? TModalResult::mrNo : TModalResult::mrOk;
  }
  std::optional<QString> OpenFileDialog(const TFileDialogRequest&) override { return std::nullopt; }
  std::optional<QString> SaveFileDialog(const TFileDialogRequest&) override { return std::nullopt; }
  std::optional<int> ChooseItem(const TChoiceRequest&) override { return 0; }
  std::optional<QString> InputText(const QString&, const QString&, const QString&, bool, const TTextDialog&) override {
    return std::nullopt;
  }
};

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


class TShippedRigHelp : public ::testing::TestWithParam<const char*> {};

TEST_P(TShippedRigHelp, EveryRequestFindsAPageAndTheCheckReplaysIt) {
  TTempFolder tmp;
  qputenv("QUORLEX_DEVICE_DIR", tmp.File("no-devices").toLocal8Bit());
  TAgreeingPrompts prompts;
  TMaster master;
  master.StartUp(tmp.CopyTree(kRigs + QLatin1String(GetParam()), GetParam()), {});
  TRecordingHelpViewer help;

  QMenu* helpMenu = nullptr;
  for (QAction* top : master.menuBar()->actions())
    if (top->text() == "&Help") helpMenu = top->menu();
  ASSERT_NE(helpMenu, nullptr);
  TriggerMenu(helpMenu);
  TRigConfig& rig = *master.Rig();
  for (int form : {1, 2, 3, 4, 5}) {
    if ((form == 4 && !master.Presentation()) || (form == 5 && !master.SCADAForm())) continue;
    master.ShowChild(form);
    master.Action("HelpScreen")->trigger();
  }
  if (master.Action("Nomenclature")->isEnabled()) master.Action("Nomenclature")->trigger();
  for (int column = 1; column < static_cast<int>(rig.ColumnStatus.size()); ++column) master.Table()->ResultsTableClick(1, column);
  ASSERT_GE(help.Requests.size(), 12);

  const std::vector<THelpRequests::TRequest> replayed = THelpRequests::All(rig);
  QStringList known;
  for (const THelpRequests::TRequest& r : replayed) {
    known << r.Request;
    EXPECT_TRUE(r.Problem.isEmpty()) << GetParam() << ": " << r.Where.toStdString() << ": " << r.Problem.toStdString();
  }
  for (const QString& request : help.Requests) {
    EXPECT_FALSE(PageFor(request).isEmpty()) << GetParam() << ": " << request.toStdString();
    EXPECT_TRUE(known.contains(request)) << GetParam() << ": the check does not replay " << request.toStdString();
  }
  rig.ExitWarning = false;
}

INSTANTIATE_TEST_SUITE_P(ShippedRigs, TShippedRigHelp, ::testing::Values("demo", "airflow", "capture", "plant"));
