// The two Mantel-Haenszel passes: counting, statistics, purification and the result tables.
#include "driver/passes.hpp"

#include <cstddef>
#include <string_view>

#include "driver/levels.hpp"
#include "driver/mantel_haenszel.hpp"
#include "textio/layout.hpp"
#include "textio/writer.hpp"

namespace itemdif::driver {

namespace {

using textio::Layout;

const Layout& progress_layout() {
  static const Layout layout =
      Layout::compile("('              COMPUTING M-H CHI-SQUARE,  PASS #',I1)");
  return layout;
}
const Layout& heading_layout() {
  static const Layout layout = Layout::compile("(/,/,'Results for Pass Number: ',I1)");
  return layout;
}
const Layout& se_heading_layout() {
  static const Layout layout = Layout::compile("(61X,A2)");
  return layout;
}
const Layout& column_heading_layout() {
  static const Layout layout = Layout::compile("(2X,A5,8X,A6,3X,A6,5X,A8,4X,A8,2X,A10)");
  return layout;
}
const Layout& item_row_layout() {
  static const Layout layout =
      Layout::compile("(A1,A1,1X,I3,A3,5X,F6.3,5X,F7.3,5X,F6.3,5X,F6.3,5X,F6.3)");
  return layout;
}
const Layout& purge_count_layout(std::int32_t pass) {
  static const Layout pass_1 =
      Layout::compile("(/,'Number of Items Purged in Pass 1: ',I3,/,'Item Numbers: ')");
  static const Layout pass_2 =
      Layout::compile("(/,'Number of Items Purged in Pass 2: ',I3,/,'Item Numbers: ')");
  return pass == 1 ? pass_1 : pass_2;
}
const Layout& label_layout() {
  static const Layout layout = Layout::compile("(999(I3))");
  return layout;
}

}  // namespace

void remove_from_totals(RunData& run, std::size_t j) {
  for (std::size_t i = 0; i < count_of(run.n_reference); ++i)
    run.reference_total[i] -= run.reference_responses(i, j);
  for (std::size_t i = 0; i < count_of(run.n_focal); ++i)
    run.focal_total[i] -= run.focal_responses(i, j);
}

void purify(RunData& run, bool lower_totals) {
  run.purged_count = 0;
  const std::size_t n_items = count_of(run.n_items);
  for (std::size_t j = 0; j < n_items; ++j) {
    if (run.ets_code[j] != 'C') continue;
    ++run.purged_count;
    if (lower_totals) remove_from_totals(run, j);
    // An alpha of exactly 1 names neither group.
    if (run.alpha[j] > 1.0)
      run.favored_group[j] = 'R';
    else if (run.alpha[j] < 1.0)
      run.favored_group[j] = 'F';
  }
}

void write_pass_table(const RunData& run, textio::OutputChannel& report) {
  textio::write(report, se_heading_layout(), {"SE"});
  textio::write(report, column_heading_layout(),
                {"ITEM", "Alpha", "X^2", "P-Value", "MH D-DIF", "(MH D-DIF)"});
  for (std::size_t j = 0; j < count_of(run.n_items); ++j) {
    textio::write(report, item_row_layout(),
                  {std::string_view(&run.ets_code[j], 1),
                   std::string_view(&run.favored_group[j], 1), run.item_label[j],
                   run.significance_mark[j], run.alpha[j], run.chi_square[j], run.p_value[j],
                   run.mh_d_dif[j], run.se_d_dif[j]});
  }
}

void write_purge_list(const RunData& run, textio::OutputChannel& report, std::int32_t pass) {
  textio::write(report, purge_count_layout(pass), {run.purged_count});
  for (std::size_t j = 0; j < count_of(run.n_items); ++j)
    if (run.ets_code[j] == 'C') textio::write(report, label_layout(), {run.item_label[j]});
}

void run_passes(RunData& run, textio::OutputChannel& report) {
  for (std::int32_t pass = 1; pass <= 2; ++pass) {
    run.pass = pass;
    textio::write(textio::console_output(), progress_layout(), {pass});
    textio::write(report, heading_layout(), {pass});

    for (char& group : run.favored_group) group = ' ';
    count_levels(run, report);
    mantel_haenszel(run);
    // Only pass 1 changes the matching score; pass 2 just counts and marks.
    purify(run, pass == 1);
    write_pass_table(run, report);

    if (pass == 1) write_purge_list(run, report, 1);
  }
}

}  // namespace itemdif::driver
