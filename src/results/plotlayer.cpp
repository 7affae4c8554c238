#include "results/plotlayer.h"

#include <algorithm>
#include <cmath>

#include <QChart>
#include <QLegend>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QFontMetricsF>
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
      // A long run puts many points on one pixel column: their line is drawn through the first,
      // lowest, highest and last of them, which covers the same pixels, so painting costs the
      // width of the plot rather than the length of the run.
      QPolygonF line;
      line.reserve(static_cast<qsizetype>(std::min<std::size_t>(trace.Points.size(), 4 * static_cast<std::size_t>(area.width() + 2))));
      auto add = [&line](const QPointF& p) {
        if (line.isEmpty() || line.constLast() != p) line << p;
      };
      double column = -1;
      QPointF first, low, high, last;
      auto flush = [&] {
        add(first);
        if (low.y() != first.y() || high.y() != first.y()) {
          add(low);
          add(high);
        }
        add(last);
      };
      bool open = false;
      for (const QPointF& p : trace.Points) {
        const QPointF at = map(p);
        const double c = std::floor(at.x());
        if (open && c == column) {
          if (at.y() < low.y()) low = at;
          if (at.y() > high.y()) high = at;
          last = at;
          continue;
        }
        if (open) flush();
        column = c;
        first = low = high = last = at;
        open = true;
      }
      if (open) flush();
      painter->setPen(trace.Pen);
      painter->drawPolyline(line);
    }
    if (!trace.Marker.isNull()) {
      // Whole pixels take the fast copy; a marker on a pixel that already has one adds nothing,
      // so a long run costs at most one marker per pixel of the plot, not one per sample.
      const QPoint half(trace.Marker.width() / 2, trace.Marker.height() / 2);
      const QRectF reach = area.adjusted(-half.x(), -half.y(), half.x(), half.y());
      const QRect cells = reach.toAlignedRect().adjusted(-1, -1, 1, 1);
      std::vector<bool> marked(static_cast<std::size_t>(cells.width()) * static_cast<std::size_t>(cells.height()));
      for (const QPointF& p : trace.Points) {
        const QPointF at = map(p);
        if (!reach.contains(at)) continue;
        const QPoint pixel = at.toPoint();
        if (!cells.contains(pixel)) continue;
        const std::size_t cell = static_cast<std::size_t>(pixel.y() - cells.top()) * static_cast<std::size_t>(cells.width()) +
                                 static_cast<std::size_t>(pixel.x() - cells.left());
        if (marked[cell]) continue;
        marked[cell] = true;
        painter->drawImage(pixel - half, trace.Marker);
      }
    }
  }
  painter->restore();
  if (LegendShown) PaintLegend(painter);
}

namespace {
constexpr double kSwatch = 16, kGap = 4, kSpacing = 14, kRowGap = 2, kSide = 10;
}

std::vector<std::vector<std::size_t>> TPlotLayer::LegendRows(double width, std::vector<double>& widths) const {
  const QFontMetricsF metrics(LegendFont);
  std::vector<std::vector<std::size_t>> rows;
  double used = 0;
  widths.clear();
  for (std::size_t i = 0; i < Legend.size(); ++i) {
    const double w = std::min(kSwatch + kGap + metrics.horizontalAdvance(Legend[i].Text), std::max(width, kSwatch * 2));
    widths.push_back(w);
    if (rows.empty() || used + kSpacing + w > width) {
      rows.emplace_back();
      used = w;
    } else {
      used += kSpacing + w;
    }
    rows.back().push_back(i);
  }
  return rows;
}

double TPlotLayer::LegendHeight(double width) const {
  if (!LegendShown || Legend.empty()) return 0;
  std::vector<double> widths;
  const double line = QFontMetricsF(LegendFont).height() + kRowGap;
  return static_cast<double>(LegendRows(width - 2 * kSide, widths).size()) * line;
}

void TPlotLayer::PaintLegend(QPainter* painter) {
  const QRectF chart = FChart->rect();
  const double width = chart.width() - 2 * kSide;
  std::vector<double> widths;
  const auto rows = LegendRows(width, widths);
  const QFontMetricsF metrics(LegendFont);
  const double line = metrics.height() + kRowGap;
  double y = chart.bottom() - 6 - static_cast<double>(rows.size()) * line;
  painter->save();
  painter->setFont(LegendFont);
  for (const auto& row : rows) {
    double rowWidth = -kSpacing;
    for (std::size_t i : row) rowWidth += widths[i] + kSpacing;
    double x = chart.left() + kSide + std::max(0.0, (width - rowWidth) / 2);
    for (std::size_t i : row) {
      const TLegendEntry& e = Legend[i];
      const QRectF swatch(x, y + (line - kSwatch) / 2, kSwatch, kSwatch);
      if (!e.Marker.isNull()) {
        const QImage marker = e.Marker.width() > kSwatch - 4 ? e.Marker.scaled(int(kSwatch - 4), int(kSwatch - 4)) : e.Marker;
        painter->drawImage(swatch.center() - QPointF(marker.width() / 2.0, marker.height() / 2.0), marker);
      } else {
        painter->fillRect(QRectF(swatch.left(), swatch.center().y() - 1.5, kSwatch, 3), e.Colour);
      }
      painter->setPen(FChart->legend()->labelColor());
      const QRectF text(swatch.right() + kGap, y, widths[i] - kSwatch - kGap, line);
      painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                        metrics.elidedText(e.Text, Qt::ElideRight, text.width()));
      x += widths[i] + kSpacing;
    }
    y += line;
  }
  painter->restore();
}
