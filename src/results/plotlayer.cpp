#include "results/plotlayer.h"

#include <climits>

#include <QChart>
#include <QPainter>
#include <QPolygonF>
#include <QValueAxis>

TPlotLayer::TPlotLayer(QChart* chart, QValueAxis* x, QValueAxis* timeX, QValueAxis* y, QValueAxis* y2)
    : QGraphicsItem(chart), FChart(chart), FX(x), FTimeX_(timeX), FY(y), FY2(y2) {
  // Above the (empty) series, below nothing else that shares the plot area.
  setZValue(100);
}

// The plot area moves with every resize and relayout; a rectangle that always holds it saves
// telling the scene each time.
QRectF TPlotLayer::boundingRect() const { return QRectF(-1e5, -1e5, 2e5, 2e5); }

void TPlotLayer::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
  const QRectF area = FChart->plotArea();
  if (area.isEmpty()) return;
  const double xMin = FTimeX ? FTimeX_->min() : FX->min();
  const double xMax = FTimeX ? FTimeX_->max() : FX->max();
  if (!(xMax > xMin)) return;
  const double sx = area.width() / (xMax - xMin);
  painter->save();
  painter->setClipRect(area);
  for (const TTrace& trace : Traces) {
    if (trace.Points.empty()) continue;
    const QValueAxis* yAxis = trace.Right ? FY2 : FY;
    if (!(yAxis->max() > yAxis->min())) continue;
    const double sy = area.height() / (yAxis->max() - yAxis->min());
    const double yMax = yAxis->max();
    auto map = [&](const QPointF& p) { return QPointF(area.left() + (p.x() - xMin) * sx, area.top() + (yMax - p.y()) * sy); };
    if (trace.Lines) {
      QPolygonF line;
      line.reserve(static_cast<qsizetype>(trace.Points.size()));
      for (const QPointF& p : trace.Points) line << map(p);
      painter->setPen(trace.Pen);
      painter->drawPolyline(line);
    }
    if (!trace.Marker.isNull()) {
      // Whole pixels take the fast copy; a marker on the pixel of the one before adds nothing.
      const QPoint half(trace.Marker.width() / 2, trace.Marker.height() / 2);
      const QRectF reach = area.adjusted(-half.x(), -half.y(), half.x(), half.y());
      QPoint last(INT_MIN, INT_MIN);
      for (const QPointF& p : trace.Points) {
        const QPointF at = map(p);
        if (!reach.contains(at)) continue;
        const QPoint pixel = at.toPoint();
        if (pixel == last) continue;
        last = pixel;
        painter->drawImage(pixel - half, trace.Marker);
      }
    }
  }
  painter->restore();
}
