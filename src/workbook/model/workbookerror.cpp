#include "workbook/model/workbookerror.h"

namespace {
std::string Compose(const QString& file, const QString& where, const QString& what) {
  QString text;
  if (!file.isEmpty()) text += file + QStringLiteral(": ");
  if (!where.isEmpty()) text += where + QStringLiteral(": ");
  text += what;
  return text.toStdString();
}
}  // namespace

EWorkbookError::EWorkbookError(const QString& file, const QString& where, const QString& what)
    : std::runtime_error(Compose(file, where, what)), FFile(file), FWhere(where), FWhat(what) {}
