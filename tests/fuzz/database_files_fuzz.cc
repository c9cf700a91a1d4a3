// The four files of a database as read from disk. The input is the header,
// the records, the excluded words and the excluded pages, separated by NUL
// bytes. Properties: the line splitting equals a byte-by-byte reading of
// the rules; a load gives exactly those lines and the parsed settings; a
// save of what was loaded reads back to the same state; a second save
// writes identical files.
#include <algorithm>
#include <string>
#include <vector>

#include "base/text_file.h"
#include "database/db_files.h"
#include "fuzz_support.h"
#include "line_reference.h"
#include "support/temp_dir.h"

namespace duvra {
namespace {

using Lines = std::vector<std::string>;

using fuzz::ReferenceLines;

void CheckSplit(std::string_view data) {
  for (LoneCr mode : {LoneCr::kLineEnd, LoneCr::kDrop}) {
    const Lines lines = SplitLines(data, mode);
    FUZZ_CHECK(lines == ReferenceLines(data, mode));
    for (const std::string& l : lines) {
      FUZZ_CHECK(l.find('\n') == std::string::npos && l.find('\r') == std::string::npos);
    }
    FUZZ_CHECK(SplitLines(JoinLines(lines), mode) == lines);
  }
}

const testing::TempDir& Folder() {
  static const testing::TempDir dir;
  return dir;
}

void WriteSet(const std::string& base, std::string_view header, std::string_view records,
              std::string_view words, std::string_view pages) {
  testing::WriteFile(base + ".duv", std::string(header));
  testing::WriteFile(base + ".dat", std::string(records));
  testing::WriteFile(base + ".wod", std::string(words));
  testing::WriteFile(base + ".pag", std::string(pages));
}

// The four files of a set, one after the other.
std::string SetBytes(const std::string& base) {
  std::string all;
  for (const char* ext : {".duv", ".dat", ".wod", ".pag"}) {
    all += testing::ReadFile(base + ext) + '\0';
  }
  return all;
}

Database Opened(const std::string& base_name) {
  Database db;
  db.folder = Folder().path();
  db.base_name = base_name;
  return db;
}

void CheckLoadAndSave(std::string_view header, std::string_view records, std::string_view words,
                      std::string_view pages) {
  WriteSet(Folder().File("in"), header, records, words, pages);
  Database db = Opened("in");
  FUZZ_CHECK(LoadDatabase(db).ok());
  FUZZ_CHECK(db.open && !db.dirty);
  FUZZ_CHECK(db.records.lines() == ReferenceLines(records, LoneCr::kLineEnd));
  FUZZ_CHECK(db.excluded_words == ReferenceLines(words, LoneCr::kLineEnd));
  FUZZ_CHECK(db.excluded_pages == ReferenceLines(pages, LoneCr::kLineEnd));
  Lines header_lines = ReferenceLines(header, LoneCr::kDrop);
  header_lines.resize(std::max<size_t>(header_lines.size(), 2));
  FUZZ_CHECK(db.settings_line == header_lines[0]);
  FUZZ_CHECK(db.script_settings_line == header_lines[1]);
  FUZZ_CHECK(db.settings == ParseSettingsLine(db.settings_line));

  // Saved under another name and loaded again: the same state.
  db.base_name = "out";
  db.dirty = true;
  FUZZ_CHECK(SaveDatabase(db).ok());
  FUZZ_CHECK(!db.dirty);
  FUZZ_CHECK(db.settings_line == ComposeSettingsLine(db.settings));
  Database again = Opened("out");
  FUZZ_CHECK(LoadDatabase(again).ok());
  FUZZ_CHECK(again.records.lines() == db.records.lines());
  FUZZ_CHECK(again.excluded_words == db.excluded_words);
  FUZZ_CHECK(again.excluded_pages == db.excluded_pages);
  FUZZ_CHECK(again.settings == db.settings);
  FUZZ_CHECK(again.settings_line == db.settings_line);
  FUZZ_CHECK(again.script_settings_line == db.script_settings_line);

  // Saving without changes writes the same bytes.
  const std::string first = SetBytes(Folder().File("out"));
  FUZZ_CHECK(SaveDatabase(again).ok());
  FUZZ_CHECK(SetBytes(Folder().File("out")) == first);
}

}  // namespace
}  // namespace duvra

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  duvra::fuzz::Input in(data, size);
  const std::string_view header = in.Part();
  const std::string_view records = in.Part();
  const std::string_view words = in.Part();
  const std::string_view pages = in.Rest();
  duvra::CheckSplit(std::string_view(reinterpret_cast<const char*>(data), size));
  duvra::CheckLoadAndSave(header, records, words, pages);
  return 0;
}
