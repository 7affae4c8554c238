#pragma once
// A temporary folder for one test, removed afterwards; also points XDG_CONFIG_HOME and XDG_DATA_HOME
// into it so the per-user settings and sample journals of a test never touch the developer's own.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

class TTempFolder {
 public:
  TTempFolder();
  ~TTempFolder();
  QString Path() const { return FDir.path(); }
  QString File(const QString& name) const { return FDir.filePath(name); }
  // Writes a file (creating folders); returns its path.
  QString Write(const QString& name, const QByteArray& content) const;
  static QByteArray Read(const QString& path);
  // Copies a folder tree (a rig folder from examples/) into this folder; returns the copy's path.
  QString CopyTree(const QString& source, const QString& name) const;

 private:
  QTemporaryDir FDir;
  QByteArray FOldConfigHome;
  QByteArray FOldDataHome;
};
