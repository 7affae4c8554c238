#include "results/columnformat.h"

#include "workbook/model/workbook.h"

namespace columnformat {

QString Of(const TWorkbook& runTemplate, int column) {
  const QString format = runTemplate.NumberFormatRC(2, column);
  // The format codes take "General" in any case.
  if (format.isEmpty() || format.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0) return QStringLiteral("0.0");
  return format;
}

}  // namespace columnformat
