// The report's table of the overall analysis: one row per item with the tests of every group
// together.
#pragma once

#include <cstddef>
#include <vector>

#include "results/markup_writer.hpp"
#include "stats/analysis.hpp"

namespace itemdif::results {

/// Writes <table class="items overall"> with the overall items in `order`: n, the computed
/// overall columns (`overall.columns`) that declare a heading, in their order, whether the
/// item is flagged and its note. Each item's name links to its figure "#item-INDEX".
void write_overall_table(MarkupWriter& page, const stats::OverallAnalysis& overall,
                         const std::vector<std::size_t>& order);

}  // namespace itemdif::results
