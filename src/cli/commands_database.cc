// duvra-cli new / info.
#include <iostream>

#include "base/text_file.h"
#include "cli/cli.h"
#include "database/address_conversion.h"
#include "database/commands.h"
#include "database/data_dir.h"

namespace duvra::cli {
namespace {

int RunNew(const std::vector<std::string>& args) {
  const bool replace = args.size() == 2 && args[1] == "--replace";
  if (args.size() != 1 && !replace) throw CliError{"expected one PATH (see --help)"};
  if (args[0].empty()) throw CliError{"expected a PATH, not an empty name"};
  const std::string path = AbsolutePath(args[0]);
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
      !existing.empty() && !replace) {
    throw CliError{existing + " already exists (use --replace to replace the database)."};
  }
  SaveOrThrow(db);
  std::cout << "Created " << db.HeaderPath() << "\n";
  return 0;
}

int RunInfo(const std::vector<std::string>& args) {
  if (args.size() != 1) throw CliError{"expected one PATH (see --help)"};
  Database db = OpenDatabaseOrThrow(args[0]);
  const DbSettings& s = db.settings;
  std::cout << "Database name: " << s.database_name << "\n"
            << "Site address: " << s.site_address << "\n"
            << "Create keywords: " << s.create_keywords << "\n"
            << "User agent: " << s.user_agent << "\n"
            << "Timeout index: " << s.timeout_index << "\n"
            << "Delay index: " << s.delay_index << "\n"
            << "Script settings: " << db.script_settings_line << "\n"
            << "Records: " << db.records.size() << "\n"
            << "Excluded words: " << db.excluded_words.size() << "\n"
            << "Excluded pages: " << db.excluded_pages.size() << "\n";
  return 0;
}

int RunAddress(const std::vector<std::string>& args) {
  if (args.size() != 2 || (args[1] != "--absolute" && args[1] != "--local")) {
    throw CliError{"expected PATH and --absolute or --local (see --help)"};
  }
  Database db = OpenDatabaseOrThrow(args[0]);
  db.records.SelectAll();
  if (args[1] == "--absolute") {
    TBXAbsoluteClick(db);
  } else {
    TBXLocalClick(db);
  }
  SaveOrThrow(db);
  std::cout << "Converted " << db.records.size() << " addresses against "
            << ConversionBase(db.settings.site_address) << "\n";
  return 0;
}

CliRegistration new_command({"new", "new PATH [--replace]", "create a new, empty database",
                             "Creates the four files of a new database at PATH (\".duv\" is\n"
                             "added when missing), with the default settings and the shipped\n"
                             "list of excluded words. When any of the four files exists the\n"
                             "command refuses, unless --replace is given.",
                             RunNew});
CliRegistration info_command({"info", "info PATH", "show a database's settings and sizes",
                              "Prints the database name, the site address, the indexing\n"
                              "settings, the script settings line, the number of records and\n"
                              "the sizes of the excluded words and pages lists.",
                              RunInfo});
CliRegistration address_command(
    {"address", "address PATH --absolute|--local", "rewrite every record's address",
     "Rewrites the URL of every record against the site address, as the\n"
     "Edit menu's Address > Absolute and Local do for the selected records:\n"
     "--absolute puts the site address in front of local addresses, --local\n"
     "takes it off addresses that begin with it. Saves the database.",
     RunAddress});

}  // namespace
}  // namespace duvra::cli
