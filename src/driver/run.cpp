// The run sequence: each stage is computed and then written, so a run that stops keeps in its
// report everything before the stop. The ends of a run are decided here and nowhere else.
#include "driver/run.hpp"

#include <memory>
#include <new>
#include <optional>
#include <ostream>
#include <string_view>

#include "driver/console_lines.hpp"
#include "driver/control_file.hpp"
#include "driver/fits_ahead.hpp"
#include "driver/group_data.hpp"
#include "driver/report.hpp"
#include "driver/stops.hpp"
#include "numerr/error_stack.hpp"
#include "textio/errors.hpp"

namespace itemdif::driver {

void run_passes(const RunData& run, Analysis& analysis, textio::OutputChannel& report,
                textio::OutputChannel& console) {
  for (std::int32_t number = 1; number <= 2; ++number) {
    show_pass(console, number);
    write_pass_heading(report, number);
    const PassResult* previous = analysis.passes.empty() ? nullptr : &analysis.passes.back();
    LevelTables levels = count_levels(run, pass_matching(run, previous));
    write_thin_levels(report, run, thin_levels(levels));
    analysis.passes.push_back(pass_result(number, std::move(levels)));
    write_pass_table(report, run, analysis.passes.back());
    // Pass 2's list comes with the logistic procedure, which is the one to leave its items out.
    if (number == 1) write_purge_list(report, run, 1, analysis.passes.back().purged);
  }
}

void run_logistic_procedure(const RunData& run, Analysis& analysis,
                            textio::OutputChannel& report, textio::OutputChannel& console,
                            std::size_t fit_threads) {
  show_logistic_heading(console);
  analysis.fit_purged = analysis.passes.back().purged;
  LogisticProcedure procedure(run, analysis.fit_purged);
  const std::size_t n_items = count_of(run.n_items);
  // Items are fitted ahead on the workers; each is still written, and its messages shown, in
  // item order, and any fit a worker could not make as this thread would is made here.
  FitsAhead ahead(procedure, n_items, fit_threads > 1 ? fit_threads : 0);
  write_purge_list(report, run, 2, analysis.fit_purged);
  write_procedure_heading(report);
  for (std::size_t j = 0; j < n_items; ++j) {
    write_fit_heading(report, run.item_label[j]);
    show_item_fit(console, static_cast<std::int32_t>(j + 1));
    std::optional<ItemFit> fit = ahead.take(j);
    analysis.fits.push_back(fit ? *fit : procedure.fit(j));
    write_fit(report, analysis.fits.back());
  }
}

Analysis analyze_control_file(RunData& run, textio::OutputChannel& console) {
  // The numerical routines' messages go where the run's progress goes.
  numerr::set_message_output(&console);
  read_control_file(run);

  // Declared in the order of opening, so that an early end closes them in reverse, each with
  // its lines written.
  std::unique_ptr<textio::OutputChannel> report = open_report(run);
  create_data_tables(run);
  std::unique_ptr<textio::InputChannel> group_files[2];
  for (Group group : {kReference, kFocal}) {
    group_files[group] = open_group_file(run, group);
    show_reading(console, group);
    read_group(run, group, *group_files[group]);
  }
  write_report_header(*report, run);

  const auto reference_constant = items_without_variance(run, kReference);
  const auto focal_constant = items_without_variance(run, kFocal);
  write_no_variance(*report, run, reference_constant, focal_constant);
  if (!reference_constant.empty() || !focal_constant.empty())
    throw AnalysisStop{StopReason::no_variance, {}};

  Analysis analysis;
  run_passes(run, analysis, *report, console);
  analysis.curves = compute_curves(analysis.passes.back().levels);
  write_curves(*report, run, analysis.passes.back(), analysis.curves);
  if (run.model >= 2) run_logistic_procedure(run, analysis, *report, console);

  report->close();
  show_report_name(console, run);
  return analysis;
}

namespace {

/// The run-time error line on standard error, after the info line of a layout syntax error.
/// Lines end with CR LF like every other line the program writes.
void write_error_lines(std::ostream& errors, const textio::IoError& error) {
  textio::console_output().flush();
  if (error.number == 62) {
    // The layout text is an 80-column field: its trailing blanks are not part of what is shown.
    const std::string_view rest{error.info};
    errors << "itemdif: info (58): format syntax error at or near "
           << rest.substr(0, rest.find_last_not_of(' ') + 1) << "\r\n";
  }
  errors << "itemdif: severe (" << error.number << "): " << error.text() << "\r\n";
  errors.flush();
}

}  // namespace

namespace {

/// Runs `analysis` and turns the way it ends into the exit status.
template <typename Body>
int status_of(std::ostream& errors, textio::OutputChannel& console, Body&& analysis) {
  int status = 0;
  try {
    analysis();
  } catch (const AnalysisStop& stop) {
    show_stop(console, stop);
    status = 1;
  } catch (const textio::QuietStop& stop) {
    status = stop.status;
  } catch (const textio::IoError& error) {
    write_error_lines(errors, error);
    status = 2;
  } catch (const std::bad_alloc&) {
    // Any other request for memory that cannot be met ends the run like a table that cannot be
    // had, never with an abort.
    write_error_lines(errors, textio::IoError{41, 0, {}});
    status = 2;
  }
  console.flush();
  return status;
}

}  // namespace

int run_dialogue(std::ostream& errors) {
  textio::OutputChannel& console = textio::console_output();
  return status_of(errors, console, [&] {
    RunData run;
    show_prompt(console);
    read_control_file_name(run, textio::console_input());
    analyze_control_file(run, console);
  });
}

int run_control_file(const std::string& control_file_name, std::ostream& errors) {
  std::optional<CompletedRun> completed;
  return run_control_file(control_file_name, errors, completed);
}

int run_control_file(const std::string& control_file_name, std::ostream& errors,
                     std::optional<CompletedRun>& completed) {
  completed.reset();
  textio::OutputChannel& console = textio::console_output();
  return status_of(errors, console, [&] {
    RunData run;
    show_banner(console);
    run.control_file_name = control_file_name;
    run.control_file_name.resize(80, ' ');
    Analysis analysis = analyze_control_file(run, console);
    completed.emplace(CompletedRun{std::move(run), std::move(analysis)});
  });
}

}  // namespace itemdif::driver
