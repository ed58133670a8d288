// The logistic-regression procedure: one logit fit per item on trait, group and their product.
#include "driver/logistic_procedure.hpp"

#include <array>
#include <limits>
#include <memory>

#include "glm/ctglm.hpp"
#include "textio/errors.hpp"

namespace itemdif::driver {

namespace {

constexpr std::int32_t kColumns = 4;       // trait, group, trait x group, response
constexpr std::int32_t kCoefficients = 4;  // intercept and the three effects
constexpr std::int32_t kCaseColumns = 5;
constexpr float kReferenceCode = 0.5F;
constexpr float kFocalCode = -0.5F;

}  // namespace

// The fit's own tables; only the coefficient table and the log-likelihood are read.
struct LogisticProcedure::Fitter {
  std::vector<std::int32_t> observation_flags;
  std::vector<float> case_statistics;
  std::array<float, kCoefficients * kCoefficients> coefficient_table{};
  std::array<float, kCoefficients * kCoefficients> covariance{};
  std::array<float, kCoefficients> regressor_means{};
  std::array<float, kCoefficients> last_update{};
};

LogisticProcedure::LogisticProcedure(const RunData& run, const std::vector<std::size_t>& purged)
    : run_(run) {
  const std::size_t n_reference = count_of(run.n_reference);
  const std::size_t n_focal = count_of(run.n_focal);
  rows_ = n_reference + n_focal;
  // The fit counts its rows in a 32-bit integer: a design of more rows cannot be handed over.
  if (rows_ > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
    throw textio::IoError(41, 0, {});
  const auto n_observations = static_cast<std::int64_t>(rows_);

  fitter_ = std::make_unique<Fitter>();
  create_list(fitter_->observation_flags, n_observations);
  create_list(fitter_->case_statistics, n_observations * kCaseColumns);
  create_list(design_, n_observations * kColumns);

  matching_ = match_without(run, purged, true);
  create_list(purged_, run.n_items, char{0});
  for (std::size_t j : purged) purged_[j] = 1;

  float* group = design_.data() + rows_;
  for (std::size_t i = 0; i < n_reference; ++i) group[i] = kReferenceCode;
  for (std::size_t i = 0; i < n_focal; ++i) group[n_reference + i] = kFocalCode;
}

LogisticProcedure::~LogisticProcedure() = default;

ItemFit LogisticProcedure::fit(std::size_t j) {
  float* trait = design_.data();
  const float* group = trait + rows_;
  float* product = trait + 2 * rows_;
  float* response = trait + 3 * rows_;
  // A purged item is matched on the purified total with its own score added back; every
  // other item's total still holds its own score.
  const bool purged = purged_[j] != 0;
  std::size_t row = 0;
  for (Group g : {kReference, kFocal}) {
    const Table<double>& responses = run_.responses(g);
    const std::vector<double>& total = matching_.total(g);
    for (std::size_t i = 0; i < total.size(); ++i, ++row) {
      trait[row] = static_cast<float>(purged ? total[i] + responses(i, j) : total[i]);
      response[row] = static_cast<float>(responses(i, j));
    }
  }
  for (std::size_t i = 0; i < rows_; ++i) product[i] = trait[i] * group[i];

  // Every argument of the fit is stored afresh for each item.
  Fitter& f = *fitter_;
  glm::CtglmArguments arguments = glm::three_effect_logit(
      static_cast<std::int32_t>(rows_), design_.data(),
      {.ESTTAB = f.coefficient_table.data(),
       .COVEST = f.covariance.data(),
       .REGMEAN = f.regressor_means.data(),
       .CASESTAT = f.case_statistics.data(),
       .LASTUPD = f.last_update.data(),
       .OBSCODE = f.observation_flags.data()});
  glm::CTGLM(arguments);

  ItemFit fit;
  for (std::size_t c = 0; c < kCoefficients; ++c) {
    auto entry = [&](std::size_t column) { return f.coefficient_table[c + column * kCoefficients]; };
    fit.coefficients[c] = {entry(0), entry(1), entry(2), entry(3)};
  }
  fit.log_likelihood = arguments.LOGLIK;
  return fit;
}

}  // namespace itemdif::driver
