#include "support/tempfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TTempFolder::TTempFolder() : FOldConfigHome(qgetenv("XDG_CONFIG_HOME")) {
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(FDir.filePath(QStringLiteral("config-home"))));
}

TTempFolder::~TTempFolder() { qputenv("XDG_CONFIG_HOME", FOldConfigHome); }

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
