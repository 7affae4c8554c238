#include "results/graphfit.h"

#include <algorithm>

void TGraphFit::Refit(const std::vector<QPointF>& points, double xUnit, const QString& label, const QColor& colour,
                      bool right) {
  FLabel = label;
  FColour = colour;
  FRight = right;
  FXUnit = xUnit;
  std::vector<double> x, y;
  x.reserve(points.size());
  y.reserve(points.size());
  for (const QPointF& p : points) {
    x.push_back(p.x() / xUnit);
    y.push_back(p.y());
  }
  if (!x.empty()) {
    const auto [lo, hi] = std::minmax_element(x.begin(), x.end());
    FXMin = *lo;
    FXMax = *hi;
  }
  try {
    FResult = TCurveFit::Fit(FModel, x, y);
    FError.clear();
  } catch (const EFitError& e) {
    FResult.reset();
    FError = e.Message();
  }
}

void TGraphFit::Lose(const QString& why) {
  FResult.reset();
  FError = why;
}

QStringList TGraphFit::BoxLines() const {
  if (!FResult) return {FLabel + QStringLiteral(": ") + FError};
  const TFitResult& r = *FResult;
  QStringList errors;
  for (std::size_t i = 0; i < r.Params.size(); ++i)
    errors << QStringLiteral("%1 = %2 \u00b1 %3")
                  .arg(r.Names[static_cast<qsizetype>(i)], QString::number(r.Params[i], 'g', 5), QString::number(r.StdErrors[i], 'g', 2));
  const QString of = r.LogY ? QStringLiteral(" (ln y)") : QString();
  return {FLabel + QStringLiteral(": ") + r.Equation(5),
          QStringLiteral("R\u00b2 = %1%3, residual SD = %2%3").arg(QString::number(r.RSquared, 'g', 6), QString::number(r.ResidualSD, 'g', 4), of),
          errors.join(QStringLiteral(", "))};
}

QString TGraphFit::PanelText() const {
  QString text = FLabel + QStringLiteral(" (") + FModel.Name() + QStringLiteral(")\n");
  if (!FResult) return text + FError + QLatin1Char('\n');
  text += FResult->Equation(15) + QLatin1Char('\n');
  for (const QString& line : FResult->Lines()) text += line + QLatin1Char('\n');
  return text;
}
