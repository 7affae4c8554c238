#include "acquisition/qxanalogueinputsource.h"

#include "acquisition/displaybox.h"

#include <QLineEdit>

#include "ifd/qxifd.h"
#include "rigconfig/rigconfig.h"

void TQXAnalogueInputSource::RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  TQXIFDAnalogueSource::RegisterParent(DisplayParent, Source);
  // Nothing has been read yet: no controller or store may act on the initial 0.
  FReadingMissing = ProgramType() != TProgramType::ClientApp && IFD();
}

void TQXAnalogueInputSource::DataWrite() {
  if (ProgramType() != TProgramType::ClientApp) ReadChannel();
  WriteReading();
}

void TQXAnalogueInputSource::DataDisplay() {
  if (!Display_Box || !Display_Box->isVisible()) return;
  if (FReadingMissing) {
    Display_Box->setText(UnavailableText());
    return;
  }
  const QString value = Source_Column != 0 ? SampleFormattedText(Source_Column) : ProcValueString();
  displaybox::Show(Display_Box, value + QLatin1Char(' ') + fUnits_text);
}
