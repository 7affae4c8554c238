// The graph's configuration and format dialogs driven as a user would: series moved between the
// axes, another X column, styles that must outlive samples and new runs, refused numbers and
// formats, and screenshots of every page.
#include <gtest/gtest.h>

#include <QApplication>
#include <QChart>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLegend>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QRegularExpression>
#include <QValueAxis>
#include <QXYSeries>

#include "graphfixture.h"
#include "results/graphconfig.h"
#include "results/graphform.h"
#include "results/fontchooser.h"
#include "results/graphformat.h"
#include "results/tableform.h"

using namespace results_test;

namespace {

class GraphDialogTest : public TGraphFixture {
 protected:
  GraphDialogTest() {
    // The sample number may be plotted along X too.
    Rig.Rig.ColumnStatus[colSample].plot_on_X_Axis = true;
    Start();
  }

  QXYSeries* ChartSeries(int i) const { return static_cast<QXYSeries*>(Graph.Chart()->series().at(i)); }
  int ChartSeriesCount() const { return static_cast<int>(Graph.Chart()->series().size()); }
  // Selects the line of `list` whose text starts with `label`.
  static void Pick(QListWidget* list, const QString& label) {
    list->clearSelection();
    for (int i = 0; i < list->count(); ++i)
      if (list->item(i)->text().startsWith(label)) list->item(i)->setSelected(true);
  }
  QValueAxis* LeftAxis() const { return static_cast<QValueAxis*>(Graph.Chart()->axes(Qt::Vertical).at(0)); }
};

}  // namespace

TEST_F(GraphDialogTest, SeriesMoveBetweenTheAxesAndBackToAvailable) {
  Samples(3);
  std::vector<TSeries_Line> edited = Graph.SeriesList;
  TGraphConfig dialog(Graph);
  dialog.GetAxes(&edited, &Graph.XAxisList, Graph.XAxisChoice);
  EXPECT_EQ(dialog.lbPrimary->count(), 1);
  EXPECT_EQ(dialog.lbPrimary->item(0)->text(), "Run 1 T1 Tank (°C)");
  EXPECT_EQ(dialog.lbAvailable->count(), 5);
  EXPECT_EQ(dialog.lbSecondary->count(), 0);
  EXPECT_TRUE(dialog.rbPoints->isChecked());

  Pick(dialog.lbAvailable, "Run 1 T2");
  dialog.MoveToSecondary();
  Pick(dialog.lbAvailable, "Run 1 F1");
  dialog.MoveToPrimary();
  ASSERT_EQ(dialog.lbSecondary->count(), 1);
  ASSERT_EQ(dialog.lbPrimary->count(), 2);
  // The lines keep the series order, and the index arrays follow their lines.
  EXPECT_TRUE(dialog.lbPrimary->item(1)->text().startsWith("Run 1 F1"));
  EXPECT_EQ(edited[static_cast<std::size_t>(dialog.Y2PlotSeriesIndex[0])].column, colT2);
  EXPECT_EQ(dialog.AllPlotSeriesIndex.size(), 3u);
  // Nothing reaches the chart before OK.
  EXPECT_EQ(ChartSeriesCount(), 1);

  dialog.rbLines->setChecked(true);
  Graph.AcceptConfig(dialog, edited);
  ASSERT_EQ(ChartSeriesCount(), 3);
  EXPECT_EQ(Graph.Chart()->title(), "T1 Tank and T2 Vessel against Elapsed time");
  QXYSeries* t2 = nullptr;
  int t2Index = -1;
  for (int i = 0; i < ChartSeriesCount(); ++i)
    if (ChartSeries(i)->name() == "Run 1 T2 Vessel") t2 = ChartSeries(t2Index = i);
  ASSERT_NE(t2, nullptr);
  EXPECT_EQ(t2->attachedAxes().at(1)->alignment(), Qt::AlignRight);
  EXPECT_EQ(Points(t2Index).size(), 3u);
  EXPECT_FALSE(t2->pointsVisible());  // lines now
  EXPECT_TRUE(Graph.PlotLines);

  // Everything back to "Available Series": an empty chart that keeps its titles.
  edited = Graph.SeriesList;
  dialog.GetAxes(&edited, &Graph.XAxisList, Graph.XAxisChoice);
  EXPECT_EQ(dialog.lbSecondary->count(), 1);
  EXPECT_TRUE(dialog.rbLines->isChecked());
  for (int i = 0; i < dialog.lbPrimary->count(); ++i) dialog.lbPrimary->item(i)->setSelected(true);
  dialog.RemoveFromPrimary();
  dialog.lbSecondary->item(0)->setSelected(true);
  dialog.RemoveFromSecondary();
  EXPECT_EQ(dialog.lbAvailable->count(), 6);
  Graph.AcceptConfig(dialog, edited);
  EXPECT_EQ(ChartSeriesCount(), 0);
  EXPECT_FALSE(Graph.Chart()->title().isEmpty());
  EXPECT_EQ(Graph.XTitle(), "Elapsed time");
}

TEST_F(GraphDialogTest, AnotherXColumnIsPlottedAfterOk) {
  Samples(3);
  ASSERT_EQ(Graph.XAxisList.size(), 2u);
  std::vector<TSeries_Line> edited = Graph.SeriesList;
  TGraphConfig dialog(Graph);
  dialog.GetAxes(&edited, &Graph.XAxisList, Graph.XAxisChoice);
  EXPECT_EQ(dialog.cbXAxis->currentText(), "Elapsed time");
  dialog.cbXAxis->setCurrentIndex(dialog.cbXAxis->findText("Sample"));
  Graph.AcceptConfig(dialog, edited);
  EXPECT_EQ(Graph.XAxisChoice, colSample);
  EXPECT_FALSE(Graph.TimeOnXAxis());
  EXPECT_EQ(Points(0).at(2), QPointF(3, 23));
  EXPECT_EQ(Graph.Chart()->title(), "T1 Tank against Sample");
  // Samples keep arriving against the new X column.
  Sample(4);
  EXPECT_EQ(Points(0).at(3), QPointF(4, 24));
}

TEST_F(GraphDialogTest, CancelLeavesTheSeriesAsTheChartShowsThemAndScKeepsUnreadableFactors) {
  Samples(2);
  const auto before = Graph.SeriesList;
  bool seen = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<TGraphConfig*>(QApplication::activeModalWidget());
    if (!dialog) return;
    seen = true;
    EXPECT_TRUE(Graph.Configuring);
    Pick(dialog->lbAvailable, "Run 1 T2");
    dialog->MoveToSecondary();
    dialog->edScFY->setText("2");
    dialog->edScFX->setText("two");
    dialog->ApplyScale();
    dialog->reject();
  });
  Graph.LaunchConfigBox();
  ASSERT_TRUE(seen);
  EXPECT_FALSE(Graph.Configuring);
  for (std::size_t i = 0; i < before.size(); ++i) {
    EXPECT_EQ(Graph.SeriesList[i].excluded, before[i].excluded);
    EXPECT_EQ(Graph.SeriesList[i].Second_Y_axis, before[i].Second_Y_axis);
  }
  // "Sc" acts at once, even when the dialog is then cancelled.
  EXPECT_EQ(Graph.FScalingYfactor, 2.0);
  EXPECT_EQ(Graph.FScalingXfactor, 1.0);
  EXPECT_EQ(Points(0).at(1).y(), 44);
}

TEST_F(GraphDialogTest, SeriesStylesSurviveNewSamplesAndNewRuns) {
  Samples(2);
  TGraphFormat& format = Graph.FormatDialog();
  format.Load(TGraphFormat::SeriesPage);
  EXPECT_EQ(format.Pages->currentIndex(), 3);
  ASSERT_EQ(format.cbSeries->count(), 2);
  EXPECT_EQ(format.cbSeries->itemText(0), "Select Series");
  EXPECT_EQ(format.cbPointStyle->currentText(), "Select Style");
  // Points shown, lines not: the line controls stay off.
  format.cbSeries->setCurrentIndex(1);
  EXPECT_FALSE(format.cbLineStyle->isEnabled());
  EXPECT_TRUE(format.cbPointColour->isEnabled());
  format.cbPointColour->setCurrentIndex(format.cbPointColour->findText("Navy"));
  format.cbPointStyle->setCurrentIndex(format.cbPointStyle->findText("square"));
  format.spPointSize->setValue(9);
  ASSERT_TRUE(format.Apply());
  EXPECT_EQ(Graph.SeriesList[0].PointColour, QColor(0, 0, 128));
  EXPECT_EQ(Graph.SeriesList[0].PointSize, 9u);
  EXPECT_EQ(ChartSeries(0)->markerSize(), 13.5);
  EXPECT_EQ(ChartSeries(0)->lightMarker().pixelColor(0, 0), QColor(0, 0, 128));  // a square fills its corner

  Sample(3);
  EXPECT_EQ(ChartSeries(0)->lightMarker().pixelColor(0, 0), QColor(0, 0, 128));
  ASSERT_TRUE(Table.AddSheet());
  Graph.DrawGraph();
  Sample(1);
  ASSERT_EQ(ChartSeriesCount(), 2);
  EXPECT_EQ(Graph.SeriesList[0].PointColour, QColor(0, 0, 128));
  EXPECT_EQ(Graph.SeriesList[0].PointShape, 0);
  EXPECT_EQ(ChartSeries(0)->markerSize(), 13.5);
  // The new run's series take their own colours: run 2's first column is the palette's second.
  EXPECT_EQ(ChartSeries(1)->color().rgb(), QColor(Qt::blue).rgb());

  // With lines the line controls open and the point controls close.
  Graph.PlotLines = true;
  Graph.PlotPoints = false;
  format.Load(TGraphFormat::SeriesPage);
  format.cbSeries->setCurrentIndex(2);
  EXPECT_FALSE(format.spPointSize->isEnabled());
  EXPECT_FALSE(format.cbPointColour->isEnabled());
  format.cbLineStyle->setCurrentIndex(format.cbLineStyle->findText("Dash Dot"));
  ASSERT_TRUE(format.Apply());
  EXPECT_EQ(ChartSeries(1)->pen().style(), Qt::DashDotLine);
  EXPECT_EQ(ChartSeries(0)->pen().style(), Qt::SolidLine);
  Sample(2);
  EXPECT_EQ(ChartSeries(1)->pen().style(), Qt::DashDotLine);
}

TEST_F(GraphDialogTest, ABadScaleIsRefusedAndTheRestApplied) {
  Samples(5);
  TGraphFormat& format = Graph.FormatDialog();
  format.Load(TGraphFormat::ScalesPage);
  auto* x = static_cast<QValueAxis*>(Graph.Chart()->axes(Qt::Horizontal).at(0));
  Graph.XAxisChoice = colSample;  // plain numbers along X
  Graph.DrawGraph();
  format.Load(TGraphFormat::ScalesPage);
  const double xMin = x->min(), xMax = x->max();
  format.chkAutoScale[0]->setChecked(false);
  format.edMin[0]->setText("1a");
  format.chkAutoScale[1]->setChecked(false);
  format.edMin[1]->setText("0");
  format.edMax[1]->setText("50");
  format.edInterval[1]->setText("10");
  format.edTitle->setText("Tank heating");
  Prompts.ExpectMessage("This is not a valid number: X axis Minimum.");
  EXPECT_FALSE(format.Apply());
  EXPECT_TRUE(format.BadInput);
  EXPECT_EQ(x->min(), xMin);
  EXPECT_EQ(x->max(), xMax);
  EXPECT_TRUE(Graph.XAxis.AutoScale);
  // The primary Y scale and the title were sound and are applied.
  EXPECT_EQ(LeftAxis()->min(), 0);
  EXPECT_EQ(LeftAxis()->max(), 50);
  EXPECT_EQ(LeftAxis()->tickInterval(), 10);
  EXPECT_EQ(Graph.Chart()->title(), "Tank heating");
  // A minimum above the maximum is refused too; samples do not move a fixed scale.
  format.edMin[0]->setText("9");
  format.edMax[0]->setText("2");
  Prompts.ExpectMessage("The X axis Maximum must be greater than its Minimum.");
  EXPECT_FALSE(format.Apply());
  format.edMax[0]->setText("20");
  EXPECT_TRUE(format.Apply());
  EXPECT_EQ(x->min(), 9);
  EXPECT_EQ(x->max(), 20);
  Sample(6);
  Sample(70);
  EXPECT_EQ(LeftAxis()->max(), 50);
  EXPECT_EQ(x->max(), 20);
}

TEST_F(GraphDialogTest, ABadNumberFormatIsRefusedAndTheAxisKeepsItsLabels) {
  Samples(3);
  TGraphFormat& format = Graph.FormatDialog();
  format.Load(TGraphFormat::AxesPage);
  EXPECT_TRUE(format.chkAutoFormat->isChecked());
  EXPECT_TRUE(format.chkTime->isChecked());
  EXPECT_FALSE(format.edYFormat->isEnabled());
  const QString before = LeftAxis()->labelFormat();
  format.chkAutoFormat->setChecked(false);
  format.edXFormat->setText("h:mm");
  format.edYFormat->setText("kg");
  Prompts.ExpectMessage("This is not a valid number format: Primary Y axis value format.");
  EXPECT_FALSE(format.Apply());
  EXPECT_EQ(LeftAxis()->labelFormat(), before);
  ASSERT_TRUE(Graph.TimeOnXAxis());
  ASSERT_FALSE(Graph.ClockLabels().isEmpty());
  for (const QString& label : Graph.ClockLabels())
    EXPECT_TRUE(QRegularExpression("^-?\\d+:\\d\\d$").match(label).hasMatch()) << label.toStdString();
  format.edYFormat->setText("0.00");
  EXPECT_TRUE(format.Apply());
  EXPECT_EQ(LeftAxis()->labelFormat(), "%.2f");
  EXPECT_EQ(TGraphForm::LabelFormatOf("0.0E+00"), "%.1E");
  EXPECT_TRUE(TGraphForm::IsNumberFormat("#,##0.###"));
  EXPECT_FALSE(TGraphForm::IsNumberFormat("0.0.0"));
  // Unticking Time turns the elapsed times into plain day numbers.
  format.chkTime->setChecked(false);
  format.chkAutoFormat->setChecked(true);
  EXPECT_TRUE(format.Apply());
  EXPECT_FALSE(Graph.TimeOnXAxis());
  EXPECT_NEAR(Points(0).at(0).x(), 10 / 86400.0, 1e-12);
}

TEST_F(GraphDialogTest, TheLookOutlivesRebuildsAndNewRuns) {
  Samples(2);
  TGraphFormat& format = Graph.FormatDialog();
  format.Load(TGraphFormat::PlotPage);
  EXPECT_EQ(format.spMarginTop->value(), 15);
  EXPECT_EQ(format.edTitle->text(), "T1 Tank against Elapsed time");
  format.cbBackground->setCurrentIndex(format.cbBackground->findText("Cream"));
  format.spMarginLeft->setValue(40);
  format.edYTitle->setText("Tank");
  format.chkGrid->setChecked(false);
  format.chkShowLegend->setChecked(false);
  format.fcTitleFont->Size->setValue(14);
  format.fcTitleFont->Bold->setChecked(true);
  format.fcLabelFont->Italic->setChecked(true);
  ASSERT_TRUE(format.Apply());
  ASSERT_TRUE(Table.AddSheet());
  Graph.DrawGraph();
  Sample(1);
  EXPECT_EQ(Graph.Chart()->backgroundBrush().color(), QColor(255, 251, 240));
  EXPECT_EQ(Graph.Chart()->margins().left(), 40);
  EXPECT_EQ(LeftAxis()->titleText(), "Tank");
  EXPECT_FALSE(LeftAxis()->isGridLineVisible());
  EXPECT_FALSE(Graph.Chart()->legend()->isVisible());
  EXPECT_EQ(Graph.Chart()->titleFont().pointSize(), 14);
  EXPECT_TRUE(Graph.Chart()->titleFont().bold());
  EXPECT_TRUE(LeftAxis()->labelsFont().italic());
  EXPECT_FALSE(LeftAxis()->labelsFont().bold());
  // An untouched chart title is still made from the columns.
  EXPECT_EQ(Graph.Chart()->title(), "T1 Tank against Elapsed time");

  // A legend placed by hand floats where it is put; "Resize Chart" needs automatic dimensions.
  format.Load(TGraphFormat::LegendPage);
  EXPECT_FALSE(format.chkShowLegend->isChecked());
  format.chkShowLegend->setChecked(true);
  EXPECT_TRUE(format.chkResizeChart->isEnabled());
  format.chkAutoLegend->setChecked(false);
  EXPECT_FALSE(format.chkResizeChart->isEnabled());
  EXPECT_TRUE(format.spLegendLeft->isEnabled());
  format.spLegendLeft->setValue(120);
  format.spLegendTop->setValue(60);
  ASSERT_TRUE(format.Apply());
  QLegend* legend = Graph.Chart()->legend();
  EXPECT_TRUE(legend->isVisible());
  EXPECT_FALSE(legend->isAttachedToChart());
  EXPECT_EQ(legend->geometry().topLeft(), QPointF(120, 60));
}

TEST_F(GraphDialogTest, ScreenshotsOfEveryPageAndTheChart) {
  Samples(30);
  Graph.resize(1366, 768);
  std::vector<TSeries_Line> edited = Graph.SeriesList;
  TGraphConfig config(Graph);
  config.GetAxes(&edited, &Graph.XAxisList, Graph.XAxisChoice);
  Pick(config.lbAvailable, "Run 1 T2");
  config.MoveToSecondary();
  config.rbLines->setChecked(true);
  config.resize(config.sizeHint());
  const QDir out(QDir::temp().filePath("quorlex-graph-dialogs"));
  QDir().mkpath(out.path());
  EXPECT_TRUE(config.grab().save(out.filePath("config.png")));
  Graph.AcceptConfig(config, edited);
  TGraphFormat& format = Graph.FormatDialog();
  for (int page = 0; page < 5; ++page) {
    format.Load(page);
    format.resize(format.sizeHint());
    const QImage image = format.grab().toImage();
    EXPECT_GT(image.width(), 300);
    image.save(out.filePath(QString("format-%1.png").arg(page)));
  }
  format.Load(TGraphFormat::SeriesPage);
  format.cbSeries->setCurrentIndex(2);
  format.cbLineStyle->setCurrentIndex(format.cbLineStyle->findText("Dash Dash"));
  format.cbLineColour->setCurrentIndex(format.cbLineColour->findText("Black"));
  ASSERT_TRUE(format.Apply());
  Graph.show();
  QApplication::processEvents();
  const QImage chart = Graph.grab().toImage();
  chart.save(out.filePath("chart.png"));
  int black = 0;
  for (int y = 0; y < chart.height(); y += 2)
    for (int x = 0; x < chart.width(); x += 2)
      if (chart.pixelColor(x, y).value() < 40) ++black;
  EXPECT_GT(black, 100);
}
