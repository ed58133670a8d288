// The DIF analysis of item scores read from a data file: matching, levels, purification rounds
// and every item's statistics (Mantel-Haenszel always; standardization, Breslow-Day and the
// logistic-regression tests as asked), as values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "data/item_scores.hpp"

namespace itemdif::stats {

enum class MissingPolicy { excluded, incorrect, listwise };
enum class PurifyMode { iterative, two_pass, none };
enum class FlagRule { ets, ets_c, p };
enum class Adjust { none, holm, bh };

/// How the matching scores are cut into levels.
struct LevelSpec {
  enum class Kind { thin, equal_width, bounds };
  Kind kind = Kind::thin;
  int count = 0;                            ///< K of equal_width
  std::vector<std::pair<int, int>> bounds;  ///< (low, high) of explicit levels, as given
};

/// The methods computed besides Mantel-Haenszel, which the flag rule and Breslow-Day rest on.
struct Methods {
  bool standardization = true;
  bool breslow_day = true;
  bool logistic_regression = true;
};

struct AnalyzeOptions {
  MissingPolicy missing = MissingPolicy::excluded;
  LevelSpec levels;
  int min_per_group = 1;
  PurifyMode purify = PurifyMode::iterative;
  int max_rounds = 10;
  FlagRule flag = FlagRule::ets;
  double alpha = 0.05;
  Adjust adjust = Adjust::none;
  Methods methods;
  /// Threads for the items' statistics; 0 is every core. Results do not depend on it.
  unsigned threads = 0;
};

/// One level of one item in the last round.
struct LevelRow {
  int low = 0;
  int high = 0;
  double reference_correct = 0;
  double reference_incorrect = 0;
  double focal_correct = 0;
  double focal_incorrect = 0;
  bool used = false;
};

/// Mantel-Haenszel values of one item; an empty optional is an undefined value.
struct MhValues {
  std::optional<double> alpha, alpha_low, alpha_high;  ///< odds ratio and its 95 % interval
  std::optional<double> d_dif, d_dif_se;
  std::optional<double> chi_square, p, p_adjusted;
  std::string ets_class;  ///< "A", "B-", "B+", "C-", "C+"; empty when undefined
};

/// The standardization index of one item.
struct StdValues {
  std::optional<double> p_dif;  ///< STD P-DIF
  std::string std_class;        ///< "A", "B-", "B+", "C-", "C+"; empty when undefined
};

/// Breslow-Day homogeneity of the odds ratios, with Tarone's correction, at the MH alpha.
struct BdValues {
  std::optional<double> chi_square;
  std::optional<int> df;
  std::optional<double> p;
};

/// The likelihood-ratio tests of the three nested logistic models and their effect sizes.
struct LrValues {
  std::optional<double> chi_square, p, p_adjusted;  ///< trait against nonuniform, 2 df
  std::optional<double> uniform_chi_square, uniform_p;        ///< trait against uniform
  std::optional<double> nonuniform_chi_square, nonuniform_p;  ///< uniform against nonuniform
  std::optional<double> delta_r2, uniform_delta_r2;           ///< Nagelkerke R² differences
  std::string zumbo_thomas_class, jodoin_gierl_class;         ///< "A", "B", "C"; empty when undefined
};

/// One coefficient of one fitted model: model "trait", "uniform", "nonuniform" (or "legacy",
/// the control-file analysis's fit); term "intercept", "trait", "group", "trait_x_group".
struct Coefficient {
  std::string model;
  std::string term;
  std::optional<double> estimate, se, z, p;
};

struct ItemResult {
  std::string name;
  std::size_t n_reference = 0;  ///< the item's examinees of each group
  std::size_t n_focal = 0;
  std::optional<double> p_reference, p_focal;  ///< their proportion correct
  MhValues mh;
  StdValues std_dif;  ///< empty unless standardization was computed
  BdValues bd;        ///< empty unless Breslow-Day was computed
  LrValues lr;        ///< empty unless the logistic-regression tests were computed
  std::vector<Coefficient> coefficients;  ///< model by model, in term order
  bool flagged = false;
  std::string note;  ///< why values are empty; "; " between reasons
  std::vector<LevelRow> levels;
};

struct Round {
  int number = 0;
  std::vector<std::size_t> flagged;  ///< items, in item order
};

struct DifAnalysis {
  std::size_t n_reference = 0;  ///< examinees in the analysis (after listwise deletion)
  std::size_t n_focal = 0;
  std::size_t listwise_left_out = 0;
  std::vector<Round> rounds;
  bool converged = false;
  std::vector<ItemResult> items;
};

/// Progress of a long analysis: the round and the items done in it.
using Progress = std::function<void(int round, std::size_t items_done, std::size_t items)>;

/// Runs the analysis. Invalid options (levels that do not fit, a count below 1) throw
/// data::InputError.
DifAnalysis analyze_scores(const data::ItemScores& scores, const AnalyzeOptions& options,
                           const Progress& progress = {});

}  // namespace itemdif::stats
