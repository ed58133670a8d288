// The IRT likelihood-ratio method: each item's parameters freed across the groups while the
// round's other matching items anchor the scale, tested by likelihood ratios of marginal fits.
#pragma once

#include "stats/method.hpp"

namespace itemdif::stats {

namespace column {
inline constexpr Column irt_chi_square =
    Column("irt_chi_square").shown_in(SummaryTable::methods, "chi2", 9);
inline constexpr Column irt_df =
    Column("irt_df", ColumnKind::whole).shown_in(SummaryTable::methods, "df", 3);
inline constexpr Column irt_p =
    Column("irt_p", ColumnKind::p_value)
        .report("IRT p", "IRT likelihood ratio of the free against the constrained model")
        .shown_in(SummaryTable::methods, "IRT p", 10);
inline constexpr Column irt_p_adjusted =
    Column("irt_p_adjusted", ColumnKind::p_value).adjusting(irt_p);
inline constexpr Column irt_uniform_chi_square("irt_uniform_chi_square");
inline constexpr Column irt_uniform_df("irt_uniform_df", ColumnKind::whole);
inline constexpr Column irt_uniform_p("irt_uniform_p", ColumnKind::p_value);
inline constexpr Column irt_nonuniform_chi_square("irt_nonuniform_chi_square");
inline constexpr Column irt_nonuniform_df("irt_nonuniform_df", ColumnKind::whole);
inline constexpr Column irt_nonuniform_p =
    Column("irt_nonuniform_p", ColumnKind::p_value).nonuniform_test("IRT non-uniform p");
inline constexpr Column irt_esd =
    Column("irt_esd")
        .report("IRT ESD", "expected score difference, focal minus reference, over the focal "
                           "group's trait distribution; below 0 the item favours the reference "
                           "group")
        .shown_in(SummaryTable::methods, "esd", 8);
inline constexpr Column irt_uesd("irt_uesd");
}  // namespace column

/// The overall test's columns that differ from the comparisons' (where the summary and the
/// report show them); the others are the comparisons' own.
namespace overall_column {
inline constexpr Column irt_chi_square("irt_chi_square");
inline constexpr Column irt_df("irt_df", ColumnKind::whole);
inline constexpr Column irt_p =
    Column("irt_p", ColumnKind::p_value)
        .report("IRT p", "IRT likelihood ratio over every group")
        .shown_in(SummaryTable::items, "IRT p", 10);
inline constexpr Column irt_p_adjusted =
    Column("irt_p_adjusted", ColumnKind::p_value).adjusting(irt_p);
inline constexpr Column irt_nonuniform_p("irt_nonuniform_p", ColumnKind::p_value);
}  // namespace overall_column

Method irt_method();

}  // namespace itemdif::stats
