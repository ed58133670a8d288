// The logistic-regression DIF tests of one item.
#include "stats/lr_values.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "stats/mh_values.hpp"
#include "stats/upper_tails.hpp"

namespace itemdif::stats {
namespace {

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

}  // namespace

std::vector<BinomialCell> binomial_cells(const ScoreCounts& counts, std::size_t item) {
  std::vector<BinomialCell> cells;
  double n = 0, score_sum = 0;
  for (std::size_t t = 0; t <= counts.max_score(); ++t)
    for (std::uint8_t g = 0; g < 2; ++g) {
      BinomialCell cell;
      cell.correct = counts.at(item, t, g, 1);
      cell.n = cell.correct + counts.at(item, t, g, 0);
      if (cell.n == 0) continue;
      cell.trait = static_cast<double>(t);
      cell.group = g == data::kFocalGroup ? 1.0 : 0.0;
      cells.push_back(cell);
      n += cell.n;
      score_sum += cell.n * cell.trait;
    }
  const double mean = n > 0 ? score_sum / n : 0.0;
  for (BinomialCell& cell : cells) cell.trait -= mean;
  return cells;
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

LrValues lr_values(const std::vector<BinomialCell>& cells, double alpha,
                   std::vector<Coefficient>& coefficients, std::string& note) {
  LrValues lr;
  double n = 0, correct = 0, reference = 0;
  bool one_score = true;
  for (const BinomialCell& cell : cells) {
    n += cell.n;
    correct += cell.correct;
    if (cell.group == 0) reference += cell.n;
    one_score = one_score && cell.trait == cells.front().trait;
  }
  // Without both groups the group term has nothing to estimate; that is noted for the item.
  if (reference == 0 || reference == n) return lr;
  if (correct == 0 || correct == n) {
    add_note(note, "no logistic regression: every examinee answered the item alike");
    return lr;
  }
  if (one_score) {
    add_note(note, "no logistic regression: every examinee has the same matching score");
    return lr;
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
  return lr;
}

}  // namespace itemdif::stats
