#include "database/extra_settings.h"

#include <charconv>

namespace duvra {
namespace {

bool IsWholeNumber(std::string_view v) {
  if (v.empty() || v.size() > 9) return false;
  for (char c : v) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

bool Storable(std::string_view v) { return v.find_first_of("^\r\n") == std::string_view::npos; }

}  // namespace

const SettingInfo* FindSetting(std::string_view name) {
  for (const SettingInfo& info : kExtraSettings) {
    if (info.name == name) return &info;
  }
  return nullptr;
}

ExtraSettings ExtraSettings::Fresh() {
  ExtraSettings s;
  for (const SettingInfo& info : kExtraSettings) {
    s.pairs_.emplace_back(std::string(info.name), std::string(info.fresh));
  }
  return s;
}

ExtraSettings ExtraSettings::Parse(std::string_view line) {
  ExtraSettings s;
  while (!line.empty()) {
    size_t caret = line.find('^');
    std::string_view part = line.substr(0, caret);
    line = caret == std::string_view::npos ? std::string_view() : line.substr(caret + 1);
    if (part.empty()) continue;
    size_t eq = part.find('=');
    std::string name(part.substr(0, eq));
    std::string value(eq == std::string_view::npos ? std::string_view() : part.substr(eq + 1));
    // A repeated name: the last one counts, as a later write would have it.
    bool replaced = false;
    for (auto& [n, v] : s.pairs_) {
      if (n == name) {
        v = value;
        replaced = true;
      }
    }
    if (!replaced) s.pairs_.emplace_back(std::move(name), std::move(value));
  }
  return s;
}

std::string ExtraSettings::Compose() const {
  std::string line;
  for (const auto& [name, value] : pairs_) {
    if (!line.empty()) line.push_back('^');
    line.append(name).append("=").append(value);
  }
  return line;
}

std::string ExtraSettings::Get(std::string_view name) const {
  for (const auto& [n, v] : pairs_) {
    if (n == name) return v;
  }
  const SettingInfo* info = FindSetting(name);
  return info ? std::string(info->absent) : std::string();
}

long ExtraSettings::Number(std::string_view name, long fallback) const {
  const std::string v = Get(name);
  if (!IsWholeNumber(v)) return fallback;
  long n = 0;
  std::from_chars(v.data(), v.data() + v.size(), n);
  return n;
}

bool ExtraSettings::Set(std::string_view name, std::string_view value) {
  if (name.empty() || !Storable(name) || name.find('=') != std::string_view::npos) return false;
  if (!Storable(value)) return false;
  if (const SettingInfo* info = FindSetting(name)) {
    if (info->kind == SettingKind::kFlag && value != "0" && value != "1") return false;
    if (info->kind == SettingKind::kNumber && !IsWholeNumber(value)) return false;
  }
  for (auto& [n, v] : pairs_) {
    if (n == name) {
      v = value;
      return true;
    }
  }
  pairs_.emplace_back(std::string(name), std::string(value));
  return true;
}

}  // namespace duvra
