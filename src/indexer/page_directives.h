// What a page says about its own indexing: robots directives (meta tag and
// X-Robots-Tag header), rel="nofollow" on a link, its canonical address
// and its <base href>. Tags are found in the search copy (A-Z lowered, same
// positions); values are copied from the page.
#pragma once

#include <string>
#include <string_view>

namespace duvra {

struct RobotsDirectives {
  bool noindex = false;
  bool nofollow = false;
  void Add(const RobotsDirectives& o) {
    noindex |= o.noindex;
    nofollow |= o.nofollow;
  }
};

// Tokens of a directive list ("noindex, nofollow", "none", "bot: noindex").
RobotsDirectives ParseRobotsDirectives(std::string_view list);

// Every <meta name="robots" content="..."> of the page.
RobotsDirectives MetaRobots(std::string_view page, std::string_view search_copy);

// The value of attribute `name` (lowered) in the tag that starts at `lt` of
// the page ("<" position); empty when the tag lacks it.
std::string TagAttribute(std::string_view page, std::string_view search_copy, size_t lt,
                         std::string_view name);

// Whether the tag around position `at` (the "href=" of a link) has a rel
// attribute holding the token "nofollow".
bool LinkIsNofollow(std::string_view page, std::string_view search_copy, size_t at);

// The href of the first <link> whose rel holds `rel_token`, as written.
std::string LinkRelHref(std::string_view page, std::string_view search_copy,
                        std::string_view rel_token);

// The href of the first <base> tag, as written; empty when none.
std::string BaseHref(std::string_view page, std::string_view search_copy);

}  // namespace duvra
