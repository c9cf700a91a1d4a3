#include "records/csv_export.h"

#include "base/text_file.h"
#include "database/file_writer.h"
#include "records/csv.h"

namespace duvra {

std::string CsvText(const RecordList& list) {
  std::string out;
  for (const std::string& l : list.lines()) {
    out.append(CsvLine(l));
    out.append("\r\n");
  }
  return out;
}

Status WriteCsvFile(const RecordList& list, const std::string& path, FileSystem& fs) {
  if (int err = ReplaceFileWith(fs, path, CsvText(list)); err != 0) {
    return Status::Error(FormatMessage(kCannotCreateFile, {path, SystemReason(err)}));
  }
  return Status::Ok();
}

std::string ExportProposedName(const Database& db) {
  const std::string& name =
      db.settings.database_name.empty() ? db.base_name : db.settings.database_name;
  return db.folder + name + ".csv";
}

ExportOutcome ExportRecords(const Database& db, Prompter& prompter, FileSystem& fs) {
  std::optional<std::string> path = prompter.ChooseSaveFile(
      std::string(kExportTitle), ExportProposedName(db), std::string(kExportFilter));
  if (!path) return ExportOutcome::kCancelled;
  if (FileExists(*path) &&
      prompter.AskYesNo(*path + " already exists.", "Replace this file?") != Answer::kYes) {
    return ExportOutcome::kNotReplaced;
  }
  if (Status s = WriteCsvFile(db.records, *path, fs); !s.ok()) {
    prompter.ShowError(s.message());
    return ExportOutcome::kFailed;
  }
  prompter.Notify("Export to " + *path + " complete.");
  return ExportOutcome::kWritten;
}

}  // namespace duvra
