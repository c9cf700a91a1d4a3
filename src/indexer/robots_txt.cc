#include "indexer/robots_txt.h"

#include "indexer/link_discovery.h"

namespace duvra {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

// Pattern match with "*" (any run) and a final "$" (end of path).
bool Matches(std::string_view pattern, std::string_view path) {
  const bool anchored = pattern.ends_with('$');
  if (anchored) pattern.remove_suffix(1);
  // Greedy backtracking over "*", linear enough for robots.txt sizes.
  size_t p = 0, s = 0, star = std::string_view::npos, mark = 0;
  while (true) {
    if (p == pattern.size()) {
      if (!anchored || s == path.size()) return true;
    } else if (pattern[p] == '*') {
      star = p++;
      mark = s;
      continue;
    } else if (s < path.size() && pattern[p] == path[s]) {
      ++p;
      ++s;
      continue;
    }
    if (star == std::string_view::npos || mark >= path.size()) return false;
    p = star + 1;
    s = ++mark;
  }
}

}  // namespace

std::string ProductToken(std::string_view user_agent) {
  const size_t end = user_agent.find_first_of("/ \t(");
  return std::string(Trim(user_agent.substr(0, end)));
}

std::string OriginOf(std::string_view address) {
  const size_t mark = address.find("://");
  if (mark == std::string_view::npos) return {};
  return std::string(
      address.substr(0, std::min(address.find_first_of("/?#", mark + 3), address.size())));
}

std::string PathAndQueryOf(std::string_view address) {
  std::string_view rest = address.substr(OriginOf(address).size());
  rest = rest.substr(0, rest.find('#'));
  if (rest.empty() || rest.front() != '/') return "/" + std::string(rest);
  return std::string(rest);
}

RobotsRules RobotsRules::Parse(std::string_view text, std::string_view product_token) {
  const std::string token = LowerAscii(product_token);
  std::vector<Rule> mine, any;
  bool found_mine = false;
  // The group being read: which agents it names, and whether its rules began.
  bool group_mine = false, group_any = false, in_rules = false;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t nl = text.find_first_of("\r\n", pos);
    if (nl == std::string_view::npos) nl = text.size();
    std::string_view line = text.substr(pos, nl - pos);
    pos = nl + 1;
    line = Trim(line.substr(0, line.find('#')));
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string key = LowerAscii(Trim(line.substr(0, colon)));
    const std::string_view value = Trim(line.substr(colon + 1));
    if (key == "user-agent") {
      if (in_rules) {
        group_mine = group_any = in_rules = false;
      }
      const std::string agent = LowerAscii(value);
      if (agent == "*") group_any = true;
      if (!token.empty() && agent == token) {
        group_mine = true;
        found_mine = true;
      }
    } else if (key == "allow" || key == "disallow") {
      in_rules = true;
      if (value.empty()) continue;  // "Disallow:" allows everything
      const Rule rule{key == "allow", std::string(value)};
      if (group_mine) mine.push_back(rule);
      if (group_any) any.push_back(rule);
    }
    if (nl == text.size()) break;
  }
  RobotsRules r;
  r.rules_ = found_mine ? std::move(mine) : std::move(any);
  return r;
}

bool RobotsRules::Allowed(std::string_view path) const {
  size_t best = 0;
  bool allowed = true, matched = false;
  for (const Rule& rule : rules_) {
    if (!Matches(rule.pattern, path)) continue;
    const size_t length = rule.pattern.size();
    if (!matched || length > best || (length == best && rule.allow)) {
      best = length;
      allowed = rule.allow;
      matched = true;
    }
  }
  return allowed;
}

}  // namespace duvra
