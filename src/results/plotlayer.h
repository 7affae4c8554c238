#pragma once
// The points and lines of the graph, painted straight into the chart's plot area. The chart's own
// series stay empty and give the legend and the axes; keeping thousands of points in them makes
// the chart rebuild each series' outline on every appended point and draw each marker through a
// scaled image, which is far too slow for twenty long runs.

#include <vector>

#include <QGraphicsItem>
#include <QImage>
#include <QPen>
#include <QPointF>

class QChart;
class QValueAxis;

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

  void SetTimeX(bool time) { FTimeX = time; }
  std::vector<TTrace> Traces;

  QRectF boundingRect() const override;
  void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

 private:
  QChart* FChart;
  QValueAxis* FX;
  QValueAxis* FTimeX_;
  QValueAxis *FY, *FY2;
  bool FTimeX = false;
};
