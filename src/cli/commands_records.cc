// duvra-cli import / export.
#include <iostream>

#include "base/text_file.h"
#include "cli/cli.h"
#include "records/csv_export.h"
#include "records/record_import.h"

namespace duvra::cli {
namespace {

int RunImport(const ParsedArgs& args) {
  ImportOptions options;
  if (args.Has("csv")) options.kind = ImportKind::kCsv;
  if (args.Has("skip-duplicates")) options.add_all = false;
  if (args.Has("delimiter")) options.delimiter = DelimiterFromBox(args.Last("delimiter"));
  // An empty value is as good as "[None]" on a command line.
  if (args.Has("qualifier")) options.qualifier = QualifierFromBox(args.Last("qualifier"));
  Database db = OpenDatabaseOrThrow(args.positional[0]);
  const std::string& file = args.positional[1];
  ImportResult r = ImportFile(db, file, options);
  if (!r.status.ok()) throw CliError{r.status.message()};
  if (r.outcome != ImportOutcome::kDone) throw CliError{ImportOutcomeMessage(r.outcome, file)};
  EditSort(db.records);
  SaveOrThrow(db);
  std::cout << "Added " << r.added << " of " << r.read << " records from " << file;
  if (!options.add_all) std::cout << " (" << (r.read - r.added) << " duplicates skipped)";
  std::cout << "; " << db.records.size() << " records in all.\n";
  return kExitOk;
}

int RunExport(const ParsedArgs& args) {
  Database db = OpenDatabaseOrThrow(args.positional[0]);
  const std::string& file = args.positional[1];
  if (FileExists(file) && !args.Has("replace")) {
    throw CliError{file + " already exists. Give --replace to replace it."};
  }
  if (Status s = WriteCsvFile(db.records, file); !s.ok()) throw CliError{s.message()};
  std::cout << "Export to " << file << " complete.\n";
  return kExitOk;
}

CliRegistration import_command({
    .name = "import",
    .positional = {"PATH", "FILE"},
    .summary = "add the records of a data script or a CSV file to a database",
    .help = "Appends the records of FILE to the database at PATH, renumbers the list and\n"
            "saves the database. FILE is a data script (duv_data.js form, extension .js)\n"
            "unless --csv is given (extension .csv). In a CSV file every line is a\n"
            "record, fields in the order Title, URL, Text, Keywords, New Window.\n"
            "Records count as duplicates when all fields but Num are equal.",
    .options = {SwitchOption("csv", "read FILE as CSV"),
                NotEmpty(
                    TextOption("delimiter", "D",
                               "CSV field delimiter (default \",\"; \"[Space]\" for a space)")),
                TextOption("qualifier", "Q",
                           "CSV text qualifier (default '\"'; \"[None]\" or \"\" for none)"),
                SwitchOption("skip-duplicates",
                             "leave out records already in the database or earlier in FILE")},
    .run = RunImport,
});
CliRegistration export_command({
    .name = "export",
    .positional = {"PATH", "FILE"},
    .summary = "write a database's records as CSV",
    .help = "Writes every record of the database at PATH to FILE as CSV, one line per\n"
            "record: Title, URL, Text, Keywords and New Window, each in double quotes.\n"
            "An existing FILE is replaced only with --replace.",
    .options = {SwitchOption("replace", "replace an existing FILE")},
    .run = RunExport,
});

}  // namespace
}  // namespace duvra::cli
