#pragma once
// The --log file: one line per command a card or device received, and per notable event, so a
// test can check what the host sent. Line format (tab-separated):
//   2024-05-01T10:15:02.123<TAB>master<TAB>O0+5\r
// Bytes outside printable ASCII are written as \r, \n or \xNN, and a backslash as "\\".

#include <QFile>
#include <QString>

class TCommandLog {
 public:
  bool Open(const QString& path, QString* error);
  bool IsOpen() const { return FFile.isOpen(); }
  void Write(const QString& source, const QString& text);
  void WriteBytes(const QString& source, const QByteArray& bytes) { Write(source, Escape(bytes)); }
  static QString Escape(const QByteArray& bytes);

 private:
  QFile FFile;
};
