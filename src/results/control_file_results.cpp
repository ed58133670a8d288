// A completed control-file run as the values the results files read.
#include "results/control_file_results.hpp"

#include <cmath>

#include "driver/mantel_haenszel.hpp"
#include "stats/mh_values.hpp"

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

std::vector<stats::LevelRow> level_rows(const driver::RunData& run,
                                        const driver::LevelTables& tables, std::size_t j) {
  using driver::kCorrect, driver::kFocal, driver::kIncorrect, driver::kReference;
  std::vector<stats::LevelRow> rows;
  for (std::size_t k = 0; k < tables.levels(); ++k) {
    stats::LevelRow row;
    row.low = run.level_low[k];
    row.high = run.level_high[k];
    row.reference_correct = tables.counts[kReference][kCorrect](k, j);
    row.reference_incorrect = tables.counts[kReference][kIncorrect](k, j);
    row.focal_correct = tables.counts[kFocal][kCorrect](k, j);
    row.focal_incorrect = tables.counts[kFocal][kIncorrect](k, j);
    row.used = tables.is_valid(k, j);
    rows.push_back(row);
  }
  return rows;
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
  result.n_reference = run.reference_responses.rows();
  result.n_focal = run.focal_responses.rows();
  for (const driver::PassResult& pass : analysis.passes)
    result.rounds.push_back({pass.number, pass.purged});
  // Pass 2 matches without pass 1's purged items: it has settled when it purges the same ones.
  result.converged =
      analysis.passes.size() == 2 && analysis.passes[0].purged == analysis.passes[1].purged;

  const driver::PassResult& last = analysis.passes.back();
  for (std::size_t j = 0; j < last.items.size(); ++j) {
    stats::ItemResult item;
    item.name = std::to_string(run.item_label[j]);
    const GroupScores reference = group_scores(run.reference_responses, j);
    const GroupScores focal = group_scores(run.focal_responses, j);
    item.n_reference = reference.answered;
    item.n_focal = focal.answered;
    item.p_reference = reference.p_correct;
    item.p_focal = focal.p_correct;
    item.mh = mh_of(last.items[j], item.note);
    item.flagged = last.items[j].category == 'C';
    item.levels = level_rows(run, last.levels, j);
    if (j < analysis.fits.size()) item.coefficients = legacy_coefficients(analysis.fits[j]);
    result.items.push_back(std::move(item));
  }
  return result;
}

RunFacts control_file_facts(const std::string& control_file, const driver::RunData& run) {
  RunFacts facts;
  facts.command = "run";
  facts.input = control_file;
  facts.options = {{"title", trimmed(run.title), false},
                   {"model", std::to_string(run.model), true},
                   {"levels", std::to_string(run.n_levels), true},
                   {"min_per_group", "10", true},
                   {"reference_file", trimmed(run.reference_file_name), false},
                   {"focal_file", trimmed(run.focal_file_name), false},
                   {"report_file", trimmed(run.output_file_name), false}};
  facts.methods = {"mh"};
  facts.reference = {trimmed(run.reference_file_name), run.reference_responses.rows()};
  facts.focal = {trimmed(run.focal_file_name), run.focal_responses.rows()};
  return facts;
}

}  // namespace itemdif::results
