#include "faultplan.h"

TFaultPlan::TAction TFaultPlan::Next() {
  ++FCount;
  if (FSettings.DropEvery > 0 && FCount % FSettings.DropEvery == 0) return TAction::Drop;
  if (FSettings.CorruptEvery > 0 && FCount % FSettings.CorruptEvery == 0) return TAction::Corrupt;
  return TAction::Send;
}

QByteArray TFaultPlan::CorruptFrame(const QByteArray& frame) {
  int end = 0;
  while (end < frame.size() && quint8(frame[end]) < 0x80) ++end;
  QByteArray data = frame.left(end);
  for (char& c : data)
    if (c >= '0' && c <= '9') c = '?';
  return '?' + data + frame.mid(end);
}

QByteArray TFaultPlan::CorruptData(const QByteArray& data) {
  QByteArray out = data;
  for (char& c : out) c = char(~c);
  return out;
}
