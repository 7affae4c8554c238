#pragma once
// The one error type of the workbook engine. Its message says where the fault is: the file (when
// there is one), the line or cell, and what is wrong, so a caller can show it as it stands.

#include <stdexcept>

#include <QString>

class EWorkbookError : public std::runtime_error {
 public:
  // "file: where: what"; parts left empty are omitted.
  EWorkbookError(const QString& file, const QString& where, const QString& what);
  explicit EWorkbookError(const QString& what) : EWorkbookError(QString(), QString(), what) {}

  QString File() const { return FFile; }
  QString Where() const { return FWhere; }
  QString What() const { return FWhat; }
  QString Message() const { return QString::fromUtf8(what()); }

 private:
  QString FFile, FWhere, FWhat;
};
