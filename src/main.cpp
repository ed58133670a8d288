// itemdif: differential item functioning by Mantel-Haenszel and logistic regression.
// The run's end becomes the process's exit status here and nowhere else.
#include <iostream>

#include "cli/command_line.hpp"

int main(int argc, char** argv) {
  return itemdif::cli::run_command_line(argc, argv, std::cout, std::cerr);
}
