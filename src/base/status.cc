#include "base/status.h"

namespace duvra {

std::string FormatMessage(std::string_view tmpl, std::initializer_list<std::string_view> args) {
  std::string out;
  auto arg = args.begin();
  for (size_t i = 0; i < tmpl.size(); ++i) {
    if (tmpl[i] == '%' && i + 1 < tmpl.size() && tmpl[i + 1] == 's' && arg != args.end()) {
      out.append(*arg++);
      ++i;
    } else {
      out.push_back(tmpl[i]);
    }
  }
  return out;
}

}  // namespace duvra
