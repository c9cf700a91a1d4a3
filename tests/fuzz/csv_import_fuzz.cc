// The CSV import with any delimiter and qualifier, and the CSV export read
// back. The first byte picks the delimiter and the qualifier (a choice may
// take its text from the input, up to a NUL); the rest is the file.
// Properties: every record line starts with Num "0" and holds no line
// break; without a qualifier, each line of 6 characters or more is its
// fields split at the delimiter; and the export of any record lines,
// imported with the dialog's defaults, gives back every record whose CSV
// line the import does not skip as too short, unchanged but for its Num (a
// line without "^" as a record whose Title is the whole line);
// so do fields written enclosed with other delimiters and qualifiers.
#include <array>
#include <string>
#include <vector>

#include "base/text_file.h"
#include "database/db_files.h"
#include "database/record_line.h"
#include "fuzz_support.h"
#include "records/csv.h"
#include "records/csv_export.h"
#include "records/record_import.h"
#include "support/temp_dir.h"

namespace duvra {
namespace {

using Lines = std::vector<std::string>;

constexpr std::array<std::string_view, 7> kDelimiters = {",", ";", " ", "\t", "::", "ab", ""};
constexpr std::array<std::string_view, 3> kQualifiers = {"\"", "'", "\"'"};
// Qualifiers that no listed delimiter starts like, and that do not overlap
// themselves, so that enclosed text reads back unambiguously.
constexpr std::array<std::string_view, 4> kEnclosing = {"\"", "'", "\"'", "^"};

const testing::TempDir& Folder() {
  static const testing::TempDir dir;
  return dir;
}

// The pieces of text between the delimiters, left to right.
Lines SplitAt(std::string_view text, std::string_view delimiter) {
  Lines pieces;
  size_t pos = 0;
  for (size_t at; !delimiter.empty() && (at = text.find(delimiter, pos)) != std::string_view::npos;
       pos = at + delimiter.size()) {
    pieces.emplace_back(text.substr(pos, at - pos));
  }
  pieces.emplace_back(text.substr(pos));
  return pieces;
}

// Without a qualifier nothing spans lines: each line is its fields.
Lines UnqualifiedReference(std::string_view data, std::string_view delimiter) {
  if (data.starts_with("\xEF\xBB\xBF")) data.remove_prefix(3);
  Lines out;
  for (const std::string& line : SplitLines(data, LoneCr::kLineEnd)) {
    if (line.size() < kMinImportLineLength) continue;
    std::string record = "0";
    for (std::string field : SplitAt(line, delimiter)) {
      for (char& c : field) {
        if (c == kFieldSeparator) c = ' ';
      }
      record += kFieldSeparator + field;
    }
    out.push_back(record);
  }
  return out;
}

// Writes records the way the reader's rules read them back: every field
// enclosed, the qualifier doubled inside, fields joined by the delimiter.
std::string WriteEnclosed(const std::vector<Lines>& records, std::string_view delimiter,
                          std::string_view qualifier) {
  std::string out;
  for (const Lines& fields : records) {
    for (size_t i = 0; i < fields.size(); ++i) {
      if (i > 0) out.append(delimiter);
      out.append(qualifier);
      for (size_t pos = 0; pos < fields[i].size();) {
        if (fields[i].compare(pos, qualifier.size(), qualifier) == 0) {
          out.append(qualifier).append(qualifier);
          pos += qualifier.size();
        } else {
          out.push_back(fields[i][pos++]);
        }
      }
      out.append(qualifier);
    }
    out.append("\r\n");
  }
  return out;
}

// A field as an enclosed field reads back: each line break (CR LF as one)
// and each "^" a space.
std::string AsRead(std::string_view field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    const char c = field[i];
    if (c == '\r' && i + 1 < field.size() && field[i + 1] == '\n') ++i;
    out.push_back(c == '\r' || c == '\n' || c == kFieldSeparator ? ' ' : c);
  }
  return out;
}

// Records of fields taken from the input (records end at 0x1E, fields at
// 0x1F), written enclosed with one of the listed token pairs, read back.
void CheckEnclosedReadsBack(std::string_view data, std::string_view delimiter,
                            std::string_view qualifier) {
  std::vector<Lines> records = {{""}};
  for (char c : data) {
    if (c == '\x1e') {
      records.push_back({""});
    } else if (c == '\x1f') {
      records.back().emplace_back();
    } else {
      records.back().back().push_back(c);
    }
  }
  Lines expected;
  for (const Lines& fields : records) {
    const std::string written = WriteEnclosed({fields}, delimiter, qualifier);
    if (written.size() - 2 < kMinImportLineLength) continue;
    std::string line = "0";
    for (const std::string& f : fields) line += kFieldSeparator + AsRead(f);
    expected.push_back(line);
  }
  FUZZ_CHECK(CsvRecordLines(WriteEnclosed(records, delimiter, qualifier), delimiter, qualifier) ==
             expected);
}

void CheckExportReadsBack(const Lines& record_lines) {
  RecordList list;
  list.Assign(record_lines);
  Lines expected;
  for (const std::string& l : record_lines) {
    if (CsvLine(l).size() < kMinImportLineLength) continue;
    expected.push_back("0^" + std::string(DuplicateKeyTail(l)));
  }
  const std::string text = CsvText(list);
  FUZZ_CHECK(CsvRecordLines(text, kDefaultDelimiter, kDefaultQualifier) == expected);

  const std::string path = Folder().File("out.csv");
  FUZZ_CHECK(WriteCsvFile(list, path).ok());
  Database db;
  ImportOptions options;
  options.kind = ImportKind::kCsv;
  const ImportResult r = ImportFile(db, path, options);
  FUZZ_CHECK(r.outcome == ImportOutcome::kDone);
  FUZZ_CHECK(db.records.lines() == expected);
}

}  // namespace
}  // namespace duvra

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace duvra;
  fuzz::Input in(data, size);
  const uint8_t config = in.Byte();
  const size_t d = config % (kDelimiters.size() + 1);
  const size_t q = (config >> 4) % (kQualifiers.size() + 2);
  const std::string delimiter(d < kDelimiters.size() ? kDelimiters[d] : in.Part());
  // Choice 0 is no qualifier; the last takes its text from the input.
  const std::string qualifier(q == 0                    ? std::string_view()
                              : q <= kQualifiers.size() ? kQualifiers[q - 1]
                                                        : in.Part());
  const std::string_view file = in.Rest();

  const Lines records = CsvRecordLines(file, delimiter, qualifier);
  for (const std::string& r : records) {
    FUZZ_CHECK(r.rfind("0^", 0) == 0);
    FUZZ_CHECK(r.find_first_of("\r\n") == std::string::npos);
  }
  if (qualifier.empty() && delimiter.find_first_of("\r\n^") == std::string::npos) {
    FUZZ_CHECK(records == UnqualifiedReference(file, delimiter));
  }
  CheckExportReadsBack(SplitLines(file, LoneCr::kLineEnd));
  CheckEnclosedReadsBack(file, kDelimiters[config % 6], kEnclosing[(config >> 4) % 4]);
  return 0;
}
