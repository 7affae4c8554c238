#include "results/plotlayer.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include <QChart>
#include <QLegend>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QFontMetricsF>
#include <QPainter>
#include <QPolygonF>
#include <QValueAxis>
#include <QWidget>

#include "results/graphfit.h"

TPlotLayer::TPlotLayer(QChart* chart, QValueAxis* x, QValueAxis* timeX, QValueAxis* y, QValueAxis* y2)
    : QGraphicsItem(chart), FChart(chart), FX(x), FTimeX_(timeX), FY(y), FY2(y2) {
  // Above the (empty) series, below nothing else that shares the plot area.
  setZValue(100);
}

// The plot area moves with every resize and relayout; a rectangle that always holds it saves
// telling the scene each time.
QRectF TPlotLayer::boundingRect() const { return QRectF(-1e5, -1e5, 2e5, 2e5); }

void TPlotLayer::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget* widget) {
  const QRectF area = FChart->plotArea();
  if (area.isEmpty()) return;
  const double xMin = FTimeX ? FTimeX_->min() : FX->min();
  const double xMax = FTimeX ? FTimeX_->max() : FX->max();
  if (!(xMax > xMin)) return;
  const double sx = area.width() / (xMax - xMin);
  FPointsLastDrawn = 0;
  // On screen the drawn points are kept as a picture and each paint adds only the points that
  // arrived since, so a repaint while recording costs the new samples, not the whole run. Pictures
  // for export and printing are drawn whole (a PDF or SVG keeps its vectors).
  const bool onScreen = widget && painter->device() == static_cast<QPaintDevice*>(widget) && painter->worldTransform().type() <= QTransform::TxTranslate;
  if (onScreen) {
    const TView view = ViewNow(area, painter);
    if (!KeptPictureFits(view)) {
      // Whole pixels: the markers are copied to whole pixels of the picture as they are on screen.
      FKeptAt = QPointF(std::floor(area.left()), std::floor(area.top()));
      const QSizeF size(std::ceil(area.right()) - FKeptAt.x(), std::ceil(area.bottom()) - FKeptAt.y());
      FKept = QImage((size * view.Ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
      FKept.setDevicePixelRatio(view.Ratio);
      FKept.fill(Qt::transparent);
      FDrawn.assign(Traces.size(), TDrawn{});
      FKeptView = view;
      FKeptGeneration = FGeneration;
      FKeptValid = true;
    }
    {
      QPainter kept(&FKept);
      kept.setRenderHints(painter->renderHints());
      kept.translate(-FKeptAt);
      DrawTraces(kept, area, FDrawn);
    }
    painter->drawImage(FKeptAt, FKept);
  } else {
    std::vector<TDrawn> drawn(Traces.size());
    DrawTraces(*painter, area, drawn);
  }
  painter->save();
  painter->setClipRect(area);
  PaintFits(painter, area, xMin, sx);
  painter->restore();
  if (LegendShown) PaintLegend(painter);
}

TPlotLayer::TView TPlotLayer::ViewNow(const QRectF& area, QPainter* painter) const {
  TView view;
  view.Area = area;
  view.TimeX = FTimeX;
  view.XMin = FTimeX ? FTimeX_->min() : FX->min();
  view.XMax = FTimeX ? FTimeX_->max() : FX->max();
  view.YMin = FY->min();
  view.YMax = FY->max();
  view.Y2Min = FY2->min();
  view.Y2Max = FY2->max();
  view.Ratio = painter->device()->devicePixelRatio();
  view.Hints = painter->renderHints();
  return view;
}

bool TPlotLayer::KeptPictureFits(const TView& view) const {
  if (!FKeptValid || FKeptGeneration != FGeneration || !(view == FKeptView) || FDrawn.size() != Traces.size()) return false;
  for (std::size_t i = 0; i < Traces.size(); ++i) {
    const TTrace& trace = Traces[i];
    const TDrawn& drawn = FDrawn[i];
    if (drawn.Lines != trace.Lines || drawn.Right != trace.Right || drawn.Pen != trace.Pen || drawn.Marker != trace.Marker.cacheKey())
      return false;
    if (drawn.Count > trace.Points.size()) return false;
    if (drawn.Count > 0 && (trace.Points.front() != drawn.First || trace.Points[drawn.Count - 1] != drawn.Last)) return false;
  }
  return true;
}

void TPlotLayer::DrawTraces(QPainter& painter, const QRectF& area, std::vector<TDrawn>& drawn) {
  painter.save();
  painter.setClipRect(area);
  for (std::size_t i = 0; i < Traces.size(); ++i) DrawTrace(painter, area, Traces[i], drawn[i]);
  painter.restore();
}

void TPlotLayer::DrawTrace(QPainter& painter, const QRectF& area, const TTrace& trace, TDrawn& drawn) {
  drawn.Lines = trace.Lines;
  drawn.Right = trace.Right;
  drawn.Pen = trace.Pen;
  drawn.Marker = trace.Marker.cacheKey();
  const std::vector<QPointF>& points = trace.Points;
  const std::size_t from = drawn.Count;
  if (from >= points.size()) return;
  const double xMin = FTimeX ? FTimeX_->min() : FX->min();
  const double xMax = FTimeX ? FTimeX_->max() : FX->max();
  const QValueAxis* yAxis = trace.Right ? FY2 : FY;
  if (!(yAxis->max() > yAxis->min())) return;
  const double sx = area.width() / (xMax - xMin);
  const double sy = area.height() / (yAxis->max() - yAxis->min());
  const double yMax = yAxis->max();
  auto map = [&](const QPointF& p) { return QPointF(area.left() + (p.x() - xMin) * sx, area.top() + (yMax - p.y()) * sy); };
  const auto newPoints = points.begin() + static_cast<std::ptrdiff_t>(from);
  if (trace.Lines) {
    // A long run puts many points on one pixel column: their line is drawn through the first,
    // lowest, highest and last of them, which covers the same pixels, so painting costs the
    // width of the plot rather than the length of the run. New points carry on from the last
    // point drawn.
    QPolygonF line;
    line.reserve(static_cast<qsizetype>(std::min<std::size_t>(points.size() - from + 1, 4 * static_cast<std::size_t>(area.width() + 2))));
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
    auto take = [&](const QPointF& p) {
      const QPointF at = map(p);
      const double c = std::floor(at.x());
      if (open && c == column) {
        if (at.y() < low.y()) low = at;
        if (at.y() > high.y()) high = at;
        last = at;
        return;
      }
      if (open) flush();
      column = c;
      first = low = high = last = at;
      open = true;
    };
    if (from > 0) take(points[from - 1]);
    for (auto p = newPoints; p != points.end(); ++p) take(*p);
    if (open) flush();
    painter.setPen(trace.Pen);
    painter.drawPolyline(line);
  }
  if (!trace.Marker.isNull()) {
    // Whole pixels take the fast copy; a marker on a pixel that already has one adds nothing,
    // so a long run costs at most one marker per pixel of the plot, not one per sample.
    const QPoint half(trace.Marker.width() / 2, trace.Marker.height() / 2);
    const QRectF reach = area.adjusted(-half.x(), -half.y(), half.x(), half.y());
    const QRect cells = reach.toAlignedRect().adjusted(-1, -1, 1, 1);
    const std::size_t size = static_cast<std::size_t>(cells.width()) * static_cast<std::size_t>(cells.height());
    if (drawn.Marked.size() != size) drawn.Marked.assign(size, false);
    for (auto p = newPoints; p != points.end(); ++p) {
      const QPointF at = map(*p);
      if (!reach.contains(at)) continue;
      const QPoint pixel = at.toPoint();
      if (!cells.contains(pixel)) continue;
      const std::size_t cell = static_cast<std::size_t>(pixel.y() - cells.top()) * static_cast<std::size_t>(cells.width()) +
                               static_cast<std::size_t>(pixel.x() - cells.left());
      if (drawn.Marked[cell]) continue;
      drawn.Marked[cell] = true;
      painter.drawImage(pixel - half, trace.Marker);
    }
  }
  FPointsLastDrawn += points.size() - from;
  drawn.Count = points.size();
  drawn.First = points.front();
  drawn.Last = points.back();
}

void TPlotLayer::PaintFits(QPainter* painter, const QRectF& area, double xMin, double sx) {
  FFitBox = QRectF();
  if (!Fits || Fits->empty()) return;
  QStringList lines;
  std::vector<QColor> colours;
  for (const TGraphFit& fit : *Fits) {
    for (const QString& line : fit.BoxLines()) {
      lines << line;
      colours.push_back(fit.Colour());
    }
    const auto& result = fit.Result();
    if (!result) continue;
    const QValueAxis* yAxis = fit.Right() ? FY2 : FY;
    if (!(yAxis->max() > yAxis->min())) continue;
    const double sy = area.height() / (yAxis->max() - yAxis->min());
    // Every other pixel across the series' span, broken where the curve has no value.
    const double from = std::max(area.left(), area.left() + (fit.XMin() * fit.XUnit() - xMin) * sx);
    const double to = std::min(area.right(), area.left() + (fit.XMax() * fit.XUnit() - xMin) * sx);
    QPen pen(fit.Colour(), 2, Qt::DashLine);
    painter->setPen(pen);
    QPolygonF run;
    auto flush = [&] {
      if (run.size() > 1) painter->drawPolyline(run);
      run.clear();
    };
    for (double px = from; px <= to + 0.5; px += 2) {
      const double x = (xMin + (std::min(px, to) - area.left()) / sx) / fit.XUnit();
      const double y = result->Evaluate(x);
      const double py = area.top() + (yAxis->max() - y) * sy;
      if (!std::isfinite(py) || std::fabs(py - area.center().y()) > 1e6) {
        flush();
        continue;
      }
      run << QPointF(std::min(px, to), py);
    }
    flush();
  }
  const QFontMetricsF metrics(LegendFont);
  double width = 0;
  for (const QString& line : lines) width = std::max(width, metrics.horizontalAdvance(line));
  const double line = metrics.height();
  FFitBox = QRectF(area.left() + 6, area.top() + 6, std::min(width + 12, area.width() - 12), line * lines.size() + 8);
  painter->setPen(QPen(Qt::darkGray));
  painter->setBrush(QColor(255, 255, 255, 225));
  painter->drawRect(FFitBox);
  painter->setFont(LegendFont);
  for (qsizetype i = 0; i < lines.size(); ++i) {
    painter->setPen(i == 0 || colours[std::size_t(i)] != colours[std::size_t(i - 1)] ? colours[std::size_t(i)] : QColor(Qt::black));
    const QRectF text(FFitBox.left() + 6, FFitBox.top() + 4 + line * i, FFitBox.width() - 12, line);
    painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter, metrics.elidedText(lines[i], Qt::ElideRight, text.width()));
  }
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
