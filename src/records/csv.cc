#include "records/csv.h"

#include <algorithm>

#include "database/record_line.h"

namespace duvra {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

class CsvReader {
 public:
  CsvReader(std::string_view data, std::string_view delimiter, std::string_view qualifier)
      : data_(data), d_(delimiter), q_(qualifier) {
    // Bytes at which a run of plain text may end: a line break or the first
    // byte of the token that would end it.
    plain_stops_ = "\r\n";
    if (!d_.empty()) plain_stops_.push_back(d_[0]);
    enclosed_stops_ = "\r\n";
    if (!q_.empty()) enclosed_stops_.push_back(q_[0]);
  }

  bool AtEnd() const { return pos_ >= data_.size(); }

  // Reads one record into "0^" + fields. Returns the length of its text, line
  // breaks inside enclosed fields included, the final one not.
  size_t ReadRecord(std::string* line) {
    const size_t start = pos_;
    // A record that reads whole in the doubled form reads by it; any other
    // (quotes written as they are) by the lenient rule. Deciding per record,
    // not per field, keeps a field that ends in a qualifier from taking the
    // next field's opening one for a doubled qualifier.
    if (!ReadFields(line, /*doubled_form=*/true)) {
      pos_ = start;
      ReadFields(line, /*doubled_form=*/false);
    }
    const size_t end = pos_;
    SkipLineBreak();
    return end - start;
  }

 private:
  bool At(std::string_view token) const {
    return !token.empty() && data_.substr(pos_, token.size()) == token;
  }
  bool AtLineBreak() const {
    return pos_ < data_.size() && (data_[pos_] == '\r' || data_[pos_] == '\n');
  }
  // Consumes CR LF, a lone CR or a lone LF; false when none stands here.
  bool SkipLineBreak() {
    if (!AtLineBreak()) return false;
    if (data_[pos_] == '\r' && pos_ + 1 < data_.size() && data_[pos_ + 1] == '\n') ++pos_;
    ++pos_;
    return true;
  }

  // Reads "0^" + the fields up to the record's line break; false when an
  // enclosed field is not in the doubled form that was asked for.
  bool ReadFields(std::string* line, bool doubled_form) {
    line->clear();
    line->push_back('0');
    for (;;) {
      line->push_back(kFieldSeparator);
      if (!ReadField(line, doubled_form)) return false;
      if (!At(d_)) return true;
      pos_ += d_.size();
    }
  }

  bool ReadField(std::string* out, bool doubled_form) {
    if (At(q_)) {
      pos_ += q_.size();
      if (!ReadEnclosed(out, doubled_form)) return false;
    }
    // Unenclosed text, or what follows an enclosed field that never closed.
    while (!AtEnd() && !At(d_) && !AtLineBreak()) {
      AppendRun(out, plain_stops_);
      // A stop byte that does not begin the whole delimiter is text.
      if (!AtEnd() && !At(d_) && !AtLineBreak()) AppendChar(out, data_[pos_++]);
    }
    return true;
  }

  // Reads an enclosed field after its opening qualifier. A run of qualifiers
  // can close the field only where the delimiter, a line end or the end of
  // the data follows it, after optional spaces; its last qualifier closes and
  // the ones before it are text, two for one. In the doubled form a run
  // closes only when its length is odd, and a run of odd length anywhere
  // else means the field is not in that form: returns false. In the lenient
  // form every other run is text, two for one (and a single one as itself).
  bool ReadEnclosed(std::string* out, bool doubled_form) {
    while (!AtEnd()) {
      if (At(q_)) {
        size_t run = 0;
        while (At(q_)) {
          pos_ += q_.size();
          ++run;
        }
        const size_t end = FieldEndAfterSpaces();
        const bool can_close = end != std::string_view::npos;
        const bool odd = run % 2 == 1;
        if (doubled_form && odd && !can_close) return false;
        const bool closes = can_close && (odd || !doubled_form);
        const size_t text = closes || doubled_form ? run / 2 : (run + 1) / 2;
        for (size_t k = 0; k < text; ++k) {
          for (char c : q_) AppendChar(out, c);
        }
        if (closes) {
          pos_ = end;
          return true;
        }
      } else if (SkipLineBreak()) {
        out->push_back(' ');
      } else {
        AppendRun(out, enclosed_stops_);
        if (!AtEnd() && !At(q_) && !AtLineBreak()) AppendChar(out, data_[pos_++]);
      }
    }
    return !doubled_form;  // never closed: not the doubled form; lenient keeps it
  }

  // Where the field ends if it ends here: the position of the delimiter, line
  // break or end of data that follows after optional spaces, else npos.
  size_t FieldEndAfterSpaces() const {
    for (size_t p = pos_;; ++p) {
      if (p >= data_.size() || data_[p] == '\r' || data_[p] == '\n') return p;
      if (!d_.empty() && data_.compare(p, d_.size(), d_) == 0) return p;
      if (data_[p] != ' ') return std::string_view::npos;
    }
  }

  // Appends the text up to the next byte of `stops`, each "^" as a space.
  void AppendRun(std::string* out, std::string_view stops) {
    size_t end = data_.find_first_of(stops, pos_);
    if (end == std::string_view::npos) end = data_.size();
    const size_t from = out->size();
    out->append(data_.substr(pos_, end - pos_));
    std::replace(out->begin() + static_cast<std::ptrdiff_t>(from), out->end(), kFieldSeparator,
                 ' ');
    pos_ = end;
  }

  static void AppendChar(std::string* out, char c) {
    out->push_back(c == kFieldSeparator || c == '\r' || c == '\n' ? ' ' : c);
  }

  std::string_view data_, d_, q_;
  std::string plain_stops_, enclosed_stops_;
  size_t pos_ = 0;
};

}  // namespace

std::vector<std::string> CsvRecordLines(std::string_view data, std::string_view delimiter,
                                        std::string_view qualifier) {
  if (data.substr(0, kUtf8Bom.size()) == kUtf8Bom) data.remove_prefix(kUtf8Bom.size());
  std::vector<std::string> lines;
  CsvReader reader(data, delimiter, qualifier);
  std::string line;
  while (!reader.AtEnd()) {
    if (reader.ReadRecord(&line) >= kMinImportLineLength) lines.push_back(std::move(line));
  }
  return lines;
}

std::string CsvLine(std::string_view record_line) {
  std::string out;
  // A line without "^" is a record whose Title is the whole line.
  size_t caret = record_line.find(kFieldSeparator);
  std::string_view rest =
      caret == std::string_view::npos ? record_line : record_line.substr(caret + 1);
  out.reserve(rest.size() + 16);
  out.push_back('"');
  for (char c : rest) {
    if (c == kFieldSeparator) {
      out.append("\",\"");
    } else {
      if (c == '"') out.push_back('"');
      out.push_back(c);
    }
  }
  out.push_back('"');
  return out;
}

}  // namespace duvra
