#include "records/record_import.h"

#include <functional>

#include "base/ascii.h"
#include "base/text_file.h"
#include "database/record_line.h"
#include "database/text_encoding.h"
#include "records/csv.h"

namespace duvra {
namespace {

// A data-script line shorter than this holds no record.
constexpr size_t kMinDataLineLength = 6;
// A record line ends in a double quote and a semicolon.
constexpr size_t kDataLineTrailer = 2;

// The value of `digits` hex digits at text[i], or -1.
long HexAt(std::string_view text, size_t i, size_t digits) {
  if (i + digits > text.size()) return -1;
  long v = 0;
  for (size_t k = 0; k < digits; ++k) {
    int h = AsciiHexValue(text[i + k]);
    if (h < 0) return -1;
    v = v * 16 + h;
  }
  return v;
}

void AppendCodePoint(std::string* out, long cp) {
  if (cp < 0x20 && cp != '\t') {
    out->push_back(' ');  // a line break or NUL would split or cut the record line
  } else if (cp == kFieldSeparator) {
    out->push_back(' ');  // would split the record into more fields
  } else {
    AppendUtf8(*out, static_cast<char32_t>(cp));
  }
}

}  // namespace

std::string DelimiterFromBox(std::string_view box) {
  return box == kSpaceItem ? std::string(" ") : std::string(box);
}

std::string QualifierFromBox(std::string_view box) {
  return box == kNoneItem ? std::string() : std::string(box);
}

std::string FileExtension(std::string_view file_name) {
  size_t dot = file_name.rfind('.');
  if (dot == std::string_view::npos) return "";
  std::string_view ext = file_name.substr(dot + 1);
  if (ext.find_first_of("\\/") != std::string_view::npos) return "";
  return std::string(ext);
}

bool HasDataFileMarker(const std::vector<std::string>& lines) {
  for (const std::string& l : lines) {
    if (LowerAscii(l).find(kDataFileMarker) != std::string::npos) return true;
  }
  return false;
}

std::string UnescapeDataText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '\\' || i + 1 == text.size()) {
      out.push_back(c);
      continue;
    }
    char n = text[i + 1];
    if (n == '\\' || n == '"' || n == '\'' || n == '/') {
      out.push_back(n);
      ++i;
    } else if (long v = n == 'x' ? HexAt(text, i + 2, 2) : -1; v >= 0) {
      AppendCodePoint(&out, v);
      i += 3;
    } else if (long u = n == 'u' ? HexAt(text, i + 2, 4) : -1; u >= 0) {
      i += 5;
      if (u >= 0xD800 && u < 0xDC00) {
        // A character above U+FFFF is written as a surrogate pair.
        long low = i + 2 < text.size() && text[i + 1] == '\\' && text[i + 2] == 'u'
                       ? HexAt(text, i + 3, 4)
                       : -1;
        if (low >= 0xDC00 && low < 0xE000) {
          u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
          i += 6;
        }
      }
      AppendCodePoint(&out, u);  // a lone surrogate becomes U+FFFD
    } else {
      out.push_back(c);  // not an escape the generator writes: kept as it stands
    }
  }
  return out;
}

std::vector<std::string> DataFileRecordLines(const std::vector<std::string>& lines) {
  std::vector<std::string> records;
  for (const std::string& l : lines) {
    if (l.size() < kMinDataLineLength) continue;
    size_t quote = l.find('"');
    if (quote == std::string::npos || quote == 0) continue;
    size_t after = l.size() - quote - 1;
    size_t keep = after >= kDataLineTrailer ? after - kDataLineTrailer : 0;
    records.push_back("0^" + UnescapeDataText(std::string_view(l).substr(quote + 1, keep)));
  }
  return records;
}

std::string_view DuplicateKeyTail(std::string_view line) {
  size_t caret = line.find(kFieldSeparator);
  return caret == std::string_view::npos ? line : line.substr(caret + 1);
}

namespace {

// The keys seen so far, in an open-addressing table of positions into a
// vector of views: no allocation per key, and a string is compared only when
// the full hashes agree.
class KeySet {
 public:
  explicit KeySet(size_t expected) {
    size_t capacity = 16;
    while (capacity < expected * 2) capacity *= 2;
    slots_.assign(capacity, kEmpty);
    keys_.reserve(expected);
    hashes_.reserve(expected);
  }
  // Adds the key; false when an equal key was there already.
  bool Insert(std::string_view key) {
    const size_t h = std::hash<std::string_view>{}(key);
    const size_t mask = slots_.size() - 1;
    for (size_t i = h & mask;; i = (i + 1) & mask) {
      const size_t k = slots_[i];
      if (k == kEmpty) {
        slots_[i] = keys_.size();
        keys_.push_back(key);
        hashes_.push_back(h);
        if (keys_.size() * 2 > slots_.size()) Grow();
        return true;
      }
      if (hashes_[k] == h && keys_[k] == key) return false;
    }
  }

 private:
  static constexpr size_t kEmpty = static_cast<size_t>(-1);
  void Grow() {
    std::vector<size_t> old(slots_.size() * 2, kEmpty);
    old.swap(slots_);
    const size_t mask = slots_.size() - 1;
    for (size_t k = 0; k < keys_.size(); ++k) {
      size_t i = hashes_[k] & mask;
      while (slots_[i] != kEmpty) i = (i + 1) & mask;
      slots_[i] = k;
    }
  }
  std::vector<size_t> slots_;
  std::vector<std::string_view> keys_;
  std::vector<size_t> hashes_;
};

}  // namespace

size_t AppendImported(RecordList& list, std::vector<std::string> lines, bool add_all) {
  if (add_all) {
    for (std::string& l : lines) list.Append(std::move(l));
    return lines.size();
  }
  // A hash index over the keys, so that the work grows with the sum of the
  // two sizes, not their product. The views point into `list` and `lines`,
  // neither of which changes until the index is gone.
  std::vector<char> keep(lines.size(), 0);
  {
    KeySet seen(list.size() + lines.size());
    for (const std::string& l : list.lines()) seen.Insert(DuplicateKeyTail(l));
    for (size_t i = 0; i < lines.size(); ++i) {
      keep[i] = seen.Insert(DuplicateKeyTail(lines[i])) ? 1 : 0;
    }
  }
  size_t added = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!keep[i]) continue;
    list.Append(std::move(lines[i]));
    ++added;
  }
  return added;
}

ImportResult ImportFile(Database& db, const std::string& file_name, const ImportOptions& options) {
  ImportResult result;
  if (!FileExists(file_name)) {
    result.outcome = ImportOutcome::kNoFile;
    return result;
  }
  const bool csv = options.kind == ImportKind::kCsv;
  if (LowerAscii(FileExtension(file_name)) != (csv ? "csv" : "js")) {
    result.outcome = csv ? ImportOutcome::kNotCsvFile : ImportOutcome::kNotDataFile;
    return result;
  }
  std::string data;
  if (Status s = ReadFileText(file_name, &data); !s.ok()) {
    result.status = s;
    return result;
  }
  std::vector<std::string> records;
  if (csv) {
    records = CsvRecordLines(data, options.delimiter, options.qualifier);
  } else {
    std::vector<std::string> lines = SplitLines(data, LoneCr::kLineEnd);
    if (!HasDataFileMarker(lines)) {
      result.outcome = ImportOutcome::kNotDataFile;
      return result;
    }
    records = DataFileRecordLines(lines);
  }
  result.outcome = ImportOutcome::kDone;
  result.read = records.size();
  if (!records.empty()) db.dirty = true;  // duplicates count as stored
  result.added = AppendImported(db.records, std::move(records), options.add_all);
  return result;
}

std::string ImportOutcomeMessage(ImportOutcome outcome, const std::string& file_text) {
  switch (outcome) {
    case ImportOutcome::kNoFile:
      return file_text + std::string(kNotValidFileName);
    case ImportOutcome::kNotDataFile:
      return file_text + std::string(kNotValidDataFile);
    case ImportOutcome::kNotCsvFile:
      return file_text + std::string(kNotValidCsvFile);
    case ImportOutcome::kCancelled:
    case ImportOutcome::kDone:
      break;
  }
  return "";
}

void AfterImport(Database& db, ViewState* vs, ImportOutcome outcome, const std::string& file_text,
                 Prompter& prompter) {
  StateUpdate(db, vs);
  if (outcome == ImportOutcome::kDone) {
    if (!db.records.empty()) {
      EditSort(db.records);
      db.records.SetSelected(db.records.size() - 1, true);
      StateUpdate(db, vs);
    }
    return;
  }
  std::string message = ImportOutcomeMessage(outcome, file_text);
  if (!message.empty()) prompter.Notify(message);
}

void InsertDialog::FormActivate() {
  result = ImportResult();
  csv = false;
  file_text.clear();
  add_all = true;
  delimiter_box = std::string(kDefaultDelimiter);
  qualifier_box = std::string(kDefaultQualifier);
  outcome = ImportOutcome::kCancelled;
}

void InsertDialog::FieldComboBoxExit() {
  if (delimiter_box.empty()) delimiter_box = std::string(kDefaultDelimiter);
}

void InsertDialog::TextComboBoxExit() {
  if (qualifier_box.empty()) qualifier_box = std::string(kDefaultQualifier);
}

std::string InsertDialog::BrowseFilter() const {
  return std::string(csv ? kCsvFileFilter : kDataFileFilter);
}

std::string InsertDialog::BrowseStartFile() const {
  return FileExists(file_text) ? file_text : std::string();
}

ImportOptions InsertDialog::Options() const {
  ImportOptions o;
  o.kind = csv ? ImportKind::kCsv : ImportKind::kDataFile;
  o.add_all = add_all;
  o.delimiter = DelimiterFromBox(delimiter_box);
  o.qualifier = QualifierFromBox(qualifier_box);
  return o;
}

std::string ImportCountMessage(const ImportResult& result) {
  return "Added " + std::to_string(result.added) + " of " + std::to_string(result.read) +
         " records (" + std::to_string(result.read - result.added) + " duplicates skipped).";
}

bool InsertDialog::OKButtonClick(Database& db, Status* error) {
  ImportResult r = ImportFile(db, file_text, Options());
  result = r;
  outcome = r.outcome;
  if (!r.status.ok()) {
    *error = r.status;
    return false;
  }
  return true;
}

}  // namespace duvra
