#include "acquisition/qxgatesource.h"

#include "acquisition/controllink.h"
#include "acquisition/qxdigitaloutputsource.h"
#include "acquisition/twostateimage.h"
#include "platform/numbers.h"
#include "rigconfig/datasource_definition.h"

void TQXGateSource::RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  TQXManInpSource::RegisterParent(DisplayParent, Source);
  Channel = Source.IFD_Channel();
  const auto column = numbers::ParseTypedInteger(Source.ShortLabelText().trimmed());
  DataColumn = column ? static_cast<int>(*column) : 0;
  SetPoint = DataValue;
  ControlChannel = TControlLink::FindOutput(Channel, Source, QStringLiteral("gate"));
  // The gate decides the output: the user may not click it.
  if (ControlChannel && ControlChannel->DisplayButton) ControlChannel->DisplayButton->setEnabled(false);
}

QString TQXGateSource::ButtonHint(const TDataSource_Definition& Source) const { return Source.NoColumnHintText(); }

void TQXGateSource::DataWrite() {
  SetPoint = DataValue;
  // Without a column to watch (a short label that is no number) the output is left alone.
  if (ControlChannel && DataColumn > 0) {
    // Without a reading in the watched column the output holds its state.
    if (!SampleEmpty(DataColumn)) ControlChannel->DigitalOutSet(SampleNumber(DataColumn) <= SetPoint);
    ControlChannel->DataWrite();
  }
  if (Source_Column != 0) WriteNumber(DataValue);
}
