#include "database/data_dir.h"

#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "base/text_file.h"

namespace duvra {

std::string ExecutableDir() {
  std::vector<char> buf(4096);
  ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return {};
  std::string path(buf.data(), static_cast<size_t>(n));
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string FindDataDir() {
  auto with_slash = [](std::string d) {
    if (!d.empty() && d.back() != '/') d.push_back('/');
    return d;
  };
  std::vector<std::string> candidates;
  if (const char* env = std::getenv("DUVRA_DATA_DIR"); env && *env) candidates.push_back(env);
  if (std::string exe = ExecutableDir(); !exe.empty()) {
    candidates.push_back(exe + "data");
    candidates.push_back(exe + "../share/duvra");
  }
  candidates.push_back(DUVRA_INSTALL_DATA_DIR);
  candidates.push_back(DUVRA_SOURCE_DATA_DIR);
  for (const auto& c : candidates) {
    std::string d = with_slash(c);
    if (FileExists(d + "keywords.dat")) return d;
  }
  return with_slash(DUVRA_SOURCE_DATA_DIR);
}

}  // namespace duvra
