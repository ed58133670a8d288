#include "data/mapped_file.hpp"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "data/item_scores.hpp"

namespace itemdif::data {
namespace {

[[noreturn]] void fail(const std::string& shown, int error) {
  throw InputError(shown + ": cannot read the file (" + std::strerror(error) + ")");
}

// Opens the file for reading and checks that it is a regular file; returns the descriptor.
int open_regular(const std::string& path, const std::string& shown, struct stat& info) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) fail(shown, errno);
  if (::fstat(fd, &info) != 0) {
    const int error = errno;
    ::close(fd);
    fail(shown, error);
  }
  if (S_ISDIR(info.st_mode)) {
    ::close(fd);
    fail(shown, EISDIR);
  }
  if (!S_ISREG(info.st_mode)) {
    ::close(fd);
    throw InputError(shown + ": cannot read the file (not a regular file)");
  }
  return fd;
}

}  // namespace

MappedFile::MappedFile(const std::string& path, const std::string& shown) {
  struct stat info {};
  const int fd = open_regular(path, shown, info);
  size_ = static_cast<std::size_t>(info.st_size);
  if (size_ == 0) {
    ::close(fd);
    return;
  }
  void* mapped = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
  const int error = errno;
  ::close(fd);
  if (mapped == MAP_FAILED) {
    size_ = 0;
    fail(shown, error);
  }
  data_ = static_cast<const char*>(mapped);
  ::madvise(mapped, size_, MADV_SEQUENTIAL);
}

MappedFile::~MappedFile() {
  if (data_ != nullptr) ::munmap(const_cast<char*>(data_), size_);
}

void MappedFile::release_before(std::size_t offset) {
  static const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  if (data_ == nullptr) return;
  const std::size_t end = (offset < size_ ? offset : size_) / page * page;
  if (end <= released_) return;
  // The mapping stays valid; a later touch would fault the page in again from the file.
  ::madvise(const_cast<char*>(data_) + released_, end - released_, MADV_DONTNEED);
  released_ = end;
}

}  // namespace itemdif::data
