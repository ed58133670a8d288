// IRT likelihood-ratio DIF: the three models of each studied item and their tests.
#include "irt/irt_dif.hpp"

#include <boost/math/special_functions/gamma.hpp>

#include <algorithm>
#include <cmath>

#include "irt/marginal_model.hpp"
#include "irt/maximise.hpp"
#include "irt/parallel_chunks.hpp"
#include "irt/response_patterns.hpp"

namespace itemdif::irt {

namespace {

void add_note(std::string& note, const std::string& text) {
  if (!note.empty()) note += "; ";
  note += text;
}

double upper_tail(double chi_square, int df) {
  return boost::math::gamma_q(0.5 * df, 0.5 * chi_square);
}

/// A per-group block (free item, or a common-slope item's thresholds) has no finite maximum
/// when a score of the item is missing from a group that answered it: its thresholds run off.
std::optional<std::string> missing_score(const ResponsePatterns& data, const std::vector<Tie>& ties,
                                         const std::vector<std::string>& item_names,
                                         const std::vector<std::string>& group_names) {
  for (std::size_t k = 0; k < data.items.size(); ++k) {
    if (ties[k] == Tie::common) continue;
    for (std::size_t g = 0; g < data.groups; ++g) {
      if (data.responses_of(k, g) == 0) continue;
      for (std::size_t c = 0; c <= data.items[k].m(); ++c)
        if (data.responses[k][g][c] == 0)
          return "score " + std::to_string(data.items[k].scores[c]) + " of " + item_names[k] +
                 " does not occur in group " + group_names[g];
    }
  }
  return std::nullopt;
}

struct ModelFit {
  std::optional<MarginalModel> model;
  std::optional<Fit> fit;
  std::string failure;  ///< why there is no maximum; empty when there is one
  bool ok() const { return failure.empty(); }
};

struct Context {
  const ResponsePatterns& data;
  const std::vector<std::string>& item_names;   // by participating item
  const std::vector<std::string>& group_names;
};

/// Where the other fits start: the anchored model's maximum, its curvature and gradient by group.
struct Origin {
  const MarginalModel& model;
  const Fit& fit;
  std::vector<Eigen::MatrixXd> information;
  std::vector<Eigen::VectorXd> gradient;
};

ModelFit fit_model(const Context& context, std::vector<Tie> ties, const char* label, const Origin* origin,
                   unsigned threads) {
  ModelFit out;
  if (auto why = missing_score(context.data, ties, context.item_names, context.group_names)) {
    out.failure = std::string("the ") + label + " model has no finite maximum: " + *why;
    return out;
  }
  out.model.emplace(context.data, std::move(ties));
  const MarginalModel& model = *out.model;
  Eigen::VectorXd x0 = origin != nullptr ? model.from(origin->model, origin->fit.x) : model.start();
  std::optional<Eigen::MatrixXd> h0;
  std::optional<Known> known;
  if (origin != nullptr) {
    h0 = model.gather(origin->information);
    // A model that only unties parameters starts at the origin's very point: its log L and
    // gradient are known without another pass over the data.
    bool same_point = true;
    for (std::size_t g = 0; g < context.data.groups && same_point; ++g)
      for (std::size_t p = 0; p < model.n_canonical() && same_point; ++p)
        if (model.index(g, p) != MarginalModel::npos)
          same_point = x0[static_cast<Eigen::Index>(model.index(g, p))] ==
                       origin->fit.x[static_cast<Eigen::Index>(origin->model.index(g, p))];
    if (same_point) known = Known{origin->fit.log_l, model.scatter(origin->gradient)};
  }
  out.fit = maximise(model, std::move(x0), std::move(h0), std::move(known), context.item_names,
                     context.group_names, threads);
  switch (out.fit->status) {
    case Fit::Status::maximum:
      break;
    case Fit::Status::runs_off:
      out.failure = std::string("the ") + label + " model has no finite maximum: " + out.fit->why;
      break;
    case Fit::Status::no_convergence:
      out.failure = std::string("the ") + label + " model did not reach its maximum" +
                    (out.fit->why.empty() ? " within " + std::to_string(kMostIterations) + " iterations"
                                          : ": " + out.fit->why);
      break;
  }
  return out;
}

/// The item's terms (a, then d or d_y) with `suffix`, and their parameters in group g.
void item_terms(std::vector<IrtCoefficient>& out, const char* model_name, const ItemCategories& item,
                bool polytomous, const std::string& suffix, const ModelFit* fit, std::size_t k,
                std::size_t g) {
  auto value = [&](std::size_t i) -> std::optional<double> {
    if (fit == nullptr || !fit->ok()) return std::nullopt;
    return fit->fit->x[static_cast<Eigen::Index>(i)];
  };
  const MarginalModel* m = fit != nullptr && fit->model ? &*fit->model : nullptr;
  out.push_back({model_name, "a" + suffix, m ? value(m->slope(k, g)) : std::nullopt});
  for (std::size_t c = 1; c <= item.m(); ++c) {
    const std::string term = polytomous ? "d_" + std::to_string(item.scores[c]) : std::string("d");
    out.push_back({model_name, term + suffix, m ? value(m->threshold(k, g, c)) : std::nullopt});
  }
}

void group_terms(std::vector<IrtCoefficient>& out, const char* model_name, const std::vector<std::string>& values,
                 const ModelFit* fit) {
  const MarginalModel* m = fit != nullptr && fit->ok() ? &*fit->model : nullptr;
  for (std::size_t g = 1; g < values.size(); ++g) {
    std::optional<double> mu, sd;
    if (m != nullptr) {
      mu = fit->fit->x[static_cast<Eigen::Index>(m->mean(g))];
      sd = std::exp(fit->fit->x[static_cast<Eigen::Index>(m->log_sd(g))]);
    }
    out.push_back({model_name, "mean_" + values[g], mu});
    out.push_back({model_name, "sd_" + values[g], sd});
  }
}

}  // namespace

std::vector<IrtItemTest> irt_dif(const IrtRequest& request) {
  const IrtData& data = request.data;
  const std::size_t groups = data.groups;
  std::vector<IrtItemTest> results(request.studied.size());
  const ResponsePatterns patterns = response_patterns(data);
  const std::size_t n_items = patterns.items.size();

  std::vector<std::string> group_names = request.group_values;
  for (std::size_t g = group_names.size(); g < groups; ++g) group_names.push_back(std::to_string(g));
  auto column_name = [&](std::size_t j) {
    return j < data.item_names.size() ? data.item_names[j] : "item " + std::to_string(j + 1);
  };
  std::vector<std::string> item_names;
  for (const ItemCategories& item : patterns.items) item_names.push_back(column_name(item.column));
  auto polytomous = [&](std::size_t j) {
    return j < data.polytomous.size() ? data.polytomous[j] : data.score_max[j] - data.score_min[j] > 1;
  };

  std::vector<Tie> base_ties(n_items, Tie::free);
  std::size_t anchors = 0;
  for (std::size_t k = 0; k < n_items; ++k)
    if (request.matching[patterns.items[k].column] != 0) {
      base_ties[k] = Tie::common;
      ++anchors;
    }

  struct Job {
    std::size_t result, k;
    bool anchor;
  };
  std::vector<Job> jobs;
  for (std::size_t s = 0; s < request.studied.size(); ++s) {
    const std::size_t j = request.studied[s];
    std::string& note = results[s].note;
    const int k = patterns.part_of[j];
    if (k < 0) {
      add_note(note, "IRT: the item has no variance in this analysis");
      continue;
    }
    bool answered = true;
    for (std::size_t g = 0; g < groups && answered; ++g)
      if (patterns.responses_of(static_cast<std::size_t>(k), g) == 0) {
        add_note(note, "IRT: no examinee of group " + group_names[g] + " answered the item");
        answered = false;
      }
    if (!answered) continue;
    const bool anchor = base_ties[static_cast<std::size_t>(k)] == Tie::common;
    if (anchors - (anchor ? 1 : 0) == 0) {
      add_note(note, "IRT: no anchor items besides the item itself");
      continue;
    }
    jobs.push_back({s, static_cast<std::size_t>(k), anchor});
  }
  if (jobs.empty()) return results;

  // The anchors common and every other item free: the constrained model of each anchor and the
  // free model of each other item, fitted once; every other fit starts from it.
  const Context context{patterns, item_names, group_names};
  const ModelFit base = fit_model(context, base_ties, "anchored", nullptr, request.threads);
  if (!base.ok()) {
    for (const Job& job : jobs) add_note(results[job.result].note, "IRT: " + base.failure);
    return results;
  }
  Origin origin{*base.model, *base.fit, base.model->score_products(base.fit->x, request.threads), {}};
  base.model->log_likelihood_by_group(base.fit->x, &origin.gradient, request.threads);

  // Items are fitted side by side, each fit on one thread; a single item uses every thread.
  const unsigned threads = thread_count(request.threads);
  const unsigned outer = jobs.size() > 1 ? threads : 1;
  const unsigned inner = jobs.size() > 1 ? 1 : threads;
  parallel_chunks(jobs.size(), outer, [&](std::size_t n) {
    const Job& job = jobs[n];
    IrtItemTest& result = results[job.result];
    const std::size_t k = job.k;
    const ItemCategories& item = patterns.items[k];
    auto with = [&](Tie tie) {
      std::vector<Tie> ties = base_ties;
      ties[k] = tie;
      return ties;
    };
    auto fit = [&](Tie tie, const char* label) {
      return fit_model(context, with(tie), label, &origin, inner);
    };
    ModelFit constrained_own, free_own;
    if (job.anchor)
      free_own = fit(Tie::free, "free");
    else
      constrained_own = fit(Tie::common, "constrained");
    const ModelFit& constrained = job.anchor ? base : constrained_own;
    const ModelFit& free = job.anchor ? free_own : base;
    const ModelFit uniform = fit(Tie::common_slope, "common-slope");
    for (const ModelFit* f : {&constrained, &free, &uniform})
      if (!f->ok()) add_note(result.note, "IRT: " + f->failure);

    if (constrained.ok()) result.loglik_constrained = constrained.fit->log_l;
    if (free.ok()) result.loglik_free = free.fit->log_l;
    if (uniform.ok()) result.loglik_uniform = uniform.fit->log_l;
    const int m = static_cast<int>(item.m());
    const int focal = static_cast<int>(groups) - 1;
    // Each model nests the one before it; rounding alone could make a difference negative.
    auto test = [](const std::optional<double>& big, const std::optional<double>& small, int df,
                   std::optional<double>& chi, std::optional<int>& dfs, std::optional<double>& p) {
      if (!big || !small) return;
      chi = std::max(0.0, 2.0 * (*big - *small));
      dfs = df;
      p = upper_tail(*chi, df);
    };
    test(result.loglik_free, result.loglik_constrained, focal * (m + 1), result.chi_square, result.df, result.p);
    test(result.loglik_uniform, result.loglik_constrained, focal * m, result.uniform_chi_square,
         result.uniform_df, result.uniform_p);
    test(result.loglik_free, result.loglik_uniform, focal, result.nonuniform_chi_square, result.nonuniform_df,
         result.nonuniform_p);

    if (free.ok()) {
      for (std::size_t g = 0; g < groups; ++g) result.expected_free.push_back(free.model->expected_score(free.fit->x, k, g));
      if (groups == 2) {
        const GroupWeights w = free.model->weights(free.fit->x, 1);
        double esd = 0.0, uesd = 0.0;
        for (std::size_t q = 0; q < kNodes; ++q) {
          const double gap = result.expected_free[1][q] - result.expected_free[0][q];
          esd += std::exp(w.log_w[q]) * gap;
          uesd += std::exp(w.log_w[q]) * std::abs(gap);
        }
        result.esd = esd;
        result.uesd = uesd;
      }
    }

    const bool poly = polytomous(item.column);
    item_terms(result.coefficients, "irt_constrained", item, poly, "", &constrained, k, 0);
    group_terms(result.coefficients, "irt_constrained", group_names, &constrained);
    for (std::size_t g = 0; g < groups; ++g)
      item_terms(result.coefficients, "irt_free", item, poly, "_" + group_names[g], &free, k, g);
    group_terms(result.coefficients, "irt_free", group_names, &free);
  });
  return results;
}

}  // namespace itemdif::irt
