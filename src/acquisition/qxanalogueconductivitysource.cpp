#include "acquisition/qxanalogueconductivitysource.h"

#include "acquisition/displaybox.h"

#include <exception>

#include <QLineEdit>

#include "ifd/qxifd.h"
#include "platform/iprompts.h"
#include "platform/numbers.h"
#include "platform/services.h"
#include "rigconfig/rigconfig.h"
#include "workbook/model/workbook.h"

TQXAnalogueConductivitySource::TQXAnalogueConductivitySource(QObject* owner) : TQXIFDAnalogueSource(owner) {}
TQXAnalogueConductivitySource::~TQXAnalogueConductivitySource() = default;

void TQXAnalogueConductivitySource::RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  TQXIFDAnalogueSource::RegisterParent(DisplayParent, Source);
  SensorCount = 1;
  DataLoaded = false;
  WeightSheet = std::make_unique<TWorkbook>();
  const QString path = Rig() ? Rig()->Weight_Spreadsheet : QString();
  try {
    WeightSheet->Read(path);
    DataLoaded = true;
  } catch (const std::exception& e) {
    // Reported once for all conductivity items of the rig: they show conductivity, no weight.
    static QString reported;
    if (reported != path) {
      reported = path;
      TServices::Prompts().MessageDlg(
          QStringLiteral("The weight sheet cannot be read, so no weight can be shown:\n%1").arg(QString::fromUtf8(e.what())),
          TMsgDlgType::mtWarning, TMsgDlgButtons::OK);
    }
    return;
  }
  weight_units_text = WeightSheet->TextRC(2, 4);
  const int row = WeightSheet->Row();
  auto number = [&](int col) { return static_cast<int>(numbers::RoundHalfEven(WeightSheet->NumberRC(row, col))); };
  for (int i = 1; i <= Sensors; ++i) {
    TemperatureColumn[static_cast<size_t>(i)] = number(3 * i - 2);
    WeightColumn[static_cast<size_t>(i)] = number(3 * i - 1);
    IFD_Channel_No[static_cast<size_t>(i)] = number(3 * i);
  }
  for (int i = 1; i <= Sensors; ++i)
    if (IFD_Channel_No[static_cast<size_t>(i)] == FChannel) {
      SensorCount = i;
      break;
    }
}

void TQXAnalogueConductivitySource::DataWrite() {
  ReadChannel();
  WriteReading();
}

void TQXAnalogueConductivitySource::DataDisplay() {
  if (!Display_Box || !Display_Box->isVisible()) return;
  if (FReadingMissing) {
    Display_Box->setText(UnavailableText());
    return;
  }
  if (ShowConductivity)
    displaybox::Show(Display_Box, SampleFormattedText(Source_Column) + QLatin1Char(' ') + fUnits_text);
  else if (DataLoaded)
    displaybox::Show(Display_Box, SampleFormattedText(WeightColumn[static_cast<size_t>(SensorCount)]) + QLatin1Char(' ') +
                         weight_units_text);
  else
    displaybox::Show(Display_Box, QString());
}
