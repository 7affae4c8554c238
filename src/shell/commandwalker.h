#pragma once
// A self-check of the main window: triggers every enabled menu command and tool button in turn
// (all but those that end the program), with the diagram, the graph and the table each in front,
// and notes what each one visibly did: a window or dialog opened, a question asked, a program
// started, the main window's commands, panels, bars, child windows or table changed, or the
// clipboard filled. A screenshot of each effect and an index (command -> effect) go into a folder.
//
// While it runs it is the program's prompt service (every question gets its unattended answer, so
// no file dialog picks a file) and its program launcher (nothing is started, only noted).

#include <QString>
#include <QStringList>
#include <vector>

#include "platform/iprogramlauncher.h"
#include "platform/iprompts.h"
#include "platform/unattendedprompts.h"

class QAction;
class QImage;
class QWidget;
class TMaster;

class TCommandWalker : public IPrompts, public IProgramLauncher {
 public:
  struct TStep {
    QString Command;  // "File > Open", "Standard tool bar > Print"
    QString Effect;   // empty: nothing visible happened
    QString Picture;  // file name of the screenshot in the folder
  };

  TCommandWalker(TMaster& master, const QString& folder);
  ~TCommandWalker() override;

  // Walks every command once and writes the screenshots and "index.txt"; the prompt service and
  // launcher in place before are back afterwards. False when the folder cannot be written.
  bool Walk();
  const std::vector<TStep>& Steps() const { return FSteps; }
  // The enabled commands that had no visible effect.
  QStringList Idle() const;
  // Every label and button under `root` whose text is wider than the widget shows ("text (w of
  // needed px)"): the index names them as "CUT TEXT" wherever they appear.
  static QStringList CutTexts(const QWidget* root);
  // A window that does not lie wholly within the room of its screen ("title" at x,y wxh, the
  // screen's room): the index names it as "OFF SCREEN".
  static QStringList OffScreen(const QWidget* window);

  // ---- IPrompts: unattended answers, each question noted ----
  TModalResult MessageDlg(const QString& text, TMsgDlgType kind, TMsgDlgButtons buttons) override;
  std::optional<QString> OpenFileDialog(const TFileDialogRequest& request) override;
  std::optional<QString> SaveFileDialog(const TFileDialogRequest& request) override;
  std::optional<int> ChooseItem(const TChoiceRequest& request) override;
  std::optional<QString> InputText(const QString& caption, const QString& prompt, const QString& initial,
                                   bool password, const TTextDialog& customDialog = {}) override;
  // ---- IProgramLauncher: noted, never started ----
  bool Start(const QString& program, const QStringList& arguments, const QString& workingDir) override;
  bool OpenDocument(const QString& file) override;

 private:
  struct TCommand {
    QAction* Action;
    QString Name;
  };
  std::vector<TCommand> Commands() const;
  QString State() const;
  QList<QWidget*> ShownWindows() const;
  void Run(const TCommand& command, int form);
  void Settle(int ms);
  bool EndsProgram(const QAction* action) const;

  TMaster& FMaster;
  QString FFolder;
  TUnattendedPrompts FUnattended;
  std::vector<TStep> FSteps;
  QStringList FNotes;  // questions and launches since the last command
  QList<QImage> FDialogShots;
  QStringList FDialogTitles;
  QStringList FCut;
  QStringList FOff;  // windows of this step not wholly on their screen
  int FShots = 0;
};
