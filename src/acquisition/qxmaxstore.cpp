#include "acquisition/qxmaxstore.h"

#include "rigconfig/datasource_definition.h"

void TQXMaxStore::RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  CreateButton(DisplayParent, Source, QStringLiteral("Reset"), 22, [this] { ResetMax(); });
  channel = Source.IFD_Channel();
  MaxValue = Empty;
}

void TQXMaxStore::DataWrite() {
  if (Source_Column == 0) return;
  // A sample without a reading in the watched column leaves the maximum as it is.
  if (!SampleEmpty(channel)) {
    const double x = SampleNumber(channel);
    if (x > MaxValue) MaxValue = x;
  }
  WriteColumn(Source_Column, MaxValue);
}
