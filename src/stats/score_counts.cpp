// One round's counting pass over the score bytes.
#include "stats/score_counts.hpp"

namespace itemdif::stats {

namespace {
constexpr std::size_t kNotOwn = static_cast<std::size_t>(-1);
}

ScoreCounts::ScoreCounts(std::size_t items, const std::vector<std::uint8_t>& matching)
    : items_(items), scores_(items + 1), matching_(matching), own_slot_(items, kNotOwn) {
  examinees_.assign(scores_ * 2, 0);
  correct_.assign(scores_ * 2 * items_, 0);
  missing_.assign(scores_ * 2 * items_, 0);
  std::size_t slots = 0;
  for (std::size_t j = 0; j < items_; ++j)
    if (!matching_[j]) own_slot_[j] = slots++;
  own_.assign(slots * scores_ * 4, 0);
}

std::uint32_t ScoreCounts::at(std::size_t item, std::size_t score, std::uint8_t group,
                              std::uint8_t response) const {
  if (own_slot_[item] != kNotOwn)
    return own_[((own_slot_[item] * scores_ + score) * 2 + group) * 2 + response];
  const std::size_t k = row(score, group) + item;
  if (response == 1) return correct_[k];
  return examinees_[score * 2 + group] - missing_[k] - correct_[k];
}

ScoreCounts count_scores(const data::ItemScores& scores, const Examinees& examinees,
                         MissingPolicy policy, const std::vector<std::uint8_t>& matching) {
  const std::size_t items = scores.n_items();
  ScoreCounts counts(items, matching);
  if (items == 0) return counts;

  std::vector<std::size_t> own_items;
  for (std::size_t j = 0; j < items; ++j)
    if (!matching[j]) own_items.push_back(j);
  const std::uint8_t* __restrict in_sum = matching.data();
  const bool count_missing = policy == MissingPolicy::excluded;
  const std::size_t scores_per_item = counts.scores_;

  const std::uint8_t* row = scores.scores.data();
  for (std::size_t i = 0; i < scores.n_examinees; ++i, row += items) {
    if (!examinees.taking_part[i]) continue;
    const std::uint8_t* __restrict x = row;
    unsigned sum = 0;
    for (std::size_t j = 0; j < items; ++j) sum += static_cast<unsigned>((x[j] == 1) & in_sum[j]);
    const std::uint8_t g = scores.group[i];
    counts.examinees_[sum * 2 + g] += 1;
    // Items matched on: one contiguous row of counters per sum and group.
    std::uint32_t* __restrict correct = counts.correct_.data() + counts.row(sum, g);
    for (std::size_t j = 0; j < items; ++j) correct[j] += x[j] == 1;
    if (count_missing) {
      std::uint32_t* __restrict missing = counts.missing_.data() + counts.row(sum, g);
      for (std::size_t j = 0; j < items; ++j) missing[j] += x[j] == data::kMissing;
    }
    // Items not matched on: their own score added to the sum.
    for (std::size_t slot = 0; slot < own_items.size(); ++slot) {
      const std::uint8_t response = x[own_items[slot]];
      if (response == data::kMissing && count_missing) continue;
      const unsigned correct_answer = response == 1 ? 1u : 0u;
      counts.own_[((slot * scores_per_item + sum + correct_answer) * 2 + g) * 2 +
                  correct_answer] += 1;
    }
  }
  return counts;
}

}  // namespace itemdif::stats
