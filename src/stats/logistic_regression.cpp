// The logistic-regression method.
#include "stats/logistic_regression.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "stats/generalized_logistic.hpp"
#include "stats/notes.hpp"
#include "stats/ordinal_fit.hpp"
#include "stats/upper_tails.hpp"

namespace itemdif::stats {
namespace {

constexpr std::array<const Column*, 12> kColumns = {
    &column::lr_chi_square,       &column::lr_p,
    &column::lr_p_adjusted,       &column::lr_uniform_chi_square,
    &column::lr_uniform_p,        &column::lr_nonuniform_chi_square,
    &column::lr_nonuniform_p,     &column::lr_delta_r2,
    &column::lr_uniform_delta_r2, &column::lr_beta_change,
    &column::zumbo_thomas_class,  &column::jodoin_gierl_class,
};
constexpr std::array<const Column*, 14> kOverallColumns = {
    &column::lr_chi_square,            &overall_column::lr_df,
    &overall_column::lr_p,             &overall_column::lr_p_adjusted,
    &column::lr_uniform_chi_square,    &overall_column::lr_uniform_df,
    &column::lr_uniform_p,             &column::lr_nonuniform_chi_square,
    &overall_column::lr_nonuniform_df, &overall_column::lr_nonuniform_p,
    &overall_column::lr_delta_r2,      &column::lr_uniform_delta_r2,
    &overall_column::zumbo_thomas_class, &overall_column::jodoin_gierl_class,
};

constexpr std::array<LogisticModel, 3> kModels = {LogisticModel::trait, LogisticModel::uniform,
                                                  LogisticModel::nonuniform};

const char* model_name(LogisticModel model) {
  switch (model) {
    case LogisticModel::trait: return "trait";
    case LogisticModel::uniform: return "uniform";
    case LogisticModel::nonuniform: return "nonuniform";
  }
  return "";
}

/// A comparison's values of its tests, with `lr_p_adjusted` left empty and the change of the
/// trait coefficient when the group enters, |b_x(uniform) - b_x(trait)| / |b_x(trait)|.
MethodValues lr_method_values(LrTests lr) {
  std::optional<double> beta_change;
  std::optional<double> before, after;
  for (const Coefficient& c : lr.coefficients) {
    if (c.term != "trait") continue;
    if (c.model == "trait") before = c.estimate;
    if (c.model == "uniform") after = c.estimate;
  }
  if (before && after) {
    if (*before != 0)
      beta_change = std::fabs(*after - *before) / std::fabs(*before);
    else
      add_note(lr.note, "no beta change: the trait coefficient of model trait is 0");
  }
  MethodValues values;
  values.cells = cells_of(number_cell(lr.chi_square), number_cell(lr.p),
                          number_cell(std::optional<double>()),
                          number_cell(lr.uniform_chi_square), number_cell(lr.uniform_p),
                          number_cell(lr.nonuniform_chi_square), number_cell(lr.nonuniform_p),
                          number_cell(lr.delta_r2), number_cell(lr.uniform_delta_r2),
                          number_cell(beta_change), class_cell(lr.zumbo_thomas_class),
                          class_cell(lr.jodoin_gierl_class));
  values.coefficients = std::move(lr.coefficients);
  values.note = std::move(lr.note);
  return values;
}

/// One fitted model as the method reads it: its intercepts' then its slopes' estimates, in
/// term order; empty unless it converged.
struct ModelFit {
  LogisticFit::Status status = LogisticFit::Status::not_converged;
  double log_likelihood = 0;
  std::span<const double> estimate, se;
};

std::string effect_class(double delta_r2, double p, double alpha, double b_from, double c_above) {
  if (!(p < alpha)) return "A";
  if (delta_r2 > c_above) return "C";
  return delta_r2 >= b_from ? "B" : "A";
}

std::string failure_text(LogisticFit::Status status) {
  switch (status) {
    case LogisticFit::Status::separated:
      return "fitted probabilities reach 0 or 1 (separation)";
    case LogisticFit::Status::not_converged:
      return "the deviance did not settle within " + std::to_string(kLogisticIterations) +
             " iterations";
    case LogisticFit::Status::singular: return "its information matrix is singular";
    case LogisticFit::Status::converged: break;
  }
  return "";
}

/// The likelihood-ratio statistic of a nested pair; rounding can leave the larger model a hair
/// below the smaller one, which is no evidence against it.
double likelihood_ratio(const ModelFit& smaller, const ModelFit& larger) {
  return std::max(0.0, 2.0 * (larger.log_likelihood - smaller.log_likelihood));
}

/// One reason per way of failing, naming the models that failed that way, in model order:
/// "logistic models uniform, nonuniform: fitted probabilities reach 0 or 1 (separation)".
void note_failures(const std::array<ModelFit, 3>& fits, std::string& note) {
  for (const LogisticFit::Status status :
       {LogisticFit::Status::separated, LogisticFit::Status::not_converged,
        LogisticFit::Status::singular}) {
    std::string models;
    int count = 0;
    for (std::size_t k = 0; k < fits.size(); ++k)
      if (fits[k].status == status) {
        models += (count++ ? ", " : "") + std::string(model_name(kModels[k]));
      }
    if (count > 0)
      add_note(note, std::string(count > 1 ? "logistic models " : "logistic model ") + models +
                         ": " + failure_text(status));
  }
}

/// Why an item's models cannot be fitted, if they cannot. Without every group a group term
/// has nothing to estimate; the caller notes that, so the reason is empty.
std::optional<std::string> unfitted_reason(bool all_groups, bool alike, bool one_trait) {
  if (!all_groups) return std::string();
  if (alike) return std::string("no logistic regression: every examinee answered the item alike");
  if (one_trait)
    return std::string("no logistic regression: every examinee has the same matching score");
  return std::nullopt;
}

/// Tests without values yet, their degrees of freedom set.
LrTests untested(const GroupTerms& terms) {
  LrTests lr;
  lr.uniform_df = lr.nonuniform_df = static_cast<double>(terms.group.size());
  lr.df = 2.0 * lr.uniform_df;
  return lr;
}

/// The tests of an item's three fits: `intercepts` names the models' intercepts, `null` is the
/// intercept-only (thresholds-only) log-likelihood of the n examinees.
LrTests tests_of_fits(const std::array<ModelFit, 3>& fits,
                      const std::vector<std::string>& intercepts, const GroupTerms& terms,
                      double null, double n, double alpha) {
  LrTests lr = untested(terms);
  const std::size_t focal = terms.group.size();
  // The slopes in design order: x, the group indicators, their products with x.
  std::vector<std::string> slopes = {"trait"};
  slopes.insert(slopes.end(), terms.group.begin(), terms.group.end());
  slopes.insert(slopes.end(), terms.trait_x_group.begin(), terms.trait_x_group.end());
  std::array<std::optional<double>, 3> r2;
  for (std::size_t k = 0; k < kModels.size(); ++k) {
    const bool converged = fits[k].status == LogisticFit::Status::converged;
    if (converged) r2[k] = nagelkerke_r2(fits[k].log_likelihood, null, n);
    const std::size_t count =
        intercepts.size() + static_cast<std::size_t>(logistic_slopes(kModels[k], focal));
    for (std::size_t t = 0; t < count; ++t) {
      Coefficient c;
      c.model = model_name(kModels[k]);
      c.term = t < intercepts.size() ? intercepts[t] : slopes[t - intercepts.size()];
      if (converged) {
        c.estimate = fits[k].estimate[t];
        c.se = fits[k].se[t];
        c.z = *c.estimate / *c.se;
        c.p = normal_two_sided_p(*c.z);
      }
      lr.coefficients.push_back(std::move(c));
    }
  }
  note_failures(fits, lr.note);
  const auto& [trait, uniform, nonuniform] = fits;
  if (r2[0] && r2[2]) {
    lr.chi_square = likelihood_ratio(trait, nonuniform);
    lr.p = chi_square_upper_tail(*lr.chi_square, lr.df);
    lr.delta_r2 = *r2[2] - *r2[0];
    lr.zumbo_thomas_class = zumbo_thomas_class(*lr.delta_r2, *lr.p, alpha);
    lr.jodoin_gierl_class = jodoin_gierl_class(*lr.delta_r2, *lr.p, alpha);
  }
  if (r2[0] && r2[1]) {
    lr.uniform_chi_square = likelihood_ratio(trait, uniform);
    lr.uniform_p = chi_square_upper_tail(*lr.uniform_chi_square, lr.uniform_df);
    lr.uniform_delta_r2 = *r2[1] - *r2[0];
  }
  if (r2[1] && r2[2]) {
    lr.nonuniform_chi_square = likelihood_ratio(uniform, nonuniform);
    lr.nonuniform_p = chi_square_upper_tail(*lr.nonuniform_chi_square, lr.nonuniform_df);
  }
  return lr;
}

/// Whether every group 0..focal has examinees.
template <typename Cells, typename Size>
bool every_group(const Cells& cells, std::size_t focal, Size size) {
  std::vector<double> n(focal + 1, 0.0);
  for (const auto& cell : cells) {
    const auto g = static_cast<std::size_t>(cell.group);
    if (g < n.size()) n[g] += size(cell);
  }
  return std::all_of(n.begin(), n.end(), [](double count) { return count > 0; });
}

MethodValues compute(const ItemInput& item) {
  if (item.range.polytomous) return ordinal_lr_values(item.cells, item.alpha);
  return lr_values(binomial_cells(item.cells), item.alpha);
}

Cell whole_number(double value) { return whole_cell(static_cast<std::int64_t>(value)); }

/// The generalized models of every group; the adjusted p is set across the items later.
MethodValues compute_overall(const ItemInput& item) {
  const std::vector<std::string>& values = item.round.frame.group_values;
  const std::span<const std::string> focal(values.data() + 1, values.size() - 1);
  LrTests lr = generalized_lr_values(item.cells, item.range.polytomous, focal, item.alpha);
  MethodValues result;
  result.cells = cells_of(
      number_cell(lr.chi_square), whole_number(lr.df), number_cell(lr.p), Cell{},
      number_cell(lr.uniform_chi_square), whole_number(lr.uniform_df), number_cell(lr.uniform_p),
      number_cell(lr.nonuniform_chi_square), whole_number(lr.nonuniform_df),
      number_cell(lr.nonuniform_p), number_cell(lr.delta_r2), number_cell(lr.uniform_delta_r2),
      class_cell(lr.zumbo_thomas_class), class_cell(lr.jodoin_gierl_class));
  result.coefficients = std::move(lr.coefficients);
  result.note = std::move(lr.note);
  return result;
}

}  // namespace

std::vector<BinomialCell> binomial_cells(std::span<const ScoreCell> cells) {
  std::vector<BinomialCell> binomial;
  for (const ScoreCell& cell : cells) {
    const auto group = static_cast<double>(cell.group);
    if (binomial.empty() || binomial.back().trait != cell.trait || binomial.back().group != group)
      binomial.push_back({cell.trait, group, 0, 0});
    binomial.back().n += cell.count;
    if (cell.score == 1) binomial.back().correct += cell.count;
  }
  return binomial;
}

double nagelkerke_r2(double model, double null, double n) {
  return std::expm1(2.0 * (null - model) / n) / std::expm1(2.0 * null / n);
}

std::string zumbo_thomas_class(double delta_r2, double p, double alpha) {
  return effect_class(delta_r2, p, alpha, 0.13, 0.26);
}

std::string jodoin_gierl_class(double delta_r2, double p, double alpha) {
  return effect_class(delta_r2, p, alpha, 0.035, 0.070);
}

GroupTerms comparison_terms() { return {{"group"}, {"trait_x_group"}}; }

LrTests binary_lr_tests(std::span<const BinomialCell> cells, const GroupTerms& terms,
                        double alpha) {
  const std::size_t focal = terms.group.size();
  double n = 0, correct = 0;
  bool one_score = true;
  for (const BinomialCell& cell : cells) {
    n += cell.n;
    correct += cell.correct;
    one_score = one_score && cell.trait == cells.front().trait;
  }
  const bool groups = every_group(cells, focal, [](const BinomialCell& c) { return c.n; });
  if (const auto reason = unfitted_reason(groups, correct == 0 || correct == n, one_score)) {
    LrTests lr = untested(terms);
    add_note(lr.note, *reason);
    return lr;
  }

  const double p0 = correct / n;
  const double null = correct * std::log(p0) + (n - correct) * std::log1p(-p0);
  std::array<LogisticFit, 3> fits;
  std::array<ModelFit, 3> views;
  for (std::size_t k = 0; k < kModels.size(); ++k) {
    fits[k] = fit_logistic(cells, kModels[k], focal);
    views[k] = {fits[k].status, fits[k].log_likelihood, fits[k].estimate, fits[k].se};
  }
  return tests_of_fits(views, {"intercept"}, terms, null, n, alpha);
}

LrTests ordinal_lr_tests(std::span<const ScoreCell> cells, const GroupTerms& terms,
                         double alpha) {
  const std::size_t focal = terms.group.size();
  double n = 0;
  bool alike = true, one_trait = true;
  for (const ScoreCell& cell : cells) {
    n += cell.count;
    alike = alike && cell.score == cells.front().score;
    one_trait = one_trait && cell.trait == cells.front().trait;
  }
  const bool groups = every_group(cells, focal, [](const ScoreCell& c) { return c.count; });
  if (const auto reason = unfitted_reason(groups, alike, one_trait)) {
    LrTests lr = untested(terms);
    add_note(lr.note, *reason);
    return lr;
  }

  std::array<OrdinalFit, 3> fits;
  std::array<ModelFit, 3> views;
  for (std::size_t k = 0; k < kModels.size(); ++k) {
    fits[k] = fit_ordinal(cells, kModels[k], focal);
    views[k] = {fits[k].status, fits[k].log_likelihood, fits[k].estimate, fits[k].se};
  }
  std::vector<std::string> intercepts;
  for (const int score : fits[0].threshold_scores)
    intercepts.push_back("intercept_" + std::to_string(score));
  return tests_of_fits(views, intercepts, terms, thresholds_only_log_likelihood(cells), n,
                       alpha);
}

MethodValues lr_values(std::span<const BinomialCell> cells, double alpha) {
  return lr_method_values(binary_lr_tests(cells, comparison_terms(), alpha));
}

MethodValues ordinal_lr_values(std::span<const ScoreCell> cells, double alpha) {
  return lr_method_values(ordinal_lr_tests(cells, comparison_terms(), alpha));
}

Method logistic_regression_method() {
  Method method{"lr", "logistic regression", true, kColumns, compute};
  method.overall_columns = kOverallColumns;
  method.compute_overall = compute_overall;
  return method;
}

}  // namespace itemdif::stats
