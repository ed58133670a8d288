// The logit fit of the logistic-regression procedure through CTGLM.
#include "glm/logit_fit.hpp"

#include <cstddef>
#include <stdexcept>

#include "glm/ctglm.hpp"

namespace itemdif::glm {

namespace {

constexpr std::size_t kColumns = 4;       // three regressors and the response
constexpr std::size_t kCoefficients = 4;  // the intercept and the three effects
constexpr std::size_t kCaseColumns = 5;

std::size_t rows_of(std::int32_t n_observations) {
  if (n_observations < 0) throw std::invalid_argument("LogitFitter: negative number of rows");
  return static_cast<std::size_t>(n_observations);
}

}  // namespace

LogitFitter::LogitFitter(std::int32_t n_observations, CaseStatistics cases)
    : n_(n_observations),
      observation_codes_(rows_of(n_observations)),
      with_cases_(cases == CaseStatistics::kComputed) {
  if (with_cases_) case_statistics_.resize(rows_of(n_observations) * kCaseColumns);
}

LogitFit LogitFitter::fit(std::span<const float> design) {
  if (design.size() != static_cast<std::size_t>(n_) * kColumns)
    throw std::invalid_argument("LogitFitter::fit: the design must hold 4 columns of n rows");

  // Every argument of the fit is stored afresh for each call; the tables are the fitter's.
  CtglmArguments arguments = three_effect_logit(n_, design.data(),
                                                {.ESTTAB = coefficient_table_.data(),
                                                 .COVEST = covariance_.data(),
                                                 .REGMEAN = regressor_means_.data(),
                                                 .CASESTAT = with_cases_ ? case_statistics_.data() : nullptr,
                                                 .LASTUPD = last_update_.data(),
                                                 .OBSCODE = observation_codes_.data()});
  CTGLM(arguments);

  LogitFit fit;
  for (std::size_t c = 0; c < kCoefficients; ++c) {
    auto entry = [&](std::size_t column) { return coefficient_table_[c + column * kCoefficients]; };
    fit.coefficients[c] = {entry(0), entry(1), entry(2), entry(3)};
  }
  fit.log_likelihood = arguments.LOGLIK;
  return fit;
}

}  // namespace itemdif::glm
