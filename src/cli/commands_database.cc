// duvra-cli new / info.
#include <iostream>

#include "cli/cli.h"
#include "database/address_conversion.h"
#include "database/data_dir.h"
#include "database/text_file.h"

namespace duvra::cli {
namespace {

int RunNew(const std::vector<std::string>& args) {
  if (args.size() != 1) throw CliError{"expected one PATH (see --help)"};
  const std::string path = AbsolutePath(args[0]);
  Database db;
  if (Status s = FreshState(db, path, FindDataDir() + "keywords.dat"); !s.ok()) {
    throw CliError{s.message()};
  }
  if (FileExists(db.HeaderPath())) throw CliError{db.HeaderPath() + " already exists."};
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

CliRegistration new_command({"new", "new PATH", "create a new, empty database",
                             "Creates the four files of a new database at PATH (\".duv\" is\n"
                             "added when missing), with the default settings and the shipped\n"
                             "list of excluded words. An existing database is not replaced.",
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
