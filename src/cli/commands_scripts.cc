// duvra-cli create / scripts: the Create dialog in batch form.
#include <algorithm>
#include <cstdlib>
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

// Applies the setting options over the settings read from the database.
void ApplySettings(const ParsedArgs& p, ScriptSettings* s) {
  for (const auto& [name, value] : p.options) {
    if (name == "folder") {
      s->folder = value;
    } else if (name == "location") {
      s->location = value;
    } else if (name == "return") {
      const auto k = std::find(kReturnChoices.begin(), kReturnChoices.end(), std::stoi(value));
      s->return_index = int(k - kReturnChoices.begin());
    } else if (name == "number") {
      s->include_num = value == "on";
    } else if (name == "bold") {
      s->bold = value == "on";
    } else if (name == "url") {
      s->include_url = value == "on";
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

// An index limit that the environment sets in place of the fallback, when it
// gives a positive number.
size_t IndexLimitFromEnv(const char* name, size_t fallback) {
  const char* text = std::getenv(name);
  const long value = text ? std::atol(text) : 0;
  return value > 0 ? static_cast<size_t>(value) : fallback;
}

void PrintSettings(const Database& db) {
  ScriptSettings s = SplitScriptSettings(db.script_settings_line);
  std::cout << "Create Scripts in: " << s.folder << "\n"
            << "Results location: " << s.location << "\n"
            << "Return: " << ReturnResults(s.return_index) << " Results\n"
            << "Include number: " << OnOff(s.include_num) << "\n"
            << "Bold: " << OnOff(s.bold) << "\n"
            << "Include URL: " << OnOff(s.include_url) << "\n"
            << "Script settings: " << db.script_settings_line << "\n";
}

int RunCreate(const ParsedArgs& p) {
  const bool data_only = p.Has("data-only");
  Database db = OpenDatabaseOrThrow(p.positional[0]);
  ScriptSettings s = SplitScriptSettings(db.script_settings_line);
  ApplySettings(p, &s);
  CheckFieldText(s);
  if (!CreateOkEnabled(s.folder, s.location)) {
    throw CliError{"the scripts folder and the results location need at least " +
                   std::to_string(kMinCreateTextLength) + " characters (see --help)"};
  }
  if (!DirectoryExists(s.folder)) throw CliError{s.folder + std::string(kInvalidFolderSuffix)};
  ScriptJob job{s, !data_only, FindDataDir(), db.excluded_words, !p.Has("no-index"), {}};
  // Tests ask for small posting packs and record chunks, so that a small
  // site has many of each.
  job.index_limits.pack_bytes =
      IndexLimitFromEnv("DUVRA_INDEX_PACK_BYTES", job.index_limits.pack_bytes);
  job.index_limits.records_per_chunk =
      IndexLimitFromEnv("DUVRA_INDEX_CHUNK_RECORDS", job.index_limits.records_per_chunk);
  if (Status st = CreateScripts(job, db.records.lines()); !st.ok()) throw CliError{st.message()};
  std::cout << *CreateOutcomeMessage(CreateOutcome::kCreated, s.folder, !data_only) << "\n";
  return kExitOk;
}

int RunScripts(const ParsedArgs& p) {
  Database db = OpenDatabaseOrThrow(p.positional[0]);
  if (!p.options.empty()) {
    ScriptSettings s = SplitScriptSettings(db.script_settings_line);
    ApplySettings(p, &s);
    CheckFieldText(s);
    db.script_settings_line = BuildScriptSettingsLine(s);
    SaveOrThrow(db);
  }
  PrintSettings(db);
  return kExitOk;
}

// The Create dialog's settings, shared by create (for one run) and scripts
// (stored).
std::vector<Option> SettingOptions() {
  return {
      TextOption("folder", "DIR", "the folder the scripts are written to"),
      TextOption("location", "TEXT", "the address of the results page"),
      NumberOption("return", "results per page", kReturnChoices),
      BoolOption("number", "show each result's number"),
      BoolOption("bold", "show the query words in bold"),
      BoolOption("url", "show each result's address"),
  };
}

std::vector<Option> CreateOptions() {
  std::vector<Option> options = SettingOptions();
  options.push_back(
      SwitchOption("data-only", "write duv_data.js only, leaving the search scripts"));
  options.push_back(
      SwitchOption("no-index", "leave the search index out (and take an old one out of use)"));
  return options;
}

CliRegistration create_command({
    .name = "create",
    .positional = {"PATH"},
    .summary = "write the search scripts and the data script",
    .help = "Writes duv_form.js, duv_search.js and duv_data.js into the scripts folder,\n"
            "as OK of the Create dialog does. The folder and the other script settings\n"
            "come from the database's script settings line unless given here; options\n"
            "given here are used for this run only (store them with 'scripts').\n"
            "The search scripts are built from form.dat and search.dat of the shipped\n"
            "data folder ($DUVRA_DATA_DIR overrides it).\n\n"
            "The search index (the folder duv_index) is written beside them, so that\n"
            "the search loads only what a query needs.",
    .options = CreateOptions(),
    .run = RunCreate,
});

CliRegistration scripts_command({
    .name = "scripts",
    .positional = {"PATH"},
    .summary = "show or set the script settings",
    .help = "Prints the script settings of the database. With options, changes them\n"
            "first and saves the database.",
    .options = SettingOptions(),
    .run = RunScripts,
});

}  // namespace
}  // namespace duvra::cli
