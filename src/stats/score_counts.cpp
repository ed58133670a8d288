// One round's counting pass over the score bytes.
#include "stats/score_counts.hpp"

namespace itemdif::stats {

ScoreCounts count_scores(const data::ItemScores& scores, const Examinees& examinees,
                         MissingPolicy policy, const std::vector<std::uint8_t>& matching) {
  const std::size_t items = scores.n_items();
  ScoreCounts counts(items, items);
  if (items == 0) return counts;

  // own[j] is 1 where item j adds its own score to the sum, i.e. where it is not matched on.
  std::vector<std::uint8_t> own(items);
  for (std::size_t j = 0; j < items; ++j) own[j] = matching[j] ? 0 : 1;
  const std::uint8_t* in_sum = matching.data();
  const std::uint8_t* adds_own = own.data();
  const bool skip_missing = policy == MissingPolicy::excluded;
  std::uint32_t* table = counts.item_data(0);
  const std::size_t item_stride = (items + 1) * 4;

  const std::uint8_t* row = scores.scores.data();
  for (std::size_t i = 0; i < scores.n_examinees; ++i, row += items) {
    if (!examinees.taking_part[i]) continue;
    unsigned sum = 0;
    for (std::size_t j = 0; j < items; ++j)
      sum += static_cast<unsigned>((row[j] == 1) & in_sum[j]);
    std::uint32_t* cell = table + scores.group[i] * 2u;
    for (std::size_t j = 0; j < items; ++j, cell += item_stride) {
      const std::uint8_t x = row[j];
      if (x == data::kMissing && skip_missing) continue;
      const unsigned correct = x == 1 ? 1u : 0u;
      cell[(sum + (correct & adds_own[j])) * 4 + correct] += 1;
    }
  }
  return counts;
}

}  // namespace itemdif::stats
