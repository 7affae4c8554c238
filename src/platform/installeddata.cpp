#include "platform/installeddata.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
// A folder holding a rig: it has the sheets folder.
bool IsRig(const QString& folder) { return QFileInfo(folder + QStringLiteral("/config")).isDir(); }

bool OwnerWritable(const QString& path) { return (QFile::permissions(path) & QFileDevice::WriteOwner) != 0; }

bool Inside(const QString& path, const QString& folder) {
  return !folder.isEmpty() && QDir::cleanPath(path).startsWith(QDir::cleanPath(folder) + QLatin1Char('/'));
}
}  // namespace

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
  if (IsRig(own)) return own;
  const QString data = DataDir();
  if (data.isEmpty()) return value;
  const QString installed = data + QStringLiteral("/rigs/") + value;
  return QFileInfo(installed).isDir() ? installed : value;
}

QList<TInstalledData::TRigOffer> TInstalledData::AvailableRigs() {
  QList<TRigOffer> offers;
  auto add = [&offers](const QString& parent, bool installed) {
    if (parent.isEmpty()) return;
    const QDir dir(parent);
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
      if (IsRig(dir.filePath(name))) offers.append({name, dir.filePath(name), installed});
  };
  add(UserRigsDir(), false);
  const QString data = DataDir();
  add(data.isEmpty() ? QString() : data + QStringLiteral("/rigs"), true);
  return offers;
}

QString TInstalledData::SettingsDir() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/Veltrim");
}

QString TInstalledData::WritableSettingsFile(const QString& rigFile) {
  if (rigFile.isEmpty()) return rigFile;
  const QFileInfo info(rigFile);
  const QString folder = info.absolutePath();
  const bool installed = Inside(folder, DataDir());
  const bool writable = QFileInfo(folder).isDir() && OwnerWritable(folder) && (!info.exists() || OwnerWritable(rigFile));
  if (!installed && writable) return rigFile;
  const QString copyFolder = SettingsDir() + QStringLiteral("/rigs") + QDir::cleanPath(folder);
  const QString copy = copyFolder + QLatin1Char('/') + info.fileName();
  if (QFileInfo::exists(copy)) return copy;
  // Without a copy the rig's own file is still read; saving then reports why it cannot.
  if (!QDir().mkpath(copyFolder)) return rigFile;
  if (info.exists()) {
    const QString part = copy + QStringLiteral(".part");
    QFile::remove(part);
    if (!QFile::copy(rigFile, part)) return rigFile;
    QFile::setPermissions(part, QFile::permissions(part) | QFileDevice::WriteOwner | QFileDevice::ReadOwner);
    if (!QFile::rename(part, copy)) {
      QFile::remove(part);
      return rigFile;
    }
  }
  return copy;
}
