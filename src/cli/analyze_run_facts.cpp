// What the results files of an `analyze` run say besides the analysis.
#include "cli/analyze_run_facts.hpp"

#include "cli/version.hpp"
#include "results/number_text.hpp"

namespace itemdif::cli {

results::RunFacts analyze_run_facts(const AnalyzeArguments& a, const data::ItemScores& scores,
                                    const stats::DifAnalysis& analysis,
                                    const std::vector<std::string>& methods) {
  results::RunFacts facts;
  facts.version = kVersion;
  facts.command = "analyze";
  facts.input = a.data;
  auto text = [&](const std::string& name, const std::string& value) {
    facts.options.push_back({name, value, false});
  };
  auto number = [&](const std::string& name, const std::string& value) {
    facts.options.push_back({name, value, true});
  };
  text("group", a.group);
  text("focal", a.focal);
  text("reference", scores.reference_value);
  if (a.items) text("items", *a.items);
  if (a.id) text("id", *a.id);
  if (a.missing_codes) text("missing_codes", *a.missing_codes);
  if (a.delimiter) text("delimiter", *a.delimiter);
  text("missing", a.missing);
  text("levels", a.levels);
  number("min_per_group", std::to_string(a.min_per_group));
  text("purify", a.purify);
  number("max_rounds", std::to_string(a.max_rounds));
  text("flag", a.flag);
  number("alpha", results::number_text(a.alpha));
  text("adjust", a.adjust);
  facts.methods = methods;

  facts.reference = {scores.reference_value, analysis.n_reference};
  facts.focal = {scores.focal_value, analysis.n_focal};
  facts.rows_left_out = scores.rows_left_out + analysis.listwise_left_out;
  return facts;
}

}  // namespace itemdif::cli
