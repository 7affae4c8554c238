// The curve models: each recovers the law its points were made from, draws the curve it reports,
// and refuses the points it cannot fit with a reason.

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "analysis/curvefit.h"

namespace {

TFitModel Model(const char* name) { return *TFitModel::Parse(QString::fromLatin1(name)); }

std::vector<double> Map(const std::vector<double>& x, double (*f)(double)) {
  std::vector<double> y;
  for (double v : x) y.push_back(f(v));
  return y;
}

const std::vector<double> kX{0.5, 1, 1.5, 2.5, 3, 4.2, 5, 6.5};

}  // namespace

TEST(FitModel, NamesReadBackAndOthersAreRefused) {
  for (const QString& name : TFitModel::Names()) {
    const auto model = TFitModel::Parse(name);
    ASSERT_TRUE(model) << name.toStdString();
    EXPECT_EQ(model->Name(), name);
  }
  EXPECT_EQ(TFitModel::Names().size(), 9);
  EXPECT_EQ(TFitModel::Parse(QStringLiteral("POLY3"))->Order, 3);
  EXPECT_EQ(TFitModel::Parse(QStringLiteral("exponential"))->Kind, TFitKind::Exponential);
  for (const char* bad : {"poly1", "poly6", "poly", "quadratic", "", "poly33"})
    EXPECT_FALSE(TFitModel::Parse(QString::fromLatin1(bad))) << bad;
}

TEST(CurveFit, EachModelRecoversItsOwnLaw) {
  struct TCase {
    const char* Model;
    double (*Law)(double);
    std::vector<double> Params;
  };
  const TCase cases[] = {
      {"linear", [](double x) { return 2.5 - 0.75 * x; }, {2.5, -0.75}},
      {"poly2", [](double x) { return 1 + 2 * x - 0.5 * x * x; }, {1, 2, -0.5}},
      {"poly3", [](double x) { return -3 + 0.5 * x * x * x; }, {-3, 0, 0, 0.5}},
      {"poly5", [](double x) { return 1 + x - 0.1 * std::pow(x, 4) + 0.01 * std::pow(x, 5); }, {1, 1, 0, 0, -0.1, 0.01}},
      {"exp", [](double x) { return 1.7 * std::exp(0.42 * x); }, {1.7, 0.42}},
      {"power", [](double x) { return 2.2 * std::pow(x, 1.35); }, {2.2, 1.35}},
      {"log", [](double x) { return 3 + 0.8 * std::log(x); }, {3, 0.8}},
      {"origin", [](double x) { return 4.25 * x; }, {4.25}},
  };
  for (const TCase& c : cases) {
    const TFitResult r = TCurveFit::Fit(Model(c.Model), kX, Map(kX, c.Law));
    ASSERT_EQ(r.Params.size(), c.Params.size()) << c.Model;
    for (std::size_t i = 0; i < c.Params.size(); ++i) EXPECT_NEAR(r.Params[i], c.Params[i], 1e-8) << c.Model << " " << i;
    EXPECT_NEAR(r.RSquared, 1, 1e-10) << c.Model;
    EXPECT_NEAR(r.ResidualSD, 0, 1e-7) << c.Model;
    // The drawn curve passes through the points it was fitted to.
    for (double x : {0.7, 3.3}) EXPECT_NEAR(r.Evaluate(x), c.Law(x), 1e-7) << c.Model;
    EXPECT_EQ(r.Names.size(), static_cast<qsizetype>(c.Params.size()));
  }
}

TEST(CurveFit, ScatterGivesStandardErrorsAndTextAtFullPrecision) {
  const std::vector<double> x{1, 2, 3, 4, 5}, y{2.1, 3.9, 6.2, 7.8, 10.1};
  const TFitResult r = TCurveFit::Fit(Model("linear"), x, y);
  // By hand: slope 1.99, intercept 0.05, residual sum of squares 0.107.
  EXPECT_NEAR(r.Params[1], 1.99, 1e-12);
  EXPECT_NEAR(r.Params[0], 0.05, 1e-12);
  EXPECT_NEAR(r.ResidualSD, std::sqrt(0.107 / 3), 1e-12);
  EXPECT_NEAR(r.StdErrors[1], std::sqrt(0.107 / 3 / 10), 1e-12);
  EXPECT_EQ(r.Equation(4), QStringLiteral("y = 0.05 + 1.99 x"));
  const QStringList lines = r.Lines();
  ASSERT_EQ(lines.size(), 5);
  ASSERT_TRUE(lines[1].startsWith(QStringLiteral("b = ")));
  // Full precision: the printed slope and standard error read back as the same doubles.
  EXPECT_EQ(lines[1].mid(4).section(QLatin1Char(' '), 0, 0).toDouble(), r.Params[1]);
  const double se = lines[1].section(QStringLiteral("+/- "), 1).toDouble();
  EXPECT_EQ(se, r.StdErrors[1]);
  EXPECT_EQ(lines[4], QStringLiteral("points = 5"));
  // A negative coefficient reads as a subtraction, and ln-y fits say so.
  const TFitResult down = TCurveFit::Fit(Model("poly2"), x, {5, 3, 2, 2.5, 4});
  EXPECT_TRUE(down.Equation().contains(QStringLiteral(" - "))) << down.Equation().toStdString();
  EXPECT_TRUE(TCurveFit::Fit(Model("exp"), x, y).Lines()[2].endsWith(QStringLiteral("(of ln y)")));
}

TEST(CurveFit, RefusesWithAReason) {
  auto reason = [](const char* model, const std::vector<double>& x, const std::vector<double>& y) {
    try {
      TCurveFit::Fit(Model(model), x, y);
    } catch (const EFitError& e) {
      return e.Message();
    }
    return QString();
  };
  EXPECT_EQ(reason("linear", {1, 2}, {1, 2}), QStringLiteral("A linear fit needs at least 3 points; the series has 2."));
  EXPECT_EQ(reason("poly3", {1, 2, 3, 4}, {1, 2, 3, 4}),
            QStringLiteral("A polynomial, order 3 fit needs at least 5 points; the series has 4."));
  EXPECT_EQ(reason("log", {1, -2, 3}, {1, 2, 3}),
            QStringLiteral("A logarithmic fit takes the logarithm of x, and x = -2 (point 2) is not above 0."));
  EXPECT_EQ(reason("power", {1, 2, 3}, {1, 0, 3}),
            QStringLiteral("A power fit takes the logarithm of y, and y = 0 (point 2) is not above 0."));
  EXPECT_TRUE(reason("exp", {1, 2, 3}, {1, -2, 3}).contains(QStringLiteral("logarithm of y")));
  EXPECT_EQ(reason("linear", {2, 2, 2, 2}, {1, 2, 3, 4}),
            QStringLiteral("A linear fit needs at least 2 different x values; the series has 1."));
  EXPECT_FALSE(reason("origin", {0, 0, 0}, {1, 2, 3}).isEmpty());
  EXPECT_TRUE(reason("linear", {1, 2, NAN}, {1, 2, 3}).contains(QStringLiteral("not a number")));
  EXPECT_TRUE(reason("linear", {1, 2, 3}, {1, 2}).contains(QStringLiteral("as many")));
}
