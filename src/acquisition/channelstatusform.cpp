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
  for (int i = 0; i < names.size(); ++i) {
    const int x = 32 * i;
    auto* panel = new QFrame(this);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setGeometry(x + 1, 0, 30, 150);
    auto* gauge = new QProgressBar(panel);
    gauge->setOrientation(Qt::Vertical);
    gauge->setTextVisible(false);
    gauge->setGeometry(2, 2, 26, 146);
    const int lo = static_cast<int>(numbers::RoundHalfEven(minVolts[static_cast<size_t>(i)] * 100.0));
    const int hi = static_cast<int>(numbers::RoundHalfEven(maxVolts[static_cast<size_t>(i)] * 100.0));
    gauge->setRange(std::min(lo, hi), std::max(lo, hi));
    gauge->setStyleSheet(QStringLiteral("QProgressBar::chunk { background: blue; }"));
    auto* volts = new QLineEdit(this);
    volts->setReadOnly(true);
    volts->setGeometry(x, 152, 32, 21);
    auto* value = new QLineEdit(this);
    value->setReadOnly(true);
    value->setGeometry(x, 174, 32, 21);
    value->setToolTip(units[i]);
    auto* name = new QLabel(names[i], this);
    name->setAlignment(Qt::AlignHCenter);
    name->setGeometry(x, 198, 32, 15);
    FGauges.push_back(gauge);
    FVolts.push_back(volts);
    FValues.push_back(value);
  }
  setFixedSize(std::max(32, 32 * static_cast<int>(names.size())), 215);
}

void TChannelStatusForm::Refresh(const TQXDataList& list) {
  QStringList voltTexts, valueTexts;
  std::vector<float> volts, values;
  list.GetIFDValues(voltTexts, valueTexts, volts, values);
  for (size_t i = 0; i < FGauges.size() && i < volts.size(); ++i) {
    const int pos = static_cast<int>(numbers::RoundHalfEven(volts[i] * 100.0));
    FGauges[i]->setValue(std::clamp(pos, FGauges[i]->minimum(), FGauges[i]->maximum()));
    FVolts[i]->setText(voltTexts[static_cast<int>(i)]);
    FValues[i]->setText(valueTexts[static_cast<int>(i)]);
  }
}
