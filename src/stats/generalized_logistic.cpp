// Logistic regression across G groups.
#include "stats/generalized_logistic.hpp"

#include <cstddef>
#include <vector>

#include "stats/notes.hpp"

namespace itemdif::stats {

LrTests generalized_lr_values(std::span<const ScoreCell> cells, bool polytomous,
                              std::span<const std::string> focal_values, double alpha) {
  GroupTerms terms;
  for (const std::string& value : focal_values) {
    terms.group.push_back("group_" + value);
    terms.trait_x_group.push_back("trait_x_group_" + value);
  }
  // The fits leave an empty group unnoted; here it is named.
  std::vector<double> n(focal_values.size() + 1, 0.0);
  for (const ScoreCell& cell : cells)
    if (cell.group < n.size()) n[cell.group] += cell.count;
  LrTests missing;
  missing.uniform_df = missing.nonuniform_df = static_cast<double>(focal_values.size());
  missing.df = 2.0 * missing.uniform_df;
  for (std::size_t g = 0; g < n.size(); ++g)
    if (!(n[g] > 0))
      add_note(missing.note, "no logistic regression: " +
                                 (g == 0 ? std::string("the reference group")
                                         : "focal group " + focal_values[g - 1]) +
                                 " has no examinees of the item");
  if (!missing.note.empty()) return missing;

  if (polytomous) return ordinal_lr_tests(cells, terms, alpha);
  return binary_lr_tests(binomial_cells(cells), terms, alpha);
}

}  // namespace itemdif::stats
