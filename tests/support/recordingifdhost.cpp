#include "support/recordingifdhost.h"

void TRecordingIFDHost::SetStatusPanel(int panel, const QString& text) {
  Calls << QStringLiteral("SetStatusPanel %1 %2").arg(panel).arg(text);
}

QStringList TRecordingIFDHost::CallsStartingWith(const QString& prefix) const {
  QStringList matching;
  for (const QString& call : Calls)
    if (call.startsWith(prefix)) matching << call;
  return matching;
}
