// The report file: every section as a function of the run's values, writing its lines.
#include "driver/report.hpp"

#include <span>
#include <string>
#include <string_view>

#include "driver/control_file.hpp"
#include "textio/layout.hpp"
#include "textio/writer.hpp"

namespace itemdif::driver {
namespace {

using textio::Layout;
using textio::OutputChannel;

std::string padded(std::string text, std::size_t length) {
  text.resize(length, ' ');
  return text;
}

std::string_view one_character(const char& c) { return {&c, 1}; }

}  // namespace

std::unique_ptr<OutputChannel> open_report(const RunData& run) {
  return OutputChannel::open_unknown(textio::kReportChannel, run.output_file_name);
}

void write_report_header(OutputChannel& report, const RunData& run) {
  // Unlike the console banner, the first two banner lines stand without an empty line between.
  static const Layout banner = Layout::compile("(/,/,13X,A52,/,25X,A40,/,/,22X,A40,/)");
  static const Layout title_block = Layout::compile(
      "(A160,/,/,'Reference Group: ',A60,/,'Focal Group: ',A60,/,"
      "'Number of Cases in Reference Group: ',I6,/,'Number of Cases in Focal Group:     ',I6,/)");
  static const Layout bounds = Layout::compile("(1X,999I5)");
  static const Layout note = Layout::compile("(/,/,'Note:',/,A80,/,A80,/,/)");
  static const std::string note_1 =
      padded("Alpha > 1.00 favors Reference Group; Alpha < 1.00 favors Focal Group", 80);
  static const std::string note_2 =
      padded("D-DIF < 0.00 favors Reference Group, D-DIF > 0.00 favors Focal Group", 80);

  const auto& texts = banner_texts();
  textio::write(report, banner, {texts[0], texts[1], texts[2]});
  textio::write(report, title_block,
                {run.title, run.reference_file_name, run.focal_file_name, run.n_reference,
                 run.n_focal});
  textio::write_list(report, "Conditioning Levels");
  textio::write(report, bounds, {std::span<const std::int32_t>(run.level_low)});
  textio::write(report, bounds, {std::span<const std::int32_t>(run.level_high)});
  textio::write(report, note, {note_1, note_2});
}

void write_no_variance(OutputChannel& report, const RunData& run,
                       const std::vector<std::size_t>& reference_items,
                       const std::vector<std::size_t>& focal_items) {
  static const Layout reference_line =
      Layout::compile("('Fatal Error: No variance for Item ',I3,' in Reference Group')");
  static const Layout focal_line =
      Layout::compile("('Fatal Error: No variance for Item ',I3,' in Focal Group')");
  for (std::size_t j : reference_items) textio::write(report, reference_line, {run.item_label[j]});
  textio::write_list(report);
  for (std::size_t j : focal_items) textio::write(report, focal_line, {run.item_label[j]});
}

void write_pass_heading(OutputChannel& report, std::int32_t number) {
  static const Layout heading = Layout::compile("(/,/,'Results for Pass Number: ',I1)");
  textio::write(report, heading, {number});
}

void write_thin_levels(OutputChannel& report, const RunData& run,
                       const std::vector<std::size_t>& thin) {
  static const Layout warning =
      Layout::compile("('WARNING: Insufficient Data Found in Level: ',I3,' -',I3)");
  for (std::size_t k : thin) textio::write(report, warning, {run.level_low[k], run.level_high[k]});
}

void write_pass_table(OutputChannel& report, const RunData& run, const PassResult& pass) {
  static const Layout se_heading = Layout::compile("(61X,A2)");
  static const Layout column_heading = Layout::compile("(2X,A5,8X,A6,3X,A6,5X,A8,4X,A8,2X,A10)");
  static const Layout item_row =
      Layout::compile("(A1,A1,1X,I3,A3,5X,F6.3,5X,F7.3,5X,F6.3,5X,F6.3,5X,F6.3)");
  textio::write(report, se_heading, {"SE"});
  textio::write(report, column_heading,
                {"ITEM", "Alpha", "X^2", "P-Value", "MH D-DIF", "(MH D-DIF)"});
  for (std::size_t j = 0; j < pass.items.size(); ++j) {
    const MhItem& item = pass.items[j];
    textio::write(report, item_row,
                  {one_character(item.category), one_character(pass.favored_group[j]),
                   run.item_label[j], item.significance_mark, item.alpha, item.chi_square,
                   item.p_value, item.mh_d_dif, item.se_d_dif});
  }
}

void write_purge_list(OutputChannel& report, const RunData& run, std::int32_t number,
                      const std::vector<std::size_t>& purged) {
  static const Layout pass_1 =
      Layout::compile("(/,'Number of Items Purged in Pass 1: ',I3,/,'Item Numbers: ')");
  static const Layout pass_2 =
      Layout::compile("(/,'Number of Items Purged in Pass 2: ',I3,/,'Item Numbers: ')");
  static const Layout label = Layout::compile("(999(I3))");
  textio::write(report, number == 1 ? pass_1 : pass_2, {static_cast<std::int32_t>(purged.size())});
  for (std::size_t j : purged) textio::write(report, label, {run.item_label[j]});
}

void write_curves(OutputChannel& report, const RunData& run, const PassResult& pass,
                  const CurveTable& curves) {
  static const Layout heading = Layout::compile(
      "(/,/,/,20X,'Empirical Item Characteristic Curves (Items purged from Pass 2)')");
  static const Layout item_heading =
      Layout::compile("(/,/,'Item ',I3,3X,'ETS Code = ',A1,1X,A1)");
  static const Layout proportions = Layout::compile("(2X,A3,2X,999F6.2)");
  static const Layout bounds = Layout::compile("(2X,A3,2X,999I6)");

  textio::write(report, heading);
  const std::size_t n_levels = count_of(run.n_levels);
  const std::span<const std::int32_t> lows(run.level_low.data(), n_levels);
  const std::span<const std::int32_t> highs(run.level_high.data(), n_levels);
  for (std::size_t j = 0; j < pass.items.size(); ++j) {
    textio::write(report, item_heading,
                  {run.item_label[j], one_character(pass.items[j].category),
                   one_character(pass.favored_group[j])});
    textio::write(report, proportions,
                  {"R", std::span<const double>(curves.reference.row(j), n_levels)});
    textio::write(report, proportions,
                  {"F", std::span<const double>(curves.focal.row(j), n_levels)});
    textio::write(report, bounds, {"L", lows});
    textio::write(report, bounds, {"U", highs});
  }
}

void write_procedure_heading(OutputChannel& report) {
  static const Layout heading = Layout::compile(
      "(/,/,' Logistic Regression Procedure.  Note: Items purged from previous step',/)");
  textio::write(report, heading);
}

void write_fit_heading(OutputChannel& report, std::int32_t label) {
  static const Layout heading = Layout::compile(
      "(/,/,'Item Number:',I3,7X,'Estimate',4X,'SE Estimate',7X,'Z',9X,'p-value')");
  textio::write(report, heading, {label});
}

void write_fit(OutputChannel& report, const ItemFit& fit) {
  static const Layout coefficient = Layout::compile("(A20,4(F10.6,3X))");
  static const std::string names[] = {padded("Intercept", 20), padded("Trait", 20),
                                      padded("Group", 20), padded("Trait x Group", 20)};
  for (std::size_t c = 0; c < fit.coefficients.size(); ++c) {
    const FitCoefficient& row = fit.coefficients[c];
    textio::write(report, coefficient,
                  {names[c], row.estimate, row.standard_error, row.z, row.p_value});
  }
}

}  // namespace itemdif::driver
