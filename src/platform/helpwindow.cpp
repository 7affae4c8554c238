#include "platform/helpwindow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/filenames.h"
#include "platform/toolwindows.h"

THelpWindow::THelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), FBrowser(new QTextBrowser(this)), FStatus(new QLabel(this)) {
  setWindowTitle(QStringLiteral("Help"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(FBrowser, 1);
  layout->addWidget(FStatus);
  FBrowser->setOpenExternalLinks(false);
  FBrowser->setOpenLinks(true);
  resize(640, 520);
}

QString THelpWindow::PagesFolder(const QString& helpFile) {
  if (helpFile.isEmpty()) return {};
  const QString resolved = filenames::ResolvePath(helpFile);
  const QFileInfo info(resolved);
  if (info.isDir()) return info.absoluteFilePath();
  const QString folder = filenames::ResolvePath(info.path() + QLatin1Char('/') + info.completeBaseName());
  if (QFileInfo(folder).isDir()) return QFileInfo(folder).absoluteFilePath();
  return {};
}

namespace {
QString ExistingPage(const QString& folder, const QString& relative) {
  if (folder.isEmpty() || relative.isEmpty()) return {};
  const QString page = filenames::Resolve(folder, relative);
  return QFileInfo(page).isFile() ? page : QString();
}
}  // namespace

QString THelpWindow::ContentsPage(const QString& helpFile) {
  const QString folder = PagesFolder(helpFile);
  for (const char* name : {"index.htm", "index.html", "contents.htm"}) {
    const QString page = ExistingPage(folder, QString::fromLatin1(name));
    if (!page.isEmpty()) return page;
  }
  return {};
}

QString THelpWindow::ContextPage(const QString& helpFile, int context) {
  const QString folder = PagesFolder(helpFile);
  QFile map(ExistingPage(folder, QStringLiteral("contexts.txt")));
  if (map.fileName().isEmpty() || !map.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
  while (!map.atEnd()) {
    const QString line = QString::fromUtf8(map.readLine()).trimmed();
    const int eq = static_cast<int>(line.indexOf(QLatin1Char('=')));
    if (eq <= 0) continue;
    bool ok = false;
    if (line.left(eq).trimmed().toInt(&ok) == context && ok) return ExistingPage(folder, line.mid(eq + 1).trimmed());
  }
  return {};
}

QString THelpWindow::TopicPage(const QString& helpFile, const QString& topic) {
  const QString folder = PagesFolder(helpFile);
  QString page = ExistingPage(folder, topic);
  if (page.isEmpty() && !topic.endsWith(QStringLiteral(".htm"), Qt::CaseInsensitive))
    page = ExistingPage(folder, topic + QStringLiteral(".htm"));
  return page;
}

void THelpWindow::ShowPage(const QString& page, const QString& missingText) {
  FProblem = page.isEmpty() ? missingText : QString();
  if (page.isEmpty()) {
    FBrowser->setHtml(QStringLiteral("<p>%1</p>").arg(missingText.toHtmlEscaped()));
    FStatus->setText(missingText);
  } else {
    FBrowser->setSource(QUrl::fromLocalFile(page));
    FStatus->setText(QDir::toNativeSeparators(page));
  }
  TToolWindows::ShowBeside(this);
}

void THelpWindow::ShowContents(const QString& helpFile) {
  ShowPage(ContentsPage(helpFile), QStringLiteral("No contents page in the help file %1.").arg(helpFile));
}

void THelpWindow::ShowContext(const QString& helpFile, int context) {
  ShowPage(ContextPage(helpFile, context),
           QStringLiteral("Help context %1 is not in the help file %2.").arg(context).arg(helpFile));
}

void THelpWindow::ShowTopic(const QString& helpFile, const QString& topic) {
  ShowPage(TopicPage(helpFile, topic),
           QStringLiteral("The help topic \"%1\" is not in the help file %2.").arg(topic, helpFile));
}
