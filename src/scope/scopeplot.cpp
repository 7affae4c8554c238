#include "scope/scopeplot.h"

#include <algorithm>
#include <cmath>

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "scope/scopecursors.h"

namespace {
constexpr int kGrab = 6;  // pixels either side of a cursor that pick it up
constexpr int kSnap = 8;  // a level within this many pixels of a sample takes its value

// About five round steps (1, 2 or 5 times a power of ten) over `span`.
double Step(double span) {
  if (!(span > 0)) return 1;
  const double raw = span / 5, p = std::pow(10.0, std::floor(std::log10(raw)));
  const double m = raw / p;
  return (m < 1.5 ? 1 : m < 3.5 ? 2 : m < 7.5 ? 5 : 10) * p;
}
}  // namespace

TScopePlot::TScopePlot(QWidget* parent) : QWidget(parent) {
  setMouseTracking(false);
  setMinimumSize(320, 200);
  setBackgroundRole(QPalette::Base);
  setAutoFillBackground(true);
}

void TScopePlot::SetSeries(std::vector<TSeries> series, const QString& xTitle, const QString& yTitle) {
  FSeries = std::move(series);
  FXTitle = xTitle;
  FYTitle = yTitle;
  double x0 = 0, x1 = 0, y0 = 0, y1 = 0;
  bool any = false;
  for (const TSeries& s : FSeries)
    for (const QPointF& p : s.Points) {
      if (!std::isfinite(p.x()) || !std::isfinite(p.y())) continue;
      if (!any) x0 = x1 = p.x(), y0 = y1 = p.y();
      x0 = std::min(x0, p.x()), x1 = std::max(x1, p.x()), y0 = std::min(y0, p.y()), y1 = std::max(y1, p.y());
      any = true;
    }
  if (x1 <= x0) x1 = x0 + 1;
  const double pad = (y1 - y0) * 0.05;
  if (y1 <= y0) y0 -= 1, y1 += 1;
  else y0 -= pad, y1 += pad;
  FRange = QRectF(x0, y0, x1 - x0, y1 - y0);
  update();
}

void TScopePlot::SetCursors(TScopeCursors* cursors) {
  FCursors = cursors;
  update();
}

void TScopePlot::SetMarker(QPointF point, bool on) {
  FMarker = point;
  FMarked = on;
  update();
}

QRectF TScopePlot::PlotArea() const { return QRectF(64, 12, std::max(10, width() - 80), std::max(10, height() - 52)); }

QPointF TScopePlot::ToPixel(QPointF d) const {
  const QRectF a = PlotArea();
  return {a.left() + (d.x() - FRange.left()) / FRange.width() * a.width(),
          a.bottom() - (d.y() - FRange.top()) / FRange.height() * a.height()};
}

QPointF TScopePlot::ToData(QPointF p) const {
  const QRectF a = PlotArea();
  return {FRange.left() + (p.x() - a.left()) / a.width() * FRange.width(),
          FRange.top() + (a.bottom() - p.y()) / a.height() * FRange.height()};
}

void TScopePlot::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing, true);
  const QRectF a = PlotArea();
  const QColor grid = palette().color(QPalette::Mid);
  const QColor text = palette().color(QPalette::Text);
  p.setPen(QPen(grid, 0, Qt::DotLine));
  const QFontMetrics fm(font());
  // Grid and tick labels.
  const double xs = Step(FRange.width()), ys = Step(FRange.height());
  for (double x = std::ceil(FRange.left() / xs) * xs; x <= FRange.right() + xs * 1e-9; x += xs) {
    const double px = ToPixel({x, 0}).x();
    p.setPen(QPen(grid, 0, Qt::DotLine));
    p.drawLine(QPointF(px, a.top()), QPointF(px, a.bottom()));
    p.setPen(text);
    const QString label = QString::number(std::fabs(x) < xs * 1e-6 ? 0 : x, 'g', 4);
    p.drawText(QRectF(px - 40, a.bottom() + 2, 80, fm.height()), Qt::AlignHCenter, label);
  }
  for (double y = std::ceil(FRange.top() / ys) * ys; y <= FRange.bottom() + ys * 1e-9; y += ys) {
    const double py = ToPixel({0, y}).y();
    p.setPen(QPen(grid, 0, Qt::DotLine));
    p.drawLine(QPointF(a.left(), py), QPointF(a.right(), py));
    p.setPen(text);
    const QString label = QString::number(std::fabs(y) < ys * 1e-6 ? 0 : y, 'g', 4);
    p.drawText(QRectF(0, py - fm.height() / 2.0, a.left() - 4, fm.height()), Qt::AlignRight | Qt::AlignVCenter, label);
  }
  p.setPen(text);
  p.drawRect(a);
  p.drawText(QRectF(a.left(), a.bottom() + fm.height() + 4, a.width(), fm.height()), Qt::AlignHCenter, FXTitle);
  p.save();
  p.translate(12, a.center().y());
  p.rotate(-90);
  p.drawText(QRectF(-a.height() / 2, -fm.height() / 2.0, a.height(), fm.height()), Qt::AlignHCenter, FYTitle);
  p.restore();

  // The lines, clipped to the plot, and their names in the corner.
  p.save();
  p.setClipRect(a);
  int legend = 0;
  for (const TSeries& s : FSeries) {
    QPainterPath path;
    bool first = true;
    for (const QPointF& d : s.Points) {
      if (!std::isfinite(d.y())) continue;
      const QPointF px = ToPixel(d);
      if (first) path.moveTo(px);
      else path.lineTo(px);
      first = false;
    }
    p.setPen(QPen(s.Colour, 1.2));
    p.drawPath(path);
  }
  // The names on a box of their own, over the lines.
  for (const TSeries& s : FSeries) {
    const QRectF box(a.right() - 10 - fm.horizontalAdvance(s.Name), a.top() + 4 + fm.height() * legend++,
                     fm.horizontalAdvance(s.Name) + 6, fm.height());
    p.fillRect(box, palette().color(QPalette::Base));
    p.setPen(s.Colour);
    p.drawText(box, Qt::AlignCenter, s.Name);
  }
  if (FMarked) {
    const QPointF m = ToPixel(FMarker);
    p.setPen(QPen(Qt::red, 1.5));
    p.drawEllipse(m, 5, 5);
  }
  if (FCursors && FCursors->Count() > 0) {
    const QColor colours[2] = {QColor(0, 150, 0), QColor(200, 120, 0)};
    for (int k = 0; k < 2; ++k) {
      p.setPen(QPen(colours[k], 1, Qt::DashLine));
      const double x = ToPixel({FCursors->Time(k), 0}).x();
      p.drawLine(QPointF(x, a.top()), QPointF(x, a.bottom()));
      p.drawText(QPointF(x + 3, a.bottom() - 4), QStringLiteral("t%1").arg(k + 1));
      const double y = ToPixel({0, FCursors->Level(k)}).y();
      p.setPen(QPen(colours[k], 1, Qt::DashDotLine));
      p.drawLine(QPointF(a.left(), y), QPointF(a.right(), y));
      p.drawText(QPointF(a.left() + 3, y - 3), QStringLiteral("V%1").arg(k + 1));
    }
  }
  p.restore();
}

void TScopePlot::mousePressEvent(QMouseEvent* event) {
  FDragging = -1;
  if (!FCursors || FCursors->Count() == 0 || event->button() != Qt::LeftButton) return;
  const QPointF at = event->position();
  double best = kGrab + 1;
  for (int k = 0; k < 2; ++k) {
    const double dx = std::fabs(ToPixel({FCursors->Time(k), 0}).x() - at.x());
    if (dx < best) best = dx, FDragging = k;
    const double dy = std::fabs(ToPixel({0, FCursors->Level(k)}).y() - at.y());
    if (dy < best) best = dy, FDragging = 2 + k;
  }
  if (FDragging >= 0) Drag(at);
}

void TScopePlot::mouseMoveEvent(QMouseEvent* event) {
  if (FDragging >= 0) Drag(event->position());
}

void TScopePlot::mouseReleaseEvent(QMouseEvent* event) {
  if (FDragging >= 0) Drag(event->position());
  FDragging = -1;
}

void TScopePlot::Drag(QPointF pixel) {
  const QPointF d = ToData(pixel);
  if (FDragging < 2) {
    FCursors->MoveTime(FDragging, d.x());
  } else {
    // A level snaps to the value of the nearest sample of any trace when the pointer is on it.
    double level = d.y();
    double best = kSnap;
    const double interval = FCursors->Interval();
    for (const TSeries& s : FSeries) {
      if (s.Points.empty() || !(interval > 0)) continue;
      const double k = std::round((d.x() - s.Points.front().x()) / interval);
      if (k < 0 || k >= double(s.Points.size())) continue;
      const QPointF sample = s.Points[static_cast<std::size_t>(k)];
      const double dy = std::fabs(ToPixel(sample).y() - pixel.y());
      if (dy < best) best = dy, level = sample.y();
    }
    FCursors->MoveLevel(FDragging - 2, level);
  }
  update();
  emit CursorsMoved();
}
