#pragma once
// A curve fitted to the points of one series: the model's parameters with their standard errors,
// R² and the residual standard deviation. Exponential and power curves are fitted as straight
// lines through ln y (and ln x), the usual linearised form: their R², residual SD and the standard
// errors of ln a and b belong to that form, and a's standard error is carried over to the first
// order (a times that of ln a).

#include <stdexcept>
#include <vector>

#include <QString>
#include <QStringList>

#include "analysis/fitmodel.h"

// Why a fit cannot be made, in words for the user.
class EFitError : public std::runtime_error {
 public:
  explicit EFitError(const QString& message) : std::runtime_error(message.toStdString()) {}
  QString Message() const { return QString::fromStdString(what()); }
};

struct TFitResult {
  TFitModel Model;
  QStringList Names;  // "a", "b" or "a0".."aN"
  std::vector<double> Params, StdErrors;
  double RSquared = 0, ResidualSD = 0;
  int Points = 0;
  bool LogY = false;  // R² and residual SD are those of ln y

  // The fitted curve's y at x (NaN where the model has none, such as ln of x <= 0).
  double Evaluate(double x) const;
  // "y = 1.2346 + 0.56789 x" with `digits` significant digits.
  QString Equation(int digits = 5) const;
  // One line each: every parameter with its standard error, R², the residual SD and the points, at
  // full precision (the shortest text that reads back as the same number).
  QStringList Lines() const;
};

class TCurveFit {
 public:
  // Fits `model` to the points (x[i], y[i]); throws EFitError saying why when it cannot (too few
  // points or x values, a logarithm of x or y that is not above 0, a value that is not a number).
  static TFitResult Fit(const TFitModel& model, const std::vector<double>& x, const std::vector<double>& y);
};
