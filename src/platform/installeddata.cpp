#include "platform/installeddata.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString TInstalledData::DataDir() {
  const QString env = qEnvironmentVariable("QUORLEX_DATA_DIR");
  if (!env.isEmpty()) return QDir(env).absolutePath();
  const QString dir = QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/quorlex")).absolutePath();
  return QFileInfo(dir + QStringLiteral("/rigs")).isDir() ? dir : QString();
}

QString TInstalledData::UserRigsDir() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/quorlex/rigs");
}

QString TInstalledData::ResolveRig(const QString& value) {
  if (value.isEmpty() || QFileInfo(value).isDir()) return value;
  if (value.contains(QLatin1Char('/')) || value.startsWith(QLatin1Char('.'))) return value;
  const QString own = UserRigsDir() + QLatin1Char('/') + value;
  if (QFileInfo(own + QStringLiteral("/config")).isDir()) return own;
  const QString data = DataDir();
  if (data.isEmpty()) return value;
  const QString installed = data + QStringLiteral("/rigs/") + value;
  return QFileInfo(installed).isDir() ? installed : value;
}
