#pragma once
// Linear least squares on a design matrix, by the GNU Scientific Library's SVD solver (with column
// balancing, so badly scaled columns such as x^4 of large x keep their digits). The curve fits and
// anything else that needs a regression go through here rather than solving normal equations.

#include <cstddef>
#include <vector>

struct TLeastSquaresResult {
  std::vector<double> Params;     // one per design column
  std::vector<double> StdErrors;
  double RSquared = 0;            // about the mean with an intercept, about zero without one
  double ResidualSD = 0;          // sqrt(residual sum of squares / degrees of freedom)
  double ResidualSumOfSquares = 0;
  std::size_t DegreesOfFreedom = 0;
};

class TLeastSquares {
 public:
  // `design` holds one row per observation, each with the same number of columns (a leading column
  // of ones when the model has an intercept: say so in `intercept`, it decides the R² form).
  // Throws std::invalid_argument when there are no more observations than columns, when rows differ
  // in length or a value is not finite, and std::runtime_error when the library refuses.
  static TLeastSquaresResult Solve(const std::vector<std::vector<double>>& design, const std::vector<double>& y,
                                   bool intercept);
};
