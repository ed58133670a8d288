// SIBTEST and crossing SIBTEST: the groups' item scores compared at equal estimated true score
// on a matching subtest, with the regression correction, from the item's score table.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace itemdif::stats {

/// The examinees of a studied item (or bundle) by group g (0 reference, 1 focal), subtest score
/// X and studied score Y.
struct SibCounts {
  int x_low = 0, x_high = -1;  ///< X runs x_low..x_high
  int y_low = 0, y_high = 1;   ///< Y runs y_low..y_high (score_min..score_max, or a bundle's sums)
  /// n[((x - x_low) * 2 + g) * (y_high - y_low + 1) + (y - y_low)]
  std::vector<double> n;

  /// A table of zeros over the given ranges.
  static SibCounts zeros(int x_low, int x_high, int y_low, int y_high);
  /// The examinees at (x, g, y); 0 outside the table's ranges.
  double at(int x, int g, int y) const;
  /// Adds `count` examinees at (x, g, y), which must lie in the table's ranges.
  void add(int x, int g, int y, double count = 1);
  std::size_t index(int x, int g, int y) const;
};

/// What coefficient alpha of the subtest needs besides X: per group, the sum over the subtest
/// items of their score variances (divisor n-1) over the group's examinees of the studied item.
struct SibReliabilityInput {
  int subtest_items = 0;
  double item_variance_sum[2] = {0, 0};
};

struct SibSettings {
  int min_per_group = 6;   ///< examinees of each group a kept stratum needs
  double alpha = 0.05;     ///< the class's significance level
  double score_range = 1;  ///< score_max - score_min of Y: 1 for a 0/1 item
};

/// A kept stratum: its subtest score k, weight p_k and d_k = Ystar_F(k) - Ystar_R(k).
struct SibStratum {
  int k;
  double weight;
  double difference;
};

struct SibValues {
  std::optional<double> beta;  ///< sum p_k d_k; negative favours the reference group
  std::optional<double> se;
  std::optional<double> chi_square;  ///< (beta / se)^2
  std::optional<double> p;           ///< upper tail of chi_square at 1 df
  std::string sib_class;             ///< "A", "B-", "B+", "C-", "C+"; empty when undefined
  std::optional<double> csib_beta;   ///< |beta_U - beta_L|
  std::optional<double> csib_chi_square, csib_p;
  std::optional<double> csib_crossing;  ///< c = -b0 / b1 of the weighted line of d_k on k
  std::optional<int> csib_df;           ///< the sides with a kept stratum and sigma_s > 0
  std::optional<double> reliability_reference, reliability_focal;  ///< coefficient alpha of S
  std::vector<SibStratum> strata;  ///< the kept strata, by increasing k
  std::string note;                ///< why values are empty, "; " between reasons
};

/// SIBTEST and crossing SIBTEST of one studied item (or bundle). Values that cannot be computed
/// (a subtest of fewer than two items, a subtest score without variance or with reliability 0 or
/// below, no kept stratum) are empty with their reason in `note`; none is NaN or infinite.
SibValues sibtest(const SibCounts& counts, const SibReliabilityInput& reliability,
                  const SibSettings& settings);

/// On r = |beta| / score_range: "A" when r < 0.059 or p >= alpha, "C" when r >= 0.088 and
/// p < alpha, "B" otherwise; B and C followed by the sign of beta.
std::string sib_class(double beta, double p, const SibSettings& settings);

}  // namespace itemdif::stats
