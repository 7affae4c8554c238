#pragma once
// The native text workbook (.vts): UTF-8 lines, one fact per line, numbers in their shortest exact
// form, so files diff well and every double reads back bit for bit. docs/workbook-format.md
// describes it.

#include <QByteArray>
#include <QString>

class TWorkbook;

class TNativeFile {
 public:
  static constexpr const char* Magic = "quorlex-workbook";

  static bool Recognise(const QByteArray& data);
  // Throws EWorkbookError naming path and line.
  static TWorkbook Read(const QString& path, const QByteArray& data);
  static QByteArray Write(const TWorkbook& book);
};
