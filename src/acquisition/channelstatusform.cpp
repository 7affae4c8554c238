#include "acquisition/channelstatusform.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>

#include "acquisition/qxdatalist.h"
#include "platform/numbers.h"

TChannelStatusForm::TChannelStatusForm(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint) {
  setWindowTitle(QStringLiteral("IFD Channel Status"));
}

void TChannelStatusForm::Build(const TQXDataList& list) {
  QStringList names, units;
  std::vector<float> maxVolts, minVolts;
  list.GetIFDHeaderList(names, maxVolts, units, minVolts);
  // Wide enough for a reading such as "-10.000" and for the channel's name.
  int width = std::max(32, TextWidth(QStringLiteral("-10.000")));
  for (int i = 0; i < names.size(); ++i) {
    auto* panel = new QFrame(this);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* gauge = new QProgressBar(panel);
    gauge->setOrientation(Qt::Vertical);
    gauge->setTextVisible(false);
    const int lo = static_cast<int>(numbers::RoundHalfEven(minVolts[static_cast<size_t>(i)] * 100.0));
    const int hi = static_cast<int>(numbers::RoundHalfEven(maxVolts[static_cast<size_t>(i)] * 100.0));
    gauge->setRange(std::min(lo, hi), std::max(lo, hi));
    gauge->setStyleSheet(QStringLiteral("QProgressBar::chunk { background: blue; }"));
    auto* volts = new QLineEdit(this);
    volts->setReadOnly(true);
    auto* value = new QLineEdit(this);
    value->setReadOnly(true);
    value->setToolTip(units[i]);
    auto* name = new QLabel(names[i], this);
    name->setAlignment(Qt::AlignHCenter);
    width = std::max(width, name->fontMetrics().horizontalAdvance(names[i]) + 6);
    FPanels.push_back(panel);
    FGauges.push_back(gauge);
    FVolts.push_back(volts);
    FValues.push_back(value);
    FNames.push_back(name);
  }
  LayOut(width);
}

int TChannelStatusForm::TextWidth(const QString& text) const {
  // The text plus the edit box's frame and margins.
  return fontMetrics().horizontalAdvance(text) + 12;
}

void TChannelStatusForm::LayOut(int width) {
  FColumnWidth = width;
  const int field = std::max(21, fontMetrics().height() + 6);
  const int label = fontMetrics().height() + 2;
  for (size_t i = 0; i < FGauges.size(); ++i) {
    const int x = width * static_cast<int>(i);
    FPanels[i]->setGeometry(x + 1, 0, width - 2, 150);
    FGauges[i]->setGeometry((width - 2 - 26) / 2, 2, 26, 146);
    FVolts[i]->setGeometry(x, 152, width, field);
    FValues[i]->setGeometry(x, 153 + field, width, field);
    FNames[i]->setGeometry(x, 156 + 2 * field, width, label);
  }
  setFixedSize(std::max(width, width * static_cast<int>(FGauges.size())), 158 + 2 * field + label);
}

void TChannelStatusForm::Refresh(const TQXDataList& list) {
  QStringList voltTexts, valueTexts;
  std::vector<float> volts, values;
  list.GetIFDValues(voltTexts, valueTexts, volts, values);
  int widest = FColumnWidth;
  for (size_t i = 0; i < FGauges.size() && i < volts.size(); ++i) {
    const int pos = static_cast<int>(numbers::RoundHalfEven(volts[i] * 100.0));
    FGauges[i]->setValue(std::clamp(pos, FGauges[i]->minimum(), FGauges[i]->maximum()));
    FVolts[i]->setText(voltTexts[static_cast<int>(i)]);
    FValues[i]->setText(valueTexts[static_cast<int>(i)]);
    widest = std::max({widest, TextWidth(voltTexts[static_cast<int>(i)]), TextWidth(valueTexts[static_cast<int>(i)])});
  }
  // A reading wider than its field widens every column: numbers are never cut.
  if (widest > FColumnWidth) LayOut(widest);
}
