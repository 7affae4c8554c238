#include "inverter/capturerigs.h"

namespace {
// Model names are four characters: a rig's program is known by the first four of its caption.
const char* const kNames[TCaptureRigs::Count] = {"nothing", "QC01", "QC02", "QC03",  "QC04",  "QC05",
                                                 "QC06",    "QC07", "QC08", "QC09",  "QC10",  "spare",
                                                 "QC12",    "spare", "spare", "spare"};
}  // namespace

QString TCaptureRigs::Name(int index) {
  if (index < 0 || index >= Count) return QStringLiteral("unknown");
  return QString::fromLatin1(kNames[index]);
}

int TCaptureRigs::IndexOf(const QString& text) {
  int found = 0;
  for (int i = 0; i < Count; ++i)
    if (text == QLatin1String(kNames[i])) found = i;
  return found;
}
