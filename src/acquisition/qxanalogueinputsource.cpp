#include "acquisition/qxanalogueinputsource.h"

#include "acquisition/displaybox.h"

#include <QLineEdit>

#include "ifd/qxifd.h"
#include "rigconfig/rigconfig.h"

void TQXAnalogueInputSource::DataWrite() {
  if (ProgramType() != TProgramType::ClientApp && IFD()) current_IFD_value = IFD()->DataForChannel(FChannel);
  if (Source_Column != 0) WriteNumber(ProcessValue());
}

void TQXAnalogueInputSource::DataDisplay() {
  if (!Display_Box || !Display_Box->isVisible()) return;
  const QString value = Source_Column != 0 ? SampleFormattedText(Source_Column) : ProcValueString();
  displaybox::Show(Display_Box, value + QLatin1Char(' ') + fUnits_text);
}
