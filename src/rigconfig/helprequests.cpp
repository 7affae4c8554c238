#include "rigconfig/helprequests.h"

#include <functional>

#include "platform/helpwindow.h"
#include "platform/ihelpviewer.h"
#include "platform/numbers.h"
#include "platform/services.h"
#include "rigconfig/rigconfig.h"

namespace {
// Stands in for the help window while the requests are replayed: notes each one that finds no page,
// in the words the help window would show.
class TCheckingViewer : public IHelpViewer {
 public:
  QString Where;
  std::vector<THelpRequests::TRequest> Requests;

  void ShowContents(const QString& helpFile) override {
    Note(QStringLiteral("contents ") + helpFile, THelpWindow::ContentsPage(helpFile).isEmpty()
                                                     ? QStringLiteral("no contents page in the help file %1").arg(helpFile)
                                                     : QString());
  }
  void ShowContext(const QString& helpFile, int context) override {
    Note(QStringLiteral("context %1 %2").arg(helpFile).arg(context),
         THelpWindow::ContextPage(helpFile, context).isEmpty()
             ? QStringLiteral("help context %1 is not in the help file %2").arg(context).arg(helpFile)
             : QString());
  }
  void ShowTopic(const QString& helpFile, const QString& topic) override {
    Note(QStringLiteral("topic ") + helpFile + QLatin1Char(' ') + topic,
         THelpWindow::TopicPage(helpFile, topic).isEmpty()
             ? QStringLiteral("the help topic \"%1\" is not in the help file %2").arg(topic, helpFile)
             : QString());
  }

 private:
  void Note(const QString& request, const QString& problem) { Requests.push_back({Where, request, problem}); }
};

// The program's own viewer is back afterwards (one a test installed is not).
struct THelpScope {
  explicit THelpScope(IHelpViewer* viewer) { TServices::SetHelp(viewer); }
  ~THelpScope() { TServices::SetHelp(nullptr); }
};
}  // namespace

std::vector<THelpRequests::TRequest> THelpRequests::All(TRigConfig& rig) {
  TCheckingViewer viewer;
  THelpScope scope(&viewer);
  auto ask = [&viewer](const QString& where, const std::function<void()>& request) {
    viewer.Where = where;
    request();
  };
  using namespace helptopics;
  ask(QStringLiteral("Help > Contents"), [&] { rig.ShellHelpContents(); });
  for (const TMenuTopic& t : kMenu)
    ask(QStringLiteral("Help > %1").arg(QLatin1String(t.Caption)), [&] { rig.ShellStringHelp(QLatin1String(t.Context)); });
  const char* const windows[] = {"", "the diagram", "the graph", "the table", "the presentation"};
  for (int form = 1; form <= 4; ++form) {
    if (form == 4 && !rig.Using_WTG) continue;
    ask(QStringLiteral("the Help button with %1 in front").arg(QLatin1String(windows[form])),
        [&] { rig.ShellStringHelp(QLatin1String(kScreen[form])); });
  }
  if (rig.UsingSCADA)
    ask(QStringLiteral("the Help button with the control parameters in front"), [&] { rig.RigTopicHelp(kControlParameters); });
  ask(QStringLiteral("the Help of the sample configuration"), [&] { rig.ShellStringHelp(QLatin1String(kSampleConfiguration)); });
  ask(QStringLiteral("the Help of the graph configuration"), [&] { rig.ShellStringHelp(QLatin1String(kGraphConfiguration)); });
  if (rig.Using_IFD) {
    ask(QStringLiteral("the Help of the interface settings"), [&] { rig.ShellHelpContents(); });
    if (!rig.UsingSCADA)
      ask(QStringLiteral("the Help of the calibration"), [&] { rig.ShellStringHelp(QLatin1String(kSensorCalibration)); });
  }
  if (rig.Controller_Count > 0)
    ask(QStringLiteral("the Help of the PID window"), [&] { rig.RigStringHelp(QLatin1String(kPIDController)); });
  if (rig.ScopeFeature)
    ask(QStringLiteral("the Help of the oscilloscope"), [&] { rig.RigTopicHelp(kOscilloscope); });
  if (rig.AutopilotFeature)
    ask(QStringLiteral("the Help of the scheduler"), [&] { rig.ShellStringHelp(QLatin1String(kScheduler)); });
  if (rig.DefinedRigHelpFile) {
    const bool html = rig.HelpFileType() == THelpFileTypes::HTML;
    ask(QStringLiteral("the Nomenclature button"),
        [&] { rig.RigStringHelp(QLatin1String(html ? kNomenclatureHtml : kNomenclatureWinHelp)); });
    if (rig.Found_Addtional_Expt && !rig.Industrial)
      ask(QStringLiteral("the Help of the exercise choice"),
          [&] { rig.RigStringHelp(QLatin1String(html ? kExercisesHtml : kExercisesWinHelp)); });
    if (rig.RigHelpStrDisplayCount() == 0)
      ask(QStringLiteral("Help > Using The Equipment"), [&] { rig.RigStringHelp(QStringLiteral("Contents")); });
    for (int i = 0; i < rig.RigHelpStrDisplayCount(); ++i) {
      const QString name = rig.RigHelpTopicName(i);
      if (!name.isEmpty())
        ask(QStringLiteral("Help > Using The Equipment > %1").arg(name), [&] { rig.RigStringHelp(name); });
    }
  }
  // A click on a column's title opens its help, as the table routes it.
  for (size_t c = 1; c < rig.ColumnStatus.size(); ++c) {
    const QString context = rig.ColumnStatus[c].help_context.trimmed();
    if (context.isEmpty()) continue;
    const auto whole = numbers::ParseTypedInteger(context);
    if (whole && *whole == 0) continue;
    ask(QStringLiteral("the title of column %1 of the table").arg(c), [&] {
      if (!whole) rig.ExecuteHint(context);
      else rig.RigStringHelp(context);
    });
  }
  return viewer.Requests;
}

QStringList THelpRequests::Missing(TRigConfig& rig) {
  QStringList missing;
  for (const TRequest& r : All(rig)) {
    const QString line = r.Where + QStringLiteral(": ") + r.Problem;
    if (!r.Problem.isEmpty() && !missing.contains(line)) missing << line;
  }
  return missing;
}
