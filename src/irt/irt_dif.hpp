// IRT likelihood-ratio DIF: the constrained, free and common-slope models of each studied item,
// fitted by marginal maximum likelihood over a fixed 61-node rule, and their tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "stats/analysis_options.hpp"

namespace itemdif::irt {

using stats::MissingPolicy;

/// The responses of one analysis.
struct IrtData {
  /// Examinee after examinee, n_items bytes each; data::kMissing for a missing response.
  std::span<const std::uint8_t> scores;
  std::size_t n_items = 0;
  /// By examinee: 0 the reference group, 1..groups-1 the focal groups; a code >= groups leaves
  /// the examinee out of this analysis.
  std::span<const std::uint8_t> group;
  std::size_t groups = 2;
  /// By item: the item's fixed score range (a missing response counts as score_min under
  /// `incorrect`).
  std::vector<int> score_min, score_max;
  /// By item: polytomous (terms d_y) or 0/1 (term d). Empty: polytomous when the range spans
  /// more than two scores.
  std::vector<bool> polytomous;
  /// By item, for notes; empty: "item 1", "item 2", ...
  std::vector<std::string> item_names;
  /// `listwise` means the caller removed the incomplete rows: it is read as `excluded`.
  MissingPolicy missing = MissingPolicy::excluded;
};

struct IrtCoefficient {
  std::string model;  ///< "irt_constrained" (C_j) or "irt_free" (F_j)
  std::string term;
  std::optional<double> estimate;
};

/// One studied item's IRT values; empty where the model they rest on failed (see note).
struct IrtItemTest {
  std::optional<double> chi_square, uniform_chi_square, nonuniform_chi_square;
  std::optional<int> df, uniform_df, nonuniform_df;
  std::optional<double> p, uniform_p, nonuniform_p;  ///< upper tails
  std::optional<double> esd, uesd;                   ///< two groups only
  std::optional<double> loglik_constrained, loglik_uniform, loglik_free;
  std::vector<IrtCoefficient> coefficients;
  /// By group (reference first), E_g(x_q) at the 61 nodes under F_j; empty when F_j failed.
  std::vector<std::vector<double>> expected_free;
  std::string note;  ///< reasons for empty values, "; " between
};

struct IrtRequest {
  const IrtData& data;
  std::vector<std::uint8_t> matching;  ///< by item: 1 in the round's matching set (anchors)
  std::vector<std::size_t> studied;    ///< the items tested, in result order
  std::vector<std::string> group_values;  ///< reference, then focal values (term suffixes)
  unsigned threads = 0;                   ///< 0: every core; results do not depend on it
};

/// The tests of every studied item, in the order of `request.studied`.
std::vector<IrtItemTest> irt_dif(const IrtRequest& request);

}  // namespace itemdif::irt
