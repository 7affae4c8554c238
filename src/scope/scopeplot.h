#pragma once
// A plain painted plot for the oscilloscope's analysis: lines over labelled axes (a trace against
// time, a spectrum against frequency, one channel against the other), optional cursors dragged with
// the mouse, and a marker. Painted by hand rather than charted so a drag is one line moved.

#include <vector>

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QWidget>

class TScopeCursors;

class TScopePlot : public QWidget {
  Q_OBJECT
 public:
  struct TSeries {
    QString Name;
    QColor Colour;
    std::vector<QPointF> Points;  // in data units, x ascending for a trace or a spectrum
  };

  explicit TScopePlot(QWidget* parent = nullptr);

  void SetSeries(std::vector<TSeries> series, const QString& xTitle, const QString& yTitle);
  const std::vector<TSeries>& Series() const { return FSeries; }
  // Cursors drawn and dragged on this plot (not owned; null: none).
  void SetCursors(TScopeCursors* cursors);
  // A marked point (the spectrum's peak); hidden when `on` is false.
  void SetMarker(QPointF point, bool on);

  // The data range shown and its mapping to the widget.
  QRectF DataRange() const { return FRange; }
  QRectF PlotArea() const;
  QPointF ToPixel(QPointF data) const;
  QPointF ToData(QPointF pixel) const;

 signals:
  void CursorsMoved();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  QSize sizeHint() const override { return {640, 360}; }

 private:
  void Drag(QPointF pixel);

  std::vector<TSeries> FSeries;
  QString FXTitle, FYTitle;
  QRectF FRange{0, -1, 1, 2};
  TScopeCursors* FCursors = nullptr;
  QPointF FMarker;
  bool FMarked = false;
  int FDragging = -1;  // 0, 1 time cursors; 2, 3 level cursors
};
