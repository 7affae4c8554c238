#pragma once
// The points and lines of the graph, painted straight into the chart's plot area. The chart's own
// series stay empty and give the legend and the axes; keeping thousands of points in them makes
// the chart rebuild each series' outline on every appended point and draw each marker through a
// scaled image, which is far too slow for twenty long runs.

#include <vector>

#include <QFont>
#include <QGraphicsItem>
#include <QImage>
#include <QPen>
#include <QPointF>

class QChart;
class QValueAxis;
class TGraphFit;

class TPlotLayer : public QGraphicsItem {
 public:
  struct TTrace {
    std::vector<QPointF> Points;  // X in axis units (milliseconds on a clock axis)
    bool Lines = false;
    QPen Pen;
    QImage Marker;  // null: no points
    bool Right = false;
  };

  TPlotLayer(QChart* chart, QValueAxis* x, QValueAxis* timeX, QValueAxis* y, QValueAxis* y2);

  // One entry of the legend this layer draws under the chart: the chart's own legend keeps all
  // entries on one line and cuts their texts, which leaves twenty runs unreadable.
  struct TLegendEntry {
    QString Text;
    QColor Colour;
    QImage Marker;  // null: the line's colour as a short bar
  };

  void SetTimeX(bool time) { FTimeX = time; }
  std::vector<TTrace> Traces;
  std::vector<TLegendEntry> Legend;  // drawn only while LegendShown
  bool LegendShown = false;
  QFont LegendFont;
  // The graph's fits: each curve over its series' span, and their numbers in a box at the plot's
  // top left. Owned by the graph.
  const std::vector<TGraphFit>* Fits = nullptr;
  // Where the box was last painted, in chart coordinates (empty without fits).
  QRectF FitBoxRect() const { return FFitBox; }

  // The height the legend takes when wrapped into rows `width` pixels wide (0 without one).
  double LegendHeight(double width) const;

  QRectF boundingRect() const override;
  void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

 private:
  QChart* FChart;
  QValueAxis* FX;
  QValueAxis* FTimeX_;
  QValueAxis *FY, *FY2;
  bool FTimeX = false;

  // Entries per row, wrapped to `width`, and the width each entry takes.
  std::vector<std::vector<std::size_t>> LegendRows(double width, std::vector<double>& widths) const;
  void PaintLegend(QPainter* painter);
  void PaintFits(QPainter* painter, const QRectF& area, double xMin, double sx);
  QRectF FFitBox;
};
