#include "results/columnformat.h"

#include "workbook/model/workbook.h"

namespace columnformat {

QString Of(const TWorkbook& runTemplate, int column) {
  const QString format = runTemplate.NumberFormatRC(2, column);
  // The format codes take "General" in any case.
  if (format.isEmpty() || format.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0) return QStringLiteral("0.0");
  return format;
}

bool IsClock(const QString& format) {
  QString f = format.trimmed();
  f.remove(QLatin1Char('[')).remove(QLatin1Char(']'));
  if (f.isEmpty()) return false;
  bool field = false;
  for (const QChar c : f) {
    if (QStringLiteral("hmsdyHMSDY").contains(c)) field = true;
    else if (!QStringLiteral(":/.- APMapm").contains(c)) return false;
  }
  return field;
}

}  // namespace columnformat
