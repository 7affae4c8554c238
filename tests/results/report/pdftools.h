#pragma once
// A PDF read back with poppler's tools: its text and its facts, with whatever the reader had to
// complain about (a broken cross-reference or object says so on the error output).

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

struct TPdfRead {
  QString Out, Errors;
};

inline TPdfRead PdfTool(const QString& tool, const QStringList& arguments) {
  QProcess p;
  p.start(tool, arguments);
  p.waitForFinished(60000);
  return {QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

// The text laid out as on the page; pages are separated by form feeds.
inline QString PdfText(const QString& path, const QStringList& options = {}) {
  return PdfTool("pdftotext", options + QStringList{"-layout", path, "-"}).Out;
}

inline TPdfRead PdfInfo(const QString& path) { return PdfTool("pdfinfo", {path}); }

inline bool HavePoppler() {
  return !QStandardPaths::findExecutable("pdftotext").isEmpty() && !QStandardPaths::findExecutable("pdfinfo").isEmpty();
}
