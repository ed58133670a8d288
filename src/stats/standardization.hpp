// The standardization method: the standardized difference of the groups' mean item scores
// (STD P-DIF for a 0/1 item) over an item's used levels, its standard error and its class.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "stats/item_range.hpp"
#include "stats/level_table.hpp"
#include "stats/method.hpp"
#include "stats/standardized_difference.hpp"

namespace itemdif::stats {

namespace column {
inline constexpr Column std_p_dif = Column("std_p_dif")
                                        .report("STD P-DIF", "standardized difference of proportions correct")
                                        .shown_in(SummaryTable::methods, "P-DIF", 8);
inline constexpr Column std_se("std_se");
inline constexpr Column std_class = Column("std_class", ColumnKind::dif_class)
                                        .report("STD", "class from STD P-DIF")
                                        .shown_in(SummaryTable::methods, "STD", 3);
}  // namespace column

Method standardization_method();

}  // namespace itemdif::stats
