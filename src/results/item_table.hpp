// The report's item table: one row per item with its counts and the values every method run
// shows there.
#pragma once

#include <cstddef>
#include <vector>

#include "results/markup_writer.hpp"
#include "results/run_description.hpp"
#include "stats/analysis.hpp"

namespace itemdif::results {

/// One <td> of `value` as the report shows a column of its kind: a class filled by its class,
/// a p-value, a number with the column's decimals.
void write_value_cell(MarkupWriter& page, const stats::Column& column, const stats::Cell& value);

/// Writes <table class="items"> with the comparison's items in `order`: the columns of each
/// method run that declares a heading. Each item's name links to its figure "#item-INDEX".
void write_item_table(MarkupWriter& page, const RunDescription& run,
                      const stats::Comparison& comparison, const std::vector<std::size_t>& order);

}  // namespace itemdif::results
