#include "acquisition/sensorhistoryform.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLineSeries>
#include <QPushButton>
#include <QTimer>
#include <QValueAxis>
#include <QVBoxLayout>

#include "acquisition/qxdatalist.h"

TSensorHistoryForm::TSensorHistoryForm(QWidget* parent)
    : QWidget(parent, Qt::Tool), FChart(new QChart), FTimer(new QTimer(this)), FWiden(new QPushButton(">>", this)) {
  setWindowTitle(QStringLiteral("Sensor History"));
  auto* layout = new QHBoxLayout(this);
  auto* view = new QChartView(FChart, this);
  view->setRenderHint(QPainter::Antialiasing);
  layout->addWidget(view, 1);
  auto* side = new QVBoxLayout;
  side->addWidget(FWiden);
  side->addStretch(1);
  layout->addLayout(side);
  FTimer->setInterval(1000);
  connect(FTimer, &QTimer::timeout, this, &TSensorHistoryForm::Sample);
  connect(FWiden, &QPushButton::clicked, this, &TSensorHistoryForm::ToggleWidth);
  resize(496, 320);
}

void TSensorHistoryForm::Build(const TQXDataList& list) {
  FList = &list;
  QStringList names, units;
  std::vector<float> maxVolts, minVolts;
  list.GetIFDHeaderList(names, maxVolts, units, minVolts);
  auto* side = static_cast<QVBoxLayout*>(layout()->itemAt(1)->layout());
  for (int i = 0; i < names.size(); ++i) {
    auto* series = new QLineSeries;
    series->setName(names[i]);
    FChart->addSeries(series);
    auto* check = new QCheckBox(names[i], this);
    check->setChecked(true);
    check->setVisible(false);
    connect(check, &QCheckBox::toggled, series, &QLineSeries::setVisible);
    side->insertWidget(side->count() - 1, check);
    FSeries.push_back(series);
    FChecks.push_back(check);
  }
  FHistory.assign(FSeries.size(), {});
  FChart->createDefaultAxes();
  if (!FChart->axes(Qt::Horizontal).isEmpty()) FChart->axes(Qt::Horizontal).first()->setRange(0, Points - 1);
}

void TSensorHistoryForm::Sample() {
  if (!FList) return;
  QStringList voltTexts, valueTexts;
  std::vector<float> volts, values;
  FList->GetIFDValues(voltTexts, valueTexts, volts, values);
  double lo = 0, hi = 1;
  bool first = true;
  for (size_t i = 0; i < FSeries.size() && i < values.size(); ++i) {
    auto& h = FHistory[i];
    if (static_cast<int>(h.size()) == Points) h.erase(h.begin());  // full: shift one place left
    h.push_back(values[i]);
    QList<QPointF> points;
    points.reserve(static_cast<int>(h.size()));
    for (size_t k = 0; k < h.size(); ++k) {
      points.append(QPointF(static_cast<double>(k), h[k]));
      lo = first ? h[k] : std::min(lo, h[k]);
      hi = first ? h[k] : std::max(hi, h[k]);
      first = false;
    }
    FSeries[i]->replace(points);
  }
  if (!FChart->axes(Qt::Vertical).isEmpty()) FChart->axes(Qt::Vertical).first()->setRange(lo - 1, hi + 1);
}

void TSensorHistoryForm::ToggleWidth() {
  const bool wide = FWiden->text() == QLatin1String(">>");
  for (QCheckBox* c : FChecks) c->setVisible(wide);
  FWiden->setText(wide ? QStringLiteral("<<") : QStringLiteral(">>"));
  resize(wide ? 556 : 496, height());
}

void TSensorHistoryForm::Pause() {
  FPaused = true;
  FTimer->stop();
}

void TSensorHistoryForm::Resume() {
  FPaused = false;
  if (isVisible()) FTimer->start();
}

bool TSensorHistoryForm::Fetching() const { return FTimer->isActive(); }

void TSensorHistoryForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!FPaused) FTimer->start();
}

void TSensorHistoryForm::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  FTimer->stop();
}
