// Template copying: any bytes as form.dat and search.dat, copied by
// CreateScripts behind the generated header. The input is the template;
// its first line is also used as the results location. Properties: the
// template's lines equal a byte-by-byte reading of the rules (cut at the
// first NUL); the copy keeps the line structure (same lines, each ended by
// CR LF, nothing changed inside a line, nothing added after the last); the
// header keeps its seven and eleven lines whatever the location holds.
#include <string>
#include <vector>

#include "base/text_file.h"
#include "fuzz_support.h"
#include "line_reference.h"
#include "scripts/create_scripts.h"
#include "scripts/script_text.h"
#include "support/temp_dir.h"

namespace duvra {
namespace {

using Lines = std::vector<std::string>;

const testing::TempDir& Folder() {
  static const testing::TempDir dir;
  return dir;
}

void CheckLines(std::string_view data, const Lines& lines) {
  const std::string_view before_nul = data.substr(0, data.find('\0'));
  FUZZ_CHECK(lines == fuzz::ReferenceLines(before_nul, LoneCr::kLineEnd));
  std::string joined;
  for (const std::string& l : lines) {
    FUZZ_CHECK(l.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
    joined += l;
  }
  std::string text;
  for (char c : before_nul) {
    if (c != '\r' && c != '\n') text.push_back(c);
  }
  FUZZ_CHECK(joined == text);
  FUZZ_CHECK(TemplateLines(JoinLines(lines)) == lines);
}

void CheckCopies(std::string_view data, const Lines& lines, const std::string& location) {
  testing::WriteFile(Folder().File("form.dat"), std::string(data));
  testing::WriteFile(Folder().File("search.dat"), std::string(data));
  ScriptJob job;
  job.settings.folder = Folder().path();
  job.settings.location = location;
  job.template_dir = Folder().path();
  FUZZ_CHECK(CreateScripts(job, {"0^a^b^c^d^0"}).ok());

  const Lines form_header = FormHeaderLines(location);
  const Lines search_header = SearchHeaderLines(job.settings);
  FUZZ_CHECK(form_header.size() == 7 && search_header.size() == 11);
  for (const Lines* header : {&form_header, &search_header}) {
    FUZZ_CHECK(SplitLines(JoinLines(*header), LoneCr::kLineEnd) == *header);
  }
  const std::string body = JoinLines(lines);
  FUZZ_CHECK(testing::ReadFile(ScriptPath(Folder().path(), kFormScript)) ==
             JoinLines(form_header) + body);
  FUZZ_CHECK(testing::ReadFile(ScriptPath(Folder().path(), kSearchScript)) ==
             JoinLines(search_header) + body);
}

}  // namespace
}  // namespace duvra

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace duvra;
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  const Lines lines = TemplateLines(file);
  CheckLines(file, lines);
  // The first line with its break: a location may hold anything.
  const size_t lf = file.find('\n');
  const std::string location(lf == std::string_view::npos ? file : file.substr(0, lf + 1));
  CheckCopies(file, lines, location);
  return 0;
}
