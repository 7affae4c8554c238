#include "analysis/curvefit.h"

#include <cmath>
#include <set>

#include "analysis/leastsquares.h"
#include "platform/numbers.h"

namespace {

QString Number(double v, int digits) { return QString::number(v, 'g', digits); }

// "+ 2.5 x" or "- 2.5 x" after the first term.
QString Term(double v, const QString& unit, int digits, bool first) {
  QString sign;
  if (!first) sign = v < 0 ? QStringLiteral(" - ") : QStringLiteral(" + ");
  else if (v < 0) sign = QStringLiteral("-");
  return sign + Number(std::fabs(v), digits) + unit;
}

}  // namespace

double TFitResult::Evaluate(double x) const {
  switch (Model.Kind) {
    case TFitKind::Linear: return Params[0] + Params[1] * x;
    case TFitKind::Polynomial: {
      double y = 0;
      for (auto i = Params.size(); i-- > 0;) y = y * x + Params[i];
      return y;
    }
    case TFitKind::Exponential: return Params[0] * std::exp(Params[1] * x);
    case TFitKind::Power: return x > 0 ? Params[0] * std::pow(x, Params[1]) : std::nan("");
    case TFitKind::Logarithmic: return x > 0 ? Params[0] + Params[1] * std::log(x) : std::nan("");
    case TFitKind::Origin: return Params[0] * x;
  }
  return std::nan("");
}

QString TFitResult::Equation(int digits) const {
  if (Params.empty()) return {};
  switch (Model.Kind) {
    case TFitKind::Linear:
      return QStringLiteral("y = ") + Term(Params[0], {}, digits, true) + Term(Params[1], QStringLiteral(" x"), digits, false);
    case TFitKind::Polynomial: {
      QString text = QStringLiteral("y = ") + Term(Params[0], {}, digits, true);
      for (std::size_t i = 1; i < Params.size(); ++i)
        text += Term(Params[i], i == 1 ? QStringLiteral(" x") : QStringLiteral(" x^%1").arg(i), digits, false);
      return text;
    }
    case TFitKind::Exponential:
      return QStringLiteral("y = %1 e^(%2 x)").arg(Number(Params[0], digits), Number(Params[1], digits));
    case TFitKind::Power: return QStringLiteral("y = %1 x^%2").arg(Number(Params[0], digits), Number(Params[1], digits));
    case TFitKind::Logarithmic:
      return QStringLiteral("y = ") + Term(Params[0], {}, digits, true) + Term(Params[1], QStringLiteral(" ln x"), digits, false);
    case TFitKind::Origin: return QStringLiteral("y = ") + Term(Params[0], QStringLiteral(" x"), digits, true);
  }
  return {};
}

QStringList TFitResult::Lines() const {
  QStringList lines;
  for (std::size_t i = 0; i < Params.size(); ++i)
    lines << QStringLiteral("%1 = %2 +/- %3")
                 .arg(Names[static_cast<qsizetype>(i)], numbers::FloatToShortest(Params[i]), numbers::FloatToShortest(StdErrors[i]));
  const QString of = LogY ? QStringLiteral(" (of ln y)") : QString();
  lines << QStringLiteral("R2 = %1%2").arg(numbers::FloatToShortest(RSquared), of);
  lines << QStringLiteral("residual SD = %1%2").arg(numbers::FloatToShortest(ResidualSD), of);
  lines << QStringLiteral("points = %1").arg(Points);
  return lines;
}

TFitResult TCurveFit::Fit(const TFitModel& model, const std::vector<double>& x, const std::vector<double>& y) {
  if (x.size() != y.size()) throw EFitError(QStringLiteral("The series has as many x values as y values."));
  const int parameters = model.ParameterCount();
  const int n = static_cast<int>(x.size());
  const QString caption = model.Caption().section(QStringLiteral("  "), 0, 0).toLower();
  // A standard error needs one point more than the model has parameters.
  if (n < parameters + 1)
    throw EFitError(QStringLiteral("A %1 fit needs at least %2 points; the series has %3.").arg(caption).arg(parameters + 1).arg(n));
  for (int i = 0; i < n; ++i)
    if (!std::isfinite(x[i]) || !std::isfinite(y[i])) throw EFitError(QStringLiteral("Point %1 of the series is not a number.").arg(i + 1));
  const bool logX = model.Kind == TFitKind::Power || model.Kind == TFitKind::Logarithmic;
  const bool logY = model.Kind == TFitKind::Power || model.Kind == TFitKind::Exponential;
  for (int i = 0; i < n; ++i) {
    if (logX && !(x[i] > 0))
      throw EFitError(QStringLiteral("A %1 fit takes the logarithm of x, and x = %2 (point %3) is not above 0.")
                          .arg(caption, numbers::FloatToStr(x[i])).arg(i + 1));
    if (logY && !(y[i] > 0))
      throw EFitError(QStringLiteral("A %1 fit takes the logarithm of y, and y = %2 (point %3) is not above 0.")
                          .arg(caption, numbers::FloatToStr(y[i])).arg(i + 1));
  }
  // A curve with k parameters in x needs k different x values, else it is not determined.
  const std::set<double> distinct(x.begin(), x.end());
  const int needX = model.Kind == TFitKind::Origin ? 1 : parameters;
  if (static_cast<int>(distinct.size()) < needX || (model.Kind == TFitKind::Origin && distinct.size() == 1 && *distinct.begin() == 0))
    throw EFitError(QStringLiteral("A %1 fit needs at least %2 different x values; the series has %3.")
                        .arg(caption).arg(needX).arg(distinct.size()));

  std::vector<std::vector<double>> design(static_cast<std::size_t>(n));
  std::vector<double> response(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    const double u = logX ? std::log(x[i]) : x[i];
    auto& row = design[static_cast<std::size_t>(i)];
    if (model.Kind == TFitKind::Origin) {
      row = {u};
    } else {
      const int powers = model.Kind == TFitKind::Polynomial ? model.Order : 1;
      double term = 1;
      for (int k = 0; k <= powers; ++k, term *= u) row.push_back(term);
    }
    response[static_cast<std::size_t>(i)] = logY ? std::log(y[i]) : y[i];
  }
  TLeastSquaresResult solved;
  try {
    solved = TLeastSquares::Solve(design, response, model.Kind != TFitKind::Origin);
  } catch (const std::exception& e) {
    throw EFitError(QStringLiteral("The fit could not be made: %1.").arg(QString::fromUtf8(e.what())));
  }
  TFitResult r;
  r.Model = model;
  r.Params = solved.Params;
  r.StdErrors = solved.StdErrors;
  r.RSquared = solved.RSquared;
  r.ResidualSD = solved.ResidualSD;
  r.Points = n;
  r.LogY = logY;
  if (logY) {
    // a = e^(ln a); its standard error to the first order.
    r.Params[0] = std::exp(solved.Params[0]);
    r.StdErrors[0] = r.Params[0] * solved.StdErrors[0];
  }
  if (model.Kind == TFitKind::Polynomial) {
    for (int k = 0; k <= model.Order; ++k) r.Names << QStringLiteral("a%1").arg(k);
  } else if (model.Kind == TFitKind::Origin) {
    r.Names << QStringLiteral("b");
  } else {
    r.Names << QStringLiteral("a") << QStringLiteral("b");
  }
  return r;
}
