// Empirical item characteristic curves of both groups, from the pass-2 level tables.
#include "driver/curves.hpp"

#include <cstddef>
#include <span>
#include <string_view>

#include "textio/layout.hpp"
#include "textio/writer.hpp"

namespace itemdif::driver {

namespace {

using textio::Layout;

// Proportions lie in [0, 1]; this stands out in their column as "not computed".
constexpr double kNoProportion = 9.0;

const Layout& heading_layout() {
  static const Layout layout = Layout::compile(
      "(/,/,/,20X,'Empirical Item Characteristic Curves (Items purged from Pass 2)')");
  return layout;
}
const Layout& item_layout() {
  static const Layout layout = Layout::compile("(/,/,'Item ',I3,3X,'ETS Code = ',A1,1X,A1)");
  return layout;
}
const Layout& proportion_layout() {
  static const Layout layout = Layout::compile("(2X,A3,2X,999F6.2)");
  return layout;
}
const Layout& bound_layout() {
  static const Layout layout = Layout::compile("(2X,A3,2X,999I6)");
  return layout;
}

}  // namespace

void write_curves(RunData& run, textio::OutputChannel& report) {
  textio::write(report, heading_layout(), std::span<const textio::Value>{});
  const std::size_t n_items = count_of(run.n_items);
  const std::size_t n_levels = count_of(run.n_levels);

  for (std::size_t j = 0; j < n_items; ++j) {
    textio::write(report, item_layout(),
                  {run.item_label[j], std::string_view(&run.ets_code[j], 1),
                   std::string_view(&run.favored_group[j], 1)});
    for (std::size_t k = 0; k < n_levels; ++k) {
      if (run.level_valid(k, j) == 1) {
        run.icc_reference_row[k] = run.level_counts[kReference][kCorrect](k, j) /
                                   run.level_counts[kReference][kBoth](k, j);
        run.icc_focal_row[k] =
            run.level_counts[kFocal][kCorrect](k, j) / run.level_counts[kFocal][kBoth](k, j);
      } else {
        run.icc_reference_row[k] = kNoProportion;
        run.icc_focal_row[k] = kNoProportion;
      }
    }
    const std::span<const double> reference_row(run.icc_reference_row.data(), n_levels);
    const std::span<const double> focal_row(run.icc_focal_row.data(), n_levels);
    const std::span<const std::int32_t> lows(run.level_low.data(), n_levels);
    const std::span<const std::int32_t> highs(run.level_high.data(), n_levels);
    textio::write(report, proportion_layout(), {"R", reference_row});
    textio::write(report, proportion_layout(), {"F", focal_row});
    textio::write(report, bound_layout(), {"L", lows});
    textio::write(report, bound_layout(), {"U", highs});
  }
}

}  // namespace itemdif::driver
