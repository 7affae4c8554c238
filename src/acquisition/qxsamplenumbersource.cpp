#include "acquisition/qxsamplenumbersource.h"

void TQXSampleNumberSource::Tick(int Current_Count, TDateTime Start_Time) {
  Q_UNUSED(Start_Time);
  WriteSample(Current_Count);
}

void TQXSampleNumberSource::WriteSample(int value) {
  if (Source_Column != 0) WriteText(QString::number(value + 1));
}
