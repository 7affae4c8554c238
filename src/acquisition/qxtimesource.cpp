#include "acquisition/qxtimesource.h"

#include "platform/iclock.h"
#include "platform/services.h"
#include "workbook/model/numberformat.h"

void TQXTimeSource::DataWrite() {
  if (Source_Column == 0) return;
  static const TNumberFormat clock(QStringLiteral("hh:mm:ss"));  // parsed once, not on every tick
  WriteText(clock.Format(TServices::Clock().Now()));
}
