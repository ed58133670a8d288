// The Python binding: a pandas DataFrame's columns and dif()'s arguments in, the analysis's
// tables out. The columns go to the same table builder as a statistical file's rows, the
// options through the same parsers as the command line's, and the tables are the rows of the
// results files, so that the program and the package give the same values and messages.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
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
#include "stats/purification.hpp"

namespace py = pybind11;
using namespace itemdif;

namespace {

/// One column as the Python side hands it over: numbers (NaN missing), or codes into texts
/// (-1 missing). The arrays are kept referenced while the builder reads them.
class ColumnCells {
 public:
  explicit ColumnCells(const py::tuple& column) {
    const auto kind = column[0].cast<std::string>();
    if (kind == "number") {
      numbers_ = column[1].cast<py::array_t<double, py::array::c_style | py::array::forcecast>>();
      reals_ = numbers_.data();
    } else {
      codes_ = column[1].cast<py::array_t<std::int64_t, py::array::c_style | py::array::forcecast>>();
      ints_ = codes_.data();
      for (const py::handle text : column[2].cast<py::list>()) texts_.push_back(text.cast<std::string>());
    }
  }

  data::TypedCell cell(std::size_t row) const {
    if (reals_) {
      const double value = reals_[row];
      if (std::isnan(value)) return {};
      return {data::TypedCell::Kind::number, value, {}};
    }
    const std::int64_t code = ints_[row];
    if (code < 0 || static_cast<std::size_t>(code) >= texts_.size()) return {};
    return {data::TypedCell::Kind::text, 0.0, texts_[static_cast<std::size_t>(code)]};
  }

 private:
  py::array_t<double, py::array::c_style | py::array::forcecast> numbers_;
  py::array_t<std::int64_t, py::array::c_style | py::array::forcecast> codes_;
  const double* reals_ = nullptr;
  const std::int64_t* ints_ = nullptr;
  std::vector<std::string> texts_;
};

/// A message of the command line's option parsers with the option named as Python names it:
/// "--max-score: ..." becomes "max_score: ...".
std::string python_message(std::string message) {
  if (message.rfind("--", 0) != 0) return message;
  message.erase(0, 2);
  for (char& c : message) {
    if (c == ':') break;
    if (c == '-') c = '_';
  }
  return message;
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

/// The arguments as the command line's; those that are None keep the command line's defaults.
cli::AnalyzeArguments analyze_arguments(const py::dict& arguments) {
  cli::AnalyzeArguments a;
  const auto given = [&](const char* name) {
    return arguments.contains(name) && !arguments[name].is_none();
  };
  const auto text = [&](const char* name) -> std::optional<std::string> {
    if (!given(name)) return std::nullopt;
    return arguments[name].cast<std::string>();
  };
  a.data = *text("input");
  a.group = *text("group");
  for (const py::handle value : arguments["focal"].cast<py::list>())
    a.focal.push_back(focal_text(value.cast<std::string>()));
  a.reference = text("reference");
  a.items = text("items");
  a.id = text("id");
  a.missing_codes = text("missing_codes");
  a.methods = text("methods");
  const auto set_text = [&](const char* name, std::string& to) {
    if (const auto value = text(name)) to = *value;
  };
  const auto set_number = [&](const char* name, auto& to) {
    if (given(name)) to = arguments[name].cast<std::remove_reference_t<decltype(to)>>();
  };
  set_number("max_score", a.max_score);
  set_text("missing", a.missing);
  set_text("levels", a.levels);
  set_number("min_per_group", a.min_per_group);
  set_text("purify", a.purify);
  set_number("max_rounds", a.max_rounds);
  set_text("flag", a.flag);
  set_number("alpha", a.alpha);
  set_text("adjust", a.adjust);
  a.purify_given = given("purify");
  set_number("sib_min", a.sib_min);
  if (given("bundle"))
    for (const py::handle text : arguments["bundle"].cast<py::list>())
      a.bundles.push_back(text.cast<std::string>());
  a.anchor = text("anchor");
  a.match = text("match");
  return a;
}

/// A run kept for its tables and for write_results().
struct Run {
  results::RunDescription description;
  stats::DifAnalysis analysis;
};

/// Reads the columns the options select (asking `column_of(k)` for column k), then analyses.
Run run_analysis(const std::vector<std::string>& header, std::size_t rows,
                 const py::function& column_of, const py::dict& arguments, unsigned threads) {
  const cli::AnalyzeArguments a = analyze_arguments(arguments);
  // Every argument is checked before the data are looked at.
  cli::check_choices(a);
  data::ReadOptions reading = cli::read_options(a);
  stats::AnalyzeOptions options = cli::analysis_options(a);
  options.threads = threads;
  reading.path.clear();
  reading.max_score_option = "max_score";
  reading.match_option = "match";

  data::ScoreTableBuilder builder(reading, header, rows, data::ScoreTableBuilder::Place::row);
  const data::ColumnSelection& selected = builder.columns();
  std::vector<std::pair<std::size_t, ColumnCells>> columns;
  const auto add = [&](std::size_t k) { columns.emplace_back(k, ColumnCells(column_of(k))); };
  for (const std::size_t k : selected.items) add(k);
  add(selected.group);
  if (selected.id) add(*selected.id);
  if (selected.match) add(*selected.match);

  Run run;
  {
    py::gil_scoped_release unlocked;
    std::vector<data::TypedCell> row(header.size());
    for (std::size_t r = 0; r < rows; ++r) {
      for (const auto& [k, cells] : columns) row[k] = cells.cell(r);
      builder.add_typed_row(r + 1, row);
    }
    const data::ItemScores scores = builder.finish();
    options = cli::with_item_lists(options, a, scores.item_names);
    run.analysis = stats::analyze_scores(scores, options);
    run.description = cli::analyze_description(a, options, scores);
  }
  return run;
}

// ---------------------------------------------------------------- results as columns

/// A column of result rows as (type, values, missing): texts as a list with None, truth values
/// and whole numbers as NumPy arrays with a mask of the undefined cells, numbers with NaN.
py::tuple column_of(const std::vector<results::Row>& rows, std::size_t c, const std::string& name) {
  const cli::ValueType type =
      cli::column_value_type(rows, c, name, std::numeric_limits<std::int64_t>::max());
  const std::size_t n = rows.size();
  py::array_t<bool> missing(static_cast<py::ssize_t>(n));
  bool* undefined = missing.mutable_data();
  switch (type) {
    case cli::ValueType::text: {
      py::list values(n);
      for (std::size_t i = 0; i < n; ++i) {
        const auto* value = std::get_if<std::string>(&rows[i][c]);
        undefined[i] = value == nullptr;
        values[i] = value ? py::object(py::str(*value)) : py::object(py::none());
      }
      return py::make_tuple("text", values, missing);
    }
    case cli::ValueType::truth: {
      py::array_t<bool> values(static_cast<py::ssize_t>(n));
      bool* out = values.mutable_data();
      for (std::size_t i = 0; i < n; ++i) {
        const auto* value = std::get_if<bool>(&rows[i][c]);
        undefined[i] = value == nullptr;
        out[i] = value && *value;
      }
      return py::make_tuple("truth", values, missing);
    }
    case cli::ValueType::whole: {
      py::array_t<std::int64_t> values(static_cast<py::ssize_t>(n));
      std::int64_t* out = values.mutable_data();
      for (std::size_t i = 0; i < n; ++i) {
        const auto* value = std::get_if<std::int64_t>(&rows[i][c]);
        undefined[i] = value == nullptr;
        out[i] = value ? *value : 0;
      }
      return py::make_tuple("whole", values, missing);
    }
    case cli::ValueType::real: break;
  }
  py::array_t<double> values(static_cast<py::ssize_t>(n));
  double* out = values.mutable_data();
  for (std::size_t i = 0; i < n; ++i) {
    const std::optional<double> value = stats::cell_number(rows[i][c]);
    undefined[i] = !value;
    out[i] = value ? *value : std::numeric_limits<double>::quiet_NaN();
  }
  return py::make_tuple("real", values, missing);
}

/// The rows as an ordered dict of columns, which the Python side makes a DataFrame.
py::dict table_of(const std::vector<std::string>& names, const std::vector<results::Row>& rows) {
  py::dict columns;
  for (std::size_t c = 0; c < names.size(); ++c) columns[py::str(names[c])] = column_of(rows, c, names[c]);
  return columns;
}

py::dict tables_of(const Run& run) {
  const stats::DifAnalysis& analysis = run.analysis;
  const results::ResultRows rows = results::result_rows(analysis);
  py::dict tables;
  tables["items"] = table_of(results::item_columns(), rows.items);
  tables["levels"] = table_of(results::level_columns(), rows.levels);
  tables["coefficients"] = table_of(results::coefficient_columns(), rows.coefficients);
  tables["overall"] = analysis.overall ? py::object(table_of(results::overall_item_columns(), rows.overall))
                                       : py::object(py::none());
  tables["bundles"] = rows.bundles.empty() ? py::object(py::none())
                                           : py::object(table_of(results::bundle_columns(), rows.bundles));

  // The purification: one row per round of each comparison, then of the overall analysis
  // (focal undefined), with the items flagged in it; and per comparison its rounds, whether
  // it converged and why it stopped.
  std::vector<results::Row> rounds, purification;
  py::list flagged;
  const auto add_rounds = [&](const results::Cell& focal, const std::vector<stats::Round>& list,
                              bool converged, stats::Stop stop, const auto& name_of) {
    for (const stats::Round& round : list) {
      rounds.push_back({focal, std::int64_t{round.number}});
      py::list names;
      for (const std::size_t k : round.flagged) names.append(name_of(k));
      flagged.append(names);
    }
    purification.push_back({focal, static_cast<std::int64_t>(list.size()), converged,
                            std::string(stats::stop_name(stop))});
  };
  for (const stats::Comparison& comparison : analysis.comparisons)
    add_rounds(comparison.focal, comparison.rounds, comparison.converged, comparison.stop,
               [&](std::size_t k) { return comparison.items[k].name; });
  if (analysis.overall)
    add_rounds(std::monostate{}, analysis.overall->rounds, analysis.overall->converged,
               analysis.overall->stop,
               [&](std::size_t k) { return analysis.overall->items[k].name; });
  tables["purification"] = table_of({"focal", "rounds", "converged", "stop"}, purification);
  py::dict round_table = table_of({"focal", "round"}, rounds);
  round_table["flagged"] = py::make_tuple("lists", flagged, py::none());
  tables["rounds"] = round_table;

  std::vector<results::Row> groups = {
      {std::string("reference"), analysis.reference.value, static_cast<std::int64_t>(analysis.reference.n)}};
  for (const stats::GroupSize& focal : analysis.focal)
    groups.push_back({std::string("focal"), focal.value, static_cast<std::int64_t>(focal.n)});
  tables["groups"] = table_of({"group", "value", "n"}, groups);

  py::dict settings;
  for (const auto& setting : run.description.settings) settings[py::str(setting.name)] = setting.value;
  tables["settings"] = settings;
  tables["rows_read"] = run.description.rows_read;
  tables["rows_left_out"] = run.description.rows_of_no_group;
  tables["listwise_left_out"] = analysis.listwise_left_out;
  return tables;
}

}  // namespace

PYBIND11_MODULE(_core, m) {
  m.doc() = "The compiled analysis of the itemdif package.";

  static py::exception<data::InputError> input_error(m, "InputError", PyExc_ValueError);
  static py::exception<cli::UsageError> argument_error(m, "ArgumentError", PyExc_ValueError);
  static py::exception<results::OutputError> output_error(m, "OutputError", PyExc_OSError);
  py::register_exception_translator([](std::exception_ptr thrown) {
    try {
      if (thrown) std::rethrow_exception(thrown);
    } catch (const data::InputError& error) {
      input_error(error.what());
    } catch (const cli::UsageError& error) {
      argument_error(python_message(error.what()).c_str());
    } catch (const results::OutputError& error) {
      output_error(error.what());
    }
  });

  py::class_<Run>(m, "Run")
      .def("tables", &tables_of)
      .def("summary",
           [](const Run& run) {
             std::ostringstream text;
             results::write_summary(text, run.description, run.analysis);
             return text.str();
           })
      .def("write_results", [](const Run& run, const std::string& folder) {
        results::write_results_files(folder, run.description, run.analysis);
      });

  m.def("run", &run_analysis, py::arg("header"), py::arg("rows"), py::arg("column_of"),
        py::arg("arguments"), py::arg("threads"),
        "Reads the selected columns, analyses them and returns the run.");

  m.def("number_text", [](double value) { return results::number_text(value); },
        "A number as the results files write it: the shortest text that reads back the same.");
}
