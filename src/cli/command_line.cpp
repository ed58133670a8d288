// The command line: the dialogue when no argument is given, else the `run` and `analyze`
// commands.
#include "cli/command_line.hpp"

#include <CLI/CLI.hpp>

#include <iostream>
#include <new>
#include <optional>
#include <streambuf>

#include "cli/analyze_command.hpp"
#include "cli/analyze_options.hpp"
#include "cli/version.hpp"
#include "data/item_scores.hpp"
#include "driver/run.hpp"
#include "results/control_file_results.hpp"
#include "results/results_files.hpp"
#include "textio/channels.hpp"

namespace itemdif::cli {
namespace {

/// Swallows what `run --quiet` would show on the console.
class NullBuffer final : public std::streambuf {
 protected:
  int overflow(int c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

/// The control file's run; with `out`, the results files of a completed run (status 0) after
/// its report, so that they never change what the run shows or returns otherwise.
int run_control(const std::string& control, bool quiet, const std::optional<std::string>& out,
                std::ostream& err) {
  if (control.size() > 80)
    throw UsageError("the control file's name is longer than 80 characters: " + control, "run");
  std::optional<driver::CompletedRun> completed;
  int status = 0;
  if (quiet) {
    NullBuffer nothing;
    std::ostream null(&nothing);
    textio::redirect_console(&null, nullptr);
    struct Restore {
      ~Restore() { textio::redirect_console(nullptr, nullptr); }
    } restore;
    status = driver::run_control_file(control, err, completed);
  } else {
    status = driver::run_control_file(control, err, completed);
  }
  if (out && status == 0 && completed) {
    results::RunDescription description =
        results::control_file_description(control, completed->run);
    description.version = kVersion;
    results::write_results_files(
        *out, description, results::control_file_analysis(completed->run, completed->analysis));
  }
  return status;
}

void usage_error(std::ostream& err, const std::string& message, const std::string& command) {
  err << "itemdif: error: " << message << "\n"
      << "Run 'itemdif" << (command.empty() ? "" : " " + command) << " --help' for usage.\n";
}

}  // namespace

int run_command_line(int argc, char** argv, std::ostream& out, std::ostream& err) {
  // Without arguments the program is the dialogue, exactly as it has always been.
  if (argc <= 1) return driver::run_dialogue(err);

  CLI::App app{"Differential item functioning: Mantel-Haenszel analyses of items scored 0/1 "
               "(or 0 to K with analyze --max-score) for a reference and a focal group.\n"
               "Without a command, itemdif asks for a control file and runs its analysis.",
               "itemdif"};
  app.set_version_flag("--version", std::string("itemdif ") + kVersion);
  app.require_subcommand(1, 1);

  CLI::App* run = app.add_subcommand("run", "Run a control file's analysis without the prompt");
  std::string control;
  bool run_quiet = false;
  std::optional<std::string> run_out;
  run->add_option("CONTROL", control, "The control file")->required();
  run->add_option("--out", run_out,
                  "Folder of the results files of a completed run, created if missing");
  run->add_flag("--quiet", run_quiet, "Write nothing to standard output");
  run->set_version_flag("--version", std::string("itemdif ") + kVersion);

  CLI::App* analyze = app.add_subcommand(
      "analyze", "Analyse a data file with one row per examinee and a group column");
  AnalyzeArguments arguments;
  add_analyze_options(*analyze, arguments);
  analyze->set_version_flag("--version", std::string("itemdif ") + kVersion);

  std::string command;
  try {
    try {
      app.parse(argc, argv);
    } catch (const CLI::Success& success) {
      return app.exit(success, out, err);
    } catch (const CLI::ParseError& error) {
      command = run->parsed() ? "run" : analyze->parsed() ? "analyze" : "";
      throw UsageError(error.what(), command);
    }
    if (run->parsed()) return run_control(control, run_quiet, run_out, err);
    return run_analyze(arguments, out, err);
  } catch (const UsageError& error) {
    usage_error(err, error.what(), error.command());
  } catch (const data::InputError& error) {
    err << "itemdif: error: " << error.what() << "\n";
  } catch (const results::OutputError& error) {
    err << "itemdif: error: " << error.what() << "\n";
  } catch (const std::bad_alloc&) {
    err << "itemdif: error: not enough memory for the analysis\n";
  }
  return 2;
}

}  // namespace itemdif::cli
