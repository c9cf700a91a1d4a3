// The shipped help: every topic the program opens is there, the topics hang
// together (links resolve, anchors exist, the contents page reaches every
// topic and every topic leads back to it), and the pages stay
// self-contained.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>

#include "help_test_support.h"

namespace duvra::help_test {
namespace {

const std::string kHelpDir = DUVRA_HELP_DIR;
const std::string kAppSourceDir = DUVRA_APP_SOURCE_DIR;
constexpr char kContents[] = "index.html";

bool TopicExists(const std::string& name) {
  return std::filesystem::is_regular_file(std::filesystem::path(kHelpDir) / name);
}

std::set<std::string> AnchorSet(const std::string& file) {
  std::vector<std::string> a = Anchors(ReadFile(kHelpDir + "/" + file));
  return {a.begin(), a.end()};
}

TEST(HelpTopics, EveryTopicTheProgramOpensExists) {
  // The topics the windows open: the default topic and one per window.
  for (const char* topic : {"index.html", "started.html", "1004.html", "2000.html", "4001.html",
                            "5000.html", "6000.html", "7000.html"}) {
    EXPECT_TRUE(TopicExists(topic)) << topic;
  }
  // And whatever the sources name, so that a help call added to a window
  // fails here until its topic is written.
  const std::set<std::string> named = TopicsNamedInSources(kAppSourceDir);
  EXPECT_TRUE(named.count("index.html")) << "the default topic was not found in the sources";
  EXPECT_TRUE(named.count("2000.html")) << "no help target was found in the sources";
  for (const std::string& topic : named) EXPECT_TRUE(TopicExists(topic)) << topic;
}

TEST(HelpTopics, EveryLinkResolvesToATopicAndAnchor) {
  const std::filesystem::path root = std::filesystem::weakly_canonical(kHelpDir);
  for (const std::string& file : TopicFiles(kHelpDir)) {
    for (const std::string& link : Links(ReadFile(kHelpDir + "/" + file))) {
      SCOPED_TRACE(file + " -> " + link);
      ASSERT_FALSE(link.empty());
      EXPECT_FALSE(IsExternal(link)) << "help topics link only to each other";
      if (IsExternal(link)) continue;
      const size_t hash = link.find('#');
      std::string target = link.substr(0, hash);
      const std::string anchor = hash == std::string::npos ? "" : link.substr(hash + 1);
      if (target.empty()) target = file;
      const std::filesystem::path path =
          std::filesystem::weakly_canonical(std::filesystem::path(kHelpDir) / target);
      const std::string rel = path.lexically_relative(root).string();
      EXPECT_FALSE(rel.empty() || rel.starts_with("..")) << "outside the help folder";
      ASSERT_TRUE(std::filesystem::is_regular_file(path)) << "no such topic";
      if (!anchor.empty()) {
        EXPECT_TRUE(AnchorSet(path.lexically_relative(root).string()).count(anchor))
            << "no such anchor";
      }
    }
  }
}

TEST(HelpTopics, ContentsReachesEveryTopicAndEveryTopicLeadsBack) {
  std::set<std::string> from_contents;
  for (const std::string& link : Links(ReadFile(kHelpDir + "/" + kContents))) {
    from_contents.insert(link.substr(0, link.find('#')));
  }
  for (const std::string& file : TopicFiles(kHelpDir)) {
    SCOPED_TRACE(file);
    if (file != kContents) {
      EXPECT_TRUE(from_contents.count(file)) << "not in the contents";
    }
    const std::vector<std::string> links = Links(ReadFile(kHelpDir + "/" + file));
    EXPECT_NE(std::find(links.begin(), links.end(), kContents), links.end())
        << "no link back to the contents";
  }
}

TEST(HelpTopics, PagesAreTitledSelfContainedAndAnchorsUnique) {
  for (const std::string& file : TopicFiles(kHelpDir)) {
    SCOPED_TRACE(file);
    const std::string html = ReadFile(kHelpDir + "/" + file);
    // The help window shows the title in its caption.
    EXPECT_FALSE(Title(html).empty());
    for (const Tag& tag : Tags(html)) {
      for (const char* banned : {"script", "link", "iframe", "object", "embed", "img"}) {
        EXPECT_NE(tag.name, banned) << "the help shows text only, from this folder";
      }
      for (const auto& [name, value] : tag.attrs) {
        EXPECT_FALSE(name.starts_with("on")) << "no scripts in the help: " << name;
      }
    }
    std::vector<std::string> anchors = Anchors(html);
    std::sort(anchors.begin(), anchors.end());
    EXPECT_EQ(std::adjacent_find(anchors.begin(), anchors.end()), anchors.end())
        << "an anchor name is used twice";
  }
}

TEST(HelpTopics, ScriptsTopicKeepsItsCompleteResultsPage) {
  // Site owners copy this page as it stands; the browser tests load it.
  const std::string html = ReadFile(kHelpDir + "/7000.html");
  const std::string start = "<pre>&lt;!DOCTYPE html&gt;";
  const size_t at = html.find(start);
  ASSERT_NE(at, std::string::npos);
  const std::string page = html.substr(at, html.find("</pre>", at) - at);
  // The search loads its data (the index or duv_data.js) by itself.
  EXPECT_EQ(page.find("duv_data.js"), std::string::npos);
  EXPECT_NE(page.find("&lt;script src=\"duv_search.js\"&gt;&lt;/script&gt;"), std::string::npos);
  EXPECT_NE(page.find("&lt;script src=\"duv_form.js\"&gt;&lt;/script&gt;"), std::string::npos);
}

}  // namespace
}  // namespace duvra::help_test
