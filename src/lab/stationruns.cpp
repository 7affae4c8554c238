#include "lab/stationruns.h"

#include <QChart>
#include <QChartView>
#include <QHeaderView>
#include <QLineSeries>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>

namespace {
QString CellText(const TLabCell& cell) {
  if (const double* d = std::get_if<double>(&cell)) return QString::number(*d, 'g', 17);
  if (const QString* s = std::get_if<QString>(&cell)) return *s;
  if (const TLabError* e = std::get_if<TLabError>(&cell)) return e->Code;
  return {};
}

QWidget* RunPage(const TLabRun& run, QWidget* parent) {
  auto* split = new QSplitter(Qt::Vertical, parent);
  const int columns = static_cast<int>(run.Columns.size());
  auto* table = new QTableWidget(static_cast<int>(run.Rows.size()), columns, split);
  QStringList headings;
  for (const TLabColumn& c : run.Columns) headings << (c.Units.isEmpty() ? c.Title : QStringLiteral("%1 (%2)").arg(c.Title, c.Units));
  table->setHorizontalHeaderLabels(headings);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  for (int r = 0; r < static_cast<int>(run.Rows.size()); ++r)
    for (int c = 0; c < std::min(columns, static_cast<int>(run.Rows[static_cast<size_t>(r)].size())); ++c)
      table->setItem(r, c, new QTableWidgetItem(CellText(run.Rows[static_cast<size_t>(r)][static_cast<size_t>(c)])));
  // Every numeric column against the first; a row without both values leaves a gap in the line.
  auto* chart = new QChart;
  chart->setTitle(run.Name);
  auto* x = new QValueAxis;
  auto* y = new QValueAxis;
  x->setTitleText(headings.value(0));
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  bool any = false;
  double low = 0, high = 0, left = 0, right = 0;
  for (int c = 1; c < columns; ++c) {
    auto* series = new QLineSeries;
    series->setName(headings[c]);
    for (const std::vector<TLabCell>& row : run.Rows) {
      const double* a = row.size() > 0 ? std::get_if<double>(&row[0]) : nullptr;
      const double* b = row.size() > static_cast<size_t>(c) ? std::get_if<double>(&row[static_cast<size_t>(c)]) : nullptr;
      if (!a || !b) continue;
      if (!any) low = high = *b, left = right = *a;
      any = true;
      low = std::min(low, *b), high = std::max(high, *b), left = std::min(left, *a), right = std::max(right, *a);
      series->append(*a, *b);
    }
    if (series->count() == 0) {
      delete series;
      continue;
    }
    chart->addSeries(series);
    series->attachAxis(x);
    series->attachAxis(y);
  }
  if (any) {
    x->setRange(left, right > left ? right : left + 1);
    y->setRange(low, high > low ? high : low + 1);
  }
  auto* view = new QChartView(chart, split);
  view->setRenderHint(QPainter::Antialiasing);
  split->addWidget(table);
  split->addWidget(view);
  return split;
}
}  // namespace

TStationRuns::TStationRuns(const TLabCollector::TStation& station, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Runs of %1").arg(station.Name));
  resize(800, 600);
  FTabs = new QTabWidget(this);
  for (const QString& id : station.RunOrder) {
    const TLabRun& run = station.Runs.at(id);
    FTabs->addTab(RunPage(run, FTabs), run.Name.isEmpty() ? id : run.Name);
  }
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FTabs);
}
