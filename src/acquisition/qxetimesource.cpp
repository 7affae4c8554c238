#include "acquisition/qxetimesource.h"

#include "platform/iclock.h"
#include "platform/services.h"

void TQXETimeSource::Tick(int Current_Count, TDateTime Start_Time) {
  Q_UNUSED(Current_Count);
  WriteTime(Start_Time);
}

void TQXETimeSource::WriteTime(TDateTime Start_value) {
  if (Source_Column == 0) return;
  if (Start_value == 0)
    WriteText(QStringLiteral(" "));
  else
    WriteNumber(TServices::Clock().Now() - Start_value);
}
