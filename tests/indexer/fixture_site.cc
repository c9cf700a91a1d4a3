#include "fixture_site.h"

#include <random>

namespace duvra::testing {
namespace {

const std::vector<std::string> kFolders = {
    "/", "/docs/", "/docs/Guide/", "/docs/guide/", "/docs/ref/", "/docs/ref/deep/"};
const std::vector<std::string> kWords = {"Crawler", "index",   "Search", "page",  "Folder",
                                         "record",  "keyword", "site",   "Table", "link"};

std::string FolderOf(const std::string& path) { return path.substr(0, path.rfind('/') + 1); }

// The path of `to` relative to the folder `from` ("../ref/x.html").
std::string Relative(const std::string& from, const std::string& to) {
  size_t common = 0;
  for (size_t i = 0; i < from.size() && i < to.size() && from[i] == to[i]; ++i) {
    if (from[i] == '/') common = i + 1;
  }
  std::string up;
  for (size_t i = common; i < from.size(); ++i) {
    if (from[i] == '/') up += "../";
  }
  return up + to.substr(common);
}

class Builder {
 public:
  Builder(size_t pages, unsigned seed, const std::string& base) : rng_(seed), base_(base) {
    for (size_t i = 0; i < pages; ++i) {
      const std::string folder = kFolders[i % kFolders.size()];
      const std::string name =
          (i % 3 == 0 ? "Page" : "page") + std::to_string(i) + (i % 4 == 0 ? ".htm" : ".html");
      paths_.push_back(folder + name);
    }
  }

  size_t Below(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng_); }

  // One link to `target` from the page at `from`, in a random form.
  std::string Link(const std::string& from, const std::string& target) {
    std::string href;
    switch (Below(5)) {
      case 0:
        href = "/" + target.substr(1);
        break;
      case 1:
        href = base_ + target;
        break;
      default:
        href = Relative(FolderOf(from), target);
        break;
    }
    if (href.empty()) href = "./";
    if (Below(4) == 0) href += "#s" + std::to_string(Below(9));
    switch (Below(4)) {
      case 0:
        return "<a HREF='" + href + "'>" + kWords[Below(kWords.size())] + "</a>\n";
      case 1:
        if (href.find_first_of(" >'\"") == std::string::npos) {
          return "<a href=" + href + " class=x>" + kWords[Below(kWords.size())] + "</a>\n";
        }
        [[fallthrough]];
      default:
        return "<a href=\"" + href + "\">" + kWords[Below(kWords.size())] + "</a>\n";
    }
  }

  std::string Page(size_t i) {
    const std::string& self = paths_[i];
    std::string p = i % 5 == 0 ? "<HTML><HEAD><TITLE>" : "<html><head><title>";
    p += i == 7 ? "Line\r\nbreak ^ title" : "Page " + std::to_string(i) + " of the Site";
    p += i % 5 == 0 ? "</TITLE>\n" : "</title>\n";
    p += "<link rel=\"stylesheet\" href=\"/style.css\"/>\n";
    if (i % 2 == 0) {
      p += "<meta name=\"description\" content=\"About page " + std::to_string(i) + "\">\n";
    }
    if (i % 3 == 0)
      p += "<meta name=\"keywords\" content=\"fixture, page" + std::to_string(i) + "\">\n";
    p += "</head><body>\n<a href=\"#top\">top</a> <a href=\"mailto:web@site\">mail</a>\n";
    p += "<a href=\"file:///etc/hosts.html\">f</a> <a href=\"javascript:go('x.html')\">j</a>\n";
    p += "<img src=\"logo.png\"><a href=\"/manual.pdf\">pdf</a> <a href=\"/logo.png\">png</a>\n";
    p += "<!-- duvra -->\n<p>";
    for (size_t k = 0; k < 6; ++k) p += kWords[Below(kWords.size())] + (k % 2 ? ", " : " ");
    p += "the end.</p>\n<!-- /duvra -->\n";
    const size_t n = paths_.size();
    for (size_t target : {i + 1, i + 2, (i * 7 + 3) % n, Below(n), Below(n / 3 + 1)}) {
      if (target < n) p += Link(self, paths_[target]);
    }
    p += Link(self, self);  // a link to itself, often with a fragment
    if (i % 10 == 3) p += "<a href=\"Missing" + std::to_string(i) + ".html\">gone</a>\n";
    if (i % 25 == 4) p += "<a href=\"../../../../../../Above.html\">above</a>\n";
    if (i % 30 == 6) p += "<a href=\"/private/Secret.html\">s</a> <a href=\"/private/\">p</a>\n";
    if (i % 40 == 9)
      p += "<a href=\"" + Relative(FolderOf(self), kFolders[Below(kFolders.size())]) +
           "\">dir</a>\n";
    p += "</body></html>\n";
    return p;
  }

  FixtureSite Build() {
    FixtureSite site;
    site.base = base_;
    for (size_t i = 0; i < paths_.size(); ++i) site.files[paths_[i]] = Page(i);
    for (const std::string& folder : kFolders) {
      std::string index = "<title>Index of " + folder + "</title>\n";
      for (size_t i = 0; i < paths_.size(); i += 37)
        index += Link(folder + "index.html", paths_[i]);
      site.files[folder + "index.html"] = index;
    }
    site.files["/index.html"] +=
        "<a href=\"page1.html\">first</a> <a href=\"Page0.htm\">zero</a>\n";
    // Only reachable through excluded pages: never read.
    site.files["/private/index.html"] = "<title>Private</title><a href=\"Hidden.html\">h</a>";
    site.files["/private/Secret.html"] = "<title>Secret</title><a href=\"Hidden.html\">h</a>";
    site.files["/private/Hidden.html"] = "<title>Hidden</title>";
    site.excluded_pages = {"/private/", "/private/Secret.html"};
    site.files["/style.css"] = "body { color: black; }";
    site.files["/logo.png"] = "PNG";
    site.files["/manual.pdf"] = "PDF";
    return site;
  }

 private:
  std::mt19937 rng_;
  std::string base_;
  std::vector<std::string> paths_;
};

}  // namespace

std::map<std::string, std::string> FixtureSite::Addresses() const {
  std::map<std::string, std::string> out;
  for (const auto& [path, content] : files) {
    out[base + path] = content;
    if (path.ends_with("/index.html")) out[base + FolderOf(path)] = content;
  }
  return out;
}

FixtureSite MakeFixtureSite(size_t pages, unsigned seed, const std::string& base) {
  return Builder(pages, seed, base).Build();
}

}  // namespace duvra::testing
