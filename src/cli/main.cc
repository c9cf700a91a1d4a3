// duvra-cli: batch front end over the core.
#include <algorithm>
#include <iostream>

#include "cli/cli.h"

using duvra::cli::Commands;

namespace {

void PrintUsage(std::ostream& out) {
  out << "Usage: duvra-cli COMMAND [ARGS...]\n\n"
         "Keeps Duvra databases, indexes sites and writes search scripts without the\n"
         "desktop program.\n\nCommands:\n";
  auto commands = Commands();
  std::sort(commands.begin(), commands.end(),
            [](const auto& a, const auto& b) { return a.name < b.name; });
  for (const auto& c : commands) {
    out << "  " << c.usage << "\n      " << c.summary << "\n";
  }
  out << "\nRun 'duvra-cli COMMAND --help' for the details of a command.\n";
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    PrintUsage(std::cerr);
    return 2;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    PrintUsage(std::cout);
    return 0;
  }
  for (const auto& c : Commands()) {
    if (c.name != args[0]) continue;
    std::vector<std::string> rest(args.begin() + 1, args.end());
    if (std::find(rest.begin(), rest.end(), "--help") != rest.end()) {
      std::cout << "Usage: duvra-cli " << c.usage << "\n\n" << c.help << "\n";
      return 0;
    }
    try {
      return c.run(rest);
    } catch (const duvra::cli::CliError& e) {
      std::cerr << "duvra-cli " << c.name << ": " << e.message << "\n";
      return 1;
    }
  }
  std::cerr << "duvra-cli: unknown command '" << args[0] << "' (try --help)\n";
  return 2;
}
