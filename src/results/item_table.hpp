// The report's item table: one row per item with its counts, Mantel-Haenszel values and the
// classes of every method run.
#pragma once

#include <cstddef>
#include <vector>

#include "results/markup_writer.hpp"
#include "stats/dif_analysis.hpp"

namespace itemdif::results {

/// Writes <table class="items"> with the rows in `order`. The columns of standardization,
/// Breslow-Day and the logistic regression appear when `methods` says they were computed.
/// Each item's name links to its figure "#item-INDEX".
void write_item_table(MarkupWriter& page, const stats::DifAnalysis& analysis,
                      const std::vector<std::size_t>& order, const stats::Methods& methods);

}  // namespace itemdif::results
