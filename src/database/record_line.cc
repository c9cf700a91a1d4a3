#include "database/record_line.h"

namespace duvra {

std::string SafeField(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c == kFieldSeparator || c == '\r' || c == '\n') c = ' ';
  }
  return out;
}

RecordFields SplitRecordLine(std::string_view line) {
  RecordFields f;
  std::string* fields[] = {&f.num, &f.title, &f.url, &f.text, &f.keywords, &f.new_window};
  size_t start = 0;
  for (int i = 0; i < 6; ++i) {
    if (start > line.size()) break;
    size_t caret = i < 5 ? line.find(kFieldSeparator, start) : std::string_view::npos;
    if (caret == std::string_view::npos) {
      fields[i]->assign(line.substr(start));
      break;
    }
    fields[i]->assign(line.substr(start, caret - start));
    start = caret + 1;
  }
  return f;
}

std::string JoinRecordLine(const RecordFields& f) {
  std::string out;
  out.reserve(f.num.size() + f.title.size() + f.url.size() + f.text.size() + f.keywords.size() +
              f.new_window.size() + 5);
  out.append(f.num).append(1, '^').append(f.title).append(1, '^').append(f.url);
  out.append(1, '^').append(f.text).append(1, '^').append(f.keywords).append(1, '^');
  out.append(f.new_window);
  return out;
}

}  // namespace duvra
