#include "acquisition/qxfrequencysource.h"

#include "acquisition/displaybox.h"

#include <QLineEdit>

#include "ifd/qxifd.h"
#include "platform/numbers.h"
#include "rigconfig/datasource_definition.h"
#include "rigconfig/rigconfig.h"

TQXFrequencySource::~TQXFrequencySource() {
  if (FReadersOf) FReadersOf->UnregisterFrequencyReader(this);
}

void TQXFrequencySource::RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  BaseConstruction(DisplayParent, Source);
  channel = Source.IFD_Channel();
  FgetNewFrq = true;
  FReadersOf = IFD();
  if (FReadersOf) FReadersOf->RegisterFrequencyReader(this);
}

void TQXFrequencySource::DataWrite() {
  if (TQXIFD* ifd = IFD()) {
    ifd->GetFrequency(channel);
    Frequency = ifd->Frequency;
    // A count lost on the line (or none measured yet) is recorded as nothing, never the last one.
    FReadingMissing = ProgramType() != TProgramType::ClientApp && !ifd->ReadingAvailable(32);
  }
  if (Source_Column == 0) return;
  if (FReadingMissing) ClearColumn(Source_Column);
  else WriteNumber(Frequency);
}

void TQXFrequencySource::DataDisplay() {
  if (!Display_Box || !Display_Box->isVisible()) return;
  if (FReadingMissing) Display_Box->setText(UnavailableText());
  else displaybox::Show(Display_Box, numbers::FloatToStr(Frequency) + QStringLiteral(" Hz"));
}

void TQXFrequencySource::FrequencyReceived(int count) {
  Frequency = count;
  FgetNewFrq = true;
}
