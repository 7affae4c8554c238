#include "acquisition/qxdigitalflip.h"

#include "acquisition/controllink.h"
#include "acquisition/qxdigitaloutputsource.h"
#include "acquisition/twostateimage.h"
#include "platform/numbers.h"
#include "rigconfig/datasource_definition.h"

void TQXDigitalFlip::RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  BaseConstruction(DisplayParent, Source);
  polarity = static_cast<int>(numbers::RoundHalfEven(Source.InitialVal()));
  OutputChannelNo = Source.IFD_Channel();
  OutputChannel = TControlLink::FindOutput(OutputChannelNo, Source, QStringLiteral("flip"));
  if (OutputChannel && OutputChannel->DisplayButton) OutputChannel->DisplayButton->setEnabled(false);
  const auto followed = numbers::ParseTypedInteger(fShort_text.trimmed());
  InputchannelNo = followed ? static_cast<int>(*followed) : -1;
  InputChannel = TControlLink::FindOutput(InputchannelNo, Source, QStringLiteral("flip"));
}

void TQXDigitalFlip::DataWrite() {
  if (!OutputChannel || !InputChannel) return;
  OutputChannel->DigitalOutSet(polarity != 0 ? !InputChannel->Output_State : InputChannel->Output_State);
  OutputChannel->DataWrite();
}
