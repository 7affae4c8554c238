#include "acquisition/qxheatercontrollersource.h"

#include <algorithm>
#include <cmath>

#include <QTimer>

#include "ifd/qxifd.h"
#include "platform/numbers.h"

void TQXHeaterControllerSource::RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  TQXIFDAnalogueSource::RegisterParent(DisplayParent, Source);
  CreateSpinBox([this] { StartPulses(); });
  PulseTimer = new QTimer(this);
  PulseTimer->setInterval(PulseMs);
  connect(PulseTimer, &QTimer::timeout, this, &TQXHeaterControllerSource::PulseTick);
}

void TQXHeaterControllerSource::SetLine(int line, bool on) {
  if (IFD()) IFD()->SetDigitalOutputValue(line, on);
}

void TQXHeaterControllerSource::StartPulses() {
  const int target = SpinValue();
  // Without a reading of the position there is nothing to correct: the outputs hold.
  if (IFD() && !IFD()->ReadingAvailable(2)) return;
  TargetValue = IFD() ? IFD()->DataForChannel(2) / 2048.0 * 100.0 : 0;
  const double diff = TargetValue - target;
  PulsesReqd = static_cast<int>(numbers::RoundHalfEven(std::fabs(diff) / PercentPerPulse));
  const int interval = IFD() ? IFD()->Interval : 1000;
  // The train must end before the next tick starts another; the cut never lengthens a train.
  if (interval < PulsesReqd * 100)
    PulsesReqd = std::min(PulsesReqd, static_cast<int>(numbers::Trunc(interval / 100.0)) * 2);
  Channel = diff >= 0 ? 7 : 6;
  SetLine(6, true);
  SetLine(7, true);
  OutputState = true;
  Count = 0;
  if (PulseTimer) PulseTimer->start();
}

void TQXHeaterControllerSource::PulseTick() {
  ++Count;
  if (Count >= PulsesReqd) {
    if (PulseTimer) PulseTimer->stop();
    SetLine(Channel, true);
    return;
  }
  OutputState = !OutputState;
  SetLine(Channel, OutputState);
}

void TQXHeaterControllerSource::Tick(int Current_Count, TDateTime Start_Time) {
  Q_UNUSED(Current_Count);
  Q_UNUSED(Start_Time);
  StartPulses();
  DataWrite();
}

void TQXHeaterControllerSource::DataWrite() {
  if (Source_Column != 0) WriteNumber(SpinValue());
}
