#include "acquisition/qxsamplenumbersource.h"

void TQXSampleNumberSource::WriteSample(int value) {
  if (Source_Column != 0) WriteText(QString::number(value + 1));
}
