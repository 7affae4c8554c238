#pragma once
// The graph of the results: columns of the table plotted against one chosen X column, one series per
// run and plotted column, on a left and an optional right axis. It holds no data of its own: every
// point is read back from the table and every label comes from the table's column titles. Between
// full rebuilds each sample only appends its points.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include <QPointF>

#include <QColor>
#include <QImage>
#include <QSize>
#include <QFont>
#include <QMargins>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include "results/graphfit.h"
#include "results/iresultsgraph.h"

class QChart;
class QChartView;
class QCategoryAxis;
class QPrinter;
class QTimer;
class QValueAxis;
class QXYSeries;
class TTableForm;
class TGraphFormat;
class TPlotLayer;
class TResultsPrinter;
class TFitPanel;
class QPainter;
class IResultsHost;

// Per-series choices of the format dialog, in the order of the shown series.
struct TSeriesStyle {
  QColor LineColour, PointColour;
  std::uint32_t PointSize = 5;
  Qt::PenStyle LineStyle = Qt::SolidLine;
  int PointShape = 1;
};

// One run's column as the graph shows it.
struct TSeries_Line {
  std::uint32_t sheet_number = 0;
  std::int32_t column = 0;
  // A capture run's own time column in seconds, plotted in place of the graph's X choice; 0 none.
  std::int32_t x_column = 0;
  QString name;          // column title, double blanks collapsed
  QString short_name;    // sheet name, " ", title up to its first "(" or "["
  QString Column_Label;  // sheet name, " ", name
  bool excluded = true;
  bool Show_points = true;
  bool Show_Lines = false;
  bool Second_Y_axis = false;
  bool Default_Plot = false;
  Qt::PenStyle LineStyle = Qt::SolidLine;
  QColor LineColour, PointColour;
  std::uint32_t PointSize = 5;
  int PointShape = 1;  // 0 square, 1 circle, 2 diamond, 3 cross
  double scalingXaxis = 1.0;
  double scalingYaxis = 1.0;

  TSeriesStyle Style() const { return {LineColour, PointColour, PointSize, LineStyle, PointShape}; }
  void SetStyle(const TSeriesStyle& style) {
    LineColour = style.LineColour;
    PointColour = style.PointColour;
    PointSize = style.PointSize;
    LineStyle = style.LineStyle;
    PointShape = style.PointShape;
  }
};

struct TGraphAxis {
  bool AutoScale = true;
  double ScaleMax = 0, ScaleMin = 0, major = 0, minor = 0;
  QString format;
  bool AutoFormat = true;  // format follows the axis (clock or number labels)
  bool edit_is_allowed = true;
};

// The user's format choices, applied again after every rebuild. Empty texts stand for the titles
// the graph makes from the column titles.
struct TGraphLook {
  QString Title;
  QFont TitleFont, AxisTitleFont, LabelFont, LegendFont;
  bool FontsSet = false;  // the chart's own fonts until the format dialog first applies
  QColor Background = Qt::white;
  QMargins Margins{25, 15, 25, 25};
  bool ShowTicks = true, ShowLabels = true, ShowGrid = true;
  std::array<QString, 3> AxisTitles;  // X, Y, Y2
  int TimeX = -1;  // -1: from the X title; 0 numbers; 1 clock labels
  bool LegendVisible = true, LegendAuto = true;
  bool LegendResize = true;  // automatic placement makes room for the legend; off, it floats over the plot
  int LegendLeft = 0, LegendTop = 0;
};

class TGraphForm : public QWidget, public IResultsGraph {
  Q_OBJECT
 public:
  // Reads from `table` and keeps its row counts; registers itself with it.
  explicit TGraphForm(TTableForm* table, QWidget* parent = nullptr);
  ~TGraphForm() override;

  void SetHost(IResultsHost* host) { FHost = host; }

  void Initialise();
  void ClearData();
  // A sample was appended to the last run.
  void DataHasChanged(int n);
  void DrawGraph() override;
  void ScopeInvokeDrawGraph(int run, int columnOne, double xFactor, int columnTwo) override;
  void RescaleAxis(double yFactor, double xFactor);
  void RefreshSeries(const std::vector<TSeriesStyle>& styles = {});
  // The configuration dialog (modal); OK rebuilds the graph with its choices.
  void LaunchConfigBox();
  // The format dialog on page 0..4 (plot, axes, axis scales, series, legend).
  void Format(int page);
  TGraphFormat& FormatDialog();
  // The configuration dialog's choices after OK, on the graph's copy of the series list.
  void AcceptConfig(class TGraphConfig& dialog, const std::vector<TSeries_Line>& edited);
  // The look again, after the format dialog changed it.
  void ApplyLook();
  void FitLegend();
  void SetPlotTitles();
  void ScaleXAxis();
  void PrintForm();
  void PrintChart(QPrinter& printer);
  void EditCopy();  // the chart's image to the clipboard
  // The graph painted into a `size` rectangle, laid out for that size (vectors where the painter
  // keeps them).
  void PaintPicture(QPainter& painter, const QSize& size);
  QImage Picture(const QSize& size);
  // File > Export Graph...: asks for a file and a size, then writes it.
  void ExportGraph();
  bool ExportGraphTo(const QString& path, const QSize& size, int dpi, QString* error);

  // Fits: one per series, found by run and column; fitted again as the series changes.
  // Fits series `index` of SeriesList with `model`, in place of a fit it had. Returns the fit.
  const TGraphFit& AddFit(std::size_t index, const TFitModel& model);
  void RemoveFits();
  // Brought up to the newest samples first: while recording, fits follow the samples at a pace.
  const std::vector<TGraphFit>& Fits();
  // Each refit reads every point of its series: new samples refit at once, then at most every
  // this many milliseconds while they keep coming.
  static constexpr int FitPaceMs = 250;
  // Graph > Fit...: the series and the curve through the prompt service, then the fit; a fit that
  // cannot be made says why.
  void FitDialog();
  // Every fit at full precision, as the panel shows and copies it.
  QString FitsText() const;
  TFitPanel& FitPanel();
  void ShowFitPanel();
  void FormActivate();
  TResultsPrinter& Printing() { return *FPrinting; }

  // IResultsGraph: MaxRow by run.
  int RunRows(int run) const override;
  void SetRunRows(int run, int rows) override;

  // What the chart shows, for the configuration dialogs and for tests.
  QChart* Chart() const { return FChart; }
  const TPlotLayer& PlotLayer() const { return *FLayer; }
  QString XTitle() const;
  // Spreadsheet number formats ("0.00", "#,##0.###", "0.0E+00") as the chart's axis labels take them.
  static bool IsNumberFormat(const QString& format);
  static bool IsTimeFormat(const QString& format);
  static QString LabelFormatOf(const QString& format);
  bool TimeOnXAxis() const { return FTimeX; }
  // The clock axis's tick labels, left to right (empty when X shows numbers).
  QStringList ClockLabels() const;
  // The points of the i-th chart series, in the order they were added.
  std::vector<QPointF> ShownPoints(int index) const;

  std::vector<TSeries_Line> SeriesList;
  std::vector<TSeries_Line> XAxisList;
  int XAxisChoice = 0;
  std::array<int, MaxRuns + 1> MaxRow{};  // index = run, 1..20
  bool PlotPoints = true;
  bool PlotLines = false;
  int ColourIndex = 0;
  bool First = true;
  bool Configuring = false;
  bool SortDataByX = false;
  double FScalingXfactor = 1.0;
  double FScalingYfactor = 1.0;
  QString FXScaleFactorText;
  TGraphAxis XAxis, YAxis, Y2Axis;
  TGraphLook Look;

 private:
  struct TShown {
    std::size_t Index;  // into SeriesList
    QXYSeries* Series;
    double Fx, Fy;
    int Plotted = 0;  // rows of the run already read
  };
  struct TRange {
    double Min = 0, Max = 0;
    bool Any = false;
    void Add(double v);
  };

  void BuildXAxisList();
  void AddRunSeries(int run);
  void PlotAll();
  void AppendLastPoints();
  void AppendRows(TShown& shown, int upTo, std::vector<QPointF>& out);
  // Clock labels on X: the user's choice, else a title with "time" in it.
  bool WantsTimeX() const;
  void ScaleAxes(bool rebuild);
  void ApplyRanges(bool rebuild);
  double Cell(int run, int row, int column) const;
  static void FixedScale(QValueAxis* axis, const TGraphAxis& description);
  void LabelClock();
  void RefitAll();
  void RefitAtPace();
  void ContextMenu(const QPoint& at);

 public:
  // The range an axis shows now (0 X, 1 Y, 2 Y2); X in day numbers when it shows clock labels.
  double AxisValue(int axis, bool max) const;

 private:
  // The colour and marker of run `run`'s `j`-th plotted column.
  static void StyleFor(TSeries_Line& s, int run, int j);
  QString ColumnTitle(int column) const;

  QPointer<TTableForm> FTable;
  IResultsHost* FHost = nullptr;
  QChart* FChart;
  QChartView* FView;
  QValueAxis* FAxisX;
  QCategoryAxis* FTimeAxisX;  // clock labels, X in day numbers as milliseconds
  QString FClockFormat;
  int FClockDivisions = 6;
  void FitTicks();
  int ClockDivisions() const;
  QValueAxis* FAxisY;
  QValueAxis* FAxisY2;
  bool FTimeX = false;
  std::vector<TShown> FShown;
  TRange FRangeX, FRangeY, FRangeY2;
  std::unique_ptr<TResultsPrinter> FPrinting;
  TGraphFormat* FFormat = nullptr;  // child, made on first use
  TPlotLayer* FLayer;  // owned by the chart
  std::vector<TGraphFit> FFits;
  bool FFitsBehind = false;  // samples arrived since the last refit
  QTimer* FFitPace;
  TFitPanel* FFitPanel = nullptr;  // child, made on first use
};
