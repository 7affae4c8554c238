// The least-squares solver against the NIST Statistical Reference Datasets for linear regression
// (NIST/ITL StRD, https://www.itl.nist.gov/div898/strd/lls/lls.shtml; public domain): Norris,
// Pontius, NoInt1, NoInt2 and Longley. Each certified parameter, standard error, residual standard
// deviation and R² must agree to at least 9 significant digits.

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "analysis/curvefit.h"
#include "analysis/leastsquares.h"

namespace {

// Agreement to `digits` significant digits: the log relative error at least `digits`.
::testing::AssertionResult Agrees(double got, double certified, int digits = 9) {
  const double error = std::fabs(got - certified) / std::fabs(certified);
  if (error <= 0.5 * std::pow(10.0, -digits)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << got << " against certified " << certified << " (relative error " << error << ")";
}

struct TCertified {
  std::vector<double> Params, StdErrors;
  double ResidualSD, RSquared;
};

void ExpectCertified(const TLeastSquaresResult& r, const TCertified& c) {
  ASSERT_EQ(r.Params.size(), c.Params.size());
  for (std::size_t i = 0; i < c.Params.size(); ++i) {
    EXPECT_TRUE(Agrees(r.Params[i], c.Params[i])) << "parameter " << i;
    EXPECT_TRUE(Agrees(r.StdErrors[i], c.StdErrors[i])) << "standard error " << i;
  }
  EXPECT_TRUE(Agrees(r.ResidualSD, c.ResidualSD)) << "residual SD";
  EXPECT_TRUE(Agrees(r.RSquared, c.RSquared)) << "R squared";
}

// Design rows 1, x, ..., x^order (no leading 1 when `origin`).
std::vector<std::vector<double>> Powers(const std::vector<double>& x, int order, bool origin = false) {
  std::vector<std::vector<double>> rows;
  for (double v : x) {
    std::vector<double> row;
    for (int k = origin ? 1 : 0; k <= order; ++k) row.push_back(std::pow(v, k));
    rows.push_back(row);
  }
  return rows;
}

// Norris (calibration of ozone monitors): y, x.
const double kNorris[][2] = {
    {0.1, 0.2},     {338.8, 337.4}, {118.1, 118.2}, {888.0, 884.6}, {9.2, 10.1},    {228.1, 226.5},
    {668.5, 666.3}, {998.5, 996.3}, {449.1, 448.6}, {778.9, 777.0}, {559.2, 558.2}, {0.3, 0.4},
    {0.1, 0.6},     {778.1, 775.5}, {668.8, 666.9}, {339.3, 338.0}, {448.9, 447.5}, {10.8, 11.6},
    {557.7, 556.0}, {228.3, 228.1}, {998.0, 995.8}, {888.8, 887.6}, {119.6, 120.2}, {0.3, 0.3},
    {0.6, 0.3},     {557.6, 556.8}, {339.3, 339.1}, {888.0, 887.2}, {998.5, 999.0}, {778.9, 779.0},
    {10.2, 11.1},   {117.6, 118.3}, {228.9, 229.2}, {668.4, 669.1}, {449.2, 448.9}, {0.2, 0.5}};

// Pontius (load cell calibration): deflection y, load x.
const double kPontius[][2] = {
    {.11019, 150000},   {.21956, 300000},   {.32949, 450000},   {.43899, 600000},   {.54803, 750000},
    {.65694, 900000},   {.76562, 1050000},  {.87487, 1200000},  {.98292, 1350000},  {1.09146, 1500000},
    {1.20001, 1650000}, {1.30822, 1800000}, {1.41599, 1950000}, {1.52399, 2100000}, {1.63194, 2250000},
    {1.73947, 2400000}, {1.84646, 2550000}, {1.95392, 2700000}, {2.06128, 2850000}, {2.16844, 3000000},
    {.11052, 150000},   {.22018, 300000},   {.32939, 450000},   {.43886, 600000},   {.54798, 750000},
    {.65739, 900000},   {.76596, 1050000},  {.87474, 1200000},  {.98300, 1350000},  {1.09150, 1500000},
    {1.20004, 1650000}, {1.30818, 1800000}, {1.41613, 1950000}, {1.52408, 2100000}, {1.63159, 2250000},
    {1.73965, 2400000}, {1.84696, 2550000}, {1.95445, 2700000}, {2.06177, 2850000}, {2.16829, 3000000}};

// Longley: y (total employment), then x1..x6.
const double kLongley[][7] = {
    {60323, 83.0, 234289, 2356, 1590, 107608, 1947},  {61122, 88.5, 259426, 2325, 1456, 108632, 1948},
    {60171, 88.2, 258054, 3682, 1616, 109773, 1949},  {61187, 89.5, 284599, 3351, 1650, 110929, 1950},
    {63221, 96.2, 328975, 2099, 3099, 112075, 1951},  {63639, 98.1, 346999, 1932, 3594, 113270, 1952},
    {64989, 99.0, 365385, 1870, 3547, 115094, 1953},  {63761, 100.0, 363112, 3578, 3350, 116219, 1954},
    {66019, 101.2, 397469, 2904, 3048, 117388, 1955}, {67857, 104.6, 419180, 2822, 2857, 118734, 1956},
    {68169, 108.4, 442769, 2936, 2798, 120445, 1957}, {66513, 110.8, 444546, 4681, 2637, 121950, 1958},
    {68655, 112.6, 482704, 3813, 2552, 123366, 1959}, {69564, 114.2, 502601, 3931, 2514, 125368, 1960},
    {69331, 115.7, 518173, 4806, 2572, 127852, 1961}, {70551, 116.9, 554894, 4007, 2827, 130081, 1962}};

template <std::size_t N>
void Split(const double (&data)[N][2], std::vector<double>& x, std::vector<double>& y) {
  for (const auto& row : data) {
    y.push_back(row[0]);
    x.push_back(row[1]);
  }
}

}  // namespace

TEST(NistLinearRegression, NorrisStraightLine) {
  std::vector<double> x, y;
  Split(kNorris, x, y);
  ExpectCertified(TLeastSquares::Solve(Powers(x, 1), y, true),
                  {{-0.262323073774029, 1.00211681802045}, {0.232818234301152, 0.429796848199937E-03}, 0.884796396144373,
                   0.999993745883712});
  // The curve fit of the graph reaches the same numbers through its own design.
  const TFitResult line = TCurveFit::Fit(*TFitModel::Parse(QStringLiteral("linear")), x, y);
  EXPECT_TRUE(Agrees(line.Params[0], -0.262323073774029));
  EXPECT_TRUE(Agrees(line.StdErrors[1], 0.429796848199937E-03));
  EXPECT_TRUE(Agrees(line.RSquared, 0.999993745883712));
}

TEST(NistLinearRegression, PontiusQuadraticOfLargeX) {
  std::vector<double> x, y;
  Split(kPontius, x, y);
  const TCertified certified{{0.673565789473684E-03, 0.732059160401003E-06, -0.316081871345029E-14},
                             {0.107938612033077E-03, 0.157817399981659E-09, 0.486652849992036E-16},
                             0.205177424076185E-03,
                             0.999999900178537};
  ExpectCertified(TLeastSquares::Solve(Powers(x, 2), y, true), certified);
  const TFitResult quadratic = TCurveFit::Fit(*TFitModel::Parse(QStringLiteral("poly2")), x, y);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_TRUE(Agrees(quadratic.Params[i], certified.Params[i])) << i;
    EXPECT_TRUE(Agrees(quadratic.StdErrors[i], certified.StdErrors[i])) << i;
  }
  EXPECT_TRUE(Agrees(quadratic.ResidualSD, certified.ResidualSD));
}

TEST(NistLinearRegression, NoInterceptLinesTakeRSquaredAboutZero) {
  std::vector<double> x1, y1;
  for (int i = 0; i <= 10; ++i) {
    x1.push_back(60 + i);
    y1.push_back(130 + i);
  }
  ExpectCertified(TLeastSquares::Solve(Powers(x1, 1, true), y1, false),
                  {{2.07438016528926}, {0.165289256198347E-01}, 3.56753034006338, 0.999365492298663});
  const std::vector<double> x2{4, 5, 6}, y2{3, 4, 4};
  ExpectCertified(TLeastSquares::Solve(Powers(x2, 1, true), y2, false),
                  {{0.727272727272727}, {0.420827318078432E-01}, 0.369274472937998, 0.993348115299335});
  const TFitResult origin = TCurveFit::Fit(*TFitModel::Parse(QStringLiteral("origin")), x2, y2);
  EXPECT_TRUE(Agrees(origin.Params[0], 0.727272727272727));
  EXPECT_TRUE(Agrees(origin.RSquared, 0.993348115299335));
}

TEST(NistLinearRegression, LongleySixCollinearPredictors) {
  std::vector<std::vector<double>> design;
  std::vector<double> y;
  for (const auto& row : kLongley) {
    y.push_back(row[0]);
    design.push_back({1, row[1], row[2], row[3], row[4], row[5], row[6]});
  }
  ExpectCertified(TLeastSquares::Solve(design, y, true),
                  {{-3482258.63459582, 15.0618722713733, -0.358191792925910E-01, -2.02022980381683, -1.03322686717359,
                    -0.511041056535807E-01, 1829.15146461355},
                   {890420.383607373, 84.9149257747669, 0.334910077722432E-01, 0.488399681651699, 0.214274163161675,
                    0.226073200069370, 455.478499142212},
                   304.854073561965,
                   0.995479004577296});
}

TEST(LeastSquares, RefusesWhatItCannotSolve) {
  EXPECT_THROW(TLeastSquares::Solve({{1, 1}, {1, 2}}, {1, 2}, true), std::invalid_argument);  // no degree of freedom
  EXPECT_THROW(TLeastSquares::Solve({{1, 1}, {1}, {1, 3}}, {1, 2, 3}, true), std::invalid_argument);
  EXPECT_THROW(TLeastSquares::Solve({{1, 1}, {1, NAN}, {1, 3}}, {1, 2, 3}, true), std::invalid_argument);
  EXPECT_THROW(TLeastSquares::Solve({{1, 1}, {1, 2}, {1, 3}}, {1, 2}, true), std::invalid_argument);
}
