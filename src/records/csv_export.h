// The CSV export: every record of the list, one line each, in list order.
// The export reads the list only; it changes no record and not the dirty flag.
#pragma once

#include <string>
#include <string_view>

#include "base/prompter.h"
#include "base/status.h"
#include "database/db_files.h"

namespace duvra {

inline constexpr std::string_view kExportTitle = "Export";
inline constexpr std::string_view kExportFilter = "CSV file (*.csv)|*.csv";

enum class ExportOutcome { kCancelled, kNotReplaced, kWritten, kFailed };

// The whole file: CsvLine of every record, each ended by CR LF.
std::string CsvText(const RecordList& list);

// Writes the file whole through the program's file-writing path
// (file_writer.h): an existing file is replaced only when the new one is
// complete, keeps its permission bits and links, and is refused when the user
// may not write it.
Status WriteCsvFile(const RecordList& list, const std::string& path,
                    FileSystem& fs = DefaultFileSystem());

// The name the save dialog offers: the database name + ".csv", in the
// database folder; never the header file's name.
std::string ExportProposedName(const Database& db);

// File > Export: runs the save dialog, asks before replacing a file, writes
// it and tells "Export to " + file name + " complete.", or shows the error.
// Refreshing the main window afterwards is the caller's.
ExportOutcome ExportRecords(const Database& db, Prompter& prompter,
                            FileSystem& fs = DefaultFileSystem());

}  // namespace duvra
