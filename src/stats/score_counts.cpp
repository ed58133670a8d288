// One round's counting pass over the score bytes.
#include "stats/score_counts.hpp"

#include <cstring>

namespace itemdif::stats {

namespace {
constexpr std::size_t kNotOwn = static_cast<std::size_t>(-1);

std::size_t own_scores(const ItemRange& range) {
  return static_cast<std::size_t>(range.score_max) + 1;
}
}  // namespace

ScoreCounts::ScoreCounts(const std::vector<ItemRange>& ranges, std::size_t groups,
                         const std::vector<std::uint8_t>& matching,
                         std::optional<ExternalRange> external)
    : ranges_(ranges), groups_(groups), matching_(matching), own_slot_(ranges.size(), kNotOwn) {
  // An external score is no sum of items: every item shares its rows, none has its own.
  if (external) matching_.assign(ranges.size(), 1);
  std::size_t highest = 0;
  offset_.resize(ranges_.size());
  for (std::size_t j = 0; j < ranges_.size(); ++j) {
    offset_[j] = row_width_;
    row_width_ += static_cast<std::size_t>(ranges_[j].score_max);
    highest += static_cast<std::size_t>(ranges_[j].score_max);
  }
  sums_ = highest + 1;
  if (external) {
    sums_ = static_cast<std::size_t>(external->high - external->low) + 1;
    lowest_sum_ = external->low;
  }
  examinees_.assign(sums_ * groups_, 0);
  scored_.assign(sums_ * groups_ * row_width_, 0);
  missing_.assign(sums_ * groups_ * ranges_.size(), 0);
  std::size_t own_size = 0;
  for (std::size_t j = 0; j < ranges_.size(); ++j)
    if (!matching_[j]) {
      own_slot_[j] = own_size;
      own_size += sums_ * groups_ * own_scores(ranges_[j]);
    }
  own_.assign(own_size, 0);
}

std::uint32_t ScoreCounts::at(std::size_t item, std::size_t sum, std::size_t group,
                              int score) const {
  const ItemRange& range = ranges_[item];
  if (score < range.score_min || score > range.score_max) return 0;
  if (own_slot_[item] != kNotOwn)
    return own_[own_slot_[item] + (sum * groups_ + group) * own_scores(range) +
                static_cast<std::size_t>(score)];
  const std::uint32_t* counters = scored_.data() + row(sum, group) + offset_[item];
  std::uint32_t count = score >= 1 ? counters[score - 1] : 0;
  if (score == range.score_min) {
    // Those left over: scored 0, or missing and counted at the lowest score.
    std::uint32_t left = examinees_[sum * groups_ + group] -
                         missing_[(sum * groups_ + group) * ranges_.size() + item];
    for (int y = 1; y <= range.score_max; ++y) left -= counters[y - 1];
    count += left;
  }
  return count;
}

Moments ScoreCounts::item_moments(std::size_t group, std::size_t item,
                                  std::optional<std::size_t> of) const {
  const std::size_t items = ranges_.size();
  Moments m;
  if (!moments_) return m;
  m.n = static_cast<double>(group_n_[group]);
  m.sum = static_cast<double>(item_sum_[group * items + item]);
  m.squares = static_cast<double>(item_squares_[group * items + item]);
  if (of && !missing_n_.empty()) {
    const std::size_t at = (group * items + *of) * items + item;
    m.n -= static_cast<double>(missing_n_[group * items + *of]);
    if (!missing_count_.empty()) {
      m.sum -= static_cast<double>(missing_count_[at]);
      m.squares -= static_cast<double>(missing_count_[at]);
    } else {
      m.sum -= static_cast<double>(missing_sum_[at]);
      m.squares -= static_cast<double>(missing_squares_[at]);
    }
  }
  return m;
}

namespace {

/// The moments of every item over each group's counted examinees, from the counts: the scores
/// by matching score, and the missing responses at the item's lowest score.
void add_item_moments(ScoreCounts& counts, const std::vector<ItemRange>& ranges,
                      std::vector<std::uint64_t>& group_n, std::vector<std::uint64_t>& sum,
                      std::vector<std::uint64_t>& squares,
                      const std::vector<std::uint32_t>& examinees,
                      const std::vector<std::uint32_t>& missing, std::size_t groups) {
  const std::size_t items = ranges.size();
  for (std::size_t t = 0; t <= counts.max_sum(); ++t)
    for (std::size_t g = 0; g < groups; ++g) {
      group_n[g] += examinees[t * groups + g];
      for (std::size_t j = 0; j < items; ++j) {
        const int low = ranges[j].score_min;
        for (int y = ranges[j].score_min; y <= ranges[j].score_max; ++y) {
          const std::uint64_t n = counts.at(j, t, g, y);
          sum[g * items + j] += n * static_cast<std::uint64_t>(y);
          squares[g * items + j] += n * static_cast<std::uint64_t>(y * y);
        }
        // A missing response left out of the item's counts counts at its lowest score here.
        const std::uint64_t missing_here = missing.empty() ? 0 : missing[(t * groups + g) * items + j];
        sum[g * items + j] += missing_here * static_cast<std::uint64_t>(low);
        squares[g * items + j] += missing_here * static_cast<std::uint64_t>(low * low);
      }
    }
}

}  // namespace

ScoreCounts count_scores(const data::ItemScores& scores,
                         const std::vector<std::uint8_t>& taking_part,
                         const std::vector<ItemRange>& ranges, std::size_t groups,
                         MissingPolicy policy, const std::vector<std::uint8_t>& matching,
                         std::span<const std::uint8_t> counted_group, CountExtras extras,
                         std::optional<ExternalRange> external) {
  const std::size_t items = scores.n_items();
  ScoreCounts counts(ranges, groups, matching, external);
  if (items == 0) return counts;
  const bool moments = extras.item_moments;
  const bool missing_moments = moments && policy == MissingPolicy::excluded;
  std::vector<std::uint32_t> value(items);
  std::vector<std::size_t> missing_items(items);
  bool dichotomous = true;
  std::vector<std::uint8_t> lowest(items), width(items);
  std::vector<std::size_t> own_items;
  for (std::size_t j = 0; j < items; ++j) {
    dichotomous = dichotomous && !ranges[j].polytomous;
    lowest[j] = static_cast<std::uint8_t>(ranges[j].score_min);
    width[j] = static_cast<std::uint8_t>(ranges[j].score_max);
    if (!counts.matching_[j]) own_items.push_back(j);
  }
  if (moments) {
    counts.moments_ = true;
    counts.group_n_.assign(groups, 0);
    counts.item_sum_.assign(groups * items, 0);
    counts.item_squares_.assign(groups * items, 0);
    if (missing_moments) {
      counts.missing_n_.assign(groups * items, 0);
      // Scores 0 and 1 square to themselves: a count serves as their sum and sum of squares.
      if (dichotomous) {
        counts.missing_count_.assign(groups * items * items, 0);
      } else {
        counts.missing_sum_.assign(groups * items * items, 0);
        counts.missing_squares_.assign(groups * items * items, 0);
      }
    }
  }

  // The sum takes an item's byte, a missing one replaced by the lowest score, through a mask.
  std::vector<std::uint8_t> in_sum_mask(items);
  for (std::size_t j = 0; j < items; ++j) in_sum_mask[j] = matching[j] ? 0xFF : 0;
  const std::uint8_t* __restrict mask = in_sum_mask.data();
  const std::uint8_t* __restrict in_sum = matching.data();  // 0 or 1
  const std::uint8_t* __restrict low = lowest.data();
  const std::uint8_t* __restrict top = width.data();
  const std::size_t* __restrict offset = counts.offset_.data();
  const bool count_missing = policy == MissingPolicy::excluded;

  const std::uint8_t* row = scores.scores.data();
  for (std::size_t i = 0; i < scores.n_examinees; ++i, row += items) {
    if (!taking_part[i]) continue;
    std::size_t g = scores.group[i];
    if (!counted_group.empty()) {
      g = g < counted_group.size() ? counted_group[g] : groups;
      if (g >= groups) continue;
    }
    const std::uint8_t* __restrict x = row;
    unsigned sum = 0;
    if (external) {
      sum = static_cast<unsigned>(scores.match[i] - external->low);
    } else if (dichotomous) {
      for (std::size_t j = 0; j < items; ++j) sum += static_cast<unsigned>((x[j] == 1) & in_sum[j]);
    } else {
      for (std::size_t j = 0; j < items; ++j) {
        const std::uint8_t v = x[j] == data::kMissing ? low[j] : x[j];
        sum += static_cast<unsigned>(v & mask[j]);
      }
    }
    counts.examinees_[sum * groups + g] += 1;
    // Items matched on: one contiguous row of counters per sum and group.
    std::uint32_t* __restrict counters = counts.scored_.data() + counts.row(sum, g);
    if (dichotomous) {
      for (std::size_t j = 0; j < items; ++j) counters[j] += x[j] == 1;
    } else {
      for (std::size_t j = 0; j < items; ++j) {
        // Scores 1..K go to their counter; 0 and missing (beyond K as unsigned) add nothing.
        const unsigned k = static_cast<unsigned>(x[j]) - 1u;
        const bool counted = k < top[j];
        counters[offset[j] + (counted ? k : 0u)] += counted;
      }
    }
    if (count_missing) {
      std::uint32_t* __restrict missing = counts.missing_.data() + (sum * groups + g) * items;
      for (std::size_t j = 0; j < items; ++j) missing[j] += x[j] == data::kMissing;
    }
    // Each item's moments over the examinees who did not answer item j, for j's examinees'.
    if (missing_moments && std::memchr(x, data::kMissing, items) != nullptr) {
      std::uint32_t* __restrict filled = value.data();
      // Without a branch, so that the loop runs on vectors: a missing byte selects the lowest.
      for (std::size_t i = 0; i < items; ++i) {
        const std::uint32_t byte = x[i];
        const std::uint32_t missing = 0u - static_cast<std::uint32_t>(byte == data::kMissing);
        filled[i] = (byte & ~missing) | (static_cast<std::uint32_t>(low[i]) & missing);
      }
      // Few responses are missing: found by memchr rather than tested one by one.
      std::size_t absent = 0;
      for (const void* at = std::memchr(x, data::kMissing, items); at != nullptr;
           at = std::memchr(static_cast<const std::uint8_t*>(at) + 1, data::kMissing,
                            items - (static_cast<const std::uint8_t*>(at) + 1 - x)))
        missing_items[absent++] = static_cast<std::size_t>(static_cast<const std::uint8_t*>(at) - x);
      const std::uint32_t* __restrict v = value.data();
      for (std::size_t k = 0; k < absent; ++k) {
        const std::size_t j = missing_items[k];
        counts.missing_n_[g * items + j] += 1;
        const std::size_t at = (g * items + j) * items;
        if (dichotomous) {
          // Scores 0 and 1: a count of examinees, and its own sum of squares.
          std::uint32_t* __restrict s = counts.missing_count_.data() + at;
          for (std::size_t i = 0; i < items; ++i) s[i] += v[i];
          continue;
        }
        std::uint64_t* __restrict s = counts.missing_sum_.data() + at;
        std::uint64_t* __restrict q = counts.missing_squares_.data() + at;
        for (std::size_t i = 0; i < items; ++i) {
          s[i] += v[i];
          q[i] += static_cast<std::uint64_t>(v[i]) * v[i];
        }
      }
    }
    // Items not matched on: their own score added to the sum.
    for (const std::size_t j : own_items) {
      std::uint8_t y = x[j];
      if (y == data::kMissing) {
        if (count_missing) continue;
        y = lowest[j];
      }
      counts.own_[counts.own_slot_[j] +
                  ((sum + y) * groups + g) * own_scores(ranges[j]) + y] += 1;
    }
  }
  if (moments)
    add_item_moments(counts, ranges, counts.group_n_, counts.item_sum_, counts.item_squares_,
                     counts.examinees_, count_missing ? counts.missing_ : std::vector<std::uint32_t>{},
                     groups);
  return counts;
}

}  // namespace itemdif::stats
