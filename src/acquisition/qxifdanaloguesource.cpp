#include "acquisition/qxifdanaloguesource.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include "ifd/qxifd.h"
#include "platform/numbers.h"
#include "rigconfig/datasource_definition.h"
#include "workbook/model/workbook.h"

TQXIFDAnalogueSource::~TQXIFDAnalogueSource() {
  delete Button;
  delete AnalogueDataBox;
}

void TQXIFDAnalogueSource::RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  BaseConstruction(DisplayParent, Source);
  FChannel = Source.IFD_Channel();
  std::vector<std::pair<double, double>> points;
  for (int p = 1; Source.RawValueAt(p) != TDataSource_Definition::NoCalibrationValue; ++p)
    points.emplace_back(Source.ProcessedValueAt(p), Source.RawValueAt(p));
  Calibration.Build(points);
  if (Source.InitialVal() == 1 && DisplayParent) {
    Button = new QPushButton(QStringLiteral("Zero"), DisplayParent);
    Button->setToolTip(QStringLiteral("Click to zero the reading"));
    Button->setGeometry(FDataX + FWidth + 5, FDataY, 30, 20);
    Button->setFont(SourceFont());
    Button->raise();
    Button->show();
    connect(Button, &QPushButton::clicked, this, [this] {
      Click(Button);
      RequestTare = true;
    });
  }
  Tare_Value = 0;
}

void TQXIFDAnalogueSource::ReadChannel() {
  TQXIFD* ifd = IFD();
  if (!ifd) return;
  FReadingMissing = !ifd->ReadingAvailable(FChannel);
  if (!FReadingMissing) current_IFD_value = ifd->DataForChannel(FChannel);
}

void TQXIFDAnalogueSource::WriteReading() {
  if (Source_Column == 0) return;
  // A reading that did not arrive is recorded as nothing, never as the value kept from before.
  if (FReadingMissing) ClearColumn(Source_Column);
  else WriteNumber(ProcessValue());
}

double TQXIFDAnalogueSource::ProcessValue() {
  const double result = TaredValue();
  if (RequestTare) {
    Tare_Value += result;
    RequestTare = false;
  }
  return result;
}

QString TQXIFDAnalogueSource::VoltageString() const { return QString::number(VoltageValue(), 'f', 2); }

QString TQXIFDAnalogueSource::ProcValueString() {
  if (Source_Column != 0 && SampleBook()) return SampleBook()->TextRC(2, Source_Column);
  return QString::number(ProcessValue(), 'f', 1);
}

int TQXIFDAnalogueSource::CountsForPercent(double percent, double* value) const {
  const double v = MinProcValue() + (MaxProcValue() - MinProcValue()) * percent / 100.0;
  if (value) *value = v;
  return GetRawFromProcess(v);
}

void TQXIFDAnalogueSource::CreateSpinBox(std::function<void()> onChange) {
  FOnSpinChange = std::move(onChange);
  if (Display_Box) Display_Box->hide();
  const int lo = static_cast<int>(numbers::RoundHalfEven(MinProcValue()));
  const int hi = static_cast<int>(numbers::RoundHalfEven(MaxProcValue()));
  FSpinValue = std::min(lo, hi);
  if (!FHasPosition || !Parent) return;
  AnalogueDataBox = new QSpinBox(Parent);
  AnalogueDataBox->setFont(SourceFont());
  AnalogueDataBox->setRange(std::min(lo, hi), std::max(lo, hi));
  // A typed demand goes to the card when committed (Enter, leaving the box), not digit by digit.
  AnalogueDataBox->setKeyboardTracking(false);
  AnalogueDataBox->setGeometry(FDataX, FDataY, FWidth, AnalogueDataBox->sizeHint().height());
  AnalogueDataBox->setToolTip(FHint);
  AnalogueDataBox->setValue(FSpinValue);
  AnalogueDataBox->show();
  connect(AnalogueDataBox, qOverload<int>(&QSpinBox::valueChanged), this, [this](int v) {
    FSpinValue = v;
    if (FOnSpinChange) FOnSpinChange();
  });
}

void TQXIFDAnalogueSource::SetSpinValue(int value) {
  SetSpinValueSilently(value);
  if (FOnSpinChange) FOnSpinChange();
}

void TQXIFDAnalogueSource::SetSpinValueSilently(int value) {
  if (AnalogueDataBox) {
    const QSignalBlocker block(AnalogueDataBox);
    AnalogueDataBox->setValue(value);
    value = AnalogueDataBox->value();  // the box keeps to its range
  }
  FSpinValue = value;
}
