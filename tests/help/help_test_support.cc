#include "help_test_support.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace duvra::help_test {
namespace {

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

bool EndsWith(const std::string& s, const std::string& end) {
  return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "";
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::vector<std::string> TopicFiles(const std::string& help_dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(help_dir)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file() && EndsWith(name, ".html")) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<Tag> Tags(const std::string& html) {
  // A real tag starts with "<" and a letter; markup shown as text is
  // written "&lt;...", and comments start "<!".
  static const std::regex tag_re(R"(<([A-Za-z][A-Za-z0-9]*)([^>]*)>)");
  static const std::regex attr_re(R"re(([A-Za-z][A-Za-z0-9_:-]*)\s*=\s*(?:"([^"]*)"|'([^']*)'))re");
  std::vector<Tag> tags;
  for (auto it = std::sregex_iterator(html.begin(), html.end(), tag_re);
       it != std::sregex_iterator(); ++it) {
    Tag tag;
    tag.name = Lower((*it)[1].str());
    const std::string attrs = (*it)[2].str();
    for (auto a = std::sregex_iterator(attrs.begin(), attrs.end(), attr_re);
         a != std::sregex_iterator(); ++a) {
      tag.attrs[Lower((*a)[1].str())] = (*a)[2].matched ? (*a)[2].str() : (*a)[3].str();
    }
    tags.push_back(std::move(tag));
  }
  return tags;
}

std::vector<std::string> Links(const std::string& html) {
  std::vector<std::string> links;
  for (const Tag& tag : Tags(html)) {
    auto href = tag.attrs.find("href");
    if (tag.name == "a" && href != tag.attrs.end()) links.push_back(href->second);
  }
  return links;
}

std::vector<std::string> Anchors(const std::string& html) {
  std::vector<std::string> anchors;
  for (const Tag& tag : Tags(html)) {
    if (auto name = tag.attrs.find("name"); tag.name == "a" && name != tag.attrs.end()) {
      anchors.push_back(name->second);
    }
    if (auto id = tag.attrs.find("id"); id != tag.attrs.end()) anchors.push_back(id->second);
  }
  return anchors;
}

std::string Title(const std::string& html) {
  static const std::regex title_re(R"(<title>([^<]*)</title>)", std::regex::icase);
  std::smatch m;
  return std::regex_search(html, m, title_re) ? m[1].str() : "";
}

bool IsExternal(const std::string& link) {
  static const std::regex scheme_re(R"(^[A-Za-z][A-Za-z0-9+.-]*:)");
  return link.starts_with("//") || std::regex_search(link, scheme_re);
}

std::set<std::string> TopicsNamedInSources(const std::string& source_dir) {
  static const std::regex target_re(R"(Duvra\.chm::/([A-Za-z0-9_.-]+))");
  static const std::regex default_re(R"re(kDefaultHelpTopic\[\]\s*=\s*"([^"]+)")re");
  std::set<std::string> topics;
  for (const auto& entry : std::filesystem::directory_iterator(source_dir)) {
    const std::string name = entry.path().filename().string();
    if (!EndsWith(name, ".cc") && !EndsWith(name, ".h")) continue;
    const std::string text = ReadFile(entry.path().string());
    for (auto it = std::sregex_iterator(text.begin(), text.end(), target_re);
         it != std::sregex_iterator(); ++it) {
      topics.insert((*it)[1].str());
    }
    std::smatch m;
    if (std::regex_search(text, m, default_re)) topics.insert(m[1].str());
  }
  return topics;
}

}  // namespace duvra::help_test
