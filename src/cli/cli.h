// The command table of duvra-cli. A command file registers its commands with
// a static CliRegistration; one parser reads every command line against the
// table, and the --help texts are written from it.
#pragma once

#include <functional>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "database/db_files.h"

namespace duvra::cli {

// Exit statuses, the same for every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;  // what a shell reports for Ctrl-C

// Thrown by commands for a one-line error; the program prints it and exits 1.
struct CliError {
  std::string message;
};

// A command line that does not fit the command's table: exit status 2.
struct UsageError {
  std::string message;
};

enum class ValueKind {
  kSwitch,  // no value: given or not
  kText,    // any text ("--opt=" gives an empty one)
  kBool,    // on|off, also 1|0 and yes|no; read back as "on" or "off"
  kNumber,  // a whole number >= 0 (one of `choices` when there are any),
            // read back in plain decimal
  kWord,    // one of `choices`
};

// One option of a command: "--name VALUE" or "--name=VALUE".
struct Option {
  std::string name{};  // without the leading "--"
  ValueKind kind = ValueKind::kSwitch;
  std::string help{};                  // one line for --help
  std::string value_name = "T";        // shown for kText and kNumber without choices
  std::vector<std::string> choices{};  // kWord, and kNumber when limited
  std::string unit{};                  // said after the choices: "seconds"
  bool non_empty = false;              // kText that may not be ""
  // Switches sharing a group name are alternatives: exactly one is given.
  std::string one_of{};
};

// Table entries, one line each.
Option SwitchOption(std::string name, std::string help);
Option TextOption(std::string name, std::string value_name, std::string help);
Option BoolOption(std::string name, std::string help);
// A whole number >= 0; one of `choices` when there are any, with `unit`
// after them in the error message.
Option NumberOption(std::string name, std::string help, std::span<const int> choices = {},
                    std::string unit = "");
Option WordOption(std::string name, std::vector<std::string> choices, std::string help);
// The option with an empty value refused.
Option NotEmpty(Option option);
// The switch as one of the alternatives named `group`.
Option OneOf(std::string group, Option option);

// A command line as the table reads it.
struct ParsedArgs {
  std::vector<std::string> positional;
  // Every option in the order given, values checked and in their read-back
  // form; a switch has an empty value.
  std::vector<std::pair<std::string, std::string>> options;

  bool Has(std::string_view name) const;
  // The value of the last "--name", or `fallback` when it is not given.
  std::string Last(std::string_view name, const std::string& fallback = "") const;
  bool operator==(const ParsedArgs&) const = default;
};

struct Command {
  std::string name{};
  std::vector<std::string> positional{};  // required arguments in order: "PATH", "FILE"
  std::string summary{};                  // one line for duvra-cli --help
  std::string help{};                     // the description of "duvra-cli NAME --help"
  std::vector<Option> options{};
  // Runs on a line the parser accepted; returns the exit status.
  std::function<int(const ParsedArgs& args)> run{};
};

std::vector<Command>& Commands();
const Command* FindCommand(std::string_view name);

struct CliRegistration {
  explicit CliRegistration(Command c) { Commands().push_back(std::move(c)); }
};

// Reads `args` (the words after the command name) against the command's
// table. Options may stand before, between or after the positional
// arguments; "--" ends the options. Throws UsageError for an unknown option,
// a missing or wrong value, a missing or extra argument.
ParsedArgs ParseCommandLine(const Command& command, const std::vector<std::string>& args);

// "duvra-cli NAME --help" and "duvra-cli --help", written from the table.
std::string CommandHelp(const Command& command);
std::string ProgramHelp();

// The whole program: `args` excludes the program name. Help goes to `out`,
// usage errors and failures to `err` as one line; returns the exit status.
int RunProgram(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// How output shows a setting that is on or off, the form the options take.
inline const char* OnOff(bool on) { return on ? "on" : "off"; }

// Opens the database whose header path (or path without ".duv") is given.
Database OpenDatabaseOrThrow(const std::string& path);
// Saves, throwing CliError with the save's message on failure.
void SaveOrThrow(Database& db);
// Makes a relative path absolute against the current folder.
std::string AbsolutePath(const std::string& path);

}  // namespace duvra::cli
