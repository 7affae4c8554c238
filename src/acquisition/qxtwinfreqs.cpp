#include "acquisition/qxtwinfreqs.h"

#include "ifd/qxifd.h"
#include "rigconfig/datasource_definition.h"

void TQXTwinFreqs::RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  BaseConstruction(DisplayParent, Source);
  channel1 = Source.IFD_Channel();
  channel2 = channel1 + 1;
}

void TQXTwinFreqs::DataWrite() {
  TQXIFD* ifd = IFD();
  if (!ifd) return;
  ifd->GetTwinFreqs(channel1, channel2);
  Frequency1 = ifd->DataForChannel(32);
  Frequency2 = ifd->DataForChannel(33);
  if (Source_Column == 0) return;
  WriteColumn(Source_Column, Frequency1);
  WriteColumn(Source_Column + 1, Frequency2);
}
