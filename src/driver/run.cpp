// The run sequence.
#include "driver/run.hpp"

namespace itemdif::driver {

void run_analysis() {}

}  // namespace itemdif::driver
