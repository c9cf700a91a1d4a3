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
    line->clear();
    line->push_back('0');
    for (;;) {
      line->push_back(kFieldSeparator);
      ReadField(line);
      if (At(d_)) {
        pos_ += d_.size();
        continue;
      }
      const size_t end = pos_;
      SkipLineBreak();
      return end - start;
    }
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

  void ReadField(std::string* out) {
    if (At(q_)) {
      pos_ += q_.size();
      ReadEnclosed(out);
    }
    // Unenclosed text, or text after a closing qualifier that a lenient
    // writer put before the delimiter: taken as it stands.
    while (!AtEnd() && !At(d_) && !AtLineBreak()) {
      AppendRun(out, plain_stops_);
      // A stop byte that does not begin the whole delimiter is text.
      if (!AtEnd() && !At(d_) && !AtLineBreak()) AppendChar(out, data_[pos_++]);
    }
  }

  void ReadEnclosed(std::string* out) {
    while (!AtEnd()) {
      if (At(q_)) {
        pos_ += q_.size();
        if (!At(q_)) return;  // the closing qualifier
        // A doubled qualifier stands for one, made safe like any text.
        for (char c : q_) AppendChar(out, c);
        pos_ += q_.size();
      } else if (SkipLineBreak()) {
        out->push_back(' ');
      } else {
        AppendRun(out, enclosed_stops_);
        if (!AtEnd() && !At(q_) && !AtLineBreak()) AppendChar(out, data_[pos_++]);
      }
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
  size_t caret = record_line.find(kFieldSeparator);
  if (caret == std::string_view::npos) return out;
  std::string_view rest = record_line.substr(caret + 1);
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
