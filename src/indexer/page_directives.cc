#include "indexer/page_directives.h"

#include "indexer/link_discovery.h"

namespace duvra {
namespace {

bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == ':';
}

// Whether a space-separated list (lowered) holds token.
bool HasToken(std::string_view list, std::string_view token) {
  size_t i = 0;
  while (i < list.size()) {
    while (i < list.size() && IsHtmlSpace(list[i])) ++i;
    size_t j = i;
    while (j < list.size() && !IsHtmlSpace(list[j])) ++j;
    if (list.substr(i, j - i) == token) return true;
    i = j;
  }
  return false;
}

// Starts of every tag `<name` in the search copy.
template <class F>
void ForEachTag(std::string_view search_copy, std::string_view name, F f) {
  const std::string open = "<" + std::string(name);
  for (size_t at = search_copy.find(open); at != std::string_view::npos;
       at = search_copy.find(open, at + 1)) {
    const size_t after = at + open.size();
    if (after < search_copy.size() && !IsHtmlSpace(search_copy[after]) &&
        search_copy[after] != '/' && search_copy[after] != '>') {
      continue;
    }
    if (!f(at)) return;
  }
}

}  // namespace

RobotsDirectives ParseRobotsDirectives(std::string_view list) {
  const std::string lowered = LowerAscii(list);
  RobotsDirectives d;
  size_t i = 0;
  while (i < lowered.size()) {
    size_t j = lowered.find_first_of(",: \t", i);
    if (j == std::string::npos) j = lowered.size();
    const std::string_view token = std::string_view(lowered).substr(i, j - i);
    if (token == "noindex" || token == "none") d.noindex = true;
    if (token == "nofollow" || token == "none") d.nofollow = true;
    i = j + 1;
  }
  return d;
}

std::string TagAttribute(std::string_view page, std::string_view search_copy, size_t lt,
                         std::string_view name) {
  size_t i = lt + 1;
  while (i < search_copy.size() && IsNameChar(search_copy[i])) ++i;  // the tag name
  while (i < search_copy.size() && search_copy[i] != '>') {
    while (i < search_copy.size() && (IsHtmlSpace(search_copy[i]) || search_copy[i] == '/')) ++i;
    const size_t name_start = i;
    while (i < search_copy.size() && IsNameChar(search_copy[i])) ++i;
    const std::string_view attr = search_copy.substr(name_start, i - name_start);
    if (attr.empty()) {
      if (i < search_copy.size() && search_copy[i] != '>') ++i;  // stray character
      continue;
    }
    while (i < search_copy.size() && IsHtmlSpace(search_copy[i])) ++i;
    std::string_view value;
    if (i < search_copy.size() && search_copy[i] == '=') {
      ++i;
      while (i < search_copy.size() && IsHtmlSpace(search_copy[i])) ++i;
      if (i < search_copy.size() && (search_copy[i] == '"' || search_copy[i] == '\'')) {
        const char q = search_copy[i];
        const size_t close = search_copy.find(q, i + 1);
        const size_t end = close == std::string_view::npos ? search_copy.size() : close;
        value = page.substr(i + 1, end - i - 1);
        i = end == search_copy.size() ? end : end + 1;
      } else {
        const size_t start = i;
        while (i < search_copy.size() && !IsHtmlSpace(search_copy[i]) && search_copy[i] != '>') ++i;
        value = page.substr(start, i - start);
      }
    }
    if (attr == name) return std::string(value);
  }
  return {};
}

RobotsDirectives MetaRobots(std::string_view page, std::string_view search_copy) {
  RobotsDirectives d;
  ForEachTag(search_copy, "meta", [&](size_t at) {
    if (LowerAscii(TagAttribute(page, search_copy, at, "name")) == "robots") {
      d.Add(ParseRobotsDirectives(TagAttribute(page, search_copy, at, "content")));
    }
    return true;
  });
  return d;
}

bool LinkIsNofollow(std::string_view page, std::string_view search_copy, size_t at) {
  const size_t lt = search_copy.rfind('<', at);
  if (lt == std::string_view::npos) return false;
  const size_t gt = search_copy.find('>', lt);
  if (gt != std::string_view::npos && gt < at) return false;  // "href=" outside a tag
  return HasToken(LowerAscii(TagAttribute(page, search_copy, lt, "rel")), "nofollow");
}

std::string LinkRelHref(std::string_view page, std::string_view search_copy,
                        std::string_view rel_token) {
  std::string href;
  ForEachTag(search_copy, "link", [&](size_t at) {
    if (!HasToken(LowerAscii(TagAttribute(page, search_copy, at, "rel")), rel_token)) return true;
    href = TagAttribute(page, search_copy, at, "href");
    return false;
  });
  return href;
}

std::string BaseHref(std::string_view page, std::string_view search_copy) {
  std::string href;
  ForEachTag(search_copy, "base", [&](size_t at) {
    href = TagAttribute(page, search_copy, at, "href");
    return href.empty();
  });
  return href;
}

}  // namespace duvra
