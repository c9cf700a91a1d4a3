// duvra-cli new / info / address.
#include <iostream>

#include "base/text_file.h"
#include "cli/cli.h"
#include "database/address_conversion.h"
#include "database/commands.h"
#include "database/data_dir.h"

namespace duvra::cli {
namespace {

int RunNew(const ParsedArgs& args) {
  const std::string path = AbsolutePath(args.positional[0]);
  if (DirectoryExists(path) || path.back() == kPathSeparator) {
    throw CliError{path + " is a folder; name the database to create in it"};
  }
  Database db;
  if (Status s = FreshState(db, path, FindDataDir() + "keywords.dat"); !s.ok()) {
    throw CliError{s.message()};
  }
  // Any of the four files counts: replacing only the header would leave a
  // database made of two.
  if (const std::string existing = ExistingMemberFile(db.HeaderPath());
      !existing.empty() && !args.Has("replace")) {
    throw CliError{existing + " already exists (use --replace to replace the database)."};
  }
  SaveOrThrow(db);
  std::cout << "Created " << db.HeaderPath() << "\n";
  return kExitOk;
}

// The settings under the names the Options dialog gives them, as 'options'
// prints them.
int RunInfo(const ParsedArgs& args) {
  Database db = OpenDatabaseOrThrow(args.positional[0]);
  const DbSettings& s = db.settings;
  std::cout << "Database name: " << s.database_name << "\n"
            << "Web address: " << s.site_address << "\n"
            << "Create keywords: " << OnOff(s.create_keywords == "1") << "\n"
            << "User agent: " << s.user_agent << "\n"
            << "Timeout index: " << s.timeout_index << "\n"
            << "Delay index: " << s.delay_index << "\n"
            << "Script settings: " << db.script_settings_line << "\n"
            << "Records: " << db.records.size() << "\n"
            << "Excluded words: " << db.excluded_words.size() << "\n"
            << "Excluded pages: " << db.excluded_pages.size() << "\n";
  return kExitOk;
}

int RunAddress(const ParsedArgs& args) {
  Database db = OpenDatabaseOrThrow(args.positional[0]);
  db.records.SelectAll();
  if (args.Has("absolute")) {
    TBXAbsoluteClick(db);
  } else {
    TBXLocalClick(db);
  }
  SaveOrThrow(db);
  std::cout << "Converted " << db.records.size() << " addresses against "
            << ConversionBase(db.settings.site_address) << "\n";
  return kExitOk;
}

CliRegistration new_command({
    .name = "new",
    .positional = {"PATH"},
    .summary = "create a new, empty database",
    .help = "Creates the four files of a new database at PATH (\".duv\" is\n"
            "added when missing), with the default settings and the shipped\n"
            "list of excluded words. When any of the four files exists the\n"
            "command refuses, unless --replace is given.",
    .options = {SwitchOption("replace", "replace an existing database of that name")},
    .run = RunNew,
});
CliRegistration info_command({
    .name = "info",
    .positional = {"PATH"},
    .summary = "show a database's settings and sizes",
    .help = "Prints the database name, the web address, the indexing\n"
            "settings, the script settings line, the number of records and\n"
            "the sizes of the excluded words and pages lists.",
    .run = RunInfo,
});
CliRegistration address_command({
    .name = "address",
    .positional = {"PATH"},
    .summary = "rewrite every record's address",
    .help = "Rewrites the URL of every record against the web address, as the\n"
            "Edit menu's Address > Absolute and Local do for the selected records.\n"
            "Saves the database.",
    .options = {OneOf("direction",
                      SwitchOption("absolute", "put the web address in front of local addresses")),
                OneOf("direction",
                      SwitchOption("local",
                                   "take the web address off addresses that begin with it"))},
    .run = RunAddress,
});

}  // namespace
}  // namespace duvra::cli
