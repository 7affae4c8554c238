#include "acquisition/qxtwinfreqs.h"

#include <tuple>

#include "ifd/qxifd.h"
#include "rigconfig/datasource_definition.h"
#include "rigconfig/rigconfig.h"

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
  // Each count lost on the line (or none measured yet) is recorded as nothing, never the last one.
  const bool client = ProgramType() == TProgramType::ClientApp;
  for (const auto& [column, index, value] : {std::tuple{Source_Column, 32, Frequency1}, std::tuple{Source_Column + 1, 33, Frequency2}}) {
    if (!client && !ifd->ReadingAvailable(index)) ClearColumn(column);
    else WriteColumn(column, value);
  }
}
