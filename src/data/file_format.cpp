#include "data/file_format.hpp"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "data/item_scores.hpp"

namespace itemdif::data {

FormatChoice choose_format(const std::string& path, std::optional<char> delimiter) {
  std::string extension = std::filesystem::path(path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (extension == ".sav" || extension == ".zsav") return {FileFormat::sav, ','};
  if (extension == ".dta") return {FileFormat::dta, ','};
  if (extension == ".sas7bdat") return {FileFormat::sas7bdat, ','};
  if (delimiter) return {FileFormat::text, *delimiter};
  if (extension == ".csv") return {FileFormat::text, ','};
  if (extension == ".tsv" || extension == ".tab") return {FileFormat::text, '\t'};
  const std::string shown = extension.empty() ? "no extension" : "extension " + extension;
  throw InputError(path + ": unknown kind of data file (" + shown +
                   "); use .csv, .tsv, .tab, .sav, .dta or .sas7bdat, or give a delimiter");
}

}  // namespace itemdif::data
