// The report's table of the comparisons side by side: per item each comparison's ETS class and
// D-DIF.
#pragma once

#include <cstddef>
#include <vector>

#include "results/markup_writer.hpp"
#include "stats/analysis.hpp"

namespace itemdif::results {

/// Writes <table class="items classes"> with the items in `order`: per comparison (headed by
/// its focal group, in its colour) the item's ETS class and D-DIF, then where the item is
/// flagged (the focal groups, and "overall"). A row is "flagged" when the item is flagged in
/// any comparison or overall. Each item's name links to its figure "#item-INDEX".
void write_class_table(MarkupWriter& page, const stats::DifAnalysis& analysis,
                       const std::vector<std::size_t>& order);

}  // namespace itemdif::results
