// Fits on the graph: fitted to the points it shows, fitted again as samples arrive, kept through
// rebuilds and a new run, refused with a reason, drawn with a box of numbers; and the graph as
// PNG, SVG and PDF files.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QSvgRenderer>

#include "graphfixture.h"
#include "platform/safesave.h"
#include "results/fitpanel.h"
#include "results/graphexport.h"
#include "results/graphform.h"
#include "results/plotlayer.h"
#include "results/tableform.h"

using namespace results_test;

namespace {

class GraphFits : public TGraphFixture {
 protected:
  GraphFits() { Start(); }
  // The first shown series (run 1's T1 in the demo rig).
  std::size_t FirstShown() const {
    for (std::size_t i = 0; i < Graph.SeriesList.size(); ++i)
      if (!Graph.SeriesList[i].excluded) return i;
    return 0;
  }
};

}  // namespace

TEST_F(GraphFits, FollowTheSamplesTheRebuildsAndANewRun) {
  Samples(2);
  const std::size_t series = FirstShown();
  ASSERT_EQ(Graph.SeriesList[series].column, colT1);
  // Two points do not make a line with standard errors: the fit says why.
  const TGraphFit& early = Graph.AddFit(series, *TFitModel::Parse("linear"));
  EXPECT_FALSE(early.Result());
  EXPECT_EQ(early.Error(), "A linear fit needs at least 3 points; the series has 2.");

  // Samples 3..6 arrive: the fit is made, T1 = 20 + t / 10 s against the elapsed time in seconds.
  for (int n = 3; n <= 6; ++n) Sample(n);
  ASSERT_EQ(Graph.Fits().size(), 1u);
  ASSERT_TRUE(Graph.Fits()[0].Result());
  EXPECT_EQ(Graph.Fits()[0].Result()->Points, 6);
  EXPECT_NEAR(Graph.Fits()[0].Result()->Params[0], 20, 1e-9);
  EXPECT_NEAR(Graph.Fits()[0].Result()->Params[1], 0.1, 1e-12);

  // A rebuild, a change of look and a new run keep it on run 1's series.
  Graph.DrawGraph();
  Graph.Look.ShowGrid = false;
  Graph.ApplyLook();
  ASSERT_TRUE(Table.AddSheet());
  Graph.DrawGraph();
  for (int n = 1; n <= 4; ++n) {
    FillSample(SampleRow, {{colSample, double(n)}, {colElapsed, n * 10 / 86400.0}, {colT1, 50.0 - 2 * n}, {colT2, 10.0}});
    Table.WriteRow(SampleRow, n, 2);
    Graph.DataHasChanged(n);
  }
  ASSERT_EQ(Graph.Fits().size(), 1u);
  ASSERT_TRUE(Graph.Fits()[0].Result());
  EXPECT_EQ(Graph.Fits()[0].Run(), 1u);
  EXPECT_EQ(Graph.Fits()[0].Result()->Points, 6);
  EXPECT_NEAR(Graph.Fits()[0].Result()->Params[1], 0.1, 1e-12);

  // Run 2's series takes a fit of its own; fitting run 1 again replaces its fit.
  std::size_t run2 = 0;
  for (std::size_t i = 0; i < Graph.SeriesList.size(); ++i)
    if (Graph.SeriesList[i].sheet_number == 2 && Graph.SeriesList[i].column == colT1) run2 = i;
  ASSERT_NE(run2, 0u);
  EXPECT_NEAR(Graph.AddFit(run2, *TFitModel::Parse("poly2")).Result()->Params[1], -0.2, 1e-9);
  Graph.AddFit(series, *TFitModel::Parse("origin"));
  ASSERT_EQ(Graph.Fits().size(), 2u);
  EXPECT_EQ(Graph.Fits()[1].Model().Name(), "origin");

  // The panel copies every fit at full precision.
  const QString text = Graph.FitsText();
  EXPECT_TRUE(text.contains("(poly2)")) << text.toStdString();
  EXPECT_TRUE(text.contains("a1 = -0.")) << text.toStdString();
  QApplication::clipboard()->clear();
  Graph.FitPanel().Copy();
  EXPECT_EQ(QApplication::clipboard()->text(), text);

  Graph.RemoveFits();
  EXPECT_TRUE(Graph.Fits().empty());
  EXPECT_TRUE(Graph.FitsText().isEmpty());
}

// Each refit reads the whole series: while samples keep coming, a fit follows them at a pace
// rather than at every sample. Asked for (the panel, a picture, a report) or after the pace, it
// holds every sample.
TEST_F(GraphFits, FollowARecordingAtAPace) {
  Samples(3);
  Graph.AddFit(FirstShown(), *TFitModel::Parse("linear"));
  const std::vector<TGraphFit>& drawn = *Graph.PlotLayer().Fits;  // as painted, not brought up to date
  auto points = [&] { return drawn.at(0).Result() ? drawn.at(0).Result()->Points : 0; };
  ASSERT_EQ(points(), 3);
  Sample(4);
  EXPECT_EQ(points(), 4) << "the first new sample is fitted at once";
  for (int n = 5; n <= 40; ++n) Sample(n);
  EXPECT_EQ(points(), 4) << "not refitted for every sample";
  QElapsedTimer waited;
  waited.start();
  while (points() < 40 && waited.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_EQ(points(), 40);
  Sample(41);
  EXPECT_EQ(points(), 40);
  EXPECT_EQ(Graph.Fits().at(0).Result()->Points, 41);
  EXPECT_NEAR(Graph.Fits()[0].Result()->Params[1], 0.1, 1e-12);
}

TEST_F(GraphFits, ALogarithmOfANegativeXIsRefused) {
  for (int n = 1; n <= 5; ++n) {
    FillSample(SampleRow, {{colSample, double(n)}, {colElapsed, (n - 3) * 10 / 86400.0}, {colT1, 20.0 + n}, {colT2, 10.0}});
    Table.WriteRow(SampleRow, n, 2);
    Graph.DataHasChanged(n);
  }
  const TGraphFit& fit = Graph.AddFit(FirstShown(), *TFitModel::Parse("log"));
  EXPECT_FALSE(fit.Result());
  EXPECT_TRUE(fit.Error().contains("x = -20 (point 1) is not above 0")) << fit.Error().toStdString();
  // The box carries the reason in place of numbers.
  EXPECT_TRUE(fit.BoxLines().join(' ').contains("not above 0"));
}

TEST_F(GraphFits, TheBoxAndCurveAreDrawnOverTheSeries) {
  Samples(12);
  Graph.AddFit(FirstShown(), *TFitModel::Parse("linear"));
  const QImage image = Graph.Picture(QSize(900, 560));
  EXPECT_FALSE(Graph.PlotLayer().FitBoxRect().isEmpty());
  image.save(QDir::temp().filePath("quorlex-fit-box.png"));
  // The box's white fill sits at the plot's top left, framed in grey.
  const QRectF box = Graph.PlotLayer().FitBoxRect();
  EXPECT_GT(box.width(), 150);
  EXPECT_GT(image.pixelColor(QPoint(int(box.right()) - 3, int(box.bottom()) - 3)).lightness(), 200);
  int dashed = 0;  // the curve in the series' colour along the points
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (c.red() > 200 && c.green() < 60 && c.blue() < 60 && !box.contains(x, y)) ++dashed;
    }
  EXPECT_GT(dashed, 200);
}

TEST_F(GraphFits, ExportsReadBackAsTheirFormats) {
  Samples(8);
  Graph.AddFit(FirstShown(), *TFitModel::Parse("linear"));
  QString error;
  ASSERT_TRUE(Graph.ExportGraphTo(Tmp.File("g.png"), QSize(640, 400), 150, &error)) << error.toStdString();
  const QImage png(Tmp.File("g.png"));
  EXPECT_EQ(png.size(), QSize(640, 400));
  EXPECT_NEAR(png.dotsPerMeterX() * 0.0254, 150, 0.5);

  ASSERT_TRUE(Graph.ExportGraphTo(Tmp.File("g.svg"), QSize(800, 500), 96, &error)) << error.toStdString();
  QSvgRenderer svg(Tmp.File("g.svg"));
  EXPECT_TRUE(svg.isValid());
  EXPECT_EQ(svg.viewBox().size(), QSize(800, 500));
  EXPECT_TRUE(TTempFolder::Read(Tmp.File("g.svg")).contains(Graph.XTitle().toUtf8())) << "the X title is text";

  ASSERT_TRUE(Graph.ExportGraphTo(Tmp.File("g.pdf"), QSize(800, 500), 100, &error)) << error.toStdString();
  QProcess text;
  text.start("pdftotext", {Tmp.File("g.pdf"), "-"});
  ASSERT_TRUE(text.waitForFinished(20000));
  const QString words = QString::fromUtf8(text.readAllStandardOutput());
  EXPECT_TRUE(words.contains(Graph.XTitle())) << words.toStdString();
  EXPECT_TRUE(words.contains("R²")) << "the fit box is text too";

  // A bad extension, size or failing target leaves what was there.
  const QByteArray before = TTempFolder::Read(Tmp.File("g.png"));
  EXPECT_FALSE(Graph.ExportGraphTo(Tmp.File("g.bmp"), QSize(640, 400), 96, &error));
  EXPECT_TRUE(error.contains(".png, .svg or .pdf"));
  EXPECT_FALSE(Graph.ExportGraphTo(Tmp.File("g.png"), QSize(5, 400), 96, &error));
  {
    TSafeSave::TFaultScope full({.FailAfterBytes = 100});
    EXPECT_FALSE(Graph.ExportGraphTo(Tmp.File("g.png"), QSize(300, 200), 96, &error));
  }
  EXPECT_EQ(TTempFolder::Read(Tmp.File("g.png")), before);
}

TEST(GraphExportSize, ReadsWidthHeightAndResolution) {
  QSize size;
  int dpi = 0;
  EXPECT_TRUE(TGraphExport::ParseSize("1200 x 800 @ 150", size, dpi));
  EXPECT_EQ(size, QSize(1200, 800));
  EXPECT_EQ(dpi, 150);
  EXPECT_TRUE(TGraphExport::ParseSize("640X480", size, dpi));
  EXPECT_EQ(dpi, 96);
  EXPECT_TRUE(TGraphExport::ParseSize(" 300 x 200 72dpi ", size, dpi));
  EXPECT_EQ(dpi, 72);
  for (const char* bad : {"", "1200", "1200 x", "0 x 100", "20000 x 100", "100 x 100 @ 5", "a x b", "100 x 100 @ 99999"})
    EXPECT_FALSE(TGraphExport::ParseSize(bad, size, dpi)) << bad;
}
