#include "platform/processlauncher.h"

#include <QProcess>

bool TProcessLauncher::Start(const QString& program, const QStringList& arguments, const QString& workingDir) {
  if (program.isEmpty()) return false;
  return QProcess::startDetached(program, arguments, workingDir);
}
