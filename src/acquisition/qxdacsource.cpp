#include "acquisition/qxdacsource.h"

#include "ifd/qxifd.h"
#include "platform/numbers.h"
#include "rigconfig/datasource_definition.h"
#include "rigconfig/rigconfig.h"

void TQXDACSource::RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  TQXIFDAnalogueSource::RegisterParent(DisplayParent, Source);
  Channel = Source.IFD_Channel();
  DigChannel = static_cast<int>(numbers::RoundHalfEven(Source.InitialVal()));
  // Each source is built right after its row is read, so the count so far includes this row.
  DACNumber = Rig() ? Rig()->DAC_Count : 1;
  InvertLogic = Source.NoColumnHintText() == QLatin1String("1");
  CreateSpinBox([this] { DACChange(); });
}

void TQXDACSource::Send() {
  if (IFD())
    IFD()->SetDACOutputValue(DigChannel, DACNumber, static_cast<int>(numbers::RoundHalfEven(current_IFD_value * 2)),
                             InvertLogic);
}

void TQXDACSource::DACChange() {
  const double old = current_IFD_value;
  current_IFD_value = GetRawFromProcess(SpinValue());
  if (current_IFD_value != old) Send();
}

void TQXDACSource::DACSet(double percent) {
  const double old = current_IFD_value;
  double v = 0;
  current_IFD_value = CountsForPercent(percent, &v);
  // Set quietly: the command below is the only one this change sends.
  SetSpinValueSilently(static_cast<int>(numbers::RoundHalfEven(v)));
  if (current_IFD_value != old) Send();
}

void TQXDACSource::DataWrite() {
  if (Source_Column != 0) WriteNumber(SpinValue());
}
