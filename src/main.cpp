// itemdif: differential item functioning by Mantel-Haenszel and logistic regression.
// The one place where a run's end becomes an exit status.
#include <cstdio>
#include <iostream>

#include "driver/run.hpp"
#include "textio/channels.hpp"
#include "textio/errors.hpp"

int main() {
  using itemdif::textio::IoError;
  using itemdif::textio::QuietStop;
  int status = 0;
  try {
    itemdif::driver::run_analysis();
  } catch (const QuietStop& stop) {
    status = stop.status;
  } catch (const IoError& error) {
    itemdif::textio::console_output().flush();
    if (!error.info.empty())
      std::fprintf(stderr, "itemdif: info (58): format syntax error at or near %s\n",
                   error.info.c_str());
    std::fprintf(stderr, "itemdif: severe (%d): %s\n", error.number, error.text().c_str());
    status = 2;
  }
  itemdif::textio::console_output().flush();
  return status;
}
