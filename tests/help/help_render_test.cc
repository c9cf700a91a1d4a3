// The help topics as the help window's rich-text engine reads them: it must
// see every link the page holds and every anchor a link points to, or a
// click in the help window leads nowhere (it ignores markup it does not
// know instead of failing).
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <set>
#include <string>

#include "help_test_support.h"

namespace duvra::help_test {
namespace {

const std::string kHelpDir = DUVRA_HELP_DIR;

struct Seen {
  std::set<std::string> links;
  std::set<std::string> anchors;
  std::string title;
};

Seen ReadAsTheHelpWindowDoes(const std::string& file) {
  const std::string bytes = ReadFile(kHelpDir + "/" + file);
  QTextDocument doc;
  doc.setHtml(QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())));
  Seen seen;
  seen.title = doc.metaInformation(QTextDocument::DocumentTitle).toStdString();
  for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextCharFormat format = it.fragment().charFormat();
      if (!format.isAnchor()) continue;
      if (!format.anchorHref().isEmpty()) seen.links.insert(format.anchorHref().toStdString());
      for (const QString& name : format.anchorNames()) seen.anchors.insert(name.toStdString());
    }
  }
  return seen;
}

TEST(HelpRendering, TheHelpWindowSeesEveryLinkTitleAndAnchor) {
  for (const std::string& file : TopicFiles(kHelpDir)) {
    SCOPED_TRACE(file);
    const Seen seen = ReadAsTheHelpWindowDoes(file);
    EXPECT_FALSE(seen.title.empty());
    for (const std::string& link : Links(ReadFile(kHelpDir + "/" + file))) {
      EXPECT_TRUE(seen.links.count(link)) << "link not seen: " << link;
      const size_t hash = link.find('#');
      if (hash == std::string::npos || IsExternal(link)) continue;
      const std::string target = hash == 0 ? file : link.substr(0, hash);
      const Seen in_target = target == file ? seen : ReadAsTheHelpWindowDoes(target);
      EXPECT_TRUE(in_target.anchors.count(link.substr(hash + 1))) << "anchor not seen: " << link;
    }
  }
}

}  // namespace
}  // namespace duvra::help_test

int main(int argc, char** argv) {
  // Test discovery runs this binary too, without the test's environment.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
