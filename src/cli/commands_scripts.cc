// duvra-cli create / scripts: the Create dialog in batch form.
#include <iostream>
#include <utility>

#include "base/text_file.h"
#include "cli/cli.h"
#include "database/data_dir.h"
#include "scripts/create_dialog.h"
#include "scripts/create_scripts.h"
#include "scripts/script_settings.h"

namespace duvra::cli {
namespace {

constexpr char kSettingOptions[] =
    "  --folder DIR      the folder the scripts are written to\n"
    "  --location TEXT   the address of the results page\n"
    "  --return N        results per page: 10, 20 or 30\n"
    "  --number 0|1      show each result's number\n"
    "  --bold 0|1        show the query words in bold\n"
    "  --url 0|1         show each result's address";

// Reads a "0" or "1" option value.
bool FlagValue(const std::string& option, const std::string& value) {
  if (value == "1") return true;
  if (value == "0") return false;
  throw CliError{option + " takes 0 or 1, not \"" + value + "\""};
}

struct ParsedArgs {
  std::string path;
  bool data_only = false;
  bool no_index = false;
  std::vector<std::pair<std::string, std::string>> settings;  // option, value
};

// Splits PATH, --data-only (when allowed) and the setting options with their
// values ("--opt VALUE" or "--opt=VALUE").
ParsedArgs ParseArgs(const std::vector<std::string>& args, bool allow_data_only) {
  ParsedArgs p;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string opt = args[i];
    if (opt.rfind("--", 0) != 0) {
      if (!p.path.empty()) throw CliError{"expected one PATH (see --help)"};
      p.path = opt;
      continue;
    }
    if (opt == "--data-only" && allow_data_only) {
      p.data_only = true;
      continue;
    }
    if (opt == "--no-index" && allow_data_only) {
      p.no_index = true;
      continue;
    }
    std::string value;
    if (size_t eq = opt.find('='); eq != std::string::npos) {
      value = opt.substr(eq + 1);
      opt.resize(eq);
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      throw CliError{opt + " needs a value (see --help)"};
    }
    p.settings.emplace_back(opt, value);
  }
  if (p.path.empty()) throw CliError{"expected one PATH (see --help)"};
  return p;
}

// Applies the setting options over the settings read from the database.
void ApplySettings(const ParsedArgs& p, ScriptSettings* s) {
  for (const auto& [opt, value] : p.settings) {
    if (opt == "--folder") {
      s->folder = value;
    } else if (opt == "--location") {
      s->location = value;
    } else if (opt == "--return") {
      size_t k = 0;
      while (k < kReturnChoices.size() && std::to_string(kReturnChoices[k]) != value) ++k;
      if (k == kReturnChoices.size()) throw CliError{"--return takes 10, 20 or 30"};
      s->return_index = int(k);
    } else if (opt == "--number") {
      s->include_num = FlagValue(opt, value);
    } else if (opt == "--bold") {
      s->bold = FlagValue(opt, value);
    } else if (opt == "--url") {
      s->include_url = FlagValue(opt, value);
    } else {
      throw CliError{"unknown option " + opt + " (see --help)"};
    }
  }
}

// The fields stand in the one line, so none may hold "^" or a line break.
void CheckFieldText(const ScriptSettings& s) {
  for (const std::string* f : {&s.folder, &s.location}) {
    if (f->find_first_of("^\r\n") != std::string::npos) {
      throw CliError{"\"" + *f + "\" holds \"^\" or a line break, which the database cannot keep"};
    }
  }
}

void PrintSettings(const Database& db) {
  ScriptSettings s = SplitScriptSettings(db.script_settings_line);
  std::cout << "Create Scripts in: " << s.folder << "\n"
            << "Results location: " << s.location << "\n"
            << "Return: " << ReturnResults(s.return_index) << " Results\n"
            << "Include number: " << (s.include_num ? 1 : 0) << "\n"
            << "Bold: " << (s.bold ? 1 : 0) << "\n"
            << "Include URL: " << (s.include_url ? 1 : 0) << "\n"
            << "Script settings: " << db.script_settings_line << "\n";
}

int RunCreate(const std::vector<std::string>& args) {
  ParsedArgs p = ParseArgs(args, true);
  Database db = OpenDatabaseOrThrow(p.path);
  ScriptSettings s = SplitScriptSettings(db.script_settings_line);
  ApplySettings(p, &s);
  CheckFieldText(s);
  if (!CreateOkEnabled(s.folder, s.location)) {
    throw CliError{"the scripts folder and the results location need at least " +
                   std::to_string(kMinCreateTextLength) + " characters (see --help)"};
  }
  if (!DirectoryExists(s.folder)) throw CliError{s.folder + std::string(kInvalidFolderSuffix)};
  ScriptJob job{s, !p.data_only, FindDataDir(), db.excluded_words, !p.no_index};
  if (Status st = CreateScripts(job, db.records.lines()); !st.ok()) throw CliError{st.message()};
  std::cout << *CreateOutcomeMessage(CreateOutcome::kCreated, s.folder, !p.data_only) << "\n";
  return 0;
}

int RunScripts(const std::vector<std::string>& args) {
  ParsedArgs p = ParseArgs(args, false);
  Database db = OpenDatabaseOrThrow(p.path);
  if (!p.settings.empty()) {
    ScriptSettings s = SplitScriptSettings(db.script_settings_line);
    ApplySettings(p, &s);
    CheckFieldText(s);
    db.script_settings_line = BuildScriptSettingsLine(s);
    SaveOrThrow(db);
  }
  PrintSettings(db);
  return 0;
}

CliRegistration create_command(
    {"create", "create PATH [--folder DIR] [--data-only] [--no-index] [OPTIONS]",
     "write the search scripts and the data script",
     std::string(
         "Writes duv_form.js, duv_search.js and duv_data.js into the scripts folder,\n"
         "as OK of the Create dialog does. The folder and the other script settings\n"
         "come from the database's script settings line unless given here; options\n"
         "given here are used for this run only (store them with 'scripts').\n"
         "The search scripts are built from form.dat and search.dat of the shipped\n"
         "data folder ($DUVRA_DATA_DIR overrides it).\n\n"
         "The search index (the folder duv_index) is written beside them, so that\n"
         "the search loads only what a query needs.\n\n"
         "  --data-only       write duv_data.js only, leaving the search scripts\n"
         "  --no-index        leave the search index out (and take an old one out of use)\n") +
         kSettingOptions,
     RunCreate});

CliRegistration scripts_command(
    {"scripts", "scripts PATH [OPTIONS]", "show or set the script settings",
     std::string("Prints the script settings of the database. With options, changes them\n"
                 "first and saves the database.\n\n") +
         kSettingOptions,
     RunScripts});

}  // namespace
}  // namespace duvra::cli
