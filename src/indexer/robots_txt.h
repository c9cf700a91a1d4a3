// A site's robots.txt, read as RFC 9309 reads it: the group for the
// crawler's product token (else the "*" group), Allow and Disallow rules
// with "*" and "$", the longest matching rule wins and Allow wins a tie.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace duvra {

class RobotsRules {
 public:
  // No rules: everything is allowed (also what a missing file gives).
  RobotsRules() = default;
  // product_token: the user agent's name before its "/", e.g. "DuvraBot".
  static RobotsRules Parse(std::string_view text, std::string_view product_token);

  // path: the address's path and query ("/a/b?c").
  bool Allowed(std::string_view path) const;

 private:
  struct Rule {
    bool allow;
    std::string pattern;
  };
  std::vector<Rule> rules_;
};

// "DuvraBot" of "DuvraBot/1.0 (...)".
std::string ProductToken(std::string_view user_agent);

// "http://host:8080" of "http://host:8080/a/b".
std::string OriginOf(std::string_view address);

// "/a/b?c" of "http://host/a/b?c#d"; "/" when there is no path.
std::string PathAndQueryOf(std::string_view address);

}  // namespace duvra
