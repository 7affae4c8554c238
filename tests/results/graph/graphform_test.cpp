// The graph over the results table of the demo rig: the series its plot flags give, points
// appended as samples arrive, runs renamed and deleted, empty cells, time and scaled X axes.
#include <gtest/gtest.h>

#include <cmath>

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QLegend>
#include <QSet>

#include <QApplication>
#include <QDir>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QCategoryAxis>
#include <QImage>
#include <QPrinter>
#include <QScatterSeries>
#include <QValueAxis>

#include "graphfixture.h"
#include "results/plotlayer.h"
#include "results/graphform.h"
#include "results/resultsprinter.h"
#include "results/scoperun.h"
#include "results/tableform.h"
#include "workbook/view/f1book.h"

using namespace results_test;

namespace {

class GraphTest : public TGraphFixture {
 protected:
  GraphTest() { Start(); }

  std::vector<const TSeries_Line*> Shown() const {
    std::vector<const TSeries_Line*> out;
    for (const TSeries_Line& s : Graph.SeriesList)
      if (!s.excluded) out.push_back(&s);
    return out;
  }
  QList<QAbstractSeries*> ChartSeries() const { return Graph.Chart()->series(); }
};

}  // namespace

TEST_F(GraphTest, TheDemoRigsDefaultPlotFlagsGiveOneShownSeriesPerRun) {
  ASSERT_TRUE(Table.AddSheet());
  Graph.DrawGraph();
  // Columns 4 (YD), 5, 6, 7, 11 and 14 (Y) for each run; only the default plot is shown.
  ASSERT_EQ(Graph.SeriesList.size(), 12u);
  EXPECT_EQ(Graph.XAxisChoice, colElapsed);
  ASSERT_EQ(Graph.XAxisList.size(), 1u);
  EXPECT_EQ(Graph.XAxisList[0].name, "Elapsed time");
  const auto shown = Shown();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0]->column, colT1);
  EXPECT_EQ(shown[0]->short_name, "Run 1 T1 Tank");
  EXPECT_EQ(shown[1]->Column_Label, "Run 2 T1 Tank (°C)");
  EXPECT_TRUE(shown[0]->Default_Plot);
  EXPECT_FALSE(Graph.SeriesList[1].Default_Plot);
  // A run's columns take the palette in order; the next run starts one colour on, so the same
  // column of each run has a colour of its own.
  EXPECT_EQ(shown[0]->PointColour, QColor(Qt::red));
  EXPECT_EQ(Graph.SeriesList[2].PointColour, QColor(0, 128, 0));
  EXPECT_EQ(shown[1]->PointColour, QColor(Qt::blue));
  ASSERT_EQ(ChartSeries().size(), 2);
  // Points, no line.
  auto* points = static_cast<QXYSeries*>(ChartSeries()[0]);
  EXPECT_TRUE(points->pointsVisible());
  EXPECT_FALSE(points->lightMarker().isNull());
  EXPECT_EQ(points->pen().color().alpha(), 0);
  EXPECT_EQ(points->color().rgb(), QColor(Qt::red).rgb());
  EXPECT_EQ(ChartSeries()[1]->name(), "Run 2 T1 Tank");
  EXPECT_EQ(Graph.Chart()->title(), "T1 Tank against Elapsed time");
  EXPECT_TRUE(Graph.TimeOnXAxis());
}

TEST_F(GraphTest, SamplesAppendPointsWithoutRebuildingTheSeries) {
  Sample(1);
  ASSERT_EQ(ChartSeries().size(), 1);
  QAbstractSeries* series = ChartSeries()[0];
  EXPECT_EQ(Points(0).size(), 1u);
  Sample(2);
  Sample(3);
  ASSERT_EQ(ChartSeries().size(), 1);
  EXPECT_EQ(ChartSeries()[0], series);
  const std::vector<QPointF> p = Points(0);
  ASSERT_EQ(p.size(), 3u);
  EXPECT_EQ(p[2].y(), 23);
  EXPECT_NEAR(p[2].x() - p[0].x(), 20000, 0.01);  // 20 s on the time axis, in ms
  // The Y axis follows the points.
  auto* y = static_cast<QValueAxis*>(Graph.Chart()->axes(Qt::Vertical)[0]);
  EXPECT_LE(y->min(), 21);
  EXPECT_GE(y->max(), 23);
  // Two samples written before one notice both arrive.
  FillSample(SampleRow, {{colElapsed, 40 / 86400.0}, {colT1, 24}});
  Table.WriteRow(SampleRow, 4, 2);
  Sample(5);
  EXPECT_EQ(Points(0).size(), 5u);
  // A repeated notice adds nothing.
  Graph.DataHasChanged(5);
  EXPECT_EQ(Points(0).size(), 5u);
}

TEST_F(GraphTest, PointsOfEarlierRunsAreNotAppendedTo) {
  Samples(2);
  ASSERT_TRUE(Table.AddSheet());
  Graph.DrawGraph();
  Sample(1);
  ASSERT_EQ(ChartSeries().size(), 2);
  EXPECT_EQ(Points(0).size(), 2u);
  EXPECT_EQ(Points(1).size(), 1u);
}

TEST_F(GraphTest, EmptyCellsAreNeverPlotted) {
  Samples(2);
  // Sample 3 without a temperature, sample 4 without a time.
  Table.WriteRow(SampleRow, 3, 2);
  Table.ResultsTable->Book().ClearRange(4, colT1, 4, colT1);
  Graph.DataHasChanged(3);
  Table.WriteRow(SampleRow, 4, 2);
  Table.ResultsTable->Book().ClearRange(5, colElapsed, 5, colElapsed);
  Graph.DataHasChanged(4);
  EXPECT_EQ(Points(0).size(), 2u);
  Graph.DrawGraph();
  EXPECT_EQ(Points(0).size(), 2u);
  for (const QPointF& p : Points(0)) EXPECT_LT(p.y(), 1e6);
}

TEST_F(GraphTest, ARenamedRunIsRelabelled) {
  Samples(2);
  Prompts.ExpectInput(QString("Warm-up"));
  Table.ChangeSheetName();
  ASSERT_EQ(ChartSeries().size(), 1);
  EXPECT_EQ(ChartSeries()[0]->name(), "Warm-up T1 Tank");
  EXPECT_EQ(Points(0).size(), 2u);
}

TEST_F(GraphTest, ADeletedRunVanishesAndLaterRunsMoveUp) {
  Samples(3);
  ASSERT_TRUE(Table.AddSheet());
  Graph.DrawGraph();
  Samples(2);
  Table.ResultsTable->Book().SetSheet(1);
  Prompts.ExpectMessage("This unsaved data will be lost", TModalResult::mrYes);
  Table.DeleteSheet();
  ASSERT_EQ(ChartSeries().size(), 1);
  EXPECT_EQ(ChartSeries()[0]->name(), "Run 2 T1 Tank");
  EXPECT_EQ(Graph.MaxRow[1], 2);
  EXPECT_EQ(Points(0).size(), 2u);
  // The next sample still lands on the recording run's series.
  Sample(3);
  EXPECT_EQ(Points(0).size(), 3u);
}

TEST_F(GraphTest, TimeColumnsUseClockLabelsOthersNumbers) {
  // Before the first sample the clock axis shows the run's first minute.
  auto* empty = qobject_cast<QCategoryAxis*>(Graph.Chart()->axes(Qt::Horizontal).at(1));
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->max(), 60000);
  Sample(1);
  auto* timeAxis = qobject_cast<QCategoryAxis*>(ChartSeries()[0]->attachedAxes().at(0));
  ASSERT_NE(timeAxis, nullptr);
  // A lone first point is padded, but never into times before the run began.
  EXPECT_EQ(timeAxis->min(), 0);
  Sample(2);
  Sample(3);
  EXPECT_TRUE(timeAxis->isVisible());
  EXPECT_EQ(Graph.XAxis.format, "[h]:mm:ss");
  EXPECT_EQ(timeAxis->titleText(), "Elapsed time");
  EXPECT_TRUE(Graph.ClockLabels().contains("0:00:20")) << Graph.ClockLabels().join(' ').toStdString();
  // The axis spans the samples from 0:00:10 to 0:00:30 (milliseconds).
  EXPECT_LE(timeAxis->min(), 10000);
  EXPECT_GE(timeAxis->max(), 30000);
  EXPECT_LT(timeAxis->max(), 120000);

  Graph.XAxisChoice = colSample;
  Graph.DrawGraph();
  EXPECT_FALSE(Graph.TimeOnXAxis());
  auto* valueAxis = qobject_cast<QValueAxis*>(ChartSeries()[0]->attachedAxes().at(0));
  ASSERT_NE(valueAxis, nullptr);
  EXPECT_TRUE(valueAxis->isVisible());
  EXPECT_FALSE(timeAxis->isVisible());
  EXPECT_EQ(Points(0)[2], QPointF(3, 23));
  EXPECT_EQ(Graph.Chart()->title(), "T1 Tank against Sample");
}

TEST_F(GraphTest, ASecondAxisSeriesJoinsTheTitle) {
  Samples(2);
  for (TSeries_Line& s : Graph.SeriesList)
    if (s.column == colT2) {
      s.excluded = false;
      s.Second_Y_axis = true;
    }
  Graph.RefreshSeries();
  Graph.SetPlotTitles();
  EXPECT_EQ(Graph.Chart()->title(), "T1 Tank and T2 Vessel against Elapsed time");
  ASSERT_EQ(ChartSeries().size(), 2);
  auto* right = qobject_cast<QValueAxis*>(ChartSeries()[1]->attachedAxes().at(1));
  ASSERT_NE(right, nullptr);
  EXPECT_EQ(right->alignment(), Qt::AlignRight);
  EXPECT_TRUE(right->isVisible());
  EXPECT_EQ(right->titleText(), "T2 Vessel (°C)");
}

TEST_F(GraphTest, LinesInsteadOfPoints) {
  Samples(2);
  Graph.PlotLines = true;
  Graph.PlotPoints = false;
  Graph.RefreshSeries({TSeriesStyle{QColor(1, 2, 3), QColor(4, 5, 6), 7, Qt::DashLine}});
  ASSERT_EQ(ChartSeries().size(), 1);
  auto* line = static_cast<QXYSeries*>(ChartSeries()[0]);
  EXPECT_FALSE(line->pointsVisible());
  EXPECT_EQ(line->pen().color(), QColor(1, 2, 3));
  EXPECT_EQ(line->pen().style(), Qt::DashLine);
}

TEST_F(GraphTest, UserScaleFactorsApplyToAppendedPointsToo) {
  Sample(1);
  Graph.RescaleAxis(2.0, 1.0);
  EXPECT_EQ(Points(0)[0].y(), 42);
  Sample(2);
  EXPECT_EQ(Points(0)[1].y(), 44);
}

TEST_F(GraphTest, ACaptureRunIsPlottedAgainstItsOwnSeconds) {
  Samples(4);
  TScopeRun run;
  run.SampleInterval = 745;  // 1 ms
  run.ChannelOne = 0;
  run.ChannelTwo = 1;
  for (int i = 0; i < 10; ++i) {
    run.Ch1.push_back(100 * i);
    run.Ch2.push_back(-i);
  }
  ASSERT_EQ(Table.GetScopeData(run), 2);
  // Run 1's tank temperature, then the capture's two inputs.
  ASSERT_EQ(ChartSeries().size(), 3);
  EXPECT_EQ(ChartSeries()[1]->name(), "Capture 2 Input 0");
  EXPECT_TRUE(Graph.TimeOnXAxis());
  // On the elapsed-time clock, sample 4 of the capture sits at 3 ms.
  EXPECT_NEAR(Points(1)[3].x(), 3.0, 1e-9);
  EXPECT_EQ(Points(1)[3].y(), 300);
  EXPECT_EQ(Points(2)[9].y(), -9);
  EXPECT_EQ(Points(0).size(), 4u);
  // The next logger sample goes on in run 1, not below the capture.
  Sample(5);
  EXPECT_EQ(Points(0).size(), 5u);
  EXPECT_EQ(Points(1).size(), 10u);
  // Against the sample number the capture keeps its seconds (no clock).
  Graph.XAxisChoice = colSample;
  Graph.DrawGraph();
  EXPECT_FALSE(Graph.TimeOnXAxis());
  EXPECT_NEAR(Points(1)[3].x(), 0.003, 1e-12);
}

TEST_F(GraphTest, TheClockAxisKeepsItsHoursPastADayAndShowsTimesBeforeZeroNegative) {
  // Elapsed times from 13 hours before the start to 30 hours after it.
  const double hours[] = {-13, 2, 10, 20, 30};
  for (int n = 1; n <= 5; ++n) {
    FillSample(SampleRow, {{colSample, double(n)}, {colElapsed, hours[n - 1] / 24}, {colT1, 20.0 + n}});
    Table.WriteRow(SampleRow, n, 2);
    Graph.DataHasChanged(n);
  }
  Graph.DrawGraph();
  ASSERT_TRUE(Graph.TimeOnXAxis());
  EXPECT_EQ(Graph.XAxis.format, "[h]:mm:ss") << "the elapsed column's own format";
  const QStringList labels = Graph.ClockLabels();
  ASSERT_GE(labels.size(), 3);
  EXPECT_TRUE(labels.contains("24:00:00") || labels.contains("30:00:00") || labels.contains("25:00:00"))
      << labels.join(' ').toStdString();
  EXPECT_TRUE(labels.first().startsWith('-')) << labels.join(' ').toStdString();
  EXPECT_NEAR(Graph.AxisValue(0, true), 30 / 24.0, 0.3);
  // A time of day format wraps, as a clock does.
  Graph.XAxis.AutoFormat = false;
  Graph.XAxis.format = "hh:mm";
  Graph.ApplyLook();
  EXPECT_FALSE(Graph.ClockLabels().join(' ').contains("30:")) << Graph.ClockLabels().join(' ').toStdString();
}

TEST_F(GraphTest, PrintsAndCopiesTheChart) {
  Samples(5);
  const QString pdf = Tmp.File("graph.pdf");
  Graph.Printing().SetPrintDialog([&](QPrinter& printer) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    return true;
  });
  Graph.PrintForm();
  EXPECT_TRUE(TTempFolder::Read(pdf).startsWith("%PDF"));

  QApplication::clipboard()->clear();
  Graph.resize(800, 500);
  Graph.EditCopy();
  const QImage image = QApplication::clipboard()->image();
  EXPECT_GE(image.width(), 400);
}

TEST_F(GraphTest, ScreenshotAfterTwoRunsIsNotBlank) {
  Samples(30);
  ASSERT_TRUE(Table.AddSheet());
  Graph.DrawGraph();
  for (int n = 1; n <= 20; ++n) {
    FillSample(SampleRow, {{colSample, double(n)}, {colElapsed, n * 10 / 86400.0}, {colT1, 25.0 + n * 0.8}, {colT2, 10.0 + n}});
    Table.WriteRow(SampleRow, n, 2);
    Graph.DataHasChanged(n);
  }
  for (TSeries_Line& s : Graph.SeriesList)
    if (s.column == colT2) {
      s.excluded = false;
      s.Second_Y_axis = true;
    }
  Graph.PlotLines = true;
  Graph.PlotPoints = false;
  Graph.RefreshSeries();
  Graph.SetPlotTitles();
  Graph.resize(1000, 600);
  Graph.show();
  QApplication::processEvents();
  const QImage image = Graph.grab().toImage();
  image.save(QDir::temp().filePath("quorlex-graph.png"));
  Graph.PlotLines = false;
  Graph.PlotPoints = true;
  Graph.RefreshSeries();
  QApplication::processEvents();
  Graph.grab().save(QDir::temp().filePath("quorlex-graph-points.png"));
  // Red and blue points of the two runs are drawn.
  int red = 0;
  for (int y = 0; y < image.height(); y += 2)
    for (int x = 0; x < image.width(); x += 2) {
      const QColor c = image.pixelColor(x, y);
      if (c.red() > 200 && c.green() < 60 && c.blue() < 60) ++red;
    }
  EXPECT_GT(red, 50);
}

// Twenty runs, the most a table holds, each with its own colour and marker, and a legend that
// names every run in full however narrow the window: it wraps into rows under the chart.
TEST_F(GraphTest, TwentyRunsAreToldApartAndTheLegendWrapsUnabridged) {
  const QColor firstSeven[7] = {Qt::red, Qt::blue, QColor(0, 128, 0), Qt::yellow, QColor(128, 0, 128), QColor(0, 0, 128), Qt::magenta};
  for (int run = 1; run <= 20; ++run) {
    if (run > 1) ASSERT_TRUE(Table.AddSheet());
    for (int n = 1; n <= 12; ++n) {
      FillSample(SampleRow, {{colSample, double(n)}, {colElapsed, n * 10 / 86400.0}, {colT1, 20.0 + run * 2 + n * (1 + run / 10.0)}, {colT2, 10.0}, {colFlow, 2}});
      Table.WriteRow(SampleRow, n, 2);
      Graph.DataHasChanged(n);
    }
  }
  Graph.DrawGraph();
  const auto shown = Shown();
  ASSERT_EQ(shown.size(), 20u);
  QSet<QString> looks;
  for (size_t i = 0; i < shown.size(); ++i) {
    if (i < 7) EXPECT_EQ(shown[i]->PointColour, firstSeven[i]) << "run " << i + 1;
    looks.insert(shown[i]->PointColour.name());
  }
  EXPECT_EQ(looks.size(), 20) << "two runs share a colour";
  // Any two series of the first four columns of any two runs differ in colour or marker.
  QSet<QString> styles;
  int counted = 0;
  for (const TSeries_Line& s : Graph.SeriesList) {
    int j = 0;
    for (const TSeries_Line& t : Graph.SeriesList)
      if (t.sheet_number == s.sheet_number && t.column < s.column) ++j;
    if (j >= 4) continue;
    ++counted;
    styles.insert(s.PointColour.name() + QString::number(s.PointShape));
  }
  EXPECT_EQ(styles.size(), counted);

  const TPlotLayer& layer = Graph.PlotLayer();
  EXPECT_TRUE(layer.LegendShown);
  EXPECT_FALSE(Graph.Chart()->legend()->isVisible()) << "the chart's own one-line legend cuts the names";
  ASSERT_EQ(layer.Legend.size(), 20u);
  EXPECT_EQ(layer.Legend[19].Text, "Run 20 T1 Tank");
  const double row = QFontMetricsF(layer.LegendFont).height();
  for (int width : {1250, 900, 500}) {
    Graph.resize(width, 700);
    Graph.show();
    QCoreApplication::processEvents();
    const double height = layer.LegendHeight(Graph.Chart()->rect().width());
    EXPECT_GE(height, 2 * row) << width << " px: twenty names do not fit one row";
    EXPECT_GE(Graph.Chart()->margins().bottom(), height) << width << " px: the legend has no room under the chart";
    EXPECT_GT(Graph.Chart()->plotArea().height(), 150) << width << " px";
    if (const QByteArray dir = qgetenv("QUORLEX_PICTURES"); !dir.isEmpty())
      Graph.grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/graph-20-runs-%1.png").arg(width));
  }
}

// A long run drawn as a line puts many samples on each pixel column: a single outlying reading
// among thousands must still be drawn, and the flat stretch around it too.
TEST_F(GraphTest, ALongLineKeepsASingleSpikeAmongThousandsOfSamples) {
  Start();
  constexpr int Count = 6000, Spike = 3001;
  for (int n = 1; n <= Count; ++n) {
    FillSample(SampleRow, {{colSample, double(n)}, {colElapsed, n * 10 / 86400.0}, {colT1, n == Spike ? 120.0 : 20.0}, {colT2, 10.0}, {colFlow, 2}});
    Table.WriteRow(SampleRow, n, 2);
    Graph.DataHasChanged(n);
  }
  Graph.PlotLines = true;
  Graph.PlotPoints = false;
  Graph.RefreshSeries();
  Graph.resize(800, 500);
  Graph.show();
  QApplication::processEvents();
  const QImage image = Graph.grab().toImage();
  // The run's colour (red): the flat stretch is the row holding most of it, the spike a stroke
  // well above that row, within the stretch's width.
  auto red = [&](int x, int y) {
    const QColor c = image.pixelColor(x, y);
    return c.red() > 180 && c.green() < 90 && c.blue() < 90;
  };
  int flatRow = 0, flatCount = 0;
  for (int y = 0; y < image.height(); ++y) {
    int count = 0;
    for (int x = 0; x < image.width(); ++x) count += red(x, y);
    if (count > flatCount) { flatCount = count; flatRow = y; }
  }
  ASSERT_GT(flatCount, 300);
  int left = image.width(), right = 0;
  for (int x = 0; x < image.width(); ++x)
    if (red(x, flatRow)) { left = std::min(left, x); right = std::max(right, x); }
  int above = 0;
  for (int y = 0; y < flatRow - 100; ++y)
    for (int x = left + 5; x < right - 5; ++x) above += red(x, y);
  EXPECT_GT(above, 50);
}

// While a run records, the window adds only the new points to what it has drawn; after the axes
// move it draws every point again. Either way it shows what a graph drawn afresh shows.
TEST_F(GraphTest, RecordingDrawsOnlyTheNewPointsAndShowsWhatAFreshDrawingShows) {
  Graph.resize(800, 500);
  Graph.show();
  QApplication::processEvents();
  int n = 0;
  auto sample = [&] {
    ++n;
    FillSample(SampleRow, {{colSample, double(n)}, {colElapsed, n * 10 / 86400.0}, {colT1, 25 + 5 * std::sin(n / 7.0)}, {colT2, 10.0}, {colFlow, 2}});
    Table.WriteRow(SampleRow, n, 2);
    Graph.DataHasChanged(n);
  };
  auto samples = [&](int count) {
    int onlyNew = 0, whole = 0;
    for (int k = 0; k < count; ++k) {
      const double xMax = Graph.AxisValue(0, true), yMin = Graph.AxisValue(1, false), yMax = Graph.AxisValue(1, true);
      sample();
      const bool moved = Graph.AxisValue(0, true) != xMax || Graph.AxisValue(1, false) != yMin || Graph.AxisValue(1, true) != yMax;
      (void)Graph.grab();
      const std::size_t drawn = Graph.PlotLayer().PointsLastDrawn();
      if (moved) {
        EXPECT_EQ(drawn, std::size_t(n)) << "sample " << n << ": the axes moved, every point is drawn again";
        ++whole;
      } else {
        EXPECT_EQ(drawn, 1u) << "sample " << n << ": only the new point is drawn";
        ++onlyNew;
      }
    }
    EXPECT_GT(onlyNew, count / 2);
    EXPECT_GT(whole, 0);
  };
  // What the window's plot area shows now, and once drawn afresh (a resize and back draws every
  // point).
  auto plotArea = [&] {
    const QChartView* view = Graph.findChild<QChartView*>();
    const QRect inView = view->mapFromScene(Graph.Chart()->mapToScene(Graph.Chart()->plotArea())).boundingRect();
    return inView.translated(view->viewport()->mapTo(&Graph, QPoint(0, 0))).adjusted(2, 2, -2, -2);
  };
  auto matchesFreshDrawing = [&](const char* what, double shadesPerInk) {
    const QRect area = plotArea();
    ASSERT_GT(area.width(), 300);
    const QImage kept = Graph.grab().toImage();
    Graph.resize(820, 500);
    (void)Graph.grab();
    Graph.resize(800, 500);
    const QImage fresh = Graph.grab().toImage();
    EXPECT_EQ(Graph.PlotLayer().PointsLastDrawn(), std::size_t(n)) << what;
    ASSERT_EQ(kept.size(), fresh.size()) << what;
    int differ = 0, inked = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
      for (int x = area.left(); x <= area.right(); ++x) {
        const QColor a = kept.pixelColor(x, y), b = fresh.pixelColor(x, y);
        inked += a.red() > 180 && a.green() < 90 && a.blue() < 90;
        differ += std::abs(a.red() - b.red()) > 40 || std::abs(a.green() - b.green()) > 40 || std::abs(a.blue() - b.blue()) > 40;
      }
    EXPECT_GT(inked, 100) << what << ": the run's points are on the graph";
    EXPECT_LE(differ, inked * shadesPerInk) << what;
  };
  samples(300);
  matchesFreshDrawing("points", 0);
  Graph.PlotLines = true;
  Graph.PlotPoints = false;
  Graph.RefreshSeries();
  samples(300);
  // A line drawn on in two strokes has antialiased joints a shade apart from one stroke's.
  matchesFreshDrawing("lines", 0.01);
}

// A graph made small (a tiled window on a small or scaled screen) shows fewer clock and number
// labels, each one whole: side by side they fit the plot's width, and the value ticks its height.
TEST_F(GraphTest, ASmallGraphShowsFewerLabelsEachOfThemWhole) {
  for (int n = 1; n <= 6; ++n) Sample(n);
  Graph.DrawGraph();
  ASSERT_TRUE(Graph.TimeOnXAxis());
  Graph.resize(1000, 700);
  Graph.show();
  QApplication::processEvents();
  const int wide = static_cast<int>(Graph.ClockLabels().size());
  EXPECT_GE(wide, 4) << Graph.ClockLabels().join(' ').toStdString();
  Graph.resize(300, 220);
  QApplication::processEvents();
  QApplication::processEvents();
  const QStringList labels = Graph.ClockLabels();
  ASSERT_FALSE(labels.isEmpty());
  EXPECT_LT(labels.size(), wide);
  auto* clock = qobject_cast<QCategoryAxis*>(Graph.Chart()->axes(Qt::Horizontal).at(1));
  ASSERT_NE(clock, nullptr);
  const QFontMetrics metrics(clock->labelsFont());
  int side = 0;
  for (const QString& label : labels) side += metrics.horizontalAdvance(label);
  EXPECT_LE(side, Graph.Chart()->plotArea().width()) << labels.join(' ').toStdString();
  auto* y = qobject_cast<QValueAxis*>(Graph.Chart()->axes(Qt::Vertical).at(0));
  ASSERT_NE(y, nullptr);
  EXPECT_LE(y->tickCount() * QFontMetrics(y->labelsFont()).height(), Graph.Chart()->plotArea().height());
  Graph.hide();
}
