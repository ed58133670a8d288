// The logistic-regression procedure: one logit fit per item on trait, group and their product.
#include "driver/logistic_procedure.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "driver/group_data.hpp"
#include "driver/passes.hpp"
#include "driver/run_data.hpp"
#include "glm/ctglm.hpp"
#include "textio/errors.hpp"
#include "textio/layout.hpp"
#include "textio/writer.hpp"

namespace itemdif::driver {

namespace {

using textio::Layout;

constexpr std::int32_t kColumns = 4;       // trait, group, trait x group, response
constexpr std::int32_t kCoefficients = 4;  // intercept and the three effects
constexpr std::int32_t kCaseColumns = 5;
constexpr float kReferenceCode = 0.5F;
constexpr float kFocalCode = -0.5F;

const Layout& console_heading_layout() {
  static const Layout layout = Layout::compile("(/,/,'              COMPUTING LOGISTIC REGRESSIONS')");
  return layout;
}
const Layout& procedure_heading_layout() {
  static const Layout layout = Layout::compile(
      "(/,/,' Logistic Regression Procedure.  Note: Items purged from previous step',/)");
  return layout;
}
const Layout& item_heading_layout() {
  static const Layout layout = Layout::compile(
      "(/,/,'Item Number:',I3,7X,'Estimate',4X,'SE Estimate',7X,'Z',9X,'p-value')");
  return layout;
}
const Layout& progress_layout() {
  static const Layout layout = Layout::compile("('               ANALYZING ITEM: ',I3)");
  return layout;
}
const Layout& coefficient_layout() {
  static const Layout layout = Layout::compile("(A20,4(F10.6,3X))");
  return layout;
}

std::string padded_name(const char* name) {
  std::string text(name);
  text.resize(20, ' ');
  return text;
}

}  // namespace

void logistic_procedure(RunData& run, textio::OutputChannel& report) {
  textio::write(textio::console_output(), console_heading_layout(),
                std::span<const textio::Value>{});

  const std::size_t n_items = count_of(run.n_items);
  const std::size_t n_reference = count_of(run.n_reference);
  const std::size_t n_focal = count_of(run.n_focal);
  const std::size_t rows = n_reference + n_focal;
  // The fit counts its rows in a 32-bit integer: a design of more rows cannot be handed over.
  if (rows > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
    throw textio::IoError(41, 0, {});
  const std::int32_t n_observations = static_cast<std::int32_t>(rows);

  const std::array<std::string, kCoefficients> coefficient_name = {
      padded_name("Intercept"), padded_name("Trait"), padded_name("Group"),
      padded_name("Trait x Group")};
  std::vector<std::int32_t> observation_flags;
  std::vector<float> case_statistics;
  std::vector<float> design;
  create_list(observation_flags, n_observations);
  create_list(case_statistics, std::int64_t{n_observations} * kCaseColumns);
  create_list(design, std::int64_t{n_observations} * kColumns);
  auto cell = [&](std::size_t i, std::size_t c) -> float& { return design[i + c * rows]; };

  // The totals as pass 1 lowered them are of no use here: they are formed anew and lowered by
  // the items coded C in pass 2.
  form_totals(run);
  run.purged_count = 0;
  for (std::size_t j = 0; j < n_items; ++j) {
    if (run.ets_code[j] != 'C') continue;
    ++run.purged_count;
    remove_from_totals(run, j);
  }
  write_purge_list(run, report, 2);

  for (std::size_t i = 0; i < n_reference; ++i) cell(i, 1) = kReferenceCode;
  for (std::size_t i = 0; i < n_focal; ++i) cell(n_reference + i, 1) = kFocalCode;

  textio::write(report, procedure_heading_layout(), std::span<const textio::Value>{});

  // The fit's outputs; only the coefficient table is read.
  std::array<float, kCoefficients * kCoefficients> coefficient_table{};
  std::array<float, kCoefficients * kCoefficients> covariance{};
  std::array<float, kCoefficients> regressor_means{};
  std::array<float, kCoefficients> last_update{};

  for (std::size_t j = 0; j < n_items; ++j) {
    // A purged item is matched on the purified total with its own score added back; every
    // other item's total still holds its own score.
    const bool purged = run.ets_code[j] == 'C';
    for (std::size_t i = 0; i < n_reference; ++i)
      cell(i, 0) = static_cast<float>(
          purged ? run.reference_total[i] + run.reference_responses(i, j) : run.reference_total[i]);
    for (std::size_t i = 0; i < n_focal; ++i)
      cell(n_reference + i, 0) = static_cast<float>(
          purged ? run.focal_total[i] + run.focal_responses(i, j) : run.focal_total[i]);
    for (std::size_t i = 0; i < n_reference; ++i)
      cell(i, 3) = static_cast<float>(run.reference_responses(i, j));
    for (std::size_t i = 0; i < n_focal; ++i)
      cell(n_reference + i, 3) = static_cast<float>(run.focal_responses(i, j));
    for (std::size_t i = 0; i < rows; ++i) cell(i, 2) = cell(i, 0) * cell(i, 1);

    // Every argument of the fit is stored afresh for each item.
    glm::CtglmArguments fit = glm::three_effect_logit(
        n_observations, design.data(),
        {.ESTTAB = coefficient_table.data(),
         .COVEST = covariance.data(),
         .REGMEAN = regressor_means.data(),
         .CASESTAT = case_statistics.data(),
         .LASTUPD = last_update.data(),
         .OBSCODE = observation_flags.data()});

    textio::write(report, item_heading_layout(), {run.item_label[j]});
    textio::write(textio::console_output(), progress_layout(),
                  {static_cast<std::int32_t>(j + 1)});
    glm::CTGLM(fit);

    for (std::size_t c = 0; c < kCoefficients; ++c) {
      auto entry = [&](std::size_t column) { return coefficient_table[c + column * kCoefficients]; };
      textio::write(report, coefficient_layout(),
                    {coefficient_name[c], entry(0), entry(1), entry(2), entry(3)});
    }
  }
}

}  // namespace itemdif::driver
