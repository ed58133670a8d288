// The SIBTEST method: SIBTEST and crossing SIBTEST of every item on the subtest of the round's
// other matching items, of the bundles in the last round, and the flag rule on its class.
#pragma once

#include "stats/method.hpp"

namespace itemdif::stats {

namespace column {
inline constexpr Column sib_beta =
    Column("sib_beta")
        .report("SIB beta", "SIBTEST beta: the focal minus the reference group's adjusted mean "
                            "item score; below 0 the item favours the reference group")
        .shown_in(SummaryTable::methods, "SIB beta", 8);
inline constexpr Column sib_se("sib_se");
inline constexpr Column sib_chi_square("sib_chi_square");
inline constexpr Column sib_p = Column("sib_p", ColumnKind::p_value)
                                    .report("SIB p", "SIBTEST chi-square (beta / SE)², upper tail")
                                    .shown_in(SummaryTable::methods, "SIB p", 10);
inline constexpr Column sib_p_adjusted =
    Column("sib_p_adjusted", ColumnKind::p_value).adjusting(sib_p);
inline constexpr Column sib_class = Column("sib_class", ColumnKind::dif_class)
                                        .report("SIB", "SIBTEST class from |beta|")
                                        .shown_in(SummaryTable::methods, "SIB", 3);
inline constexpr Column csib_beta("csib_beta");
inline constexpr Column csib_chi_square("csib_chi_square");
inline constexpr Column csib_df("csib_df", ColumnKind::whole);
inline constexpr Column csib_p =
    Column("csib_p", ColumnKind::p_value).nonuniform_test("crossing SIBTEST p");
inline constexpr Column csib_crossing("csib_crossing");
}  // namespace column

Method sibtest_method();

}  // namespace itemdif::stats
