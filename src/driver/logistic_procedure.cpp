// The logistic-regression procedure: one logit fit per item on trait, group and their product.
#include "driver/logistic_procedure.hpp"

#include <array>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>

#include "textio/errors.hpp"

namespace itemdif::driver {

namespace {

constexpr std::int32_t kColumns = 4;       // trait, group, trait x group, response
constexpr std::int32_t kCaseColumns = 5;   // the fit's statistics of each observation
constexpr float kReferenceCode = 0.5F;
constexpr float kFocalCode = -0.5F;
// The procedure reads only the coefficients and the log-likelihood of a fit.
constexpr auto kCases = glm::LogitFitter::CaseStatistics::kLeftOut;

}  // namespace

LogisticProcedure::LogisticProcedure(const RunData& run, const std::vector<std::size_t>& purged)
    : run_(run) {
  const std::size_t n_reference = count_of(run.n_reference);
  const std::size_t n_focal = count_of(run.n_focal);
  rows_ = n_reference + n_focal;
  // The fit counts its rows in a 32-bit integer: a design of more rows cannot be handed over.
  if (rows_ > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
    throw textio::IoError(41, 0, {});
  const auto n_observations = static_cast<std::int64_t>(rows_);

  // The fit's own tables come first, then the design. Like every table of the run they are
  // refused as error 41 when the system cannot give them.
  checked_table_size(n_observations, 1, 1, sizeof(std::int32_t));  // observation codes
  // The case statistics, which the procedure does not ask for, are counted all the same: a
  // shortage of memory ends the run at this moment as it would with them.
  checked_table_size(n_observations, kCaseColumns, 1, sizeof(float));
  try {
    fitter_ = std::make_unique<glm::LogitFitter>(static_cast<std::int32_t>(rows_), kCases);
  } catch (const std::bad_alloc&) {
    throw textio::IoError(41, 0, {});
  } catch (const std::length_error&) {
    throw textio::IoError(41, 0, {});
  }
  create_list(design_, n_observations * kColumns);

  matching_ = std::make_shared<const Matching>(match_without(run, purged, true));
  create_list(purged_, run.n_items, char{0});
  for (std::size_t j : purged) purged_[j] = 1;
  set_group_codes();
}

LogisticProcedure::LogisticProcedure(const LogisticProcedure& shared, std::size_t rows)
    : run_(shared.run_),
      matching_(shared.matching_),
      purged_(shared.purged_),
      design_(rows * kColumns),
      rows_(rows),
      fitter_(std::make_unique<glm::LogitFitter>(static_cast<std::int32_t>(rows), kCases)) {
  set_group_codes();
}

std::unique_ptr<LogisticProcedure> LogisticProcedure::another() const {
  return std::unique_ptr<LogisticProcedure>(new LogisticProcedure(*this, rows_));
}

void LogisticProcedure::set_group_codes() {
  const std::size_t n_reference = count_of(run_.n_reference);
  float* group = design_.data() + rows_;
  for (std::size_t i = 0; i < rows_; ++i) group[i] = i < n_reference ? kReferenceCode : kFocalCode;
}

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
    const ScoreTable& responses = run_.responses(g);
    const std::vector<double>& total = matching_->total(g);
    for (std::size_t i = 0; i < total.size(); ++i, ++row) {
      trait[row] = static_cast<float>(purged ? total[i] + responses(i, j) : total[i]);
      response[row] = static_cast<float>(responses(i, j));
    }
  }
  for (std::size_t i = 0; i < rows_; ++i) product[i] = trait[i] * group[i];

  return fitter_->fit(design_);
}

}  // namespace itemdif::driver
