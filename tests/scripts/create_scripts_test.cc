#include "scripts/create_scripts.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "base/text_file.h"
#include "support/temp_dir.h"

namespace duvra {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

constexpr char kHeader[] =
    "// Duvra 1.51\r\n\r\n\r\n// ---------- script properties ----------\r\n\r\n\r\n";

class CreateScriptsTest : public ::testing::Test {
 protected:
  CreateScriptsTest() {
    std::filesystem::create_directory(templates_.path() + "t");
    job_.template_dir = templates_.path() + "t/";
    job_.settings = SplitScriptSettings(site_.path() + "^results.html^1^1^0^1");
    job_.settings.folder.pop_back();  // as typed, without the separator
    WriteFile(job_.template_dir + "form.dat", "form line 1\nform line 2\r\n");
    WriteFile(job_.template_dir + "search.dat", "search\rbody");
  }
  std::string Out(const std::string& name) { return ReadFile(site_.File(name)); }
  std::vector<std::string> Files() {
    std::vector<std::string> names;
    for (auto& e : std::filesystem::directory_iterator(site_.path())) {
      names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  TempDir templates_, site_;
  ScriptJob job_;
  std::vector<std::string> records_ = {"0^Home^/index.html^Welcome^home^0",
                                       "1^Say \"hi\"^/hi.html^C:\\temp^hi^1"};
};

TEST_F(CreateScriptsTest, WritesTheThreeScriptsByteForByte) {
  job_.excluded_words = {"the", "f\xC3\xBCr"};
  ASSERT_TRUE(CreateScripts(job_, records_).ok());
  EXPECT_EQ(Out("duv_form.js"), std::string(kHeader) +
                                    "var results_location = \"results.html\";\r\n"
                                    "form line 1\r\nform line 2\r\n");
  EXPECT_EQ(Out("duv_search.js"), std::string(kHeader) +
                                      "var results_location = \"results.html\";\r\n"
                                      "var return_results = 20;\r\n"
                                      "var include_num = 1;\r\n"
                                      "var bold_query = 0;\r\n"
                                      "var include_url = 1;\r\n"
                                      "search\r\nbody\r\n");
  EXPECT_EQ(Out("duv_data.js"),
            "var s = new Array();\r\n\r\n"
            "s[0] = \"Home^/index.html^Welcome^home^0\";\r\n"
            "s[1] = \"Say \\\"hi\\\"^/hi.html^C:\\\\temp^hi^1\";\r\n");
  // The excluded words go beside the three scripts, whose form stays.
  EXPECT_EQ(Out("duv_words.js"), "var duv_words = [\r\n\"the\",\r\n\"f\\u00fcr\"\r\n];\r\n");
  // So does the search index.
  EXPECT_EQ(Files(), (std::vector<std::string>{"duv_data.js", "duv_form.js", "duv_index",
                                               "duv_search.js", "duv_words.js"}));
  // Without it, an old index is taken out of use, as it would not match.
  job_.write_index = false;
  ASSERT_TRUE(CreateScripts(job_, records_).ok());
  EXPECT_EQ(Files(), (std::vector<std::string>{"duv_data.js", "duv_form.js", "duv_search.js",
                                               "duv_words.js"}));
}

TEST_F(CreateScriptsTest, EmptyFormTemplateGivesOnlyTheHeader) {
  WriteFile(job_.template_dir + "form.dat", "");
  ASSERT_TRUE(CreateScripts(job_, {}).ok());
  EXPECT_EQ(Out("duv_form.js"),
            std::string(kHeader) + "var results_location = \"results.html\";\r\n");
  EXPECT_EQ(Out("duv_data.js"), "var s = new Array();\r\n\r\n");
}

TEST_F(CreateScriptsTest, SwitchOffWritesOnlyTheDataScript) {
  WriteFile(site_.File("duv_form.js"), "old form");
  WriteFile(site_.File("duv_search.js"), "old search");
  job_.create_scripts = false;
  // The templates are not even needed then.
  std::filesystem::remove(job_.template_dir + "form.dat");
  ASSERT_TRUE(CreateScripts(job_, records_).ok());
  EXPECT_EQ(Out("duv_form.js"), "old form");
  EXPECT_EQ(Out("duv_search.js"), "old search");
  EXPECT_NE(Out("duv_data.js").find("s[1] = "), std::string::npos);
  EXPECT_EQ(Out("duv_words.js"), "var duv_words = [\r\n];\r\n");
}

TEST_F(CreateScriptsTest, FolderEndingInSeparatorIsAccepted) {
  job_.settings.folder.push_back('/');
  EXPECT_EQ(ScriptPath(job_.settings.folder, "duv_data.js"), site_.path() + "/duv_data.js");
  ASSERT_TRUE(CreateScripts(job_, records_).ok());
  EXPECT_TRUE(FileExists(site_.File("duv_data.js")));
}

TEST_F(CreateScriptsTest, MissingTemplateWritesNothing) {
  WriteFile(site_.File("duv_form.js"), "old form");
  std::filesystem::remove(job_.template_dir + "search.dat");
  Status s = CreateScripts(job_, records_);
  ASSERT_FALSE(s.ok());
  EXPECT_EQ(s.message(),
            "Cannot open file \"" + job_.template_dir + "search.dat\". No such file or directory");
  EXPECT_EQ(Files(), std::vector<std::string>{"duv_form.js"});
  EXPECT_EQ(Out("duv_form.js"), "old form");
}

TEST_F(CreateScriptsTest, UnwritableScriptStopsAndLeavesNoHalfFile) {
  // A folder in the way of duv_search.js makes its rename fail, even as root.
  WriteFile(site_.File("duv_data.js"), "old data");
  std::filesystem::create_directory(site_.File("duv_search.js"));
  Status s = CreateScripts(job_, records_);
  ASSERT_FALSE(s.ok());
  EXPECT_EQ(
      s.message().rfind("Cannot create file \"" + job_.settings.folder + "/duv_search.js\". ", 0),
      0u)
      << s.message();
  // The form script was completed before and stays; the data script was not
  // reached; no temporary file is left behind.
  EXPECT_NE(Out("duv_form.js").find("form line 2"), std::string::npos);
  EXPECT_EQ(Out("duv_data.js"), "old data");
  EXPECT_EQ(Files(), (std::vector<std::string>{"duv_data.js", "duv_form.js", "duv_search.js"}));
}

TEST_F(CreateScriptsTest, TemplateThatIsAFolderIsAReadError) {
  std::filesystem::remove(job_.template_dir + "form.dat");
  std::filesystem::create_directory(job_.template_dir + "form.dat");
  Status s = CreateScripts(job_, records_);
  ASSERT_FALSE(s.ok());
  EXPECT_EQ(s.message().rfind("Cannot open file \"", 0), 0u);
  EXPECT_TRUE(Files().empty());
}

}  // namespace
}  // namespace duvra
