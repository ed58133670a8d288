// The results files of a run in one folder: items.csv, levels.csv, coefficients.csv,
// results.json and report.html.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

#include "results/run_description.hpp"
#include "stats/analysis.hpp"

namespace itemdif::results {

/// A results file or its folder could not be written; the message names the path.
class OutputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// Writes every results file into `folder` (created if missing), replacing earlier ones. Every
/// file is written under a temporary name first, so that a failure (which throws OutputError)
/// creates or changes no results file.
void write_results_files(const std::filesystem::path& folder, const RunDescription& run,
                         const stats::DifAnalysis& analysis);

}  // namespace itemdif::results
