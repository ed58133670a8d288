// The scores of an analysis as read from a data file: one byte per examinee and item, the
// group of every examinee, and what was left out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace itemdif::data {

/// A score from 0 to the highest score read (0 incorrect and 1 correct for 0/1 items), or missing.
inline constexpr std::uint8_t kMissing = 255;
/// The highest score a reading may allow: every score fits in a byte below the codes the
/// reader keeps for itself.
inline constexpr int kHighestMaxScore = 250;

/// Group codes of `ItemScores::group`: the reference group, then the focal groups in the order
/// named (kFocalGroup the first of them, kFocalGroup + k the k-th after it).
inline constexpr std::uint8_t kReferenceGroup = 0;
inline constexpr std::uint8_t kFocalGroup = 1;
/// Group codes are bytes, and the reader keeps one code for the rows of no group.
inline constexpr std::size_t kMostFocalGroups = 250;

struct ItemScores {
  std::vector<std::string> item_names;  ///< the item columns' names, in analysis order
  std::size_t n_examinees = 0;          ///< rows of the reference or a focal group
  /// Examinee after examinee: score of examinee i on item j at i * item_names.size() + j.
  std::vector<std::uint8_t> scores;
  std::vector<std::uint8_t> group;  ///< by examinee: its group code
  std::vector<std::string> ids;     ///< by examinee, when an id column was named; else empty
  std::string reference_value;      ///< the group values as the file writes them (or labels)
  std::vector<std::string> focal_values;  ///< by focal group, in the order named
  std::size_t rows_read = 0;      ///< data rows of the file
  std::size_t rows_left_out = 0;  ///< rows whose group value is missing or none of the values,
                                  ///< or whose matching score is missing
  /// By examinee, the matching score read from a column (`ReadOptions::match_column`); empty
  /// when the items make up the matching score.
  std::vector<std::int32_t> match;
  std::string match_column;               ///< its name
  std::size_t rows_match_missing = 0;  ///< rows of a group left out for a missing matching score

  std::size_t n_items() const { return item_names.size(); }
  std::uint8_t score(std::size_t i, std::size_t j) const { return scores[i * n_items() + j]; }
};

/// What to read and how.
struct ReadOptions {
  /// The data file. Empty for a table handed over in memory (a binding's data frame), which
  /// messages leave unnamed: `row 17, column q12: ...`.
  std::string path;
  std::optional<char> delimiter;  ///< for text files; else by the file's extension
  std::string group_column;
  std::vector<std::string> focal_values;  ///< one or more, in the order of their group codes
  std::optional<std::string> reference_value;
  std::optional<std::string> items;      ///< names and ranges `a:b`, separated by commas
  std::optional<std::string> id_column;
  std::vector<std::string> missing_codes;  ///< item cells that count as missing
  int max_score = 1;  ///< item scores run from 0 to this, at most kHighestMaxScore
  /// The option of max_score as messages name it: a binding names its own argument.
  std::string max_score_option = "--max-score";
  /// A column holding the matching score (whole numbers, negative ones too, or missing).
  std::optional<std::string> match_column;
  std::string match_option = "--match";  ///< as messages name it
};

/// Invalid or unreadable input. `what()` is the whole message, naming the file, line and
/// column where there are any, e.g. `scores.csv line 17, column q12: "2" is not a score (0 to
/// 1, see --max-score) or a missing code`.
class InputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// Reads the file's item scores. Throws InputError.
ItemScores read_item_scores(const ReadOptions& options);

}  // namespace itemdif::data
