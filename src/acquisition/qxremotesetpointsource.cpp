#include "acquisition/qxremotesetpointsource.h"

#include "platform/numbers.h"
#include "rigconfig/datasource_definition.h"

void TQXRemoteSetPointSource::RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  TQXIFDAnalogueSource::RegisterParent(DisplayParent, Source);
  CreateSpinBox([this] { SetPointChange(); });
  // A whole-number initial value starts at 100 %; one that rounds to 0 starts at 0 % rather than
  // dividing by zero.
  SetPointSet(MaxValue != 0 ? Source.InitialVal() * 100.0 / MaxValue : 0.0);
}

void TQXRemoteSetPointSource::SetPointChange() { current_IFD_value = GetRawFromProcess(SpinValue()); }

void TQXRemoteSetPointSource::SetPointSet(double percent) {
  double v = 0;
  current_IFD_value = CountsForPercent(percent, &v);
  SetSpinValue(static_cast<int>(numbers::RoundHalfEven(v)));
}

void TQXRemoteSetPointSource::DataWrite() {
  if (Source_Column != 0) WriteNumber(SpinValue());
}
