// Quasi-Newton maximisation of a marginal log-likelihood.
#include "irt/maximise.hpp"

#include <algorithm>
#include <cmath>

namespace itemdif::irt {

namespace {

// Twice the gain a step still promises; below this the fit is at its maximum (the tests need
// log L within 1e-6 of it).
constexpr double kDecrement = 2e-8;
constexpr double kLastGain = 1e-6;
// A line search that fails while so little is promised meets only rounding in log L.
constexpr double kRoundingDecrement = 1e-7;

/// Curvature of -log L for the step: inactive parameters held by a unit diagonal, a small
/// ridge so that a nearly flat direction still has a bounded step.
Eigen::MatrixXd prepared(Eigen::MatrixXd b, const std::vector<bool>& active) {
  const auto n = b.rows();
  double scale = 0.0;
  for (Eigen::Index i = 0; i < n; ++i)
    if (active[static_cast<std::size_t>(i)]) scale = std::max(scale, b(i, i));
  for (Eigen::Index i = 0; i < n; ++i) {
    if (active[static_cast<std::size_t>(i)]) {
      b(i, i) += 1e-10 * std::max(scale, 1.0);
      continue;
    }
    b.row(i).setZero();
    b.col(i).setZero();
    b(i, i) = 1.0;
  }
  return b;
}

}  // namespace

Fit maximise(const MarginalModel& model, Eigen::VectorXd x0, std::optional<Eigen::MatrixXd> information,
             std::optional<Known> at_start, const std::vector<std::string>& item_names, const std::vector<std::string>& group_names,
             unsigned threads) {
  const std::vector<bool>& active = model.active();
  auto evaluate = [&](const Eigen::VectorXd& x, Eigen::VectorXd& g) {
    const double f = -model.log_likelihood(x, &g, threads);
    g = -g;
    for (Eigen::Index i = 0; i < g.size(); ++i)
      if (!active[static_cast<std::size_t>(i)]) g[i] = 0.0;
    return f;
  };
  auto fresh_information = [&](const Eigen::VectorXd& x) { return model.gather(model.score_products(x, threads)); };

  Fit fit;
  fit.x = std::move(x0);
  Eigen::VectorXd g;
  double f;
  if (at_start) {
    f = -at_start->log_l;
    g = -at_start->gradient;
    for (Eigen::Index i = 0; i < g.size(); ++i)
      if (!active[static_cast<std::size_t>(i)]) g[i] = 0.0;
  } else {
    f = evaluate(fit.x, g);
  }
  if (!std::isfinite(f)) {
    fit.status = Fit::Status::no_convergence;
    fit.why = "its start lies outside the model";
    return fit;
  }
  bool fresh = !information.has_value();
  Eigen::MatrixXd b = prepared(information ? std::move(*information) : fresh_information(fit.x), active);
  int since_fresh = 0;
  double last_gain = 0.0;

  for (fit.iterations = 1; fit.iterations <= kMostIterations; ++fit.iterations) {
    Eigen::LDLT<Eigen::MatrixXd> ldlt(b);
    if (ldlt.info() != Eigen::Success || !ldlt.isPositive() || ldlt.vectorD().minCoeff() <= 0.0) {
      if (!fresh) {
        b = prepared(fresh_information(fit.x), active);
        fresh = true;
        since_fresh = 0;
        --fit.iterations;
        continue;
      }
      b = prepared(Eigen::MatrixXd(b.diagonal().cwiseAbs().asDiagonal()), active);
      ldlt.compute(b);
    }
    Eigen::VectorXd p = ldlt.solve(-g);
    const double decrement = -g.dot(p);
    // Also the last step must have gained little: a promise from a poor curvature alone is not
    // trusted.
    if (decrement < kDecrement && last_gain < kLastGain) {
      fit.status = Fit::Status::maximum;
      break;
    }
    // Far from the maximum the curvature may be poor: no parameter moves more than one unit.
    const double longest = p.cwiseAbs().maxCoeff();
    if (longest > 1.0) p /= longest;
    const double slope = g.dot(p);

    double t = 1.0, f_new = 0.0;
    Eigen::VectorXd x_new, g_new;
    bool accepted = false;
    for (int halving = 0; halving < 40; ++halving) {
      x_new = fit.x + t * p;
      f_new = evaluate(x_new, g_new);
      if (std::isfinite(f_new) && f_new <= f + 1e-4 * t * slope) {
        accepted = true;
        break;
      }
      // Backtrack to the minimum of the quadratic through f, its slope and f_new, kept in
      // [0.1 t, 0.5 t].
      double next = 0.5 * t;
      if (std::isfinite(f_new)) {
        const double curvature = f_new - f - t * slope;
        if (curvature > 0) next = std::clamp(-slope * t * t / (2 * curvature), 0.1 * t, 0.5 * t);
      }
      t = next;
    }
    if (!accepted) {
      if (decrement < kRoundingDecrement) {
        fit.status = Fit::Status::maximum;
        break;
      }
      if (!fresh) {
        b = prepared(fresh_information(fit.x), active);
        fresh = true;
        since_fresh = 0;
        continue;
      }
      fit.status = Fit::Status::no_convergence;
      fit.why = "no step along the quasi-Newton direction raises log L";
      break;
    }
    last_gain = f - f_new;
    const Eigen::VectorXd s = x_new - fit.x;
    const Eigen::VectorXd y = g_new - g;
    fit.x = std::move(x_new);
    f = f_new;
    g = std::move(g_new);
    if (auto what = model.runs_off(fit.x, item_names, group_names)) {
      fit.status = Fit::Status::runs_off;
      fit.why = *what;
      break;
    }
    fresh = false;
    if (++since_fresh >= 40) {
      b = prepared(fresh_information(fit.x), active);
      fresh = true;
      since_fresh = 0;
      continue;
    }
    const double ys = y.dot(s);
    if (ys > 1e-12 * s.norm() * y.norm()) {
      const Eigen::VectorXd bs = b * s;
      b += y * y.transpose() / ys - bs * bs.transpose() / s.dot(bs);
    }
  }
  if (fit.iterations > kMostIterations) fit.status = Fit::Status::no_convergence;
  fit.log_l = -f;
  return fit;
}

}  // namespace itemdif::irt
