// The import of a data file (the data script form) and the data script
// writer it reads back. The input is the file. Properties: every record
// line found starts with Num "0" and holds no line break; the import of
// the file through its path appends exactly those lines (all of them, or
// the first of each duplicate key when duplicates are skipped); the data
// script written from any record lines imports back to the same records;
// the script string escapes read back to the text.
#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "base/text_file.h"
#include "database/db_files.h"
#include "database/text_encoding.h"
#include "fuzz_support.h"
#include "records/record_import.h"
#include "scripts/script_text.h"
#include "support/temp_dir.h"

namespace duvra {
namespace {

using Lines = std::vector<std::string>;

const testing::TempDir& Folder() {
  static const testing::TempDir dir;
  return dir;
}

const Lines kExisting = {"0^Home^/index.html^Welcome^home^0", "1^abc", "2"};

// The lines of a batch that a duplicate-skipping import appends.
Lines FirstOfEachKey(const Lines& existing, const Lines& batch) {
  std::set<std::string> seen;
  for (const std::string& l : existing) seen.insert(std::string(DuplicateKeyTail(l)));
  Lines out;
  for (const std::string& l : batch) {
    if (seen.insert(std::string(DuplicateKeyTail(l))).second) out.push_back(l);
  }
  return out;
}

void CheckImportFile(std::string_view data, const Lines& records, bool marked) {
  const std::string path = Folder().File("in.Js");
  testing::WriteFile(path, std::string(data));
  for (bool add_all : {true, false}) {
    Database db;
    db.records.Assign(kExisting);
    ImportOptions options;
    options.add_all = add_all;
    const ImportResult r = ImportFile(db, path, options);
    FUZZ_CHECK(r.status.ok());
    FUZZ_CHECK(r.outcome == (marked ? ImportOutcome::kDone : ImportOutcome::kNotDataFile));
    const Lines added(db.records.lines().begin() + kExisting.size(), db.records.lines().end());
    if (!marked) {
      FUZZ_CHECK(added.empty() && !db.dirty);
      continue;
    }
    FUZZ_CHECK(r.read == records.size() && r.added == added.size());
    FUZZ_CHECK(added == (add_all ? records : FirstOfEachKey(kExisting, records)));
    FUZZ_CHECK(db.dirty == !records.empty());
  }
}

void CheckWrittenScriptReadsBack(const Lines& record_lines) {
  const std::string script = DataScriptText(record_lines);
  const Lines lines = SplitLines(script, LoneCr::kLineEnd);
  FUZZ_CHECK(lines.size() == record_lines.size() + 2);
  FUZZ_CHECK(HasDataFileMarker(lines));
  // Text that is UTF-8 without control characters comes back as it was;
  // other bytes are read as windows-1252 and controls become spaces, after
  // which a second round trip changes nothing.
  Lines expected;
  bool plain = true;
  for (const std::string& l : record_lines) {
    expected.push_back("0^" + std::string(DuplicateKeyTail(l)));
    plain = plain && IsValidUtf8(l) && std::none_of(l.begin(), l.end(), [](char c) {
              return static_cast<unsigned char>(c) < 0x20;
            });
  }
  const Lines read = DataFileRecordLines(lines);
  if (plain) {
    FUZZ_CHECK(read == expected);
  } else {
    FUZZ_CHECK(read.size() == expected.size());
    const Lines again = DataFileRecordLines(SplitLines(DataScriptText(read), LoneCr::kLineEnd));
    FUZZ_CHECK(again == read);
  }
}

}  // namespace
}  // namespace duvra

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace duvra;
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  const Lines lines = SplitLines(file, LoneCr::kLineEnd);
  const Lines records = DataFileRecordLines(lines);
  FUZZ_CHECK(records.size() <= lines.size());
  for (const std::string& r : records) {
    FUZZ_CHECK(r.rfind("0^", 0) == 0);
    FUZZ_CHECK(r.find_first_of("\r\n") == std::string::npos);
  }
  CheckImportFile(file, records, HasDataFileMarker(lines));
  CheckWrittenScriptReadsBack(lines);

  std::string spaced(file);
  for (char& c : spaced) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  // As for whole records: plain UTF-8 comes back as it was (line breaks as
  // spaces); anything else comes back decoded and then stays as it is.
  const std::string back = UnescapeDataText(EscapeScriptString(file));
  const bool plain = IsValidUtf8(file) && std::none_of(file.begin(), file.end(), [](char c) {
                       return static_cast<unsigned char>(c) < 0x20 && c != '\r' && c != '\n';
                     });
  if (plain) {
    FUZZ_CHECK(back == spaced);
  } else {
    FUZZ_CHECK(UnescapeDataText(EscapeScriptString(back)) == back);
  }

  const std::string ext = FileExtension(file);
  FUZZ_CHECK(ext.find_first_of("/\\") == std::string::npos);
  if (!ext.empty()) FUZZ_CHECK(file.ends_with("." + ext));
  return 0;
}
