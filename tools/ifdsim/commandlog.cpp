#include "commandlog.h"

#include <QDateTime>

bool TCommandLog::Open(const QString& path, QString* error) {
  FFile.setFileName(path);
  if (!FFile.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
    *error = QStringLiteral("cannot write the log %1: %2").arg(path, FFile.errorString());
    return false;
  }
  return true;
}

void TCommandLog::Write(const QString& source, const QString& text) {
  if (!FFile.isOpen()) return;
  const QString stamp = QDateTime::currentDateTime().toString(Qt::ISODateWithMs);
  FFile.write((stamp + u'\t' + source + u'\t' + text + u'\n').toUtf8());
  // Flushed at once: the reader is usually a test looking while the simulator still runs.
  FFile.flush();
}

QString TCommandLog::Escape(const QByteArray& bytes) {
  QString out;
  out.reserve(bytes.size());
  for (char ch : bytes) {
    const quint8 c = quint8(ch);
    if (c == '\\') out += QStringLiteral("\\\\");
    else if (c == '\r') out += QStringLiteral("\\r");
    else if (c == '\n') out += QStringLiteral("\\n");
    else if (c >= 0x20 && c < 0x7F) out += QChar(c);
    else out += QStringLiteral("\\x%1").arg(c, 2, 16, QChar(u'0'));
  }
  return out;
}
