// The description of an `analyze` run.
#include "cli/analyze_description.hpp"

#include "cli/version.hpp"
#include "results/number_text.hpp"

namespace itemdif::cli {

results::RunDescription analyze_description(const AnalyzeArguments& a,
                                            const stats::AnalyzeOptions& options,
                                            const data::ItemScores& scores) {
  results::RunDescription run;
  run.version = kVersion;
  run.command = "analyze";
  run.input = a.data;
  auto text = [&](const std::string& name, const std::string& value) {
    run.settings.push_back({name, value, false, false});
  };
  auto number = [&](const std::string& name, const std::string& value) {
    run.settings.push_back({name, value, true, false});
  };
  auto group_value = [&](const std::string& name, const std::string& value) {
    run.settings.push_back({name, value, false, true});
  };
  text("group", a.group);
  // One focal value stays a single value, as runs of one comparison have always shown it.
  const std::vector<std::string> focal = focal_values(a.focal);
  if (focal.size() == 1) {
    group_value("focal", focal.front());
  } else {
    std::string joined;
    for (const std::string& value : focal) joined += (joined.empty() ? "" : ", ") + value;
    run.settings.push_back({"focal", joined, false, true, focal});
  }
  group_value("reference", scores.reference_value);
  if (a.items) text("items", *a.items);
  if (a.id) text("id", *a.id);
  if (a.missing_codes) text("missing_codes", *a.missing_codes);
  if (a.delimiter) text("delimiter", *a.delimiter);
  // Listed only when raised, so that a run on 0/1 items describes itself as it always has.
  if (a.max_score != 1) number("max_score", std::to_string(a.max_score));
  text("missing", a.missing);
  text("levels", a.levels);
  number("min_per_group", std::to_string(a.min_per_group));
  text("purify", a.anchor || a.match ? std::string("none") : a.purify);
  number("max_rounds", std::to_string(a.max_rounds));
  text("flag", a.flag);
  number("alpha", results::number_text(a.alpha));
  text("adjust", a.adjust);
  number("sib_min", std::to_string(a.sib_min));
  if (a.anchor) text("anchor", *a.anchor);
  if (a.match) text("match", *a.match);
  if (!a.bundles.empty()) {
    std::string joined;
    for (const std::string& bundle : a.bundles) joined += (joined.empty() ? "" : "; ") + bundle;
    run.settings.push_back({"bundle", joined, false, false, a.bundles});
  }
  run.methods = options.methods;
  run.options = options;
  run.items = scores.n_items();
  run.rows_read = scores.rows_read;
  run.rows_of_no_group = scores.rows_left_out;
  run.rows_match_missing = scores.rows_match_missing;
  if (!scores.match_column.empty()) run.matching = "column " + scores.match_column;
  if (options.anchors) {
    run.matching = "anchors ";
    for (std::size_t k = 0; k < options.anchors->size(); ++k)
      run.matching += (k ? ", " : "") + scores.item_names[(*options.anchors)[k]];
  }
  return run;
}

}  // namespace itemdif::cli
