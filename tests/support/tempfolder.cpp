#include "support/tempfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include "platform/filenames.h"

TTempFolder::TTempFolder() : FOldConfigHome(qgetenv("XDG_CONFIG_HOME")), FOldDataHome(qgetenv("XDG_DATA_HOME")) {
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(FDir.filePath(QStringLiteral("config-home"))));
  qputenv("XDG_DATA_HOME", QFile::encodeName(FDir.filePath(QStringLiteral("data-home"))));
  // QSettings reads XDG_CONFIG_HOME once per process: tell it too.
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, FDir.filePath(QStringLiteral("config-home")));
}

TTempFolder::~TTempFolder() {
  qputenv("XDG_CONFIG_HOME", FOldConfigHome);
  qputenv("XDG_DATA_HOME", FOldDataHome);
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                     FOldConfigHome.isEmpty() ? QDir::homePath() + QStringLiteral("/.config") : QFile::decodeName(FOldConfigHome));
}

QString TTempFolder::Write(const QString& name, const QByteArray& content) const {
  const QString path = FDir.filePath(name);
  QDir().mkpath(QFileInfo(path).path());
  QFile f(path);
  if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(content);
  return path;
}

QByteArray TTempFolder::Read(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

QString TTempFolder::CopyTree(const QString& source, const QString& name) const {
  const QString target = FDir.filePath(name);
  filenames::CopyTree(source, target);
  return target;
}
