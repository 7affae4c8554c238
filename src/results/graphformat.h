#pragma once
// "Format": how the graph looks. Five pages (plot, axes, axis scales, series, legend) that show the
// graph's current look when opened and write it back on OK or Apply. The look is kept by the graph
// and outlives every rebuild. A number or number format that cannot be read is refused with a
// message naming its box, and the setting it belongs to keeps its previous value.

#include <array>
#include <vector>

#include <QDialog>

#include "results/graphform.h"

class QCheckBox;
class QComboBox;
class TFontChooser;
class QLineEdit;
class QSpinBox;
class QTabWidget;

class TGraphFormat : public QDialog {
  Q_OBJECT
 public:
  enum TPage { PlotPage, AxesPage, ScalesPage, SeriesPage, LegendPage };

  explicit TGraphFormat(TGraphForm& graph, QWidget* parent = nullptr);

  // Every control takes the graph's current look; the dialog opens on `page`.
  void Load(int page);
  // The series chooser and the per-series styles, from the graph's shown series.
  void FillSeriesChoices();
  // Writes every readable field into the graph and redraws it; false when a field was refused.
  bool Apply();
  void SelectSeries(int index);  // 0 = "Select Series"

  // Styles of the shown series, in their order.
  std::vector<TSeriesStyle> Styles;
  bool BadInput = false;

  QTabWidget* Pages;
  // Plot
  QLineEdit* edTitle;
  TFontChooser* fcTitleFont;
  QComboBox* cbBackground;
  QSpinBox *spMarginTop, *spMarginLeft, *spMarginBottom, *spMarginRight;
  // Axes
  QCheckBox *chkTicks, *chkLabels, *chkGrid, *chkAutoFormat, *chkTime;
  QLineEdit *edXTitle, *edYTitle, *edY2Title;
  TFontChooser* fcAxisTitleFont;
  QLineEdit *edXFormat, *edYFormat, *edY2Format;
  TFontChooser* fcLabelFont;
  // Axis scales, X, primary Y, secondary Y
  std::array<QCheckBox*, 3> chkAutoScale;
  std::array<QLineEdit*, 3> edMin, edMax, edInterval;
  // Series
  QComboBox *cbSeries, *cbLineStyle, *cbLineColour, *cbPointColour, *cbPointStyle;
  QSpinBox* spPointSize;
  // Legend
  QCheckBox *chkShowLegend, *chkAutoLegend, *chkResizeChart;
  QSpinBox *spLegendLeft, *spLegendTop;
  TFontChooser* fcLegendFont;

 private:
  QWidget* BuildPlotPage();
  QWidget* BuildAxesPage();
  QWidget* BuildScalesPage();
  QWidget* BuildSeriesPage();
  QWidget* BuildLegendPage();
  void StoreSeriesControls();
  void UpdateEnabled();
  bool ReadScale(int axis, TGraphAxis& target);
  void Refuse(QLineEdit* box, const QString& text);

  TGraphForm& FGraph;
  int FSelected = -1;  // index into Styles
  bool FLoading = false;
};
