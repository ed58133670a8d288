// Statistical files whose own numbers lie: the memory a read asks for follows the file's
// bytes, not the row count its header claims.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <new>
#include <string>

#include "data/data_files.hpp"
#include "data/statistical_file.hpp"

namespace itemdif::data {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

/// Reads `path` in a child process whose address space is limited to `megabytes`: 0 when the
/// read ended (a result or an InputError), 3 when it ran out of memory.
int read_in_little_memory(const std::string& path, rlim_t megabytes) {
  const pid_t child = ::fork();
  if (child == 0) {
    const rlimit limit{megabytes << 20, megabytes << 20};
    ::setrlimit(RLIMIT_AS, &limit);
    int status = 0;
    try {
      read_statistical_file(testing::options_for(path, "sex", "F"), FileFormat::sav);
    } catch (const InputError&) {
    } catch (const std::bad_alloc&) {
      status = 3;
    }
    ::_exit(status);
  }
  int status = -1;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(HostileFiles, AHeaderClaimingBillionsOfRowsReservesNoMoreThanTheFileHolds) {
  // A file the fuzzer made from the seed: 956 bytes whose header claims about 2^31 rows of
  // items. The read ends on its broken text, within a few megabytes.
  const std::string path = ITEMDIF_SOURCE_DIR "/tests/data/hostile/huge_row_count.sav";
  try {
    read_statistical_file(testing::options_for(path, "sex", "F"), FileFormat::sav);
    ADD_FAILURE() << "the file was read";
  } catch (const InputError& error) {
    EXPECT_EQ(std::string(error.what()),
              path + ": cannot be read as an SPSS file (Unable to convert string to the "
                     "requested encoding (invalid byte sequence))");
  }
  // The sanitizers reserve more address space than any limit here would leave.
  if (kSanitized) GTEST_SKIP() << "no address-space limit under the sanitizers";
  EXPECT_EQ(read_in_little_memory(path, 512), 0);
}

TEST(HostileFiles, AStataFileWhoseLabelSetNamesLackTheirEndingZero) {
  // A file the fuzzer made (format 105, 32 variables): the value-label names fill their
  // 9-byte fields with 0xFF and no zero, so reading the last one to its end ran past the
  // library's table (found by AddressSanitizer). Each name is read within its field now; the
  // file's rows then fail on their own.
  const std::string path = ITEMDIF_SOURCE_DIR "/tests/data/hostile/unterminated_label_set.dta";
  ReadOptions options = testing::options_for(path, "group", "1");
  options.id_column = "id";
  options.missing_codes = {"9"};
  try {
    const ItemScores scores = read_statistical_file(options, FileFormat::dta);
    ADD_FAILURE() << "read " << scores.item_names.size() << " items";
  } catch (const InputError& error) {
    EXPECT_EQ(std::string(error.what()).rfind(path + ": ", 0), 0u) << error.what();
  }
}

}  // namespace
}  // namespace itemdif::data
