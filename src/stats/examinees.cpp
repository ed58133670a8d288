// Who takes part in an analysis under its missing-response policy.
#include "stats/examinees.hpp"

#include <string>

namespace itemdif::stats {

Examinees select_examinees(const data::ItemScores& scores, std::size_t groups,
                           MissingPolicy policy) {
  const std::size_t n = scores.n_examinees;
  const std::size_t items = scores.n_items();
  if (scores.group.size() != n || scores.scores.size() != n * items)
    throw data::InputError("the item scores do not hold one group and " +
                           std::to_string(items) + " scores for each of " + std::to_string(n) +
                           " examinees");
  Examinees e;
  e.taking_part.assign(n, 1);
  e.group_sizes.assign(groups, 0);
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t g = scores.group[i];
    if (g >= groups)
      throw data::InputError("examinee " + std::to_string(i + 1) + ": group code " +
                             std::to_string(g) + " is none of the analysis's " +
                             std::to_string(groups) + " groups");
    if (policy == MissingPolicy::listwise) {
      const std::uint8_t* row = scores.scores.data() + i * items;
      // Or-ed over the row, so that the loop runs without branches.
      unsigned missing = 0;
      for (std::size_t j = 0; j < items; ++j) missing |= row[j] == data::kMissing;
      if (missing) {
        e.taking_part[i] = 0;
        ++e.left_out;
        continue;
      }
    }
    e.group_sizes[g] += 1;
  }
  return e;
}

}  // namespace itemdif::stats
