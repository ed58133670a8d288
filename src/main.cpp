// itemdif: differential item functioning by Mantel-Haenszel and logistic regression.
// The run's end becomes the process's exit status here and nowhere else.
#include <iostream>

#include "driver/run.hpp"

int main() { return itemdif::driver::run_dialogue(std::cerr); }
