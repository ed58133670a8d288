// The command-line arguments: parsing, checking and whatever command they name, in the
// private folder, which holds a small data file and a control file with its group data.
// Input: the arguments, separated by line ends.
#include <cstdint>
#include <utility>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz_support.hpp"

using namespace itemdif;

namespace {

constexpr const char* kScores =
    "id,g,q1,q2,q3,q4\n"
    "a,0,1,0,1,1\nb,1,0,0,1,0\nc,0,1,1,1,0\nd,1,1,0,0,1\ne,0,0,1,1,1\nf,1,1,1,0,0\n"
    "g,0,1,0,0,1\nh,1,0,1,1,1\ni,0,1,1,0,1\nj,1,0,0,0,1\nk,0,1,1,1,1\nl,1,0,1,0,0\n";

constexpr const char* kControl =
    ">TITLE:four items\n>MODEL: 1\n>REFERENCE: ref.dat 6 4\n(2X,4F1.0)\n"
    ">FOCAL: foc.dat 6\n(2X,4F1.0)\n>OUTPUT: run.out\n>LEVELS: 2\n0 3\n2 4\n>LABELS: N\n";

constexpr const char* kReference = "a 1011\nc 1110\ne 0111\ng 1001\ni 1101\nk 1111\n";
constexpr const char* kFocal = "b 0010\nd 1001\nf 1100\nh 0111\nj 0001\nl 0100\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> arguments = fuzz::split(fuzz::bytes_of(data, size), '\n');
  if (arguments.size() > 64) return 0;
  for (const std::string& argument : arguments)
    if (!fuzz::stays_inside(argument)) return 0;
  fuzz::fresh_state();
  fuzz::write_file("scores.csv", kScores);
  fuzz::write_file("run.ctl", kControl);
  fuzz::write_file("ref.dat", kReference);
  fuzz::write_file("foc.dat", kFocal);

  arguments.insert(arguments.begin(), "itemdif");
  fuzz::run_arguments(std::move(arguments));
  return 0;
}
