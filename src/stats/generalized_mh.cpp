// The generalized Mantel-Haenszel test.
#include "stats/generalized_mh.hpp"

#include <cstddef>

#include <Eigen/Dense>

#include "stats/notes.hpp"
#include "stats/upper_tails.hpp"

namespace itemdif::stats {
namespace {

/// Why ΣV is singular: a group missing from every used level, or scores that never vary
/// within a level; otherwise the groups' counts are proportional in every level.
std::string singular_reason(const Eigen::VectorXd& group_sizes, bool any_variance) {
  if (!any_variance)
    return "no generalized Mantel-Haenszel: the item's scores do not vary within any used level";
  if ((group_sizes.array() <= 0).any())
    return "no generalized Mantel-Haenszel: a group has no examinees in the used levels";
  return "no generalized Mantel-Haenszel: its variance matrix is singular";
}

}  // namespace

GmhValues generalized_mh(std::span<const LevelTable> levels) {
  GmhValues values;
  std::size_t groups = 0;
  bool any_used = false;
  for (const LevelTable& level : levels)
    if (level.used) {
      any_used = true;
      groups = level.groups();
      break;
    }
  if (!any_used) {
    add_note(values.note, "no generalized Mantel-Haenszel: no used level");
    return values;
  }
  if (groups < 2) {
    add_note(values.note, "no generalized Mantel-Haenszel: fewer than two groups");
    return values;
  }

  const auto focal = static_cast<Eigen::Index>(groups - 1);
  Eigen::VectorXd d = Eigen::VectorXd::Zero(focal);
  Eigen::MatrixXd v = Eigen::MatrixXd::Zero(focal, focal);
  Eigen::VectorXd sizes = Eigen::VectorXd::Zero(static_cast<Eigen::Index>(groups));
  Eigen::VectorXd n(static_cast<Eigen::Index>(groups));
  bool any_variance = false;
  for (const LevelTable& level : levels) {
    if (!level.used) continue;
    double total = 0, sum = 0, squares = 0;
    for (std::size_t g = 0; g < groups; ++g) {
      const auto gi = static_cast<Eigen::Index>(g);
      n(gi) = level.group_size(g);
      total += n(gi);
      for (int y = level.score_min(); y <= level.score_max(); ++y) {
        sum += y * level.count(g, y);
        squares += static_cast<double>(y) * y * level.count(g, y);
      }
    }
    sizes += n;
    // A level of one examinee has no variance and matches its own expectation.
    if (total < 2) continue;
    const double mean = sum / total;
    const double variance = squares / total - mean * mean;
    if (variance > 0) any_variance = true;
    const double scale = variance * total / (total - 1);
    for (Eigen::Index g = 0; g < focal; ++g) {
      const double n_g = n(g + 1);
      d(g) += level.score_sum(static_cast<std::size_t>(g + 1)) - n_g * mean;
      for (Eigen::Index h = 0; h < focal; ++h)
        v(g, h) += scale * ((g == h ? n_g : 0.0) - n_g * n(h + 1) / total);
    }
  }

  // LDLT's pivots say whether ΣV is positive definite; one far below the largest is a zero
  // left by rounding.
  const Eigen::LDLT<Eigen::MatrixXd> solver(v);
  if (solver.info() != Eigen::Success || !solver.isPositive() ||
      !(solver.vectorD().minCoeff() > 1e-12 * solver.vectorD().maxCoeff())) {
    add_note(values.note, singular_reason(sizes, any_variance));
    return values;
  }
  values.chi_square = d.dot(solver.solve(d));
  values.df = static_cast<double>(focal);
  values.p = chi_square_upper_tail(*values.chi_square, *values.df);
  return values;
}

}  // namespace itemdif::stats
