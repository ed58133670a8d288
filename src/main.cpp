// itemdif: differential item functioning by Mantel-Haenszel and logistic regression.
// The one place where a run's end becomes an exit status.
#include <iostream>

#include "driver/run.hpp"

int main() { return itemdif::driver::run_to_status(std::cerr); }
