#include "results/graphform.h"

#include <cmath>
#include <tuple>

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QTimer>
#include <QClipboard>
#include <QCategoryAxis>
#include <QImage>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMenu>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QPainter>
#include <QPrinter>
#include <QValueAxis>
#include <QVBoxLayout>

#include "platform/iprompts.h"
#include "platform/numbers.h"
#include "platform/services.h"
#include "results/columnformat.h"
#include "results/graphconfig.h"
#include "results/fitdialog.h"
#include "results/fitpanel.h"
#include "results/graphexport.h"
#include "results/graphformat.h"
#include "results/iresultshost.h"
#include "results/plotlayer.h"
#include "workbook/model/numberformat.h"
#include "results/resultsprinter.h"
#include "results/tableform.h"
#include "rigconfig/rigconfig.h"

namespace {

const QString NumberLabels = QStringLiteral("#,##0.###");
const QString TimeLabels = QStringLiteral("[h]:mm:ss");

QString CollapseBlanks(QString text) {
  while (text.contains(QStringLiteral("  "))) text.replace(QStringLiteral("  "), QStringLiteral(" "));
  return text;
}

// A title up to its first "(" or, when it has none, its first "[".
QString CutAtUnits(const QString& title) {
  qsizetype at = title.indexOf(QLatin1Char('('));
  if (at < 0) at = title.indexOf(QLatin1Char('['));
  return at < 0 ? title : title.left(at);
}

// Day numbers as the clock axis takes them: milliseconds.
double DaysToAxisMs(double days) { return days * 86400000.0; }

// Label steps of a clock axis, in milliseconds; beyond the last, whole days.
constexpr double kClockSteps[] = {100,     200,     500,     1000,     2000,     5000,     10000,
                                  15000,   30000,   60000,   120000,   300000,   600000,   900000,
                                  1800000, 3600000, 7200000, 10800000, 21600000, 43200000, 86400000};

QImage MarkerImage(const QColor& colour, int size, int shape) {
  size = std::max(size, 2);
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(colour);
  const QRectF box(0, 0, size, size);
  switch (shape) {
    case 0: painter.drawRect(box); break;
    case 2: painter.drawPolygon(QPolygonF({{size / 2.0, 0}, {double(size), size / 2.0}, {size / 2.0, double(size)}, {0, size / 2.0}})); break;
    case 3:
      painter.setPen(QPen(colour, std::max(1.0, size / 4.0)));
      painter.drawLine(box.topLeft(), box.bottomRight());
      painter.drawLine(box.topRight(), box.bottomLeft());
      break;
    default: painter.drawEllipse(box); break;
  }
  return image;
}

// One colour per series up to the twenty runs a table holds; the first seven are those users know.
const QColor Palette[20] = {Qt::red,           Qt::blue,           QColor(0, 128, 0),    Qt::yellow,
                            QColor(128, 0, 128), QColor(0, 0, 128),  Qt::magenta,          QColor(255, 128, 0),
                            QColor(0, 139, 139), QColor(128, 64, 0), Qt::black,            QColor(128, 128, 128),
                            QColor(0, 190, 255), QColor(150, 200, 0), QColor(255, 120, 170), QColor(128, 128, 0),
                            QColor(128, 0, 0),   QColor(120, 100, 255), QColor(0, 80, 40),  QColor(200, 160, 90)};
// The marker tells a run's columns apart: circle, square, diamond, cross.
const int Shapes[4] = {1, 0, 2, 3};

}  // namespace

void TGraphForm::TRange::Add(double v) {
  if (!Any) {
    Min = Max = v;
    Any = true;
  } else {
    Min = std::min(Min, v);
    Max = std::max(Max, v);
  }
}

TGraphForm::TGraphForm(TTableForm* table, QWidget* parent)
    : QWidget(parent), FTable(table), FPrinting(std::make_unique<TResultsPrinter>(this)) {
  setWindowTitle(QStringLiteral("Graph"));
  MaxRow.fill(1);
  FChart = new QChart;
  FChart->setMargins(QMargins(25, 15, 25, 25));
  FChart->legend()->setVisible(true);
  FChart->legend()->setAlignment(Qt::AlignBottom);
  FAxisX = new QValueAxis;
  FClockFormat = TimeLabels;
  FTimeAxisX = new QCategoryAxis;
  FTimeAxisX->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
  FTimeAxisX->setVisible(false);
  connect(FTimeAxisX, &QValueAxis::rangeChanged, this, [this] { LabelClock(); });
  FAxisY = new QValueAxis;
  FAxisY2 = new QValueAxis;
  FAxisY2->setVisible(false);
  for (QValueAxis* axis : {FAxisX, FAxisY, FAxisY2}) axis->setLabelFormat(QStringLiteral("%g"));
  FChart->addAxis(FAxisX, Qt::AlignBottom);
  FChart->addAxis(FTimeAxisX, Qt::AlignBottom);
  FChart->addAxis(FAxisY, Qt::AlignLeft);
  FChart->addAxis(FAxisY2, Qt::AlignRight);
  FLayer = new TPlotLayer(FChart, FAxisX, FTimeAxisX, FAxisY, FAxisY2);
  connect(FChart, &QChart::plotAreaChanged, this, [this] {
    FLayer->update();
    FitTicks();
  });
  connect(FChart, &QGraphicsWidget::geometryChanged, this, [this] { FitLegend(); });
  FView = new QChartView(FChart, this);
  FView->setRenderHint(QPainter::Antialiasing);
  FLayer->Fits = &FFits;
  FFitPace = new QTimer(this);
  FFitPace->setSingleShot(true);
  FFitPace->setInterval(FitPaceMs);
  connect(FFitPace, &QTimer::timeout, this, [this] {
    if (!FFitsBehind) return;
    RefitAll();
    FLayer->update();
    FFitPace->start();
  });
  FView->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(FView, &QWidget::customContextMenuRequested, this, &TGraphForm::ContextMenu);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(FView);
  if (FTable) FTable->SetGraph(this);
  TServices::SetGraph(this);
}

TGraphForm::~TGraphForm() {
  if (FTable && FTable->Graph() == this) FTable->SetGraph(nullptr);
  if (TServices::Graph() == this) TServices::SetGraph(nullptr);
}

int TGraphForm::RunRows(int run) const { return run >= 1 && run <= MaxRuns ? MaxRow[run] : 0; }

void TGraphForm::SetRunRows(int run, int rows) {
  if (run >= 1 && run <= MaxRuns) MaxRow[run] = rows;
}

// The rig's titles, as the run being recorded has them: a capture's sheet has columns of its own.
QString TGraphForm::ColumnTitle(int column) const {
  return FTable ? FTable->GetColumnTitleOf(FTable->RecordingSheet(), column) : QString();
}

double TGraphForm::Cell(int run, int row, int column) const { return FTable ? FTable->GetCellValue(run, row, column) : 0; }

// Run r's j-th plotted column: colour r - 1 + j, marker j. The first run keeps the palette's order
// column by column, the same column of twenty runs takes twenty colours, and no two of a run's
// first four columns in any two runs share both colour and marker.
void TGraphForm::StyleFor(TSeries_Line& s, int run, int j) {
  s.LineColour = s.PointColour = Palette[(run - 1 + j) % 20];
  s.PointShape = Shapes[j % 4];
}

// ------------------------------------------------------------------------------- building

void TGraphForm::Initialise() {
  First = true;
  const TRigConfig* rig = TServices::Rig();
  if (!(rig && rig->fTable_Sample_Count)) MaxRow.fill(1);
  XAxis = YAxis = Y2Axis = TGraphAxis{};
  SeriesList.clear();
  XAxisList.clear();
  PlotPoints = true;
  PlotLines = false;
  BuildXAxisList();
  ClearData();
  DrawGraph();
  Configuring = false;
  SortDataByX = false;
}

void TGraphForm::ClearData() {
  SeriesList.clear();
  FShown.clear();
  FChart->removeAllSeries();
  SetPlotTitles();
}

void TGraphForm::BuildXAxisList() {
  XAxisChoice = 0;
  XAxisList.clear();
  const TRigConfig* rig = TServices::Rig();
  if (!rig) return;
  for (int c = 1; c < static_cast<int>(rig->ColumnStatus.size()); ++c) {
    const TColumnStatus& status = rig->ColumnStatus[c];
    if (!status.plot_on_X_Axis) continue;
    TSeries_Line entry;
    entry.column = c;
    entry.name = entry.Column_Label = ColumnTitle(c);
    entry.excluded = false;
    XAxisList.push_back(entry);
    if (XAxisChoice == 0 || status.DefPlot) XAxisChoice = c;
  }
  XAxis.format = FTable && XAxisChoice ? FTable->GetColumnFormat(XAxisChoice) : NumberLabels;
}

void TGraphForm::DrawGraph() {
  try {
    // The rebuild starts the choice of shown series afresh, but a run's series keep the styles the
    // user gave them (found by run name and column, so they follow a run that moved up).
    const std::vector<TSeries_Line> before = std::move(SeriesList);
    SeriesList.clear();
    ColourIndex = 0;
    const int runs = FTable ? FTable->GetSheetCount() : 0;
    for (int run = 1; run <= runs; ++run) AddRunSeries(run);
    for (TSeries_Line& s : SeriesList)
      for (const TSeries_Line& old : before)
        if (old.column == s.column && old.Column_Label == s.Column_Label) {
          s.SetStyle(old.Style());
          break;
        }
    PlotAll();
    SetPlotTitles();
  } catch (const std::exception& e) {
    TServices::Prompts().MessageDlg(QString::fromUtf8(e.what()), TMsgDlgType::mtError, TMsgDlgButtons::OK);
  }
}

void TGraphForm::AddRunSeries(int run) {
  const TRigConfig* rig = TServices::Rig();
  if (!rig || !FTable) return;
  const QString sheetName = FTable->GetSheetName(run);
  int j = -1;
  if (FTable->IsCaptureRun(run)) {
    // A capture's columns are its own: each value column against its time in seconds.
    for (int c = 3;; ++c) {
      const QString title = FTable->GetColumnTitleOf(run, c);
      if (title.isEmpty()) break;
      TSeries_Line s;
      s.sheet_number = static_cast<std::uint32_t>(run);
      s.column = c;
      s.x_column = 2;
      s.name = CollapseBlanks(title);
      s.short_name = (sheetName + QLatin1Char(' ') + CutAtUnits(s.name)).trimmed();
      s.Column_Label = sheetName + QLatin1Char(' ') + s.name;
      s.Show_points = PlotPoints;
      s.Show_Lines = PlotLines;
      StyleFor(s, run, ++j);
      s.Default_Plot = true;
      s.excluded = false;
      SeriesList.push_back(s);
    }
    return;
  }
  for (int c = 1; c < static_cast<int>(rig->ColumnStatus.size()); ++c) {
    const TColumnStatus& status = rig->ColumnStatus[c];
    if (!status.plot_on_Y_Axis) continue;
    ++j;
    const bool exists = std::any_of(SeriesList.begin(), SeriesList.end(), [&](const TSeries_Line& s) {
      return s.sheet_number == static_cast<std::uint32_t>(run) && s.column == c;
    });
    if (exists) continue;
    TSeries_Line s;
    s.sheet_number = static_cast<std::uint32_t>(run);
    s.column = c;
    s.name = CollapseBlanks(FTable->GetColumnTitleOf(run, c));
    // The unit cut leaves a blank before the bracket; the legend reads better without it.
    s.short_name = (sheetName + QLatin1Char(' ') + CutAtUnits(s.name)).trimmed();
    s.Column_Label = sheetName + QLatin1Char(' ') + s.name;
    s.Show_points = PlotPoints;
    s.Show_Lines = PlotLines;
    StyleFor(s, run, j);
    s.Default_Plot = status.DefPlot;
    s.excluded = !status.DefPlot;
    SeriesList.push_back(s);
  }
}

// Rebuilds every chart series from the table.
void TGraphForm::PlotAll() {
  FChart->removeAllSeries();
  FShown.clear();
  FLayer->Traces.clear();
  FLayer->TracesRebuilt();
  FLayer->Legend.clear();
  FRangeX = FRangeY = FRangeY2 = TRange{};
  FTimeX = WantsTimeX();
  const bool sampleNumberX = ColumnTitle(XAxisChoice).trimmed().compare(QLatin1String("Sample Number"), Qt::CaseInsensitive) == 0;
  bool anyRight = false;
  for (std::size_t i = 0; i < SeriesList.size(); ++i) {
    TSeries_Line& line = SeriesList[i];
    if (line.excluded) continue;
    FXScaleFactorText.clear();
    double fx = 1.0, fy = 1.0;
    if (sampleNumberX) {
      fx = line.scalingXaxis;
      fy = line.scalingYaxis;
      if (fx != 1.0) FXScaleFactorText = QStringLiteral("x ") + numbers::FloatToShortest(fx) + QStringLiteral(" ms");
    }
    FLayer->Legend.push_back({line.short_name, line.Show_points ? line.PointColour : line.LineColour,
                              line.Show_points ? MarkerImage(line.PointColour, static_cast<int>(line.PointSize * 1.5), line.PointShape)
                                               : QImage()});
    std::vector<QXYSeries*> made;
    if (line.Show_Lines) {
      auto* series = new QLineSeries;
      QPen pen(line.LineColour, 2);
      pen.setStyle(line.LineStyle);
      series->setPen(pen);
      made.push_back(series);
    }
    if (line.Show_points) {
      // Points only: a series with an invisible line and painted markers. The chart's scatter
      // series makes one scene item per point, which takes seconds for a few runs of thousands.
      auto* series = new QLineSeries;
      series->setPen(QPen(QColor(line.PointColour.red(), line.PointColour.green(), line.PointColour.blue(), 0), 0));
      series->setMarkerSize(line.PointSize * 1.5);
      series->setPointsVisible(true);
      series->setLightMarker(MarkerImage(line.PointColour, static_cast<int>(line.PointSize * 1.5), line.PointShape));
      made.push_back(series);
    }
    for (QXYSeries* series : made) {
      TPlotLayer::TTrace trace;
      trace.Lines = !series->pointsVisible();
      trace.Pen = series->pen();
      if (series->pointsVisible()) trace.Marker = series->lightMarker();
      trace.Right = line.Second_Y_axis;
      series->setName(line.short_name);
      FChart->addSeries(series);
      // The points-only series has an invisible pen: its legend entry shows the point colour.
      if (series->pointsVisible())
        for (QLegendMarker* marker : FChart->legend()->markers(series)) {
          marker->setBrush(line.PointColour);
          marker->setPen(QPen(line.PointColour));
        }
      series->attachAxis(FTimeX ? static_cast<QAbstractAxis*>(FTimeAxisX) : FAxisX);
      series->attachAxis(line.Second_Y_axis ? FAxisY2 : FAxisY);
      anyRight = anyRight || line.Second_Y_axis;
      FShown.push_back(TShown{i, series, fx, fy, 0});
      AppendRows(FShown.back(), RunRows(static_cast<int>(line.sheet_number)), trace.Points);
      FLayer->Traces.push_back(std::move(trace));
    }
  }
  FAxisY2->setVisible(anyRight);
  RefitAll();
  ScaleXAxis();
  ApplyLook();
  FLayer->update();
}

// Reads the rows of a series' run not read yet, up to `upTo`; a row with an empty X or Y cell
// gives no point (the empty-cell value would wreck the scale). An empty last row is read again next
// time: it may be the row the next sample fills (a fresh run counts one empty row).
void TGraphForm::AppendRows(TShown& shown, int upTo, std::vector<QPointF>& out) {
  const TSeries_Line& line = SeriesList[shown.Index];
  const int run = static_cast<int>(line.sheet_number);
  TRange& yRange = line.Second_Y_axis ? FRangeY2 : FRangeY;
  const int from = shown.Plotted + 1;
  shown.Plotted = std::max(shown.Plotted, upTo);
  for (int k = from; k <= upTo; ++k) {
    const double xCell = Cell(run, k, line.x_column ? line.x_column : XAxisChoice);
    const double yCell = Cell(run, k, line.column);
    if (xCell == TTableForm::EmptyCell || yCell == TTableForm::EmptyCell) {
      if (k == upTo) shown.Plotted = upTo - 1;
      continue;
    }
    // A capture's seconds go on a clock axis as the day fractions it shows.
    const double seconds = line.x_column && FTimeX ? 1 / 86400.0 : 1.0;
    const double x = FScalingXfactor * xCell * shown.Fx * seconds;
    const double y = FScalingYfactor * yCell * shown.Fy;
    const double px = FTimeX ? DaysToAxisMs(x) : x;
    out.emplace_back(px, y);
    FRangeX.Add(px);
    yRange.Add(y);
  }
}

void TGraphForm::DataHasChanged(int /*n*/) {
  if (First) {
    PlotAll();
    First = false;
  } else {
    AppendLastPoints();
  }
}

// Each new row of the recording run adds its points to the series already on the chart.
void TGraphForm::AppendLastPoints() {
  if (Configuring || !FTable) return;
  const int run = FTable->RecordingSheet();
  const int rows = RunRows(run);
  bool added = false;
  for (std::size_t i = 0; i < FShown.size(); ++i) {
    TShown& shown = FShown[i];
    if (static_cast<int>(SeriesList[shown.Index].sheet_number) != run) continue;
    std::vector<QPointF>& points = FLayer->Traces[i].Points;
    const std::size_t before = points.size();
    AppendRows(shown, rows, points);
    added = added || points.size() != before;
  }
  if (added && !FFits.empty()) RefitAtPace();
  ScaleAxes(false);
  if (added) FLayer->update();
}

// A capture run carries its own time column, so its series need no sample-number scaling: the
// graph is rebuilt with the new run.
void TGraphForm::ScopeInvokeDrawGraph(int run, int columnOne, double xFactor, int columnTwo) {
  Q_UNUSED(run);
  Q_UNUSED(columnOne);
  Q_UNUSED(xFactor);
  Q_UNUSED(columnTwo);
  DrawGraph();
}

void TGraphForm::RescaleAxis(double yFactor, double xFactor) {
  FScalingYfactor = yFactor;
  FScalingXfactor = xFactor;
  PlotAll();
}

void TGraphForm::RefreshSeries(const std::vector<TSeriesStyle>& styles) {
  std::size_t shown = 0;
  for (TSeries_Line& line : SeriesList) {
    line.Show_points = PlotPoints;
    line.Show_Lines = PlotLines;
    if (line.excluded) continue;
    if (shown < styles.size()) line.SetStyle(styles[shown]);
    ++shown;
  }
  PlotAll();
}

// ------------------------------------------------------------------------------- titles and axes

QString TGraphForm::XTitle() const { return ColumnTitle(XAxisChoice) + FXScaleFactorText; }

void TGraphForm::SetPlotTitles() {
  QString y1, y2;
  bool left = false, right = false;
  for (const TSeries_Line& line : SeriesList) {
    if (line.excluded) continue;
    if (line.Second_Y_axis && !right) {
      y2 = line.name;
      right = true;
    } else if (!line.Second_Y_axis && !left) {
      y1 = line.name;
      left = true;
    }
  }
  const QString x = XTitle();
  FAxisX->setTitleText(x);
  FTimeAxisX->setTitleText(x);
  FAxisY->setTitleText(y1);
  FAxisY2->setTitleText(y2);
  const QString title = right ? CutAtUnits(y1) + QStringLiteral(" and ") + CutAtUnits(y2) + QStringLiteral(" against ") + CutAtUnits(x)
                              : CutAtUnits(y1) + QStringLiteral(" against ") + CutAtUnits(x);
  FChart->setTitle(CollapseBlanks(title));
  ApplyLook();
}

// Axis ranges follow the points; a title with "time" in it shows clock labels.
void TGraphForm::ScaleXAxis() { ScaleAxes(true); }

bool TGraphForm::WantsTimeX() const {
  return Look.TimeX < 0 ? XTitle().toUpper().contains(QLatin1String("TIME")) : Look.TimeX == 1;
}

void TGraphForm::ScaleAxes(bool rebuild) {
  const bool timeX = WantsTimeX();
  if (timeX != FTimeX) {
    // The X values change form: read them again.
    FTimeX = timeX;
    if (!rebuild) {
      PlotAll();
      return;
    }
  }
  FTimeX = timeX;
  FLayer->SetTimeX(FTimeX);
  FTimeAxisX->setVisible(FTimeX);
  FAxisX->setVisible(!FTimeX);
  if (XAxis.AutoFormat) {
    // A clock column's own format ("[h]:mm:ss" counts past a day; "hh:mm:ss" is a time of day).
    const QString own = FTable && XAxisChoice ? FTable->GetColumnFormat(XAxisChoice) : QString();
    XAxis.format = FTimeX ? (IsTimeFormat(own) ? own : TimeLabels) : NumberLabels;
  }
  if (YAxis.AutoFormat) YAxis.format = NumberLabels;
  if (Y2Axis.AutoFormat) Y2Axis.format = NumberLabels;
  ApplyRanges(rebuild);
}

void TGraphForm::ApplyRanges(bool rebuild) {
  auto padded = [](const TRange& r, double& lo, double& hi, bool time = false) {
    lo = r.Any ? r.Min : 0;
    hi = r.Any ? r.Max : 1;
    if (hi - lo <= 0) {
      // A single point sits in the middle of a small span (half a minute either side on a clock axis).
      const double pad = time ? 30000 : lo == 0 ? 1 : std::fabs(lo) * 0.05;
      lo -= pad;
      hi += pad;
    }
  };
  // A new range makes the chart lay out every series again: after an append, only when a point
  // fell outside the axis, and then with a quarter of headroom on the side it grew, so a run that
  // keeps rising does not lay out everything on every sample.
  auto headroom = [rebuild](double& lo, double& hi, double oldLo, double oldHi) {
    if (rebuild) return;
    const double span = hi - lo;
    if (hi > oldHi) hi += span / 4;
    if (lo < oldLo) lo -= span / 4;
  };
  double lo, hi;
  padded(FRangeX, lo, hi, FTimeX && FRangeX.Any);
  if (FTimeX && !FRangeX.Any) {
    // No points yet: the first minute of the run rather than a millisecond of 1970.
    lo = DaysToAxisMs(0);
    hi = lo + 60000;
  }
  if (!XAxis.AutoScale) {
    if (FTimeX) {
      FTimeAxisX->setRange(DaysToAxisMs(XAxis.ScaleMin), DaysToAxisMs(XAxis.ScaleMax));
    } else if (rebuild) {
      FixedScale(FAxisX, XAxis);
    }
  } else if (FTimeX) {
    const double oldA = FTimeAxisX->min(), oldB = FTimeAxisX->max();
    if (rebuild || lo < oldA || hi > oldB) {
      headroom(lo, hi, oldA, oldB);
      // Elapsed times start at 0: the padding must not show times before it.
      if (FRangeX.Any && FRangeX.Min >= 0 && lo < 0) lo = 0;
      FTimeAxisX->setRange(lo, hi);
    }
  } else if (rebuild || lo < FAxisX->min() || hi > FAxisX->max()) {
    FAxisX->setTickType(QValueAxis::TicksFixed);
    headroom(lo, hi, FAxisX->min(), FAxisX->max());
    FAxisX->setRange(lo, hi);
    FAxisX->applyNiceNumbers();
  }
  const std::tuple<QValueAxis*, const TRange*, const TGraphAxis*> ys[] = {{FAxisY, &FRangeY, &YAxis}, {FAxisY2, &FRangeY2, &Y2Axis}};
  for (const auto& [axis, range, description] : ys) {
    if (!description->AutoScale) {
      if (rebuild) FixedScale(axis, *description);
      continue;
    }
    padded(*range, lo, hi);
    if (rebuild || lo < axis->min() || hi > axis->max()) {
      axis->setTickType(QValueAxis::TicksFixed);
      headroom(lo, hi, axis->min(), axis->max());
      axis->setRange(lo, hi);
      axis->applyNiceNumbers();
    }
  }
}

// A scale the user fixed: its range, and ticks at its interval from the minimum up.
void TGraphForm::FixedScale(QValueAxis* axis, const TGraphAxis& description) {
  axis->setRange(description.ScaleMin, description.ScaleMax);
  if (description.major > 0 && (description.ScaleMax - description.ScaleMin) / description.major <= 100) {
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(description.ScaleMin);
    axis->setTickInterval(description.major);
  } else {
    axis->setTickType(QValueAxis::TicksFixed);
  }
}

double TGraphForm::AxisValue(int axis, bool max) const {
  if (axis == 0) {
    if (FTimeX) return (max ? FTimeAxisX->max() : FTimeAxisX->min()) / 86400000.0;
    return max ? FAxisX->max() : FAxisX->min();
  }
  const QValueAxis* a = axis == 1 ? FAxisY : FAxisY2;
  return max ? a->max() : a->min();
}

// The clock axis labels its own ticks: its values are day numbers in milliseconds, shown in the
// axis format, hours past a day kept as the format says and times before 0 with a minus sign.
void TGraphForm::LabelClock() {
  for (const QString& label : FTimeAxisX->categoriesLabels()) FTimeAxisX->remove(label);
  const double lo = FTimeAxisX->min(), hi = FTimeAxisX->max();
  if (!(hi > lo)) return;
  FClockDivisions = ClockDivisions();
  const double wanted = (hi - lo) / FClockDivisions;
  double step = 0;
  for (double candidate : kClockSteps)
    if (candidate >= wanted) {
      step = candidate;
      break;
    }
  if (step == 0) {
    const double days = wanted / 86400000.0;
    const double decade = std::pow(10.0, std::floor(std::log10(days)));
    step = (days <= decade ? 1 : days <= 2 * decade ? 2 : days <= 5 * decade ? 5 : 10) * decade * 86400000.0;
  }
  QString format = FClockFormat;
  // Steps under a second need tenths, which a format ending in seconds does not show.
  if (step < 1000 && format.endsWith(QLatin1String("ss"), Qt::CaseInsensitive)) format += QStringLiteral(".0");
  const TNumberFormat clock(format);
  const double first = std::ceil(lo / step) * step;
  FTimeAxisX->setStartValue(std::min(lo, first) - 1);
  for (double v = first; v <= hi + step * 1e-9; v += step) {
    const double days = std::round(v) / 86400000.0;
    const QString text = days < 0 ? QStringLiteral("-") + clock.Format(-days) : clock.Format(days);
    // Every label names one tick: a format coarser than the step would repeat one.
    if (FTimeAxisX->categoriesLabels().contains(text)) continue;
    FTimeAxisX->append(text, v);
  }
}

// Ticks follow the plot's size: a small graph shows fewer labels, each of them whole.
void TGraphForm::FitTicks() {
  const QRectF plot = FChart->plotArea();
  if (plot.isEmpty()) return;
  auto fit = [](QValueAxis* axis, qreal room, int each) {
    if (axis->tickType() != QValueAxis::TicksFixed) return;
    const int count = std::clamp(static_cast<int>(room / each) + 1, 2, 5);
    if (axis->tickCount() != count) axis->setTickCount(count);
  };
  const QFontMetrics x(FAxisX->labelsFont()), y(FAxisY->labelsFont());
  fit(FAxisX, plot.width(), x.horizontalAdvance(QStringLiteral("-0.0000")) + x.averageCharWidth() * 2);
  fit(FAxisY, plot.height(), 2 * y.height());
  fit(FAxisY2, plot.height(), 2 * y.height());
  if (FTimeX && ClockDivisions() != FClockDivisions) LabelClock();
}

// No more clock labels than the plot's width holds side by side (the widest: the range's end with
// tenths and a sign), so none is cut short.
int TGraphForm::ClockDivisions() const {
  const qreal plot = FChart->plotArea().width();
  if (plot <= 0) return 6;
  const QFontMetrics metrics(FTimeAxisX->labelsFont());
  const double end = std::max(std::abs(FTimeAxisX->min()), std::abs(FTimeAxisX->max())) / 86400000.0;
  const int label = metrics.horizontalAdvance(TNumberFormat(FClockFormat + QStringLiteral(".0")).Format(end)) +
                    metrics.horizontalAdvance(QStringLiteral("-  "));
  return std::clamp(static_cast<int>(plot / label) - 1, 1, 6);
}

QStringList TGraphForm::ClockLabels() const { return FTimeX ? FTimeAxisX->categoriesLabels() : QStringList(); }

// ------------------------------------------------------------------------------- look

bool TGraphForm::IsNumberFormat(const QString& format) {
  const QString f = format.trimmed();
  if (f.isEmpty()) return false;
  if (f.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0) return true;
  if (f.count(QLatin1Char('"')) % 2 != 0 || f.count(QLatin1Char('[')) != f.count(QLatin1Char(']'))) return false;
  bool digit = false;
  for (const QChar c : f) {
    if (c == QLatin1Char('0') || c == QLatin1Char('#') || c == QLatin1Char('?')) digit = true;
    else if (!QStringLiteral(",.%E+-;() \"[]").contains(c, Qt::CaseInsensitive) && !c.isLetter())
      return false;
  }
  return digit && f.count(QLatin1Char('.')) <= 1;
}

bool TGraphForm::IsTimeFormat(const QString& format) { return columnformat::IsClock(format); }

// The nearest printf form: decimals as the format's zeros (all shown) or hashes (shown when
// needed), exponent formats in E form.
QString TGraphForm::LabelFormatOf(const QString& format) {
  const QString f = format.trimmed().section(QLatin1Char(';'), 0, 0);
  if (f.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0) return QStringLiteral("%g");
  const qsizetype dot = f.indexOf(QLatin1Char('.'));
  int zeros = 0, hashes = 0;
  if (dot >= 0)
    for (qsizetype i = dot + 1; i < f.size(); ++i) {
      if (f[i] == QLatin1Char('0')) ++zeros;
      else if (f[i] == QLatin1Char('#')) ++hashes;
      else break;
    }
  if (f.contains(QLatin1Char('E'), Qt::CaseInsensitive)) return QStringLiteral("%.%1E").arg(zeros + hashes);
  if (hashes > 0) return QStringLiteral("%.%1g").arg(std::max(6, zeros + hashes + 3));
  return QStringLiteral("%.%1f").arg(zeros);
}

void TGraphForm::ApplyLook() {
  if (!Look.Title.isEmpty()) FChart->setTitle(Look.Title);
  FChart->setBackgroundBrush(Look.Background);
  FChart->setMargins(Look.Margins);
  QAbstractAxis* axes[] = {FAxisX, FTimeAxisX, FAxisY, FAxisY2};
  for (QAbstractAxis* axis : axes) {
    axis->setLineVisible(Look.ShowTicks);
    axis->setLabelsVisible(Look.ShowLabels);
    axis->setGridLineVisible(Look.ShowGrid && axis != FAxisY2);
    if (Look.FontsSet) {
      axis->setTitleFont(Look.AxisTitleFont);
      axis->setLabelsFont(Look.LabelFont);
    }
  }
  if (!Look.AxisTitles[0].isEmpty()) {
    FAxisX->setTitleText(Look.AxisTitles[0]);
    FTimeAxisX->setTitleText(Look.AxisTitles[0]);
  }
  if (!Look.AxisTitles[1].isEmpty()) FAxisY->setTitleText(Look.AxisTitles[1]);
  if (!Look.AxisTitles[2].isEmpty()) FAxisY2->setTitleText(Look.AxisTitles[2]);
  if (FTimeX) {
    FClockFormat = IsTimeFormat(XAxis.format) ? XAxis.format : TimeLabels;
    LabelClock();
  } else {
    FAxisX->setLabelFormat(LabelFormatOf(IsNumberFormat(XAxis.format) ? XAxis.format : NumberLabels));
  }
  FAxisY->setLabelFormat(LabelFormatOf(YAxis.format));
  FAxisY2->setLabelFormat(LabelFormatOf(Y2Axis.format));
  if (Look.FontsSet) {
    FChart->setTitleFont(Look.TitleFont);
    FChart->legend()->setFont(Look.LegendFont);
  }
  QLegend* legend = FChart->legend();
  // In its automatic place the legend is the plot layer's, wrapped into as many rows as it needs
  // under the chart; placed by hand it is the chart's own, where the user put it.
  const bool wrapped = Look.LegendVisible && Look.LegendAuto && Look.LegendResize;
  FLayer->LegendShown = wrapped;
  FLayer->LegendFont = legend->font();
  legend->setVisible(Look.LegendVisible && !wrapped);
  FitLegend();
  if (Look.LegendAuto && Look.LegendResize) {
    if (!legend->isAttachedToChart()) legend->attachToChart();
  } else {
    if (legend->isAttachedToChart()) legend->detachFromChart();
    const QSizeF size = legend->effectiveSizeHint(Qt::PreferredSize);
    const QRectF area = FChart->plotArea();
    const QPointF at = Look.LegendAuto ? QPointF(area.center().x() - size.width() / 2, area.bottom() - size.height())
                                       : QPointF(Look.LegendLeft, Look.LegendTop);
    legend->setGeometry(QRectF(at, size));
    legend->update();
  }
}

// The chart's bottom margin holds the wrapped legend: as many rows as the width needs.
void TGraphForm::FitLegend() {
  const int room = 25 + static_cast<int>(std::ceil(FLayer->LegendHeight(FChart->rect().width())));
  QMargins margins = FChart->margins();
  if (margins.bottom() != room) {
    margins.setBottom(room);
    FChart->setMargins(margins);
  }
  FLayer->update();
}

// ------------------------------------------------------------------------------- dialogs

void TGraphForm::LaunchConfigBox() {
  // The dialog edits a copy: Cancel leaves the series as the chart shows them.
  std::vector<TSeries_Line> edited = SeriesList;
  TGraphConfig dialog(*this, window());
  dialog.GetAxes(&edited, &XAxisList, XAxisChoice);
  Configuring = true;
  const bool ok = dialog.exec() == QDialog::Accepted;
  if (ok) AcceptConfig(dialog, edited);
  Configuring = false;
}

void TGraphForm::AcceptConfig(TGraphConfig& dialog, const std::vector<TSeries_Line>& edited) {
  dialog.ApplyChoices();
  // By run and column: a capture may have redrawn the list while the dialog was open.
  for (TSeries_Line& s : SeriesList)
    for (const TSeries_Line& e : edited)
      if (e.sheet_number == s.sheet_number && e.column == s.column) {
        s.excluded = e.excluded;
        s.Second_Y_axis = e.Second_Y_axis;
        s.Show_points = e.Show_points;
        s.Show_Lines = e.Show_Lines;
        break;
      }
  if (dialog.XAxisChoice != XAxisChoice) Look.TimeX = -1;  // a new X column decides its own labels
  XAxisChoice = dialog.XAxisChoice;
  if (FTable && XAxisChoice) XAxis.format = FTable->GetColumnFormat(XAxisChoice);
  Configuring = false;
  PlotAll();
  SetPlotTitles();
  if (FFormat) FFormat->FillSeriesChoices();
}

TGraphFormat& TGraphForm::FormatDialog() {
  if (!FFormat) FFormat = new TGraphFormat(*this, this);
  return *FFormat;
}

void TGraphForm::Format(int page) {
  TGraphFormat& dialog = FormatDialog();
  dialog.Load(page);
  dialog.exec();
}

// ------------------------------------------------------------------------------- commands

void TGraphForm::PrintForm() {
  if (FPrinting->ChoosePrinter()) PrintChart(FPrinting->Printer());
}

void TGraphForm::PrintChart(QPrinter& printer) {
  QPainter painter;
  if (!painter.begin(&printer)) {
    TServices::Prompts().MessageDlg(QStringLiteral("The printer could not be started."), TMsgDlgType::mtError,
                                    TMsgDlgButtons::OK);
    return;
  }
  const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
  FView->render(&painter, QRectF(0, 0, page.width(), page.height()));
  painter.end();
}

void TGraphForm::EditCopy() { QApplication::clipboard()->setImage(Picture(FView->size().expandedTo(QSize(400, 300)))); }

void TGraphForm::PaintPicture(QPainter& painter, const QSize& size) {
  if (FFitsBehind) RefitAll();
  // Laid out at the picture's size, so text keeps its size and the plot takes the room.
  const QRectF before = FChart->geometry();
  FChart->setGeometry(QRectF(QPointF(0, 0), QSizeF(size)));
  FitLegend();
  if (QGraphicsLayout* layout = FChart->layout()) layout->activate();
  FChart->scene()->render(&painter, QRectF(QPointF(0, 0), QSizeF(size)), FChart->geometry());
  FChart->setGeometry(before);
  FitLegend();
}

QImage TGraphForm::Picture(const QSize& size) {
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  PaintPicture(painter, size);
  painter.end();
  return image;
}

bool TGraphForm::ExportGraphTo(const QString& path, const QSize& size, int dpi, QString* error) {
  return TGraphExport::Write(path, size, dpi, [this](QPainter& painter, const QSize& s) { PaintPicture(painter, s); }, error);
}

void TGraphForm::ExportGraph() {
  IPrompts& prompts = TServices::Prompts();
  const auto path = prompts.SaveFileDialog({QStringLiteral("Export Graph"),
                                            QStringLiteral("PNG picture|*.png|SVG drawing|*.svg|PDF document|*.pdf"), {},
                                            QStringLiteral("graph.png"), QStringLiteral("png")});
  if (!path) return;
  QString sizeText = QStringLiteral("%1 x %2 @ 150").arg(std::max(FView->width(), 800)).arg(std::max(FView->height(), 500));
  for (;;) {
    const auto typed = prompts.InputText(QStringLiteral("Export Graph"),
                                         QStringLiteral("Width x height in pixels @ dots per inch:"), sizeText, false);
    if (!typed) return;
    QSize size;
    int dpi = 0;
    if (TGraphExport::ParseSize(*typed, size, dpi)) {
      QString error;
      if (!ExportGraphTo(*path, size, dpi, &error))
        prompts.MessageDlg(QStringLiteral("The graph could not be exported to %1: %2").arg(*path, error), TMsgDlgType::mtError,
                           TMsgDlgButtons::OK);
      return;
    }
    prompts.MessageDlg(QStringLiteral("Give the size as width x height @ dots per inch, for example 1200 x 800 @ 150 "
                                      "(%1 to %2 pixels a side, %3 to %4 dots per inch).")
                           .arg(TGraphExport::MinSide).arg(TGraphExport::MaxSide).arg(TGraphExport::MinDpi).arg(TGraphExport::MaxDpi),
                       TMsgDlgType::mtWarning, TMsgDlgButtons::OK);
    sizeText = *typed;
  }
}

// ------------------------------------------------------------------------------- fits

void TGraphForm::RefitAtPace() {
  if (FFitPace->isActive()) {
    FFitsBehind = true;
    return;
  }
  RefitAll();
  FFitPace->start();
}

const std::vector<TGraphFit>& TGraphForm::Fits() {
  if (FFitsBehind) RefitAll();
  return FFits;
}

void TGraphForm::RefitAll() {
  FFitsBehind = false;
  for (TGraphFit& fit : FFits) {
    bool found = false;
    for (std::size_t k = 0; k < FShown.size(); ++k) {
      const TSeries_Line& line = SeriesList[FShown[k].Index];
      if (line.sheet_number != fit.Run() || line.column != fit.Column()) continue;
      fit.Refit(FLayer->Traces[k].Points, FTimeX ? 1000.0 : 1.0, line.short_name,
                line.Show_points ? line.PointColour : line.LineColour, line.Second_Y_axis);
      found = true;
      break;
    }
    if (!found) fit.Lose(QStringLiteral("the series is not on the graph"));
  }
  if (FFitPanel) FFitPanel->SetText(FitsText());
}

const TGraphFit& TGraphForm::AddFit(std::size_t index, const TFitModel& model) {
  const TSeries_Line& line = SeriesList.at(index);
  std::erase_if(FFits, [&](const TGraphFit& f) { return f.Run() == line.sheet_number && f.Column() == line.column; });
  FFits.emplace_back(line.sheet_number, line.column, model);
  RefitAll();
  FLayer->update();
  return FFits.back();
}

void TGraphForm::RemoveFits() {
  FFits.clear();
  if (FFitPanel) FFitPanel->SetText(FitsText());
  FLayer->update();
}

void TGraphForm::FitDialog() {
  IPrompts& prompts = TServices::Prompts();
  std::vector<std::size_t> shown;
  QStringList labels;
  for (std::size_t i = 0; i < SeriesList.size(); ++i)
    if (!SeriesList[i].excluded) {
      shown.push_back(i);
      labels << SeriesList[i].short_name;
    }
  if (shown.empty()) {
    prompts.MessageDlg(QStringLiteral("The graph shows no series to fit."), TMsgDlgType::mtInformation, TMsgDlgButtons::OK);
    return;
  }
  // One choice of series and curve together: item s * models + m.
  const QStringList models = TFitModel::Names();
  TChoiceRequest request;
  request.Caption = QStringLiteral("Fit");
  request.Text = QStringLiteral("Fit which series with which curve?");
  for (const QString& label : labels)
    for (const QString& model : models) request.Items << label + QStringLiteral(": ") + TFitModel::Parse(model)->Caption();
  request.CustomDialog = [this, labels, models]() -> std::optional<int> {
    TFitDialog dialog(labels, 0, window());
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Series() * static_cast<int>(models.size()) + static_cast<int>(models.indexOf(dialog.Model().Name()));
  };
  const auto choice = prompts.ChooseItem(request);
  if (!choice || *choice < 0 || *choice >= request.Items.size()) return;
  const std::size_t series = shown[static_cast<std::size_t>(*choice / models.size())];
  const TGraphFit& fit = AddFit(series, *TFitModel::Parse(models[*choice % models.size()]));
  if (!fit.Result())
    prompts.MessageDlg(QStringLiteral("%1 cannot be fitted: %2").arg(fit.Label(), fit.Error()), TMsgDlgType::mtWarning,
                       TMsgDlgButtons::OK);
}

QString TGraphForm::FitsText() const {
  QStringList parts;
  for (const TGraphFit& fit : FFits) parts << fit.PanelText();
  return parts.join(QLatin1Char('\n'));
}

TFitPanel& TGraphForm::FitPanel() {
  if (!FFitPanel) FFitPanel = new TFitPanel(this);
  if (FFitsBehind) RefitAll();
  FFitPanel->SetText(FitsText());
  return *FFitPanel;
}

void TGraphForm::ShowFitPanel() {
  TFitPanel& panel = FitPanel();
  panel.show();
  panel.raise();
}

void TGraphForm::ContextMenu(const QPoint& at) {
  QMenu menu(this);
  menu.addAction(QStringLiteral("&Fit..."), this, &TGraphForm::FitDialog);
  QAction* results = menu.addAction(QStringLiteral("Fit &Results..."), this, &TGraphForm::ShowFitPanel);
  QAction* remove = menu.addAction(QStringLiteral("Remove F&its"), this, &TGraphForm::RemoveFits);
  results->setEnabled(!FFits.empty());
  remove->setEnabled(!FFits.empty());
  menu.addSeparator();
  menu.addAction(QStringLiteral("&Copy"), this, &TGraphForm::EditCopy);
  menu.addAction(QStringLiteral("&Export Graph..."), this, &TGraphForm::ExportGraph);
  menu.exec(FView->mapToGlobal(at));
}

void TGraphForm::FormActivate() {
  if (!FHost) return;
  FHost->SetActiveForm(2);
  FHost->SetCommandEnabled(IResultsHost::TCommand::PageSetup1, true);
  FHost->UpdateStatusBar();
  FHost->UpdateToolbars();
}

std::vector<QPointF> TGraphForm::ShownPoints(int index) const {
  return index >= 0 && index < static_cast<int>(FLayer->Traces.size()) ? FLayer->Traces[static_cast<std::size_t>(index)].Points
                                                                        : std::vector<QPointF>();
}
