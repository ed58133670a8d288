// One IRT model of an analysis: which item parameters the groups share, its marginal
// log-likelihood over the quadrature rule, the gradient and the outer products of the
// examinees' score vectors.
#pragma once

#include <Eigen/Dense>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "irt/quadrature.hpp"
#include "irt/response_patterns.hpp"

namespace itemdif::irt {

/// How an item's parameters are tied across the groups.
enum class Tie {
  common,        ///< one slope and one set of thresholds for every group
  free,          ///< each group its own slope and thresholds
  common_slope,  ///< one slope, each group its own thresholds
};

/// Parameters live in one vector: the items' slopes and thresholds (in item order; a free item
/// group by group), then mu_g and log sigma_g of each focal group. Every group also sees the
/// parameters through its own "canonical" coordinates, the same for every model of the data:
/// for each item its slope and thresholds d_1..d_m as that group uses them, then mu and
/// log sigma. Models of the same data are mapped onto each other through these coordinates.
class MarginalModel {
 public:
  MarginalModel(const ResponsePatterns& data, std::vector<Tie> ties);

  const ResponsePatterns& data() const { return *data_; }
  const std::vector<Tie>& ties() const { return ties_; }
  std::size_t n_params() const { return n_params_; }
  std::size_t n_canonical() const { return n_canonical_; }
  /// Parameter index of canonical coordinate p in group g (npos: group 0's mu and log sigma).
  std::size_t index(std::size_t g, std::size_t p) const { return index_[g][p]; }
  std::size_t slope(std::size_t k, std::size_t g) const { return index_[g][offset_[k]]; }
  /// Threshold c = 1..m of item k in group g.
  std::size_t threshold(std::size_t k, std::size_t g, std::size_t c) const {
    return index_[g][offset_[k] + c];
  }
  std::size_t mean(std::size_t g) const { return index_[g][n_canonical_ - 2]; }
  std::size_t log_sd(std::size_t g) const { return index_[g][n_canonical_ - 1]; }
  /// Parameters some examinee's likelihood depends on; the others stay where they start.
  const std::vector<bool>& active() const { return active_; }

  /// Slopes 1, thresholds from the cumulative proportions, every group N(0, 1).
  Eigen::VectorXd start() const;
  /// Parameters of this model at those of `other` (a shared parameter from its first group).
  Eigen::VectorXd from(const MarginalModel& other, const Eigen::VectorXd& x) const;

  /// log L at x; -infinity where thresholds are out of order. Adds nothing to `gradient`: sets it.
  double log_likelihood(const Eigen::VectorXd& x, Eigen::VectorXd* gradient, unsigned threads) const;
  /// The same, with the gradient by group in canonical coordinates (the gradient of each
  /// group's own log-likelihood): any model of the data at the same point has scatter() of it.
  double log_likelihood_by_group(const Eigen::VectorXd& x, std::vector<Eigen::VectorXd>* gradient,
                                 unsigned threads) const;
  Eigen::VectorXd scatter(const std::vector<Eigen::VectorXd>& per_group) const;
  /// By group, Σ over its examinees of s sᵀ, s the examinee's score vector in canonical coordinates.
  std::vector<Eigen::MatrixXd> score_products(const Eigen::VectorXd& x, unsigned threads) const;
  /// The sum over groups of per-group canonical matrices, in this model's parameters.
  Eigen::MatrixXd gather(const std::vector<Eigen::MatrixXd>& per_group) const;
  /// What runs off at x (a slope, threshold, mean or sd beyond any finite fit), if anything;
  /// names by item of `data().items` and by group.
  std::optional<std::string> runs_off(const Eigen::VectorXd& x, const std::vector<std::string>& item_names,
                                      const std::vector<std::string>& group_names) const;
  /// E_g(x_q) = Σ_c y_c P(Y = y_c | x_q) of item k in group g, at the 61 nodes.
  std::vector<double> expected_score(const Eigen::VectorXd& x, std::size_t k, std::size_t g) const;
  /// The group's quadrature weights at x.
  GroupWeights weights(const Eigen::VectorXd& x, std::size_t g) const;

  static constexpr std::size_t npos = static_cast<std::size_t>(-1);

 private:
  struct Tables;
  bool fill_tables(const Eigen::VectorXd& x, Tables& t, bool derivatives) const;
  double e_step(const Tables& t, std::size_t begin, std::size_t end, double* counts, double* mass,
                std::vector<std::size_t>& rows) const;

  const ResponsePatterns* data_;
  std::vector<Tie> ties_;
  std::size_t groups_;
  std::vector<std::size_t> offset_;  ///< canonical offset of each item
  std::size_t n_canonical_ = 0, n_params_ = 0;
  std::vector<std::vector<std::size_t>> index_;
  std::vector<bool> active_;
  std::vector<std::size_t> row_offset_;  ///< of item k, group g: first node row in the tables
  std::size_t n_rows_ = 0;
  /// Consecutive items whose joint states (each item's categories, and "not answered" where
  /// some examinee did not answer it) number at most kBundleStates: one precomputed row per
  /// joint state adds the whole bundle's log-probabilities to an examinee at once.
  struct Bundle {
    std::vector<std::size_t> items, radix;
    std::size_t states = 1;
  };
  static constexpr std::size_t kBundleStates = 32;
  std::vector<Bundle> bundles_;
  std::vector<std::size_t> bundle_offset_;  ///< of bundle b, group g: first row of the bundle tables
  std::size_t n_bundle_rows_ = 0;
};

}  // namespace itemdif::irt
