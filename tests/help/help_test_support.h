// Reading the help topics for the tests: the topic files of the data folder,
// the tags of a page (escaped markup inside <pre> is text, not tags), its
// links and anchors, and the topics the program's help calls name.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace duvra::help_test {

// The whole file, or "" when it cannot be read.
std::string ReadFile(const std::string& path);

// The names of the .html files in the help folder, sorted.
std::vector<std::string> TopicFiles(const std::string& help_dir);

struct Tag {
  std::string name;                          // lower case
  std::map<std::string, std::string> attrs;  // names lower case
};

// Every start tag of the page, in order.
std::vector<Tag> Tags(const std::string& html);

// The href of every <a> tag, in order.
std::vector<std::string> Links(const std::string& html);

// Anchor names: name= of <a> tags and id= of any tag, with repeats.
std::vector<std::string> Anchors(const std::string& html);

// The text of <title>, or "".
std::string Title(const std::string& html);

// True when the link leaves the help: a scheme ("http:", "mailto:") or
// a network path ("//host").
bool IsExternal(const std::string& link);

// The topics that help calls in the program's sources name: every
// "Duvra.chm::/NAME" and the default topic (kDefaultHelpTopic).
std::set<std::string> TopicsNamedInSources(const std::string& source_dir);

}  // namespace duvra::help_test
