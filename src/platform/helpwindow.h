#pragma once
// The program's help viewer: a window showing the HTML pages of a rig's or the shell's help.
// A help file "help/name.chm" (or ".hlp") is the folder "help/name/" holding its pages:
// "index.htm" is the contents, "contexts.txt" maps context numbers to pages ("12=Pumps.htm"),
// and a topic is a page path inside the folder or a page name without ".htm".

#include <QWidget>

#include "platform/ihelpviewer.h"

class QTextBrowser;
class QLabel;

class THelpWindow : public QWidget, public IHelpViewer {
  Q_OBJECT
 public:
  explicit THelpWindow(QWidget* parent = nullptr);

  void ShowContents(const QString& helpFile) override;
  void ShowContext(const QString& helpFile, int context) override;
  void ShowTopic(const QString& helpFile, const QString& topic) override;

  // The folder holding the pages of a help file, or "" when there is none.
  static QString PagesFolder(const QString& helpFile);
  // The page a request leads to, or "" when it leads nowhere.
  static QString ContentsPage(const QString& helpFile);
  static QString ContextPage(const QString& helpFile, int context);
  static QString TopicPage(const QString& helpFile, const QString& topic);

  // What the window says instead of the last page asked for, or "" when it shows that page.
  QString Problem() const { return FProblem; }


 private:
  void ShowPage(const QString& page, const QString& missingText);

  QTextBrowser* FBrowser;
  QLabel* FStatus;
  QString FProblem;
};
