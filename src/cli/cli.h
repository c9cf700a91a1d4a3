// The command table of duvra-cli. A command file registers its commands with
// a static CliRegistration; main() looks them up by name.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "database/db_files.h"

namespace duvra::cli {

// Thrown by commands for a one-line error; main prints it and exits 1.
struct CliError {
  std::string message;
};

struct Command {
  std::string name;
  std::string usage;    // "new PATH"
  std::string summary;  // one line for --help
  std::string help;     // the text of "duvra-cli NAME --help"
  // args excludes the program and command names; returns the exit status.
  std::function<int(const std::vector<std::string>& args)> run;
};

std::vector<Command>& Commands();

struct CliRegistration {
  explicit CliRegistration(Command c) { Commands().push_back(std::move(c)); }
};

// Opens the database whose header path (or path without ".duv") is given.
Database OpenDatabaseOrThrow(const std::string& path);
// Saves, throwing CliError with the save's message on failure.
void SaveOrThrow(Database& db);
// Makes a relative path absolute against the current folder.
std::string AbsolutePath(const std::string& path);

}  // namespace duvra::cli
