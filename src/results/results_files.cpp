// The results files of a run in one folder, written all or none.
#include "results/results_files.hpp"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>
#include <vector>

#include "results/csv_text.hpp"
#include "results/html_report.hpp"
#include "results/results_json.hpp"

namespace itemdif::results {
namespace {

namespace fs = std::filesystem;

/// Written only with several focal groups; an earlier run's copy goes with the other files.
constexpr const char* kOverallFile = "overall.csv";
/// Written only with bundles, likewise.
constexpr const char* kBundlesFile = "bundles.csv";

bool has_bundles(const stats::DifAnalysis& analysis) {
  for (const stats::Comparison& comparison : analysis.comparisons)
    if (!comparison.bundles.empty()) return true;
  return false;
}

struct ResultsFile {
  std::string name;
  std::string text;
};

std::vector<ResultsFile> results_file_texts(const RunDescription& run,
                                            const stats::DifAnalysis& analysis) {
  const ResultRows rows = result_rows(analysis);
  std::vector<ResultsFile> files = {
      {"items.csv", csv_text(item_columns(), rows.items)},
      {"levels.csv", csv_text(level_columns(), rows.levels)},
      {"coefficients.csv", csv_text(coefficient_columns(), rows.coefficients)}};
  if (analysis.overall)
    files.push_back({kOverallFile, csv_text(overall_item_columns(), rows.overall)});
  if (has_bundles(analysis))
    files.push_back({kBundlesFile, csv_text(bundle_columns(), rows.bundles)});
  files.push_back({"results.json", results_json(run, analysis)});
  files.push_back({"report.html", html_report(run, analysis)});
  return files;
}

[[noreturn]] void fail(const fs::path& path, const std::string& what) {
  throw OutputError("cannot write " + path.string() + ": " + what);
}

/// The temporary name of a results file until every file is complete: hidden, in the same
/// folder, so that the final rename does not cross file systems.
fs::path temporary_path(const fs::path& folder, const std::string& name) {
  return folder / ("." + name + ".partial");
}

void write_file(const fs::path& path, const std::string& text) {
  errno = 0;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) fail(path, errno != 0 ? std::strerror(errno) : "cannot create the file");
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();  // the last buffer is written here, where a full disk shows
  if (!out) fail(path, errno != 0 ? std::strerror(errno) : "the write failed");
}

/// Creates `folder` and the parents it lacks; returns those created, deepest first, so that a
/// failed write can take them away again.
std::vector<fs::path> create_folder(const fs::path& folder) {
  std::vector<fs::path> created;
  std::error_code error;
  for (fs::path p = folder; !p.empty() && !fs::exists(fs::symlink_status(p, error));
       p = p.parent_path()) {
    created.push_back(p);
    if (p == p.parent_path()) break;
  }
  if (!fs::create_directories(folder, error) && error) fail(folder, error.message());
  if (!fs::is_directory(folder, error)) fail(folder, "not a folder");
  return created;
}

void remove_quietly(const fs::path& path) {
  std::error_code ignored;
  fs::remove(path, ignored);
}

}  // namespace

void write_results_files(const fs::path& folder, const RunDescription& run,
                         const stats::DifAnalysis& analysis) {
  const std::vector<ResultsFile> files = results_file_texts(run, analysis);
  const std::vector<fs::path> created = create_folder(folder);

  std::vector<fs::path> written;
  try {
    for (const ResultsFile& file : files) {
      const fs::path final_path = folder / file.name;
      std::error_code error;
      const fs::file_status status = fs::symlink_status(final_path, error);
      // A folder under a final name would stop the renames half way; refuse before any.
      if (fs::exists(status) && fs::is_directory(status)) fail(final_path, "a folder has this name");
      const fs::path temporary = temporary_path(folder, file.name);
      written.push_back(temporary);
      write_file(temporary, file.text);
    }
  } catch (const OutputError&) {
    for (const fs::path& temporary : written) remove_quietly(temporary);
    for (const fs::path& made : created) remove_quietly(made);
    throw;
  }

  for (const ResultsFile& file : files) {
    std::error_code error;
    fs::rename(temporary_path(folder, file.name), folder / file.name, error);
    if (error) {
      for (const fs::path& temporary : written) remove_quietly(temporary);
      fail(folder / file.name, error.message());
    }
  }
  // A run of one focal group has no overall tests: an older overall.csv beside its files
  // would read as this run's.
  if (!analysis.overall) remove_quietly(folder / kOverallFile);
  if (!has_bundles(analysis)) remove_quietly(folder / kBundlesFile);
}

}  // namespace itemdif::results
