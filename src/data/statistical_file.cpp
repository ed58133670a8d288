#include "data/statistical_file.hpp"

#include <readstat.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/score_table_builder.hpp"

namespace itemdif::data {
namespace {

struct Variable {
  std::string name;
  std::string label_set;
};

// What the callbacks gather; rows are handed to the builder as soon as they are complete.
struct Parse {
  const ReadOptions* options = nullptr;
  std::size_t row_bound = 0;
  FileFormat format = FileFormat::sav;
  int format_version = 0;
  std::vector<Variable> variables;
  std::map<std::string, std::map<double, std::string>> label_sets;
  std::optional<ScoreTableBuilder> builder;
  std::vector<TypedCell> cells;
  std::vector<std::string> texts;  // the row's string values, reused from row to row
  long row = -1;                   // the observation being gathered
  std::exception_ptr failure;

  void start() {
    std::vector<std::string> header;
    header.reserve(variables.size());
    for (const Variable& variable : variables) header.push_back(variable.name);
    builder.emplace(*options, std::move(header), row_bound, ScoreTableBuilder::Place::row);
    cells.assign(variables.size(), TypedCell{});
    texts.assign(variables.size(), std::string());
  }

  void flush() {
    if (row < 0) return;
    for (std::size_t k = 0; k < cells.size(); ++k)
      if (cells[k].kind == TypedCell::Kind::text) cells[k].text = texts[k];
    builder->add_typed_row(static_cast<std::size_t>(row) + 1, cells);
    for (TypedCell& cell : cells) cell = TypedCell{};
  }
};

template <typename Body>
int guarded(void* context, Body body) {
  Parse& parse = *static_cast<Parse*>(context);
  try {
    body(parse);
    return READSTAT_HANDLER_OK;
  } catch (...) {
    parse.failure = std::current_exception();
    return READSTAT_HANDLER_ABORT;
  }
}

int on_metadata(readstat_metadata_t* metadata, void* context) {
  return guarded(context, [&](Parse& parse) {
    // The row count is the file's own word, which a damaged file can make anything: the
    // tables are reserved for no more rows than the file has bytes for (every value takes at
    // least one byte unless compressed, and a compressed file's tables grow as rows come).
    const int rows = readstat_get_row_count(metadata);
    const int columns = readstat_get_var_count(metadata);
    std::error_code unknown;
    const std::uintmax_t bytes = std::filesystem::file_size(parse.options->path, unknown);
    const std::uintmax_t room =
        unknown ? 0 : bytes / static_cast<std::uintmax_t>(std::max(columns, 1));
    parse.row_bound =
        rows > 0 ? static_cast<std::size_t>(std::min<std::uintmax_t>(rows, room)) : 0;
    parse.format_version = readstat_get_file_format_version(metadata);
  });
}

/// The longest a Stata file's name of a variable's value labels can be, its ending zero
/// included: the width of its field in the file (9 bytes up to format 107, 33 up to 117,
/// 129 from 118 on). The library hands the field over as it stands, and a damaged file may
/// fill it without the zero, so the name is read no further.
std::size_t label_set_field_width(int format_version) {
  return format_version >= 118 ? 129 : format_version >= 108 ? 33 : 9;
}

/// A name of value labels as the library gives it, read within its field for Stata files.
std::string label_set_name(const Parse& parse, const char* label_set) {
  if (label_set == nullptr) return {};
  if (parse.format != FileFormat::dta) return label_set;
  return std::string(label_set, strnlen(label_set, label_set_field_width(parse.format_version)));
}

int on_variable(int, readstat_variable_t* variable, const char* label_set, void* context) {
  return guarded(context, [&](Parse& parse) {
    const char* name = readstat_variable_get_name(variable);
    parse.variables.push_back({name ? name : "", label_set_name(parse, label_set)});
  });
}

int on_value_label(const char* label_set, readstat_value_t value, const char* label, void* context) {
  return guarded(context, [&](Parse& parse) {
    if (readstat_value_type_class(value) != READSTAT_TYPE_CLASS_NUMERIC) return;
    if (readstat_value_is_system_missing(value) || readstat_value_is_tagged_missing(value)) return;
    parse.label_sets[label_set_name(parse, label_set)][readstat_double_value(value)] =
        label ? label : "";
  });
}

int on_value(int obs_index, readstat_variable_t* variable, readstat_value_t value, void* context) {
  return guarded(context, [&](Parse& parse) {
    if (!parse.builder) parse.start();
    if (obs_index != parse.row) {
      parse.flush();
      parse.row = obs_index;
    }
    const int index = readstat_variable_get_index(variable);
    if (index < 0 || static_cast<std::size_t>(index) >= parse.cells.size()) return;
    TypedCell& cell = parse.cells[static_cast<std::size_t>(index)];
    if (readstat_value_is_missing(value, variable)) {
      cell.kind = TypedCell::Kind::missing;
    } else if (readstat_value_type_class(value) == READSTAT_TYPE_CLASS_STRING) {
      const char* text = readstat_string_value(value);
      parse.texts[static_cast<std::size_t>(index)].assign(text ? text : "");
      cell.kind = TypedCell::Kind::text;
    } else {
      cell.kind = TypedCell::Kind::number;
      cell.number = readstat_double_value(value);
    }
  });
}

const char* format_name(FileFormat format) {
  switch (format) {
    case FileFormat::sav: return "an SPSS";
    case FileFormat::dta: return "a Stata";
    case FileFormat::sas7bdat: return "a SAS";
    case FileFormat::text: break;
  }
  return "a data";
}

}  // namespace

ItemScores read_statistical_file(const ReadOptions& options, FileFormat format) {
  Parse parse;
  parse.options = &options;
  parse.format = format;
  const std::unique_ptr<readstat_parser_t, void (*)(readstat_parser_t*)> parser(
      readstat_parser_init(), readstat_parser_free);
  if (!parser) throw std::bad_alloc();
  readstat_set_metadata_handler(parser.get(), on_metadata);
  readstat_set_variable_handler(parser.get(), on_variable);
  readstat_set_value_label_handler(parser.get(), on_value_label);
  readstat_set_value_handler(parser.get(), on_value);

  readstat_error_t error = READSTAT_OK;
  const char* path = options.path.c_str();
  switch (format) {
    case FileFormat::sav: error = readstat_parse_sav(parser.get(), path, &parse); break;
    case FileFormat::dta: error = readstat_parse_dta(parser.get(), path, &parse); break;
    case FileFormat::sas7bdat: error = readstat_parse_sas7bdat(parser.get(), path, &parse); break;
    case FileFormat::text: break;
  }
  if (parse.failure) std::rethrow_exception(parse.failure);
  if (error != READSTAT_OK)
    throw InputError(options.path + ": cannot be read as " + format_name(format) + " file (" +
                     readstat_error_message(error) + ")");

  if (!parse.builder) parse.start();  // a file without rows still has its columns checked
  parse.flush();
  ScoreTableBuilder& builder = *parse.builder;
  for (std::size_t k = 0; k < parse.variables.size(); ++k)
    if (parse.variables[k].name == options.group_column) {
      const auto labels = parse.label_sets.find(parse.variables[k].label_set);
      if (!parse.variables[k].label_set.empty() && labels != parse.label_sets.end())
        builder.set_group_labels(labels->second);
    }
  return builder.finish();
}

}  // namespace itemdif::data
