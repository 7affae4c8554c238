#include "analysis/leastsquares.h"

#include <cmath>
#include <memory>
#include <stdexcept>

#include <gsl/gsl_errno.h>
#include <gsl/gsl_matrix.h>
#include <gsl/gsl_multifit.h>
#include <gsl/gsl_vector.h>

namespace {

struct TMatrixFree {
  void operator()(gsl_matrix* m) const { gsl_matrix_free(m); }
};
struct TVectorFree {
  void operator()(gsl_vector* v) const { gsl_vector_free(v); }
};
struct TWorkFree {
  void operator()(gsl_multifit_linear_workspace* w) const { gsl_multifit_linear_free(w); }
};
using TMatrix = std::unique_ptr<gsl_matrix, TMatrixFree>;
using TVector = std::unique_ptr<gsl_vector, TVectorFree>;
using TWork = std::unique_ptr<gsl_multifit_linear_workspace, TWorkFree>;

// The library's default handler aborts the program; a refused fit is reported, not fatal.
struct TQuietErrors {
  gsl_error_handler_t* Old = gsl_set_error_handler_off();
  ~TQuietErrors() { gsl_set_error_handler(Old); }
};

}  // namespace

TLeastSquaresResult TLeastSquares::Solve(const std::vector<std::vector<double>>& design, const std::vector<double>& y,
                                         bool intercept) {
  const std::size_t n = design.size();
  const std::size_t p = n ? design.front().size() : 0;
  if (p == 0 || y.size() != n) throw std::invalid_argument("no values to fit");
  if (n <= p) throw std::invalid_argument("too few points");
  for (std::size_t i = 0; i < n; ++i) {
    if (design[i].size() != p) throw std::invalid_argument("rows of different length");
    if (!std::isfinite(y[i])) throw std::invalid_argument("a value is not a number");
    for (double v : design[i])
      if (!std::isfinite(v)) throw std::invalid_argument("a value is not a number");
  }
  const TQuietErrors quiet;
  TMatrix x(gsl_matrix_alloc(n, p)), cov(gsl_matrix_alloc(p, p));
  TVector yv(gsl_vector_alloc(n)), c(gsl_vector_alloc(p));
  TWork work(gsl_multifit_linear_alloc(n, p));
  if (!x || !cov || !yv || !c || !work) throw std::runtime_error("out of memory");
  for (std::size_t i = 0; i < n; ++i) {
    gsl_vector_set(yv.get(), i, y[i]);
    for (std::size_t j = 0; j < p; ++j) gsl_matrix_set(x.get(), i, j, design[i][j]);
  }
  double chisq = 0;
  if (gsl_multifit_linear(x.get(), yv.get(), c.get(), cov.get(), &chisq, work.get()) != GSL_SUCCESS)
    throw std::runtime_error("the least-squares solver failed");

  TLeastSquaresResult r;
  r.DegreesOfFreedom = n - p;
  r.ResidualSumOfSquares = chisq;
  r.ResidualSD = std::sqrt(chisq / static_cast<double>(r.DegreesOfFreedom));
  for (std::size_t j = 0; j < p; ++j) {
    r.Params.push_back(gsl_vector_get(c.get(), j));
    // The library's covariance is already s² (X'X)^-1.
    r.StdErrors.push_back(std::sqrt(gsl_matrix_get(cov.get(), j, j)));
  }
  // Total sum of squares about the mean (about zero for a line forced through the origin), summed
  // around the mean so large offsets do not swamp it.
  double mean = 0;
  if (intercept) {
    for (double v : y) mean += v;
    mean /= static_cast<double>(n);
  }
  double total = 0;
  for (double v : y) total += (v - mean) * (v - mean);
  r.RSquared = total > 0 ? 1 - chisq / total : 1;
  return r;
}
