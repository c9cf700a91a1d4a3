// Import of records from a data script (the duv_data.js form) or a CSV file
// into the open database: new records always go to the end, in file order,
// with Num "0"; the main window renumbers afterwards. The Insert dialog's
// rules live here too, so that the window only shows them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/prompter.h"
#include "base/status.h"
#include "database/db_files.h"
#include "database/view_state.h"

namespace duvra {

// Shared with the main window; the numbers are the stored values.
enum class ImportOutcome {
  kCancelled = 0,
  kDone = 1,
  kNoFile = 2,
  kNotDataFile = 3,
  kNotCsvFile = 4
};
enum class ImportKind { kDataFile, kCsv };

inline constexpr std::string_view kDataFileMarker =
    "var s = new array();";  // compared in lower case
inline constexpr std::string_view kNotValidFileName = " is not a valid file name.";
inline constexpr std::string_view kNotValidDataFile = " is not a valid Duvra data file.";
inline constexpr std::string_view kNotValidCsvFile = " is not a valid CSV file.";

// Box items that stand for other text.
inline constexpr std::string_view kSpaceItem = "[Space]";
inline constexpr std::string_view kNoneItem = "[None]";
inline constexpr std::string_view kDefaultDelimiter = ",";
inline constexpr std::string_view kDefaultQualifier = "\"";

struct ImportOptions {
  ImportKind kind = ImportKind::kDataFile;
  bool add_all = true;  // false: skip lines equal to a record in all fields but Num
  std::string delimiter = std::string(kDefaultDelimiter);  // as used, not as shown
  std::string qualifier = std::string(kDefaultQualifier);  // empty: fields are never enclosed
};

struct ImportResult {
  ImportOutcome outcome = ImportOutcome::kCancelled;
  // A read error; nothing was added and the outcome is kCancelled.
  Status status;
  size_t read = 0;   // record lines found in the file
  size_t added = 0;  // of them appended to the list
};

// "[Space]" stands for one space; any other text is used as typed.
std::string DelimiterFromBox(std::string_view box);
// "[None]" stands for no qualifier; any other text is used as typed.
std::string QualifierFromBox(std::string_view box);

// The text after the last "." of a file name, or "" when a path separator
// ("\" or "/") follows that dot or there is no dot.
std::string FileExtension(std::string_view file_name);

// True when a line, in ASCII lower case, holds the data-script marker.
bool HasDataFileMarker(const std::vector<std::string>& lines);

// The record lines of a data script: for every line of 6 characters or more
// whose first double quote is not its first character, "0^" + the text after
// that quote less the line's last two characters, with the escapes that the
// script generator writes read back (see UnescapeDataText).
std::vector<std::string> DataFileRecordLines(const std::vector<std::string>& lines);

// Reads back \\, \", \', \/, \xHH and \uHHHH (surrogate pairs joined) as
// UTF-8. Any other backslash is kept with what follows it, so that a file
// written without escapes reads as it did. A control character other than a
// tab, or a "^", read back from a hex escape becomes a space.
std::string UnescapeDataText(std::string_view text);

// All fields but Num: what two record lines must share to be duplicates.
// Everything after the first "^", or the whole line when it has none.
std::string_view DuplicateKeyTail(std::string_view line);

// Appends the lines to the list; with add_all false, a line whose key equals
// that of a record already in the list, or of an earlier line of the same
// batch, is left out. Returns the number appended.
size_t AppendImported(RecordList& list, std::vector<std::string> lines, bool add_all);

// OK of the Insert dialog: checks and reads `file_name`, appends its records
// and sets the dirty flag when the file held at least one record line. The
// whole file is read before anything is appended.
ImportResult ImportFile(Database& db, const std::string& file_name, const ImportOptions& options);

// What an import that went through tells: "Added N of M records (K
// duplicates skipped)."
std::string ImportCountMessage(const ImportResult& result);

// The OK message window text for an outcome, or "" when there is none.
std::string ImportOutcomeMessage(ImportOutcome outcome, const std::string& file_text);

// After the Insert dialog closed (TBXInsertFileClick): refresh; on Done
// renumber, select the last record and refresh again; otherwise tell the bad
// file through the prompter.
void AfterImport(Database& db, ViewState* vs, ImportOutcome outcome, const std::string& file_text,
                 Prompter& prompter);

// The Insert dialog's controls and rules, as data.
struct InsertDialog {
  bool csv = false;  // CSVRadio selected, else JavaScriptRadio
  std::string file_text;
  bool add_all = true;  // IgnoreCheck
  std::string delimiter_box = std::string(kDefaultDelimiter);
  std::string qualifier_box = std::string(kDefaultQualifier);
  ImportOutcome outcome = ImportOutcome::kCancelled;
  ImportResult result;  // of the last OK

  // Resets every control for an opening.
  void FormActivate();
  bool ok_enabled() const { return !file_text.empty(); }
  // The delimiter and qualifier labels and boxes.
  bool csv_controls_enabled() const { return csv; }
  // An emptied box gets its default back when the focus leaves it.
  void FieldComboBoxExit();
  void TextComboBoxExit();
  // The Browse dialog's filter for the selected radio.
  std::string BrowseFilter() const;
  // Where the Browse dialog starts: the file the box names when it exists,
  // else nowhere in particular ("").
  std::string BrowseStartFile() const;
  ImportOptions Options() const;
  // Runs the import. Returns true when the dialog closes; false after a read
  // error, which is in *error (the dialog stays open, nothing was added).
  bool OKButtonClick(Database& db, Status* error);
};

inline constexpr std::string_view kBrowseTitle = "Browse";
inline constexpr std::string_view kDataFileFilter = "JavaScript files (*.js)|*.js";
inline constexpr std::string_view kCsvFileFilter = "CSV files (*.csv)|*.csv";

}  // namespace duvra
