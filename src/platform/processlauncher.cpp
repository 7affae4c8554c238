#include "platform/processlauncher.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

bool TProcessLauncher::Start(const QString& program, const QStringList& arguments, const QString& workingDir) {
  if (program.isEmpty()) return false;
  return QProcess::startDetached(program, arguments, workingDir);
}

bool TProcessLauncher::OpenDocument(const QString& file) {
  return !file.isEmpty() && QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}
