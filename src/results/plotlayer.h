#pragma once
// The points and lines of the graph, painted straight into the chart's plot area. The chart's own
// series stay empty and give the legend and the axes; keeping thousands of points in them makes
// the chart rebuild each series' outline on every appended point and draw each marker through a
// scaled image, which is far too slow for twenty long runs.

#include <cstdint>
#include <vector>

#include <QFont>
#include <QGraphicsItem>
#include <QImage>
#include <QPainter>
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
  // Traces may only grow at their ends between paints unless this is called: the window keeps the
  // points it has drawn and adds only the new ones while the axes and the plot area stay put.
  void TracesRebuilt() { ++FGeneration; }
  std::vector<TTrace> Traces;
  std::vector<TLegendEntry> Legend;  // drawn only while LegendShown
  bool LegendShown = false;
  QFont LegendFont;
  // The graph's fits: each curve over its series' span, and their numbers in a box at the plot's
  // top left. Owned by the graph.
  const std::vector<TGraphFit>* Fits = nullptr;
  // Where the box was last painted, in chart coordinates (empty without fits).
  QRectF FitBoxRect() const { return FFitBox; }
  // Points drawn into the window's kept picture by the last paint, over all traces: the new points
  // only while recording, every point after the axes moved (for tests and benchmarks).
  std::size_t PointsLastDrawn() const { return FPointsLastDrawn; }

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

  // How far a trace has been drawn, and what it looked like then: a trace that no longer starts
  // and continues with the same points, or changed its look, is drawn again from scratch.
  struct TDrawn {
    std::size_t Count = 0;
    QPointF First, Last;
    bool Lines = false, Right = false;
    QPen Pen;
    qint64 Marker = 0;
    std::vector<bool> Marked;  // pixels holding a marker of this trace
  };
  // What the kept picture was drawn for.
  struct TView {
    QRectF Area;
    bool TimeX = false;
    double XMin = 0, XMax = 0, YMin = 0, YMax = 0, Y2Min = 0, Y2Max = 0;
    qreal Ratio = 1;
    QPainter::RenderHints Hints;
    bool operator==(const TView&) const = default;
  };
  TView ViewNow(const QRectF& area, QPainter* painter) const;
  bool KeptPictureFits(const TView& view) const;
  // Draws each trace's points from its Drawn count on, clipped to `area`.
  void DrawTraces(QPainter& painter, const QRectF& area, std::vector<TDrawn>& drawn);
  void DrawTrace(QPainter& painter, const QRectF& area, const TTrace& trace, TDrawn& drawn);
  QImage FKept;  // the traces as drawn so far, over the plot area (whole pixels around it)
  QPointF FKeptAt;
  TView FKeptView;
  std::vector<TDrawn> FDrawn;
  std::uint64_t FGeneration = 0, FKeptGeneration = 0;
  bool FKeptValid = false;
  std::size_t FPointsLastDrawn = 0;
};
