// duvra-cli: batch front end over the core.
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"

int main(int argc, char** argv) {
  return duvra::cli::RunProgram(std::vector<std::string>(argv + 1, argv + argc), std::cout,
                                std::cerr);
}
