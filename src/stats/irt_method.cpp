// The IRT method: the round's fits of every item at once, prepared before the items, each item
// then reading its own tests.
#include "stats/irt_method.hpp"

#include <array>
#include <memory>

#include "irt/irt_dif.hpp"

namespace itemdif::stats {
namespace {

constexpr std::array<const Column*, 12> kColumns = {
    &column::irt_chi_square,         &column::irt_df,
    &column::irt_p,                  &column::irt_p_adjusted,
    &column::irt_uniform_chi_square, &column::irt_uniform_df,
    &column::irt_uniform_p,          &column::irt_nonuniform_chi_square,
    &column::irt_nonuniform_df,      &column::irt_nonuniform_p,
    &column::irt_esd,                &column::irt_uesd,
};
constexpr std::array<const Column*, 10> kOverallColumns = {
    &overall_column::irt_chi_square,  &overall_column::irt_df,
    &overall_column::irt_p,           &overall_column::irt_p_adjusted,
    &column::irt_uniform_chi_square,  &column::irt_uniform_df,
    &column::irt_uniform_p,           &column::irt_nonuniform_chi_square,
    &column::irt_nonuniform_df,       &overall_column::irt_nonuniform_p,
};

using Tests = std::vector<irt::IrtItemTest>;

std::any prepare(const RoundInput& round) {
  const AnalysisFrame& frame = round.frame;
  const data::ItemScores& scores = frame.scores;
  const std::size_t groups = frame.groups.size();
  // Each examinee's group in the analysis; those left out get a code beyond the groups.
  std::vector<std::uint8_t> group(scores.n_examinees, static_cast<std::uint8_t>(groups));
  for (std::size_t i = 0; i < scores.n_examinees; ++i) {
    if (!frame.taking_part[i]) continue;
    const std::size_t code = scores.group[i];
    const std::size_t g = frame.counted_group.empty()
                              ? code
                              : (code < frame.counted_group.size() ? frame.counted_group[code]
                                                                   : groups);
    if (g < groups) group[i] = static_cast<std::uint8_t>(g);
  }
  irt::IrtData data;
  data.scores = scores.scores;
  data.n_items = scores.n_items();
  data.group = group;
  data.groups = groups;
  for (const ItemRange& range : frame.ranges) {
    data.score_min.push_back(range.score_min);
    data.score_max.push_back(range.score_max);
    data.polytomous.push_back(range.polytomous);
  }
  data.item_names = scores.item_names;
  data.missing = round.options.missing;
  irt::IrtRequest request{data, round.matching, {}, frame.group_values, round.options.threads};
  for (std::size_t j = 0; j < data.n_items; ++j) request.studied.push_back(j);
  return std::make_shared<const Tests>(irt::irt_dif(request));
}

Cell whole(const std::optional<int>& value) {
  if (!value) return std::monostate{};
  return static_cast<std::int64_t>(*value);
}

MethodValues values_of(const ItemInput& item, bool overall) {
  const auto& tests = std::any_cast<const std::shared_ptr<const Tests>&>(item.prepared);
  const irt::IrtItemTest& t = tests->at(item.item);
  MethodValues values;
  values.cells = cells_of(number_cell(t.chi_square), whole(t.df), number_cell(t.p), Cell{},
                          number_cell(t.uniform_chi_square), whole(t.uniform_df),
                          number_cell(t.uniform_p), number_cell(t.nonuniform_chi_square),
                          whole(t.nonuniform_df), number_cell(t.nonuniform_p));
  if (!overall) {
    values.cells.push_back(number_cell(t.esd));
    values.cells.push_back(number_cell(t.uesd));
  }
  for (const irt::IrtCoefficient& c : t.coefficients)
    values.coefficients.push_back({c.model, c.term, c.estimate, {}, {}, {}});
  values.note = t.note;
  // The fitted expected-score curves of the free model over the quadrature nodes.
  const std::vector<std::string>& names = item.round.frame.group_values;
  for (std::size_t g = 0; g < t.expected_free.size(); ++g) {
    MethodValues::Series curve{g < names.size() ? names[g] : std::string(), {}};
    // The nodes within four standard deviations: where the groups' examinees are.
    for (std::size_t q = 10; q + 10 < t.expected_free[g].size(); ++q)
      curve.points.emplace_back(-6.0 + 0.2 * static_cast<double>(q), t.expected_free[g][q]);
    values.figures.push_back(std::move(curve));
  }
  return values;
}

MethodValues compute(const ItemInput& item) { return values_of(item, false); }
MethodValues compute_overall(const ItemInput& item) { return values_of(item, true); }

bool adjusted_p_below(const MethodValues& values, double alpha) {
  const std::optional<double> p = cell_number(value_of(values, kColumns, column::irt_p_adjusted));
  return p && *p < alpha;
}
bool overall_p_below(const MethodValues& values, double alpha) {
  const std::optional<double> p =
      cell_number(value_of(values, kOverallColumns, overall_column::irt_p_adjusted));
  return p && *p < alpha;
}

constexpr std::array<FlagRule, 1> kFlagRules = {{
    {"irt", "adjusted IRT likelihood-ratio p below alpha; needs irt", adjusted_p_below},
}};

}  // namespace

Method irt_method() {
  Method method{"irt", "IRT likelihood-ratio DIF", false, kColumns, compute};
  method.overall_columns = kOverallColumns;
  method.compute_overall = compute_overall;
  method.prepare = prepare;
  method.flag_rules = kFlagRules;
  method.overall_flag = overall_p_below;
  method.last_round_only = true;
  method.own_summary_table = "IRT likelihood-ratio DIF";
  method.figure_title = "IRT: fitted expected item score";
  method.figure_x_label = "trait (\u03b8)";
  method.needs_item_matching = true;
  return method;
}

}  // namespace itemdif::stats
