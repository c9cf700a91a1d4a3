#include "cli/cli.h"

#include <unistd.h>

#include <algorithm>
#include <ostream>

#include "base/text_file.h"
#include "base/whole_number.h"

namespace duvra::cli {
namespace {

// Help lines are wrapped to fit a terminal of 80 columns.
constexpr size_t kHelpWidth = 79;
// Option names up to this width share their line with the description.
constexpr size_t kOptionColumn = 24;

std::string Join(const std::vector<std::string>& items, const std::string& separator) {
  std::string joined;
  for (size_t i = 0; i < items.size(); ++i) joined += (i ? separator : "") + items[i];
  return joined;
}

const Option* FindOption(const Command& command, std::string_view name) {
  for (const Option& o : command.options) {
    if (o.name == name) return &o;
  }
  return nullptr;
}

// What the help shows for an option's value: "DIR", "on|off", "10|20|30".
std::string ValueText(const Option& o) {
  switch (o.kind) {
    case ValueKind::kSwitch:
      return "";
    case ValueKind::kBool:
      return "on|off";
    case ValueKind::kWord:
      return Join(o.choices, "|");
    case ValueKind::kNumber:
      return o.choices.empty() ? o.value_name : Join(o.choices, "|");
    case ValueKind::kText:
      return o.value_name;
  }
  return "";
}

std::string OptionText(const Option& o) {
  const std::string value = ValueText(o);
  return "--" + o.name + (value.empty() ? "" : " " + value);
}

std::string BadChoice(const Option& o) {
  return "--" + o.name + " must be one of " + Join(o.choices, ", ") +
         (o.unit.empty() ? "" : " " + o.unit);
}

// The value as the command reads it, or a UsageError.
std::string CheckedValue(const Option& o, const std::string& value) {
  switch (o.kind) {
    case ValueKind::kSwitch:
      return value;
    case ValueKind::kBool:
      if (value == "on" || value == "1" || value == "yes") return "on";
      if (value == "off" || value == "0" || value == "no") return "off";
      throw UsageError{"--" + o.name + " takes on or off (or 1|0, yes|no), not \"" + value + "\""};
    case ValueKind::kWord:
      if (std::find(o.choices.begin(), o.choices.end(), value) == o.choices.end()) {
        throw UsageError{BadChoice(o)};
      }
      return value;
    case ValueKind::kNumber: {
      int n = -1;
      if (!ParseWholeNumber(value, &n) || n < 0) {
        if (!o.choices.empty()) throw UsageError{BadChoice(o)};
        throw UsageError{"--" + o.name + " takes a whole number, not \"" + value + "\""};
      }
      const std::string plain = std::to_string(n);
      if (!o.choices.empty() &&
          std::find(o.choices.begin(), o.choices.end(), plain) == o.choices.end()) {
        throw UsageError{BadChoice(o)};
      }
      return plain;
    }
    case ValueKind::kText:
      if (o.non_empty && value.empty()) throw UsageError{"--" + o.name + " cannot be empty"};
      return value;
  }
  return value;
}

// Each group of alternatives must be given exactly once.
void CheckAlternatives(const Command& command, const ParsedArgs& p) {
  std::vector<std::string> done;
  for (const Option& o : command.options) {
    if (o.one_of.empty() || std::find(done.begin(), done.end(), o.one_of) != done.end()) continue;
    done.push_back(o.one_of);
    std::vector<std::string> names;
    size_t given = 0;
    for (const Option& alt : command.options) {
      if (alt.one_of != o.one_of) continue;
      names.push_back("--" + alt.name);
      if (p.Has(alt.name)) ++given;
    }
    if (given != 1) throw UsageError{"expected " + Join(names, " or ")};
  }
}

// Words joined by spaces, broken before a word that would pass kHelpWidth;
// lines after the first start under the first word after `lead`.
std::string Wrap(const std::string& lead, const std::vector<std::string>& words) {
  std::string text = lead, line = lead;
  for (size_t i = 0; i < words.size(); ++i) {
    if (i > 0 && line.size() + 1 + words[i].size() > kHelpWidth) {
      line = std::string(lead.size(), ' ');
      text += "\n" + line;
    } else if (i > 0) {
      line += " ";
      text += " ";
    }
    line += words[i];
    text += words[i];
  }
  return text + "\n";
}

// The words after the command name: "PATH", "FILE", "[--csv]", "--absolute|--local".
std::vector<std::string> SynopsisWords(const Command& command, bool short_form) {
  std::vector<std::string> words = command.positional;
  std::vector<std::string> groups;
  bool optional = false;
  for (const Option& o : command.options) {
    if (o.one_of.empty()) {
      optional = true;
      if (!short_form) words.push_back("[" + OptionText(o) + "]");
      continue;
    }
    if (std::find(groups.begin(), groups.end(), o.one_of) != groups.end()) continue;
    groups.push_back(o.one_of);
    std::vector<std::string> alternatives;
    for (const Option& alt : command.options) {
      if (alt.one_of == o.one_of) alternatives.push_back(OptionText(alt));
    }
    words.push_back(Join(alternatives, "|"));
  }
  if (short_form && optional) words.push_back("[OPTIONS]");
  return words;
}

}  // namespace

Option SwitchOption(std::string name, std::string help) {
  return {.name = std::move(name), .help = std::move(help)};
}

Option TextOption(std::string name, std::string value_name, std::string help) {
  return {.name = std::move(name),
          .kind = ValueKind::kText,
          .help = std::move(help),
          .value_name = std::move(value_name)};
}

Option BoolOption(std::string name, std::string help) {
  return {.name = std::move(name), .kind = ValueKind::kBool, .help = std::move(help)};
}

Option NumberOption(std::string name, std::string help, std::span<const int> choices,
                    std::string unit) {
  Option o{.name = std::move(name),
           .kind = ValueKind::kNumber,
           .help = std::move(help),
           .value_name = "N",
           .unit = std::move(unit)};
  for (int c : choices) o.choices.push_back(std::to_string(c));
  return o;
}

Option WordOption(std::string name, std::vector<std::string> choices, std::string help) {
  return {.name = std::move(name),
          .kind = ValueKind::kWord,
          .help = std::move(help),
          .choices = std::move(choices)};
}

Option NotEmpty(Option option) {
  option.non_empty = true;
  return option;
}

Option OneOf(std::string group, Option option) {
  option.one_of = std::move(group);
  return option;
}

bool ParsedArgs::Has(std::string_view name) const {
  return std::any_of(options.begin(), options.end(),
                     [&](const auto& o) { return o.first == name; });
}

std::string ParsedArgs::Last(std::string_view name, const std::string& fallback) const {
  for (auto it = options.rbegin(); it != options.rend(); ++it) {
    if (it->first == name) return it->second;
  }
  return fallback;
}

std::vector<Command>& Commands() {
  static std::vector<Command> commands;
  return commands;
}

const Command* FindCommand(std::string_view name) {
  for (const Command& c : Commands()) {
    if (c.name == name) return &c;
  }
  return nullptr;
}

ParsedArgs ParseCommandLine(const Command& command, const std::vector<std::string>& args) {
  ParsedArgs p;
  bool options_ended = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (options_ended || a == "-" || !a.starts_with("-")) {
      p.positional.push_back(a);
      continue;
    }
    if (a == "--") {
      options_ended = true;
      continue;
    }
    const size_t eq = a.find('=');
    const std::string name = a.substr(0, eq).substr(a.starts_with("--") ? 2 : 1);
    const Option* o = a.starts_with("--") ? FindOption(command, name) : nullptr;
    if (o == nullptr) throw UsageError{"unknown option " + a.substr(0, eq)};
    std::string value;
    if (o->kind == ValueKind::kSwitch) {
      if (eq != std::string::npos) throw UsageError{"--" + name + " takes no value"};
    } else if (eq != std::string::npos) {
      value = a.substr(eq + 1);
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      throw UsageError{"--" + name + " needs a value"};
    }
    p.options.emplace_back(name, CheckedValue(*o, value));
  }
  const std::vector<std::string>& wanted = command.positional;
  if (p.positional.size() < wanted.size()) {
    throw UsageError{"missing " + Join(std::vector<std::string>(
                                           wanted.begin() + p.positional.size(), wanted.end()),
                                       " and ")};
  }
  if (p.positional.size() > wanted.size()) {
    throw UsageError{"unexpected argument '" + p.positional[wanted.size()] + "'"};
  }
  for (size_t i = 0; i < wanted.size(); ++i) {
    if (p.positional[i].empty()) throw UsageError{wanted[i] + " cannot be empty"};
  }
  CheckAlternatives(command, p);
  return p;
}

std::string CommandHelp(const Command& command) {
  std::string text = Wrap("Usage: duvra-cli " + command.name + " ", SynopsisWords(command, false));
  text += "\n" + command.help + "\n";
  if (command.options.empty()) return text;
  text += "\nOptions:\n";
  for (const Option& o : command.options) {
    const std::string option = "  " + OptionText(o);
    if (option.size() + 2 > kOptionColumn) {
      text += option + "\n" + std::string(kOptionColumn, ' ') + o.help + "\n";
    } else {
      text += option + std::string(kOptionColumn - option.size(), ' ') + o.help + "\n";
    }
  }
  return text;
}

std::string ProgramHelp() {
  std::string text =
      "Usage: duvra-cli COMMAND [ARGS...]\n\n"
      "Keeps Duvra databases, indexes sites and writes search scripts without the\n"
      "desktop program.\n\nCommands:\n";
  std::vector<const Command*> sorted;
  for (const Command& c : Commands()) sorted.push_back(&c);
  std::sort(sorted.begin(), sorted.end(),
            [](const Command* a, const Command* b) { return a->name < b->name; });
  for (const Command* c : sorted) {
    text += Wrap("  " + c->name + " ", SynopsisWords(*c, true)) + "      " + c->summary + "\n";
  }
  text +=
      "\nAn option takes its value as '--option VALUE' or '--option=VALUE'; where\n"
      "on|off is asked, 1|0 and yes|no do as well.\n"
      "Exit status: 0 done, 1 failed, 2 a command line that does not fit the\n"
      "command, 130 stopped by Ctrl-C.\n"
      "\nRun 'duvra-cli COMMAND --help' for the details of a command.\n";
  return text;
}

int RunProgram(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    err << ProgramHelp();
    return kExitUsage;
  }
  if (args[0] == "--help" || args[0] == "-h" || (args[0] == "help" && args.size() == 1)) {
    out << ProgramHelp();
    return kExitOk;
  }
  // "duvra-cli help NAME" is "duvra-cli NAME --help".
  const bool help_word = args[0] == "help";
  const std::string& name = help_word ? args[1] : args[0];
  const Command* command = FindCommand(name);
  if (command == nullptr) {
    err << "duvra-cli: unknown command '" << name << "' (try --help)\n";
    return kExitUsage;
  }
  const std::vector<std::string> rest(args.begin() + (help_word ? 2 : 1), args.end());
  if (help_word || std::find(rest.begin(), rest.end(), "--help") != rest.end()) {
    out << CommandHelp(*command);
    return kExitOk;
  }
  try {
    return command->run(ParseCommandLine(*command, rest));
  } catch (const UsageError& e) {
    err << "duvra-cli " << command->name << ": " << e.message << " (see 'duvra-cli "
        << command->name << " --help')\n";
    return kExitUsage;
  } catch (const CliError& e) {
    err << "duvra-cli " << command->name << ": " << e.message << "\n";
    return kExitFailed;
  }
}

std::string AbsolutePath(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  std::string cwd(4096, '\0');
  if (::getcwd(cwd.data(), cwd.size()) == nullptr) return path;
  cwd.resize(cwd.find('\0'));
  return cwd + "/" + path;
}

Database OpenDatabaseOrThrow(const std::string& path) {
  std::string abs = AbsolutePath(path);
  Database db;
  db.folder = FolderOf(abs);
  db.base_name = BaseNameFromDialogPath(abs);
  if (!FileExists(db.HeaderPath())) throw CliError{db.HeaderPath() + " no longer exists."};
  if (Status s = LoadDatabase(db); !s.ok()) throw CliError{s.message()};
  return db;
}

void SaveOrThrow(Database& db) {
  if (Status s = SaveDatabase(db); !s.ok()) throw CliError{s.message()};
}

}  // namespace duvra::cli
