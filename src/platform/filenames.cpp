#include "platform/filenames.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace filenames {

QString ToSlashes(QString name) {
  name.replace(QLatin1Char('\\'), QLatin1Char('/'));
  return name;
}

namespace {
// Walks the parts of an absolute path, matching each without case when the exact one is absent.
QString ResolveParts(const QString& root, const QStringList& parts) {
  QString current = root;
  for (int i = 0; i < parts.size(); ++i) {
    const QString& part = parts[i];
    if (part.isEmpty() || part == QLatin1String(".")) continue;
    const QString exact = current.endsWith(QLatin1Char('/')) ? current + part : current + QLatin1Char('/') + part;
    if (part == QLatin1String("..") || QFileInfo::exists(exact)) {
      current = exact;
      continue;
    }
    QString match;
    const QStringList entries = QDir(current).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& e : entries)
      if (e.compare(part, Qt::CaseInsensitive) == 0) {
        match = e;
        break;
      }
    if (match.isEmpty()) {
      // nothing further can match: keep the rest as written
      QStringList rest = parts.mid(i);
      return exact.left(exact.size() - part.size()) + rest.join(QLatin1Char('/'));
    }
    current = current.endsWith(QLatin1Char('/')) ? current + match : current + QLatin1Char('/') + match;
  }
  return current;
}
}  // namespace

QString ResolvePath(const QString& path) {
  const QString slashed = ToSlashes(path);
  if (slashed.isEmpty()) return slashed;
  if (QFileInfo::exists(slashed)) return slashed;
  const bool absolute = slashed.startsWith(QLatin1Char('/'));
  const QString root = absolute ? QStringLiteral("/") : QStringLiteral(".");
  QString resolved = ResolveParts(root, slashed.split(QLatin1Char('/'), Qt::KeepEmptyParts));
  if (!absolute && resolved.startsWith(QStringLiteral("./"))) resolved = resolved.mid(2);
  return resolved;
}

QString Resolve(const QString& folder, const QString& relative) {
  QString base = ToSlashes(folder);
  if (!base.endsWith(QLatin1Char('/'))) base += QLatin1Char('/');
  return ResolvePath(base + ToSlashes(relative));
}

bool CopyTree(const QString& from, const QString& to) {
  const QDir source(from);
  QDirIterator it(source.absolutePath(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString file = it.next();
    const QString target = to + QLatin1Char('/') + source.relativeFilePath(file);
    if (!QDir().mkpath(QFileInfo(target).absolutePath()) || !QFile::copy(file, target)) return false;
  }
  return true;
}

}  // namespace filenames
