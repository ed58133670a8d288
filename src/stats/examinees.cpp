// Who takes part in an analysis under its missing-response policy.
#include "stats/examinees.hpp"

#include <string>

namespace itemdif::stats {

Examinees select_examinees(const data::ItemScores& scores, MissingPolicy policy) {
  const std::size_t n = scores.n_examinees;
  const std::size_t items = scores.n_items();
  if (scores.group.size() != n || scores.scores.size() != n * items)
    throw data::InputError("the item scores do not hold one group and " +
                           std::to_string(items) + " scores for each of " + std::to_string(n) +
                           " examinees");
  Examinees e;
  e.taking_part.assign(n, 1);
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t* row = scores.scores.data() + i * items;
    // Flags or-ed over the row, so that the loop runs without branches.
    unsigned missing = 0;
    unsigned invalid = 0;
    for (std::size_t j = 0; j < items; ++j) {
      const std::uint8_t x = row[j];
      missing |= x == data::kMissing;
      invalid |= (x > 1) & (x != data::kMissing);
    }
    if (invalid)
      for (std::size_t j = 0; j < items; ++j)
        if (row[j] > 1 && row[j] != data::kMissing)
          throw data::InputError("examinee " + std::to_string(i + 1) + ", item " +
                                 scores.item_names[j] + ": " + std::to_string(row[j]) +
                                 " is not a score (0 or 1) or missing");
    const std::uint8_t g = scores.group[i];
    if (g != data::kReferenceGroup && g != data::kFocalGroup)
      throw data::InputError("examinee " + std::to_string(i + 1) + ": group code " +
                             std::to_string(g) + " is neither reference nor focal");
    if (missing && policy == MissingPolicy::listwise) {
      e.taking_part[i] = 0;
      ++e.left_out;
      continue;
    }
    (g == data::kFocalGroup ? e.n_focal : e.n_reference) += 1;
  }
  return e;
}

}  // namespace itemdif::stats
