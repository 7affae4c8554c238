#pragma once
// A curve fitted to one series of the graph, found by run and column so it follows the series
// through rebuilds, a new run and changes of look. It is fitted again whenever its points change;
// a fit that cannot be made keeps the reason to show in its place.

#include <cstdint>
#include <optional>
#include <vector>

#include <QColor>
#include <QPointF>
#include <QString>
#include <QStringList>

#include "analysis/curvefit.h"

class TGraphFit {
 public:
  TGraphFit(std::uint32_t run, std::int32_t column, const TFitModel& model) : FRun(run), FColumn(column), FModel(model) {}

  std::uint32_t Run() const { return FRun; }
  std::int32_t Column() const { return FColumn; }
  const TFitModel& Model() const { return FModel; }
  const std::optional<TFitResult>& Result() const { return FResult; }
  const QString& Error() const { return FError; }

  // Fits the series' points as the graph holds them; `xUnit` axis units make one unit of the
  // fit's x (1000 on a clock axis, whose values are milliseconds: the fit takes seconds).
  void Refit(const std::vector<QPointF>& points, double xUnit, const QString& label, const QColor& colour, bool right);
  // The series has left the graph (its run was deleted or it is not plotted).
  void Lose(const QString& why);

  QString Label() const { return FLabel; }
  QColor Colour() const { return FColour; }
  bool Right() const { return FRight; }
  double XUnit() const { return FXUnit; }
  double XMin() const { return FXMin; }
  double XMax() const { return FXMax; }
  // The box's few lines: label and equation, R² with the residual SD, the standard errors.
  QStringList BoxLines() const;
  // The panel's text: a heading, the equation and every number at full precision.
  QString PanelText() const;

 private:
  std::uint32_t FRun;
  std::int32_t FColumn;
  TFitModel FModel;
  std::optional<TFitResult> FResult;
  QString FError, FLabel;
  QColor FColour;
  bool FRight = false;
  double FXUnit = 1, FXMin = 0, FXMax = 0;
};
