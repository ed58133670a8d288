// A data file's bytes, mapped read-only for one front-to-back pass.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace itemdif::data {

class MappedFile {
 public:
  /// Maps `path` (named in messages as `shown`). Throws InputError when the file does not exist,
  /// cannot be opened or read, or is a directory. An empty file maps to an empty view.
  MappedFile(const std::string& path, const std::string& shown);
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  std::string_view bytes() const { return {data_, size_}; }

  /// Gives the pages wholly before `offset` back to the system: they have been read and will
  /// not be looked at again, so the pass keeps only a small window of the file resident.
  void release_before(std::size_t offset);

 private:
  const char* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t released_ = 0;
};

}  // namespace itemdif::data
