// The logistic-regression method.
#include "stats/logistic_regression.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "stats/notes.hpp"
#include "stats/upper_tails.hpp"

namespace itemdif::stats {
namespace {

constexpr std::array<Column, 12> kColumns = {{
    Column("lr_chi_square"),
    Column("lr_p", ColumnKind::p_value)
        .report("LR p", "logistic regression, 2 df likelihood-ratio test")
        .shown_in(SummaryTable::methods, "LR p", 10),
    Column("lr_p_adjusted", ColumnKind::p_value)
        .report("LR p adj", "LR p adjusted across the items")
        .shown_in(SummaryTable::methods, "LR p_adj", 10)
        .adjusting("lr_p"),
    Column("lr_uniform_chi_square"),
    Column("lr_uniform_p", ColumnKind::p_value),
    Column("lr_nonuniform_chi_square"),
    Column("lr_nonuniform_p", ColumnKind::p_value)
        .nonuniform_test("logistic regression non-uniform p"),
    Column("lr_delta_r2").shown_in(SummaryTable::methods, "dR2", 7),
    Column("lr_uniform_delta_r2"),
    Column("lr_beta_change"),
    Column("zumbo_thomas_class", ColumnKind::dif_class)
        .report("ZT", "Zumbo-Thomas class from the R\u00b2 difference")
        .shown_in(SummaryTable::methods, "ZT", 2),
    Column("jodoin_gierl_class", ColumnKind::dif_class)
        .report("JG", "Jodoin-Gierl class from the R\u00b2 difference")
        .shown_in(SummaryTable::methods, "JG", 2),
}};

constexpr std::array<const char*, kMaxLogisticTerms> kTermNames = {"intercept", "trait", "group",
                                                                   "trait_x_group"};
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

/// The values of the three fits, before they become cells.
struct LrValues {
  std::optional<double> chi_square, p, p_adjusted;            ///< trait against nonuniform, 2 df
  std::optional<double> uniform_chi_square, uniform_p;        ///< trait against uniform
  std::optional<double> nonuniform_chi_square, nonuniform_p;  ///< uniform against nonuniform
  std::optional<double> delta_r2, uniform_delta_r2;           ///< Nagelkerke R² differences
  std::optional<double> beta_change;  ///< |b_x(uniform) - b_x(trait)| / |b_x(trait)|
  std::string zumbo_thomas_class, jodoin_gierl_class;  ///< "A", "B", "C"; empty when undefined
};

MethodValues lr_method_values(const LrValues& lr, std::vector<Coefficient> coefficients,
                              std::string note) {
  MethodValues values;
  values.cells = cells_of(number_cell(lr.chi_square), number_cell(lr.p),
                          number_cell(lr.p_adjusted), number_cell(lr.uniform_chi_square),
                          number_cell(lr.uniform_p), number_cell(lr.nonuniform_chi_square),
                          number_cell(lr.nonuniform_p), number_cell(lr.delta_r2),
                          number_cell(lr.uniform_delta_r2), number_cell(lr.beta_change),
                          class_cell(lr.zumbo_thomas_class), class_cell(lr.jodoin_gierl_class));
  values.coefficients = std::move(coefficients);
  values.note = std::move(note);
  return values;
}

MethodValues compute(const ItemInput& item);

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
double likelihood_ratio(const LogisticFit& smaller, const LogisticFit& larger) {
  return std::max(0.0, 2.0 * (larger.log_likelihood - smaller.log_likelihood));
}

/// One reason per way of failing, naming the models that failed that way, in model order:
/// "logistic models uniform, nonuniform: fitted probabilities reach 0 or 1 (separation)".
void note_failures(const std::array<LogisticFit, 3>& fits, std::string& note) {
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

MethodValues compute(const ItemInput& item) {
  if (item.range.polytomous) {
    MethodValues values;
    values.cells.resize(kColumns.size());
    return values;
  }
  return lr_values(binomial_cells(item.cells), item.alpha);
}

}  // namespace

std::vector<BinomialCell> binomial_cells(std::span<const ScoreCell> cells) {
  std::vector<BinomialCell> binomial;
  for (const ScoreCell& cell : cells) {
    const double group = cell.group == 0 ? 0.0 : 1.0;
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

MethodValues lr_values(std::span<const BinomialCell> cells, double alpha) {
  LrValues lr;
  std::vector<Coefficient> coefficients;
  std::string note;
  double n = 0, correct = 0, reference = 0;
  bool one_score = true;
  for (const BinomialCell& cell : cells) {
    n += cell.n;
    correct += cell.correct;
    if (cell.group == 0) reference += cell.n;
    one_score = one_score && cell.trait == cells.front().trait;
  }
  // Without both groups the group term has nothing to estimate; that is noted for the item.
  if (reference == 0 || reference == n) return lr_method_values(lr, coefficients, note);
  if (correct == 0 || correct == n) {
    add_note(note, "no logistic regression: every examinee answered the item alike");
    return lr_method_values(lr, coefficients, note);
  }
  if (one_score) {
    add_note(note, "no logistic regression: every examinee has the same matching score");
    return lr_method_values(lr, coefficients, note);
  }

  const double p0 = correct / n;
  const double null = correct * std::log(p0) + (n - correct) * std::log1p(-p0);
  std::array<LogisticFit, 3> fits;
  std::array<std::optional<double>, 3> r2;
  for (std::size_t k = 0; k < kModels.size(); ++k) {
    fits[k] = fit_logistic(cells, kModels[k]);
    const bool converged = fits[k].status == LogisticFit::Status::converged;
    if (converged) r2[k] = nagelkerke_r2(fits[k].log_likelihood, null, n);
    for (int t = 0; t < fits[k].terms; ++t) {
      Coefficient c;
      c.model = model_name(kModels[k]);
      c.term = kTermNames[static_cast<std::size_t>(t)];
      if (converged) {
        c.estimate = fits[k].estimate[static_cast<std::size_t>(t)];
        c.se = fits[k].se[static_cast<std::size_t>(t)];
        c.z = *c.estimate / *c.se;
        c.p = normal_two_sided_p(*c.z);
      }
      coefficients.push_back(std::move(c));
    }
  }
  note_failures(fits, note);
  const auto& [trait, uniform, nonuniform] = fits;
  if (r2[0] && r2[2]) {
    lr.chi_square = likelihood_ratio(trait, nonuniform);
    lr.p = chi_square_upper_tail(*lr.chi_square, 2.0);
    lr.delta_r2 = *r2[2] - *r2[0];
    lr.zumbo_thomas_class = zumbo_thomas_class(*lr.delta_r2, *lr.p, alpha);
    lr.jodoin_gierl_class = jodoin_gierl_class(*lr.delta_r2, *lr.p, alpha);
  }
  if (r2[0] && r2[1]) {
    lr.uniform_chi_square = likelihood_ratio(trait, uniform);
    lr.uniform_p = chi_square_upper_tail(*lr.uniform_chi_square, 1.0);
    lr.uniform_delta_r2 = *r2[1] - *r2[0];
  }
  if (r2[1] && r2[2]) {
    lr.nonuniform_chi_square = likelihood_ratio(uniform, nonuniform);
    lr.nonuniform_p = chi_square_upper_tail(*lr.nonuniform_chi_square, 1.0);
  }
  if (r2[0] && r2[1]) {
    const double before = trait.estimate[1], after = uniform.estimate[1];
    if (before != 0)
      lr.beta_change = std::fabs(after - before) / std::fabs(before);
    else
      add_note(note, "no beta change: the trait coefficient of model trait is 0");
  }
  return lr_method_values(lr, coefficients, note);
}

Method logistic_regression_method() { return {"lr", kColumns, compute}; }

}  // namespace itemdif::stats
