// The R binding: a data frame and dif()'s arguments in, the analysis's tables out. The data
// frame's columns go to the same table builder as a statistical file's rows, the options
// through the same parsers as the command line's, and the tables are the rows of the results
// files, so that both give the same values and messages.
#include <cpp11.hpp>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "cli/analyze_command.hpp"
#include "cli/analyze_description.hpp"
#include "cli/analyze_options.hpp"
#include "cli/binding_api.hpp"
#include "data/cell_rules.hpp"
#include "data/score_table_builder.hpp"
#include "results/number_text.hpp"
#include "results/result_rows.hpp"
#include "results/results_files.hpp"
#include "results/summary.hpp"
#include "stats/dif_analysis.hpp"
#include "stats/method_list.hpp"
#include "stats/purification.hpp"

namespace {

using namespace itemdif;
using cpp11::literals::operator""_nm;

/// What write_results() needs of a run, kept with the R object.
struct Run {
  results::RunDescription description;
  stats::DifAnalysis analysis;
};

/// An error of the input or the arguments, returned to R as a value: the R side raises it as a
/// condition of its kind.
cpp11::writable::list failure(const char* kind, const std::string& message) {
  return cpp11::writable::list({"error"_nm = kind, "message"_nm = message});
}

// ---------------------------------------------------------------- R's API, unwind-protected

// Every call into R that may raise an R error (an allocation, a translation, a compact vector
// made whole) goes through cpp11::safe, which turns the error into a C++ exception, so that no
// longjmp passes over the destructors of this file's objects.

SEXP attribute(SEXP x, SEXP name) { return cpp11::safe[Rf_getAttrib](x, name); }
SEXP attribute(SEXP x, const char* name) {
  return attribute(x, cpp11::safe[Rf_install](name));
}
R_xlen_t length(SEXP x) { return cpp11::safe[Rf_xlength](x); }
SEXP element(SEXP list, R_xlen_t k) { return cpp11::safe[VECTOR_ELT](list, k); }
SEXP text_element(SEXP texts, R_xlen_t k) { return cpp11::safe[STRING_ELT](texts, k); }
bool is_factor(SEXP x) { return cpp11::safe[Rf_isFactor](x); }
std::string utf8(SEXP text) { return cpp11::safe[Rf_translateCharUTF8](text); }

/// The texts of a character vector's elements in UTF-8, each element translated once: equal
/// texts share one CHARSXP in R's cache, so a column of a few values costs a few translations.
class TextCache {
 public:
  std::string_view of(SEXP text) {
    auto found = texts_.find(text);
    if (found == texts_.end()) found = texts_.emplace(text, utf8(text)).first;
    return found->second;
  }

 private:
  std::unordered_map<SEXP, std::string> texts_;  // node-based: the views stay valid
};

// ---------------------------------------------------------------- the data frame as cells

/// One column of the data frame read as the builder's cells.
class ColumnCells {
 public:
  enum class Kind { integer, real, logical, text, factor };

  ColumnCells(SEXP column, const std::string& name, bool items) {
    if (is_factor(column)) {
      if (items)
        throw data::InputError("column " + name +
                               " is a factor; item scores are numbers, logical or labelled");
      kind_ = Kind::factor;
      ints_ = cpp11::safe[INTEGER](column);
      const SEXP levels = attribute(column, R_LevelsSymbol);
      for (R_xlen_t k = 0; k < length(levels); ++k) levels_.emplace_back(utf8(text_element(levels, k)));
      return;
    }
    // The data are read through pointers taken once (a compact vector is made whole here):
    // the accessors check for ALTREP on every call, which would cost more than the cell's
    // conversion.
    switch (TYPEOF(column)) {
      case INTSXP: kind_ = Kind::integer; ints_ = cpp11::safe[INTEGER](column); break;
      case REALSXP: kind_ = Kind::real; reals_ = cpp11::safe[REAL](column); break;
      case LGLSXP: kind_ = Kind::logical; ints_ = cpp11::safe[LOGICAL](column); break;
      case STRSXP: kind_ = Kind::text; texts_ = cpp11::safe[STRING_PTR_RO](column); break;
      default:
        throw data::InputError("column " + name + " is of type " +
                               cpp11::safe[Rf_type2char](TYPEOF(column)) + ", which holds no " +
                               (items ? "item scores" : "values"));
    }
  }

  /// The cells of rows `first` to `first + n - 1` (from 0) into out[0], out[stride], ... A
  /// logical is 0/1 in an item column and its name elsewhere.
  void fill(R_xlen_t first, R_xlen_t n, data::TypedCell* out, std::size_t stride, bool items,
            TextCache& cache) const {
    // One loop per kind: the kind is settled once for the whole block.
    const auto each = [&](auto cell_of) {
      for (R_xlen_t r = 0; r < n; ++r, out += stride) *out = cell_of(first + r);
    };
    switch (kind_) {
      case Kind::integer:
        each([&](R_xlen_t i) { return ints_[i] == NA_INTEGER ? data::TypedCell{} : number(ints_[i]); });
        break;
      case Kind::real:
        each([&](R_xlen_t i) { return ISNAN(reals_[i]) ? data::TypedCell{} : number(reals_[i]); });
        break;
      case Kind::logical:
        each([&](R_xlen_t i) {
          if (ints_[i] == NA_LOGICAL) return data::TypedCell{};
          if (items) return number(ints_[i]);
          return text(ints_[i] ? "TRUE" : "FALSE");
        });
        break;
      case Kind::text:
        each([&](R_xlen_t i) {
          return texts_[i] == NA_STRING ? data::TypedCell{} : text(cache.of(texts_[i]));
        });
        break;
      case Kind::factor:
        each([&](R_xlen_t i) {
          const int code = ints_[i];
          if (code == NA_INTEGER || code < 1 || static_cast<std::size_t>(code) > levels_.size())
            return data::TypedCell{};
          return text(levels_[static_cast<std::size_t>(code) - 1]);
        });
        break;
    }
  }

 private:
  static data::TypedCell number(double value) {
    return {data::TypedCell::Kind::number, value, {}};
  }
  static data::TypedCell text(std::string_view value) {
    return {data::TypedCell::Kind::text, 0.0, value};
  }

  Kind kind_ = Kind::integer;
  const int* ints_ = nullptr;  // integers, logicals and factor codes
  const double* reals_ = nullptr;
  const SEXP* texts_ = nullptr;
  std::vector<std::string> levels_;
};

/// The value labels of a labelled numeric column (haven's `labels` attribute), or none.
std::map<double, std::string> value_labels(SEXP column) {
  std::map<double, std::string> labels;
  const SEXP values = attribute(column, "labels");
  if (values == R_NilValue || !(TYPEOF(values) == REALSXP || TYPEOF(values) == INTSXP)) return labels;
  const SEXP names = attribute(values, R_NamesSymbol);
  if (names == R_NilValue) return labels;
  const double* reals = TYPEOF(values) == REALSXP ? cpp11::safe[REAL](values) : nullptr;
  const int* ints = reals ? nullptr : cpp11::safe[INTEGER](values);
  for (R_xlen_t k = 0; k < length(values); ++k) {
    const double value = reals ? reals[k] : ints[k] == NA_INTEGER ? NA_REAL : ints[k];
    if (!ISNAN(value)) labels.emplace(value, utf8(text_element(names, k)));
  }
  return labels;
}

data::ItemScores read_data_frame(SEXP frame, R_xlen_t rows, const data::ReadOptions& options) {
  const SEXP names = attribute(frame, R_NamesSymbol);
  const R_xlen_t n_columns = length(frame);
  std::vector<std::string> header;
  header.reserve(static_cast<std::size_t>(n_columns));
  for (R_xlen_t k = 0; k < n_columns; ++k)
    header.push_back(names == R_NilValue ? std::string() : utf8(text_element(names, k)));

  data::ScoreTableBuilder builder(options, header, static_cast<std::size_t>(rows),
                                  data::ScoreTableBuilder::Place::row);
  const data::ColumnSelection& columns = builder.columns();
  const auto column = [&](std::size_t k) { return element(frame, static_cast<R_xlen_t>(k)); };

  std::vector<std::pair<std::size_t, ColumnCells>> items;
  items.reserve(columns.items.size());
  for (const std::size_t k : columns.items) items.emplace_back(k, ColumnCells(column(k), header[k], true));
  const ColumnCells group(column(columns.group), header[columns.group], false);
  std::optional<ColumnCells> id;
  if (columns.id) id.emplace(column(*columns.id), header[*columns.id], false);
  std::optional<ColumnCells> match;
  if (columns.match) match.emplace(column(*columns.match), header[*columns.match], false);
  if (!is_factor(column(columns.group))) builder.set_group_labels(value_labels(column(columns.group)));

  // Rows go in blocks, each column read down the block: reading across the columns row by
  // row would fetch a cache line per column for every row.
  constexpr R_xlen_t kBlock = 64;
  const std::size_t width = header.size();
  std::vector<data::TypedCell> block(static_cast<std::size_t>(kBlock) * width);
  TextCache cache;
  const auto fill = [&](std::size_t k, const ColumnCells& column, R_xlen_t first, R_xlen_t n,
                        bool is_item) {
    column.fill(first, n, block.data() + k, width, is_item, cache);
  };
  for (R_xlen_t first = 0; first < rows; first += kBlock) {
    const R_xlen_t n = std::min(kBlock, rows - first);
    for (const auto& [k, column] : items) fill(k, column, first, n, true);
    fill(columns.group, group, first, n, false);
    if (id) fill(*columns.id, *id, first, n, false);
    if (match) fill(*columns.match, *match, first, n, false);
    for (R_xlen_t r = 0; r < n; ++r)
      builder.add_typed_row(static_cast<std::size_t>(first + r) + 1,
                            std::span(block).subspan(static_cast<std::size_t>(r) * width, width));
  }
  return builder.finish();
}

// ---------------------------------------------------------------- arguments

/// Argument `name`, NULL when not given (the program's default then holds).
SEXP given(const cpp11::list& arguments, const char* name) { return arguments[name]; }

std::optional<std::string> optional_text(const cpp11::list& arguments, const char* name) {
  const SEXP value = given(arguments, name);
  if (value == R_NilValue) return std::nullopt;
  return utf8(text_element(value, 0));
}

/// A focal value as one --focal text: its commas escaped, so that it stays one value.
std::string focal_text(const std::string& value) {
  std::string escaped;
  for (const char c : value) {
    if (c == ',') escaped += '\\';
    escaped += c;
  }
  return escaped;
}

/// The arguments as the command line's: those not given keep the command line's defaults.
cli::AnalyzeArguments analyze_arguments(const cpp11::list& arguments) {
  cli::AnalyzeArguments a;
  a.data = *optional_text(arguments, "input");
  a.group = *optional_text(arguments, "group");
  const cpp11::strings focal(given(arguments, "focal"));
  for (const cpp11::r_string value : focal) a.focal.push_back(focal_text(std::string(value)));
  a.reference = optional_text(arguments, "reference");
  a.items = optional_text(arguments, "items");
  a.id = optional_text(arguments, "id");
  a.missing_codes = optional_text(arguments, "missing_codes");
  a.methods = optional_text(arguments, "methods");
  const auto set_text = [&](const char* name, std::string& to) {
    if (const auto value = optional_text(arguments, name)) to = *value;
  };
  const auto set_number = [&](const char* name, auto& to) {
    const SEXP value = given(arguments, name);
    if (value != R_NilValue) to = cpp11::as_cpp<std::remove_reference_t<decltype(to)>>(value);
  };
  set_number("max_score", a.max_score);
  set_text("missing", a.missing);
  set_text("levels", a.levels);
  set_number("min_per_group", a.min_per_group);
  set_text("purify", a.purify);
  a.purify_given = given(arguments, "purify") != R_NilValue;
  set_number("max_rounds", a.max_rounds);
  set_text("flag", a.flag);
  set_number("alpha", a.alpha);
  set_text("adjust", a.adjust);
  set_number("sib_min", a.sib_min);
  if (const SEXP bundles = given(arguments, "bundle"); bundles != R_NilValue)
    for (const cpp11::r_string text : cpp11::strings(bundles)) a.bundles.push_back(std::string(text));
  a.anchor = optional_text(arguments, "anchor");
  a.match = optional_text(arguments, "match");
  return a;
}

/// A message of the command line's option parsers with the option named as R names it:
/// "--max-score: ..." becomes "max_score: ...".
std::string r_message(std::string message) {
  if (message.rfind("--", 0) != 0) return message;
  message.erase(0, 2);
  for (char& c : message) {
    if (c == ':') break;
    if (c == '-') c = '_';
  }
  return message;
}

// ---------------------------------------------------------------- results as data frames

SEXP column_vector(const std::vector<results::Row>& rows, std::size_t c, cli::ValueType type) {
  const R_xlen_t n = static_cast<R_xlen_t>(rows.size());
  switch (type) {
    case cli::ValueType::text: {
      cpp11::writable::strings out(n);
      for (R_xlen_t i = 0; i < n; ++i) {
        const results::Cell& cell = rows[static_cast<std::size_t>(i)][c];
        if (const auto* value = std::get_if<std::string>(&cell))
          out[i] = cpp11::r_string(cpp11::safe[Rf_mkCharCE](value->c_str(), CE_UTF8));
        else
          out[i] = NA_STRING;
      }
      return out;
    }
    case cli::ValueType::truth: {
      cpp11::writable::logicals out(n);
      for (R_xlen_t i = 0; i < n; ++i) {
        const auto* value = std::get_if<bool>(&rows[static_cast<std::size_t>(i)][c]);
        out[i] = value ? cpp11::r_bool(*value) : cpp11::r_bool(NA_LOGICAL);
      }
      return out;
    }
    case cli::ValueType::whole: {
      cpp11::writable::integers out(n);
      for (R_xlen_t i = 0; i < n; ++i) {
        const auto* value = std::get_if<std::int64_t>(&rows[static_cast<std::size_t>(i)][c]);
        out[i] = value ? static_cast<int>(*value) : NA_INTEGER;
      }
      return out;
    }
    case cli::ValueType::real: break;
  }
  cpp11::writable::doubles out(n);
  for (R_xlen_t i = 0; i < n; ++i) {
    const std::optional<double> value = stats::cell_number(rows[static_cast<std::size_t>(i)][c]);
    out[i] = value ? *value : NA_REAL;
  }
  return out;
}

/// The rows as a named list of columns, which the R side makes a data frame. Whole numbers
/// stay R integers where they fit one (NA_integer_ is the smallest int).
cpp11::writable::list columns_of(const std::vector<std::string>& names,
                                 const std::vector<results::Row>& rows) {
  cpp11::writable::list columns(static_cast<R_xlen_t>(names.size()));
  cpp11::writable::strings column_names(static_cast<R_xlen_t>(names.size()));
  for (std::size_t c = 0; c < names.size(); ++c) {
    const cli::ValueType type =
        cli::column_value_type(rows, c, names[c], std::numeric_limits<int>::max());
    columns[static_cast<R_xlen_t>(c)] = column_vector(rows, c, type);
    column_names[static_cast<R_xlen_t>(c)] = names[c];
  }
  columns.names() = column_names;
  return columns;
}

cpp11::writable::list result_tables(const Run& run) {
  const stats::DifAnalysis& analysis = run.analysis;
  const results::ResultRows rows = results::result_rows(analysis);
  // The purification: one row per round of each comparison, then of the overall analysis
  // (focal undefined).
  std::vector<results::Row> rounds, purification;
  cpp11::writable::list flagged_lists;
  const auto add_rounds = [&](const results::Cell& focal, const std::vector<stats::Round>& list,
                              bool converged, stats::Stop stop, const auto& name_of) {
    for (const stats::Round& round : list) {
      rounds.push_back({focal, std::int64_t{round.number}});
      cpp11::writable::strings names(static_cast<R_xlen_t>(round.flagged.size()));
      for (std::size_t k = 0; k < round.flagged.size(); ++k)
        names[static_cast<R_xlen_t>(k)] = name_of(round.flagged[k]);
      flagged_lists.push_back(names);
    }
    purification.push_back({focal, static_cast<std::int64_t>(list.size()), converged,
                            std::string(stats::stop_name(stop))});
  };
  for (const stats::Comparison& comparison : analysis.comparisons) {
    add_rounds(comparison.focal, comparison.rounds, comparison.converged, comparison.stop,
               [&](std::size_t k) { return comparison.items[k].name; });
  }
  SEXP overall = R_NilValue;
  cpp11::sexp overall_kept;
  if (analysis.overall) {
    overall_kept = columns_of(results::overall_item_columns(), rows.overall);
    overall = overall_kept;
    add_rounds(std::monostate{}, analysis.overall->rounds, analysis.overall->converged,
               analysis.overall->stop,
               [&](std::size_t k) { return analysis.overall->items[k].name; });
  }
  SEXP bundles = R_NilValue;
  cpp11::sexp bundles_kept;
  if (!rows.bundles.empty()) {
    bundles_kept = columns_of(results::bundle_columns(), rows.bundles);
    bundles = bundles_kept;
  }

  std::vector<results::Row> groups = {
      {std::string("reference"), analysis.reference.value, static_cast<std::int64_t>(analysis.reference.n)}};
  for (const stats::GroupSize& focal : analysis.focal)
    groups.push_back({std::string("focal"), focal.value, static_cast<std::int64_t>(focal.n)});

  cpp11::writable::strings settings(static_cast<R_xlen_t>(run.description.settings.size()));
  cpp11::writable::strings setting_names(static_cast<R_xlen_t>(run.description.settings.size()));
  for (std::size_t k = 0; k < run.description.settings.size(); ++k) {
    settings[static_cast<R_xlen_t>(k)] = run.description.settings[k].value;
    setting_names[static_cast<R_xlen_t>(k)] = run.description.settings[k].name;
  }
  settings.names() = setting_names;

  std::ostringstream summary;
  results::write_summary(summary, run.description, analysis);

  cpp11::writable::list round_columns = columns_of({"focal", "round"}, rounds);
  round_columns.push_back({"flagged"_nm = flagged_lists});
  return cpp11::writable::list({
      "items"_nm = columns_of(results::item_columns(), rows.items),
      "levels"_nm = columns_of(results::level_columns(), rows.levels),
      "coefficients"_nm = columns_of(results::coefficient_columns(), rows.coefficients),
      "overall"_nm = overall,
      "bundles"_nm = bundles,
      "rounds"_nm = round_columns,
      "purification"_nm = columns_of({"focal", "rounds", "converged", "stop"}, purification),
      "groups"_nm = columns_of({"group", "value", "n"}, groups),
      "rows_read"_nm = static_cast<double>(run.description.rows_read),
      "rows_left_out"_nm = static_cast<double>(run.description.rows_of_no_group),
      "listwise_left_out"_nm = static_cast<double>(analysis.listwise_left_out),
      "settings"_nm = settings,
      "summary"_nm = summary.str(),
      "report_values"_nm = columns_of(cli::report_value_columns(), cli::report_value_rows(analysis)),
  });
}

}  // namespace

/// Checks the arguments, reads the data frame, runs the analysis and returns its tables with
/// the run kept for write_results(); or list(error, message) for invalid arguments or data.
[[cpp11::register]] SEXP dif_run(SEXP frame, double rows, cpp11::list arguments) {
  try {
    const cli::AnalyzeArguments a = analyze_arguments(arguments);
    // Every argument is checked before the data are looked at.
    data::ReadOptions reading;
    stats::AnalyzeOptions options;
    try {
      cli::check_choices(a);
      reading = cli::read_options(a);
      options = cli::analysis_options(a);
    } catch (const cli::UsageError& error) {
      return failure("usage", r_message(error.what()));
    }
    options.threads = static_cast<unsigned>(cpp11::as_cpp<int>(given(arguments, "threads")));
    reading.path.clear();
    reading.max_score_option = "max_score";
    reading.match_option = "match";

    const data::ItemScores scores = read_data_frame(frame, static_cast<R_xlen_t>(rows), reading);
    try {
      options = cli::with_item_lists(options, a, scores.item_names);
    } catch (const cli::UsageError& error) {
      return failure("usage", r_message(error.what()));
    }
    auto run = std::make_unique<Run>();
    run->analysis = stats::analyze_scores(scores, options);
    run->description = cli::analyze_description(a, options, scores);
    cpp11::writable::list tables = result_tables(*run);
    tables.push_back({"run"_nm = cpp11::external_pointer<Run>(run.release())});
    return tables;
  } catch (const data::InputError& error) {
    return failure("input", error.what());
  }
}

/// Writes the results files of a run into `folder`; NULL, or list(error, message).
[[cpp11::register]] SEXP write_results_run(SEXP run, std::string folder) {
  if (TYPEOF(run) != EXTPTRSXP || cpp11::safe[R_ExternalPtrAddr](run) == nullptr)
    return failure("output",
                   "the analysis is no longer in memory (the object was saved and read back); "
                   "run dif() again");
  const cpp11::external_pointer<Run> kept(run);
  try {
    results::write_results_files(folder, kept->description, kept->analysis);
  } catch (const results::OutputError& error) {
    return failure("output", error.what());
  }
  return R_NilValue;
}

/// The options that take names: for each, its names and its default, as the program has them.
[[cpp11::register]] cpp11::writable::list option_choices() {
  cpp11::writable::list out;
  for (const cli::OptionChoices& option : cli::analyze_choices()) {
    cpp11::writable::strings names(static_cast<R_xlen_t>(option.names.size()));
    for (std::size_t k = 0; k < option.names.size(); ++k)
      names[static_cast<R_xlen_t>(k)] = option.names[k];
    out.push_back(cpp11::named_arg(option.option.c_str()) =
                      cpp11::writable::list({"names"_nm = names, "default"_nm = option.default_text,
                                             "several"_nm = option.several}));
  }
  return out;
}

/// Numbers as the results files write them: the shortest text that reads back as the same
/// double; NA for undefined.
[[cpp11::register]] cpp11::writable::strings number_texts(cpp11::doubles values) {
  cpp11::writable::strings texts(values.size());
  for (R_xlen_t i = 0; i < values.size(); ++i) {
    const std::string text = results::number_text(values[i]);
    if (text.empty()) texts[i] = NA_STRING;
    else texts[i] = text;
  }
  return texts;
}
