// duvra-cli import / export.
#include <iostream>

#include "base/text_file.h"
#include "cli/cli.h"
#include "records/csv_export.h"
#include "records/record_import.h"

namespace duvra::cli {
namespace {

// The value after an option, or a CliError when it is missing.
const std::string& OptionValue(const std::vector<std::string>& args, size_t* i) {
  if (*i + 1 >= args.size()) throw CliError{args[*i] + " needs a value"};
  return args[++*i];
}

int RunImport(const std::vector<std::string>& args) {
  std::vector<std::string> positional;
  ImportOptions options;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--csv") {
      options.kind = ImportKind::kCsv;
    } else if (a == "--skip-duplicates") {
      options.add_all = false;
    } else if (a == "--delimiter") {
      options.delimiter = DelimiterFromBox(OptionValue(args, &i));
      if (options.delimiter.empty()) throw CliError{"the delimiter cannot be empty"};
    } else if (a == "--qualifier") {
      // An empty value is as good as "[None]" on a command line.
      options.qualifier = QualifierFromBox(OptionValue(args, &i));
    } else if (a.size() > 1 && a[0] == '-') {
      throw CliError{"unknown option " + a + " (see --help)"};
    } else {
      positional.push_back(a);
    }
  }
  if (positional.size() != 2) throw CliError{"expected PATH and FILE (see --help)"};
  Database db = OpenDatabaseOrThrow(positional[0]);
  const std::string& file = positional[1];
  ImportResult r = ImportFile(db, file, options);
  if (!r.status.ok()) throw CliError{r.status.message()};
  if (r.outcome != ImportOutcome::kDone) throw CliError{ImportOutcomeMessage(r.outcome, file)};
  EditSort(db.records);
  SaveOrThrow(db);
  std::cout << "Added " << r.added << " of " << r.read << " records from " << file;
  if (!options.add_all) std::cout << " (" << (r.read - r.added) << " duplicates skipped)";
  std::cout << "; " << db.records.size() << " records in all.\n";
  return 0;
}

int RunExport(const std::vector<std::string>& args) {
  std::vector<std::string> positional;
  bool replace = false;
  for (const std::string& a : args) {
    if (a == "--replace") {
      replace = true;
    } else if (a.size() > 1 && a[0] == '-') {
      throw CliError{"unknown option " + a + " (see --help)"};
    } else {
      positional.push_back(a);
    }
  }
  if (positional.size() != 2) throw CliError{"expected PATH and FILE (see --help)"};
  Database db = OpenDatabaseOrThrow(positional[0]);
  const std::string& file = positional[1];
  if (FileExists(file) && !replace) {
    throw CliError{file + " already exists. Give --replace to replace it."};
  }
  if (Status s = WriteCsvFile(db.records, file); !s.ok()) throw CliError{s.message()};
  std::cout << "Export to " << file << " complete.\n";
  return 0;
}

CliRegistration import_command(
    {"import", "import PATH FILE [--csv] [--delimiter D] [--qualifier Q] [--skip-duplicates]",
     "add the records of a data script or a CSV file to a database",
     "Appends the records of FILE to the database at PATH, renumbers the list and\n"
     "saves the database. FILE is a data script (duv_data.js form, extension .js)\n"
     "unless --csv is given (extension .csv).\n\n"
     "  --csv              read FILE as CSV; every line is a record, fields in the\n"
     "                     order Title, URL, Text, Keywords, New Window\n"
     "  --delimiter D      CSV field delimiter (default \",\"; \"[Space]\" for a space)\n"
     "  --qualifier Q      CSV text qualifier (default '\"'; \"[None]\" or \"\" for none)\n"
     "  --skip-duplicates  leave out records equal to one already in the database\n"
     "                     (all fields but Num) or earlier in FILE",
     RunImport});
CliRegistration export_command(
    {"export", "export PATH FILE [--replace]", "write a database's records as CSV",
     "Writes every record of the database at PATH to FILE as CSV, one line per\n"
     "record: Title, URL, Text, Keywords and New Window, each in double quotes.\n"
     "An existing FILE is replaced only with --replace.",
     RunExport});

}  // namespace
}  // namespace duvra::cli
