// Maximum of a marginal log-likelihood by quasi-Newton steps from the examinees' score
// products, to where the remaining gain is far below 1e-6.
#pragma once

#include <Eigen/Dense>

#include <optional>
#include <string>
#include <vector>

#include "irt/marginal_model.hpp"

namespace itemdif::irt {

inline constexpr int kMostIterations = 500;

struct Fit {
  enum class Status { maximum, runs_off, no_convergence };
  Status status = Status::no_convergence;
  Eigen::VectorXd x;
  double log_l = 0.0;
  int iterations = 0;
  std::string why;  ///< for runs_off: what ran off
};

/// log L and its gradient at a point, when already known.
struct Known {
  double log_l;
  Eigen::VectorXd gradient;
};

/// Maximises `model`'s log-likelihood from x0. `information` (Σ s sᵀ over the examinees near
/// x0, in the model's parameters) starts the curvature; without it, it is computed at x0.
Fit maximise(const MarginalModel& model, Eigen::VectorXd x0, std::optional<Eigen::MatrixXd> information,
             std::optional<Known> at_start,
             const std::vector<std::string>& item_names, const std::vector<std::string>& group_names,
             unsigned threads);

}  // namespace itemdif::irt
