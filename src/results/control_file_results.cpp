// A completed control-file run as the values the results files read.
#include "results/control_file_results.hpp"

#include <cmath>

#include "driver/mantel_haenszel.hpp"
#include "stats/mantel_haenszel.hpp"
#include "stats/method_list.hpp"
#include "stats/notes.hpp"

namespace itemdif::results {
namespace {

/// A fixed-length text of the control file without its trailing blanks.
std::string trimmed(const std::string& text) {
  const std::size_t end = text.find_last_not_of(' ');
  return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

struct GroupScores {
  std::size_t answered = 0;
  std::optional<double> p_correct;
};

/// Scores of 0 and 1 on item `j`; any other value (the layout's reads allow it) is no answer,
/// as in the level counts.
GroupScores group_scores(const driver::ScoreTable& responses, std::size_t j) {
  GroupScores scores;
  double correct = 0;
  for (std::size_t i = 0; i < responses.rows(); ++i) {
    const double score = responses(i, j);
    if (score == 1.0) ++correct;
    if (score == 0.0 || score == 1.0) ++scores.answered;
  }
  if (scores.answered > 0) scores.p_correct = correct / static_cast<double>(scores.answered);
  return scores;
}

/// A finite value, else undefined.
std::optional<double> finite(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

stats::MhValues mh_of(const driver::MhItem& item, std::string& note) {
  stats::MhValues mh;
  mh.chi_square = finite(item.chi_square);
  mh.p = finite(item.p_value);
  mh.p_adjusted = mh.p;
  if (!mh.chi_square) stats::add_note(note, "no variance in the used levels");
  if (item.alpha > 0 && std::isfinite(item.alpha)) {
    mh.alpha = item.alpha;
    mh.d_dif = finite(item.mh_d_dif);
    mh.d_dif_se = finite(item.se_d_dif);
    if (mh.d_dif_se) {
      // The standard error of ln alpha is the one the report's SE of MH D-DIF scales.
      const double se_log_alpha = item.se_d_dif / driver::kSeScale;
      const double log_alpha = std::log(item.alpha);
      mh.alpha_low = std::exp(log_alpha - stats::kZ95 * se_log_alpha);
      mh.alpha_high = std::exp(log_alpha + stats::kZ95 * se_log_alpha);
    }
  } else {
    stats::add_note(note, "MH odds ratio is 0: no valid level has reference correct and focal "
                          "incorrect answers together");
  }
  mh.ets_class = std::string(1, item.category);
  if (item.category != 'A') mh.ets_class += item.mh_d_dif < 0 ? '-' : '+';
  return mh;
}

std::vector<stats::LevelTable> level_tables(const driver::RunData& run,
                                            const driver::LevelTables& tables, std::size_t j) {
  using driver::kCorrect, driver::kFocal, driver::kIncorrect, driver::kReference;
  std::vector<stats::LevelTable> levels;
  for (std::size_t k = 0; k < tables.levels(); ++k) {
    stats::LevelTable level(run.level_low[k], run.level_high[k], 2, 0, 1);
    level.count(0, 1) = tables.counts[kReference][kCorrect](k, j);
    level.count(0, 0) = tables.counts[kReference][kIncorrect](k, j);
    level.count(1, 1) = tables.counts[kFocal][kCorrect](k, j);
    level.count(1, 0) = tables.counts[kFocal][kIncorrect](k, j);
    level.used = tables.is_valid(k, j);
    levels.push_back(std::move(level));
  }
  return levels;
}

std::vector<stats::Coefficient> legacy_coefficients(const driver::ItemFit& fit) {
  static const char* const terms[] = {"intercept", "trait", "group", "trait_x_group"};
  std::vector<stats::Coefficient> coefficients;
  for (std::size_t c = 0; c < fit.coefficients.size(); ++c) {
    const driver::FitCoefficient& row = fit.coefficients[c];
    coefficients.push_back({"legacy", terms[c], finite(row.estimate),
                            finite(row.standard_error), finite(row.z), finite(row.p_value)});
  }
  return coefficients;
}

}  // namespace

stats::DifAnalysis control_file_analysis(const driver::RunData& run,
                                         const driver::Analysis& analysis) {
  stats::DifAnalysis result;
  result.reference = {trimmed(run.reference_file_name), run.reference_responses.rows()};
  result.focal = {{trimmed(run.focal_file_name), run.focal_responses.rows()}};
  stats::Comparison comparison;
  comparison.focal = result.focal.front().value;
  for (const driver::PassResult& pass : analysis.passes)
    comparison.rounds.push_back({pass.number, pass.purged});
  // Pass 2 matches without pass 1's purged items: it has settled when it purges the same ones.
  comparison.converged =
      analysis.passes.size() == 2 && analysis.passes[0].purged == analysis.passes[1].purged;
  // Two passes, whatever they purge: as a two-pass purification stops.
  comparison.stop = comparison.converged ? stats::Stop::converged : stats::Stop::max_rounds;

  const std::size_t mh = *stats::method_position("mh");
  const std::size_t lr = *stats::method_position("lr");
  const driver::PassResult& last = analysis.passes.back();
  for (std::size_t j = 0; j < last.items.size(); ++j) {
    stats::ItemResult item;
    item.name = std::to_string(run.item_label[j]);
    const GroupScores reference = group_scores(run.reference_responses, j);
    const GroupScores focal = group_scores(run.focal_responses, j);
    item.n_reference = reference.answered;
    item.n_focal = focal.answered;
    item.mean_reference = reference.p_correct;
    item.mean_focal = focal.p_correct;
    item.methods.resize(stats::methods().size());
    item.methods[mh].cells = stats::mh_cells(mh_of(last.items[j], item.note));
    // The logistic procedure's fit, under the method that reports fits.
    if (j < analysis.fits.size()) item.methods[lr].coefficients = legacy_coefficients(analysis.fits[j]);
    item.flagged = last.items[j].category == 'C';
    item.levels = level_tables(run, last.levels, j);
    comparison.items.push_back(std::move(item));
  }
  result.comparisons.push_back(std::move(comparison));
  return result;
}

RunDescription control_file_description(const std::string& control_file,
                                        const driver::RunData& run) {
  RunDescription description;
  description.command = "run";
  description.input = control_file;
  description.settings = {{"title", trimmed(run.title), false, false},
                          {"model", std::to_string(run.model), true, false},
                          {"levels", std::to_string(run.n_levels), true, false},
                          {"min_per_group", "10", true, false},
                          {"reference_file", trimmed(run.reference_file_name), false, false},
                          {"focal_file", trimmed(run.focal_file_name), false, false},
                          {"report_file", trimmed(run.output_file_name), false, false}};
  description.methods = {*stats::method_position("mh")};
  description.items = run.item_label.size();
  return description;
}

}  // namespace itemdif::results
