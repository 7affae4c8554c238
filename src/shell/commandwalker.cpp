#include "shell/commandwalker.h"

#include <QAction>
#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QRegularExpression>
#include <QScreen>
#include <QSet>
#include <QTimer>
#include <QStatusBar>
#include <QToolBar>
#include <QPushButton>
#include <QToolButton>
#include <QWidgetAction>
#include <map>

#include "platform/helpwindow.h"
#include "platform/services.h"
#include "results/tableform.h"
#include "workbook/view/f1book.h"
#include "shell/master.h"

namespace {
QString Plain(const QString& caption) { return QString(caption).remove(QLatin1Char('&')).trimmed(); }

// What a file name can hold of a command's name.
QString Slug(const QString& name) {
  static const QRegularExpression other(QStringLiteral("[^A-Za-z0-9]+"));
  return QString(name).replace(other, QStringLiteral("-")).toLower().left(60);
}

// A menu item is reachable when every menu above it is enabled and shown.
bool Reachable(const QMenu* menu) {
  for (const QWidget* w = menu; w; w = w->parentWidget()) {
    const auto* m = qobject_cast<const QMenu*>(w);
    if (!m) break;
    if (!m->menuAction()->isEnabled() || !m->menuAction()->isVisible()) return false;
  }
  return true;
}

void AddMenu(const QMenu* menu, const QString& path, std::vector<std::pair<QAction*, QString>>& out) {
  if (!Reachable(menu)) return;
  for (QAction* a : menu->actions()) {
    if (a->isSeparator()) continue;
    const QString name = path + QStringLiteral(" > ") + Plain(a->text());
    if (a->menu()) AddMenu(a->menu(), name, out);
    else out.emplace_back(a, name);
  }
}
}  // namespace

QStringList TCommandWalker::CutTexts(const QWidget* root) {
  QStringList cut;
  // Qt's own print and page dialogs are not ours to mend.
  if (root->inherits("QPrintDialog") || root->inherits("QPageSetupDialog")) return cut;
  // Widths are read once every pending layout has placed its widgets.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
  auto check = [&](const QWidget* w, const QString& text, int needed) {
    if (!w->isVisibleTo(root) || text.trimmed().isEmpty() || w->width() <= 0) return;
    // A text in a scrolled area is seen by scrolling; what is clipped elsewhere cannot be read.
    if (needed > w->width() + 1) cut << QStringLiteral("\"%1\" (%2 of %3 px)").arg(QString(text).remove(QLatin1Char('&')).simplified()).arg(w->width()).arg(needed);
  };
  for (const QLabel* l : root->findChildren<QLabel*>()) {
    if (l->wordWrap() || l->textFormat() == Qt::RichText || Qt::mightBeRichText(l->text())) continue;
    const QMargins m = l->contentsMargins();
    const int frame = 2 * l->frameWidth() + m.left() + m.right() + 2 * l->margin() + l->indent() * (l->indent() > 0);
    const QStringList lines = l->text().split(QLatin1Char('\n'));
    int widest = 0;
    for (const QString& line : lines) widest = std::max(widest, l->fontMetrics().horizontalAdvance(line));
    check(l, l->text(), widest + frame);
  }
  for (const QAbstractButton* b : root->findChildren<QAbstractButton*>()) {
    if (qobject_cast<const QToolButton*>(b)) continue;
    // A push button's text needs its own width and a little room; a check box or radio button
    // needs its indicator too (its size hint).
    const int needed = qobject_cast<const QPushButton*>(b) ? b->fontMetrics().horizontalAdvance(QString(b->text()).remove(QLatin1Char('&'))) + 6
                                                           : b->sizeHint().width();
    check(b, b->text(), needed);
  }
  return cut;
}

QStringList TCommandWalker::OffScreen(const QWidget* window) {
  const QScreen* screen = window->screen();
  if (!screen || !window->isVisible()) return {};
  const QRect room = screen->availableGeometry();
  const QRect frame = window->frameGeometry();
  if (room.contains(frame)) return {};
  return {QStringLiteral("\"%1\" at %2,%3 %4x%5, the screen's room %6,%7 %8x%9")
              .arg(window->windowTitle())
              .arg(frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height())
              .arg(room.x()).arg(room.y()).arg(room.width()).arg(room.height())};
}

TCommandWalker::TCommandWalker(TMaster& master, const QString& folder) : FMaster(master), FFolder(folder) {}

TCommandWalker::~TCommandWalker() {
  if (&TServices::Prompts() == this) TServices::SetPrompts(nullptr);
  if (&TServices::Launcher() == this) TServices::SetLauncher(nullptr);
}

// ---- questions and launches ----

TModalResult TCommandWalker::MessageDlg(const QString& text, TMsgDlgType kind, TMsgDlgButtons buttons) {
  FNotes << QStringLiteral("asked \"%1\"").arg(text.left(80));
  return FUnattended.MessageDlg(text, kind, buttons);
}
std::optional<QString> TCommandWalker::OpenFileDialog(const TFileDialogRequest& request) {
  FNotes << QStringLiteral("open dialog \"%1\" (cancelled)").arg(request.Title);
  return FUnattended.OpenFileDialog(request);
}
std::optional<QString> TCommandWalker::SaveFileDialog(const TFileDialogRequest& request) {
  FNotes << QStringLiteral("save dialog \"%1\" (cancelled)").arg(request.Title);
  return FUnattended.SaveFileDialog(request);
}
std::optional<int> TCommandWalker::ChooseItem(const TChoiceRequest& request) {
  FNotes << QStringLiteral("choice \"%1\"").arg(request.Caption.isEmpty() ? request.Text : request.Caption);
  // A dialog of its own is shown and closed again, so it can be seen in the screenshot.
  if (request.CustomDialog) {
    std::optional<int> answer = request.CustomDialog();
    if (answer) return answer;
  }
  return FUnattended.ChooseItem(request);
}
std::optional<QString> TCommandWalker::InputText(const QString& caption, const QString& prompt, const QString& initial,
                                                 bool password, const TTextDialog& customDialog) {
  FNotes << QStringLiteral("input \"%1\"").arg(caption);
  return FUnattended.InputText(caption, prompt, initial, password, customDialog);
}
bool TCommandWalker::Start(const QString& program, const QStringList& arguments, const QString& workingDir) {
  Q_UNUSED(workingDir);
  FNotes << QStringLiteral("would start %1 %2").arg(program, arguments.join(QLatin1Char(' ')));
  return true;
}

bool TCommandWalker::OpenDocument(const QString& file) {
  FNotes << QStringLiteral("would open %1 with the desktop's program for it").arg(file);
  return true;
}

// ---- the walk ----

bool TCommandWalker::EndsProgram(const QAction* action) const {
  return action == FMaster.Action(QStringLiteral("Exit")) || action == FMaster.Action(QStringLiteral("LoadNew"));
}

std::vector<TCommandWalker::TCommand> TCommandWalker::Commands() const {
  std::vector<std::pair<QAction*, QString>> found;
  for (QAction* top : FMaster.menuBar()->actions())
    if (top->menu() && top->isVisible() && top->isEnabled()) AddMenu(top->menu(), Plain(top->text()), found);
  for (QToolBar* bar : FMaster.findChildren<QToolBar*>()) {
    if (!bar->isVisible() || !bar->isEnabled()) continue;
    // Widgets on a bar (the feature panels) are not commands.
    for (QAction* a : bar->actions())
      if (!a->isSeparator() && !qobject_cast<QWidgetAction*>(a))
        found.emplace_back(a, bar->windowTitle() + QStringLiteral(" tool bar > ") + Plain(a->text()));
  }
  std::vector<TCommand> commands;
  QSet<QAction*> seen;
  for (const auto& [action, name] : found) {
    if (seen.contains(action)) continue;  // a tool button sharing a menu item's command
    seen.insert(action);
    commands.push_back({action, name});
  }
  return commands;
}

QList<QWidget*> TCommandWalker::ShownWindows() const {
  QList<QWidget*> shown;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w != &FMaster && w->isVisible() && !qobject_cast<QMenu*>(w)) shown << w;
  return shown;
}

// Everything of the main window a command can visibly change, as text.
QString TCommandWalker::State() const {
  QStringList s;
  s << FMaster.windowTitle();
  for (QAction* a : FMaster.findChildren<QAction*>())
    s << QStringLiteral("%1|%2|%3|%4|%5|%6")
             .arg(a->text(), a->toolTip())
             .arg(a->isEnabled())
             .arg(a->isVisible())
             .arg(a->isChecked())
             .arg(a->icon().cacheKey());
  // Status and feature panels; the diagram's own labels follow live values, not commands.
  for (QLabel* l : FMaster.findChildren<QLabel*>())
    if (l->isVisible() && !FMaster.centralWidget()->isAncestorOf(l)) s << l->text();
  for (QToolBar* bar : FMaster.findChildren<QToolBar*>()) s << bar->windowTitle() + QString::number(bar->isVisible());
  for (QMdiSubWindow* w : FMaster.findChildren<QMdiSubWindow*>())
    s << QStringLiteral("%1|%2|%3").arg(w->windowTitle()).arg(w->isVisible()).arg(w->isActiveWindow() ? 1 : 0)
      << QString::number(w->geometry().x()) + QLatin1Char(',') + QString::number(w->geometry().y()) + QLatin1Char(',') +
             QString::number(w->width()) + QLatin1Char('x') + QString::number(w->height());
  if (QMdiArea* area = qobject_cast<QMdiArea*>(FMaster.centralWidget()))
    if (area->activeSubWindow()) s << QStringLiteral("front:") + area->activeSubWindow()->windowTitle();
  if (TTableForm* table = FMaster.Table()) {
    const TWorkbook& book = table->ResultsTable->Book();
    s << QString::number(book.NumSheets()) << QString::number(book.Sheet());
    for (int i = 1; i <= book.NumSheets(); ++i) s << book.SheetName(i);
    for (int r = 1; r <= std::min(book.MaxRow(), 60); ++r)
      for (int c = 1; c <= book.MaxCol(); ++c) s << book.FormattedTextRC(r, c);
  }
  return s.join(QLatin1Char('\n'));
}

void TCommandWalker::Settle(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void TCommandWalker::Run(const TCommand& command, int form) {
  // The clipboard holds a short text, as a user's would, so Copy, Cut and Paste each show.
  QClipboard* clipboard = QApplication::clipboard();
  clipboard->setText(QStringLiteral("1"));
  const QString before = State();
  const QList<QWidget*> windowsBefore = ShownWindows();
  const bool checkedBefore = command.Action->isChecked();
  FNotes.clear();
  FDialogShots.clear();
  FDialogTitles.clear();
  FCut.clear();
  FOff.clear();
  // A command that runs a dialog of its own waits for it: look, take a picture, close it.
  QTimer closer;
  closer.setInterval(100);
  QObject::connect(&closer, &QTimer::timeout, [this] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return;
    FDialogShots << modal->grab().toImage();
    FCut << CutTexts(modal);
    FOff << OffScreen(modal);
    FDialogTitles << modal->windowTitle();
    if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
    else modal->close();
  });
  closer.start();
  command.Action->trigger();
  Settle(400);
  closer.stop();

  QStringList effects = FNotes;
  for (const QString& title : FDialogTitles) effects << QStringLiteral("dialog \"%1\"").arg(title);
  QList<QWidget*> opened;
  for (QWidget* w : ShownWindows())
    if (!windowsBefore.contains(w)) opened << w;
  for (QWidget* w : opened) {
    effects << QStringLiteral("window \"%1\"").arg(w->windowTitle());
    FCut << CutTexts(w);
    FOff << OffScreen(w);
  }
  FCut.removeDuplicates();
  for (const QString& t : FCut) effects << QStringLiteral("CUT TEXT: ") + t;
  for (const QString& t : FOff) effects << QStringLiteral("OFF SCREEN: ") + t;
  // A help page that is not there is a fault of the rig's help, named so that it cannot pass unseen.
  for (QWidget* w : ShownWindows())
    if (auto* help = qobject_cast<THelpWindow*>(w); help && !help->Problem().isEmpty())
      effects << QStringLiteral("HELP ERROR: %1").arg(help->Problem());
  if (State() != before) effects << QStringLiteral("main window changed");
  if (clipboard->text() != QLatin1String("1") || clipboard->mimeData()->hasImage()) effects << QStringLiteral("clipboard filled");

  TStep step;
  step.Command = command.Name;
  step.Effect = effects.join(QStringLiteral("; "));
  step.Picture = QStringLiteral("%1-%2.png").arg(++FShots, 2, 10, QLatin1Char('0')).arg(Slug(command.Name));
  const QImage picture = !FDialogShots.isEmpty() ? FDialogShots.first()
                         : !opened.isEmpty()     ? opened.first()->grab().toImage()
                                                 : FMaster.grab().toImage();
  if (!picture.save(FFolder + QLatin1Char('/') + step.Picture, "PNG")) step.Picture.clear();
  FSteps.push_back(step);

  // Back to where the walk was: new windows closed, a toggled bar back, the same child in front.
  for (QWidget* w : opened) w->hide();
  if (command.Action->isCheckable() && command.Action->isChecked() != checkedBefore) command.Action->trigger();
  FMaster.ShowChild(form);
  Settle(50);
}

bool TCommandWalker::Walk() {
  if (!QDir().mkpath(FFolder)) return false;
  IPrompts& prompts = TServices::Prompts();
  IProgramLauncher& launcher = TServices::Launcher();
  TServices::SetPrompts(this);
  TServices::SetLauncher(this);
  // A command without an effect with one window in front is tried again with the next (View >
  // Diagram does nothing visible while the diagram is in front already).
  QSet<QAction*> done;
  std::map<QAction*, TStep> idle;
  QStringList mainCut;
  for (int form : {1, 2, 3}) {
    FMaster.ShowChild(form);
    Settle(100);
    // What the user sees: the window in front, the bars and the status panels.
    if (auto* area = qobject_cast<QMdiArea*>(FMaster.centralWidget()); area && area->activeSubWindow())
      mainCut << CutTexts(area->activeSubWindow());
    for (QToolBar* bar : FMaster.findChildren<QToolBar*>())
      if (bar->isVisible()) mainCut << CutTexts(bar);
    mainCut << CutTexts(FMaster.statusBar());
    for (const TCommand& command : Commands()) {
      QAction* a = command.Action;
      if (done.contains(a) || !a->isEnabled() || !a->isVisible() || EndsProgram(a)) continue;
      Run(command, form);
      if (FSteps.back().Effect.isEmpty()) {
        if (idle.count(a)) QFile::remove(FFolder + QLatin1Char('/') + idle[a].Picture);
        idle[a] = FSteps.back();
        FSteps.pop_back();
        continue;
      }
      done.insert(a);
      if (idle.count(a)) {
        QFile::remove(FFolder + QLatin1Char('/') + idle[a].Picture);
        idle.erase(a);
      }
    }
  }
  for (const auto& entry : idle) FSteps.push_back(entry.second);
  // The presentation and the control parameters, where the rig has them, are looked at too.
  if (auto* area = qobject_cast<QMdiArea*>(FMaster.centralWidget()))
    for (int form : {4, 5}) {
      QMdiSubWindow* before = area->activeSubWindow();
      FMaster.ShowChild(form);
      Settle(100);
      if (area->activeSubWindow() && area->activeSubWindow() != before) mainCut << CutTexts(area->activeSubWindow());
    }
  FMaster.ShowChild(1);
  TServices::SetPrompts(&prompts);
  TServices::SetLauncher(&launcher);

  QFile index(FFolder + QStringLiteral("/index.txt"));
  if (!index.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) return false;
  QString text;
  mainCut.removeDuplicates();
  for (const QString& t : OffScreen(&FMaster)) text += QStringLiteral("Main window\tOFF SCREEN: ") + t + QStringLiteral("\t\n");
  for (const QString& t : mainCut) text += QStringLiteral("Main window\tCUT TEXT: ") + t + QStringLiteral("\t\n");
  for (const TStep& s : FSteps)
    text += s.Command + QLatin1Char('\t') + (s.Effect.isEmpty() ? QStringLiteral("NO VISIBLE EFFECT") : s.Effect) +
            QLatin1Char('\t') + s.Picture + QLatin1Char('\n');
  const QByteArray bytes = text.toUtf8();
  return index.write(bytes) == bytes.size() && index.flush();
}

QStringList TCommandWalker::Idle() const {
  QStringList idle;
  for (const TStep& s : FSteps)
    if (s.Effect.isEmpty()) idle << s.Command;
  return idle;
}
