#include "acquisition/qxtimesource.h"

#include "platform/iclock.h"
#include "platform/services.h"
#include "rigconfig/workbook/numberformat.h"

void TQXTimeSource::DataWrite() {
  if (Source_Column == 0) return;
  WriteText(TNumberFormat(QStringLiteral("hh:mm:ss")).Format(TServices::Clock().Now()));
}
