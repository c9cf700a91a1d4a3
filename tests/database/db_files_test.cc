#include "database/db_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>

#include "base/text_file.h"
#include "support/temp_dir.h"

namespace duvra {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

DbSettings Parse(std::string_view line) { return ParseSettingsLine(line); }

TEST(SettingsLine, ComposeAndParseRoundTrip) {
  DbSettings s;
  s.database_name = "Shop";
  s.site_address = "www.example.com/shop/";
  s.create_keywords = "0";
  s.user_agent = "Agent/2";
  s.timeout_index = "5";
  s.delay_index = "9";
  const std::string line = ComposeSettingsLine(s);
  EXPECT_EQ(line, "T1.0F^Shop^www.example.com/shop/^0^Agent/2^5^9");
  EXPECT_EQ(Parse(line), s);
}

TEST(SettingsLine, ParseCasesOfMalformedLines) {
  // Seven fields with an empty site address.
  DbSettings a = Parse("T1.0F^db^^1^UA^2^0");
  EXPECT_EQ(a.database_name, "db");
  EXPECT_EQ(a.site_address, "");
  EXPECT_EQ(a.create_keywords, "1");
  EXPECT_EQ(a.user_agent, "UA");
  EXPECT_EQ(a.timeout_index, "2");
  EXPECT_EQ(a.delay_index, "0");

  // Only the tag, one "^" and a name: the name lands in the delay index.
  DbSettings b = Parse("T1.0F^name");
  EXPECT_EQ(b.database_name, "");
  EXPECT_EQ(b.site_address, "");
  EXPECT_EQ(b.create_keywords, "");
  EXPECT_EQ(b.user_agent, "");
  EXPECT_EQ(b.timeout_index, "");
  EXPECT_EQ(b.delay_index, "name");

  // No "^" at all: the whole line is the delay index.
  DbSettings c = Parse("garbage");
  EXPECT_EQ(c.database_name, "");
  EXPECT_EQ(c.timeout_index, "");
  EXPECT_EQ(c.delay_index, "garbage");

  // The tag is not checked.
  EXPECT_EQ(Parse("X9^db^h^1^UA^2^0"), Parse("T1.0F^db^h^1^UA^2^0"));

  // An eighth field stays in the delay index.
  EXPECT_EQ(Parse("T1.0F^db^h^1^UA^2^0^extra").delay_index, "0^extra");
  EXPECT_EQ(Parse("").delay_index, "");
}

class DatabaseFilesTest : public ::testing::Test {
 protected:
  Database NewDb(const std::string& name = "site") {
    WriteFile(dir_.File("keywords.dat"), "the\r\nand\r\n");
    Database db;
    Status s = FreshState(db, dir_.File(name), dir_.File("keywords.dat"));
    EXPECT_TRUE(s.ok()) << s.message();
    return db;
  }
  Database Reload(const Database& saved) {
    Database db;
    db.folder = saved.folder;
    db.base_name = saved.base_name;
    Status s = LoadDatabase(db);
    EXPECT_TRUE(s.ok()) << s.message();
    return db;
  }
  TempDir dir_;
};

TEST_F(DatabaseFilesTest, FreshDatabaseWritesDefaultFiles) {
  Database db = NewDb("site.duv");
  EXPECT_EQ(db.base_name, "site");
  EXPECT_EQ(db.folder, dir_.path());
  ASSERT_TRUE(SaveDatabase(db).ok());
  // The two fixed lines, then every extra setting at its New value.
  EXPECT_EQ(ReadFile(dir_.File("site.duv")),
            "T1.0F^site^^1^" + std::string(kDefaultUserAgent) +
                "^2^0\r\n^results.html^0^0^0^1\r\nrobots=1^visibletext=1^openingtext=1^"
                "plainlinks=1^maxwords=1000^onepage=1^folder=^sitemap=1\r\n");
  EXPECT_EQ(ReadFile(dir_.File("site.dat")), "");
  EXPECT_EQ(ReadFile(dir_.File("site.wod")), "the\r\nand\r\n");
  EXPECT_EQ(ReadFile(dir_.File("site.pag")), "");
  EXPECT_FALSE(db.dirty);

  Database back = Reload(db);
  EXPECT_TRUE(back.open);
  EXPECT_TRUE(back.records.empty());
  EXPECT_EQ(back.records.selected_count(), 0u);
  EXPECT_EQ(back.excluded_words, (std::vector<std::string>{"the", "and"}));
  EXPECT_TRUE(back.excluded_pages.empty());
}

TEST_F(DatabaseFilesTest, MissingKeywordsFileFailsNewAndLeavesStateAlone) {
  Database db;
  Status s = FreshState(db, dir_.File("x.duv"), dir_.File("keywords.dat"));
  ASSERT_FALSE(s.ok());
  EXPECT_EQ(s.message().rfind("Cannot open file \"" + dir_.File("keywords.dat") + "\". ", 0), 0u)
      << s.message();
  EXPECT_FALSE(db.open);
}

TEST_F(DatabaseFilesTest, SavingTwiceWritesIdenticalFilesAndKeepsBytes) {
  Database db = NewDb();
  const std::string latin1 = "0^Caf\xe9 cr\xe8me^/a.html^Text \xa9^kw^0";
  const std::string utf8 = "1^Caf\xc3\xa9^/b.html^\xe2\x82\xac 5^k^1";
  db.records.Assign({latin1, utf8, "2^^^^^0"});
  db.excluded_pages = {"private.html", ""};
  ASSERT_TRUE(SaveDatabase(db).ok());
  std::string first[4];
  const char* exts[] = {".duv", ".dat", ".wod", ".pag"};
  for (int i = 0; i < 4; ++i) first[i] = ReadFile(db.MemberPath(exts[i]));
  Database back = Reload(db);
  EXPECT_EQ(back.records.lines(), db.records.lines());
  EXPECT_EQ(back.excluded_pages, db.excluded_pages);
  EXPECT_EQ(back.records.selected_count(), 0u);  // selecting is the caller's
  ASSERT_TRUE(SaveDatabase(back).ok());
  for (int i = 0; i < 4; ++i) EXPECT_EQ(ReadFile(db.MemberPath(exts[i])), first[i]) << exts[i];
}

TEST_F(DatabaseFilesTest, LoadAcceptsForeignLineEnds) {
  WriteFile(dir_.File("h.duv"), "T1.0F^n\ram^host^1^UA^2^0\n^r.html^1^0^0^1");
  WriteFile(dir_.File("h.dat"), "0^a^/a^t^k^0\r1^b^/b^t^k^0\n\n2^c^/c^t^k^0");
  WriteFile(dir_.File("h.wod"), "x\ry");
  WriteFile(dir_.File("h.pag"), "");
  Database db;
  db.folder = dir_.path();
  db.base_name = "h";
  ASSERT_TRUE(LoadDatabase(db).ok());
  EXPECT_EQ(db.settings.database_name, "nam");  // lone CR dropped in the header
  EXPECT_EQ(db.settings.site_address, "host");
  EXPECT_EQ(db.script_settings_line, "^r.html^1^0^0^1");
  EXPECT_EQ(db.records.lines(),
            (std::vector<std::string>{"0^a^/a^t^k^0", "1^b^/b^t^k^0", "", "2^c^/c^t^k^0"}));
  EXPECT_EQ(db.excluded_words, (std::vector<std::string>{"x", "y"}));
}

TEST_F(DatabaseFilesTest, HeaderWithOneLineGivesEmptyScriptSettings) {
  Database db = NewDb();
  ASSERT_TRUE(SaveDatabase(db).ok());
  WriteFile(db.HeaderPath(), "T1.0F^site^^1^UA^2^0\r\n");
  Database back = Reload(db);
  EXPECT_EQ(back.script_settings_line, "");
  EXPECT_EQ(back.settings.user_agent, "UA");
}

TEST_F(DatabaseFilesTest, FailedLoadLeavesNoHalfLoadedDatabase) {
  Database db = NewDb();
  db.records.Assign({"0^a^/a^^^0"});
  ASSERT_TRUE(SaveDatabase(db).ok());
  // An unreadable ".pag": a folder in its place fails even for root.
  ::unlink(db.MemberPath(".pag").c_str());
  ASSERT_EQ(::mkdir(db.MemberPath(".pag").c_str(), 0755), 0);

  Database target;
  target.open = true;
  target.folder = db.folder;
  target.base_name = db.base_name;
  target.records.Assign({"0^stale^/s^^^0"});
  Status s = LoadDatabase(target);
  ASSERT_FALSE(s.ok());
  EXPECT_EQ(s.message().rfind("Cannot open file \"" + db.MemberPath(".pag") + "\". ", 0), 0u);
  EXPECT_FALSE(target.open);
  EXPECT_TRUE(target.records.empty());
  EXPECT_TRUE(target.excluded_words.empty());
}

TEST_F(DatabaseFilesTest, MissingHeaderReadsAsFileNotFound) {
  Database db = NewDb();
  ASSERT_TRUE(SaveDatabase(db).ok());
  ::unlink(db.HeaderPath().c_str());
  Database target;
  target.folder = db.folder;
  target.base_name = db.base_name;
  Status s = LoadDatabase(target);
  ASSERT_FALSE(s.ok());
  EXPECT_EQ(s.message(), "File not found");
}

TEST_F(DatabaseFilesTest, FailedSaveKeepsOldFilesWholeAndStaysDirty) {
  Database db = NewDb();
  db.records.Assign({"0^old^/o^^^0"});
  db.excluded_pages = {"old.html"};
  ASSERT_TRUE(SaveDatabase(db).ok());
  const std::string old_wod = ReadFile(db.MemberPath(".wod"));
  const std::string old_pag = ReadFile(db.MemberPath(".pag"));

  // The ".wod" cannot be written: its temporary name is taken by a folder.
  ASSERT_EQ(::mkdir((db.MemberPath(".wod") + ".duvra-new").c_str(), 0755), 0);
  db.records.Assign({"0^new^/n^^^0"});
  db.excluded_words = {"changed"};
  db.excluded_pages = {"new.html"};
  db.dirty = true;
  Status s = SaveDatabase(db);
  ASSERT_FALSE(s.ok());
  EXPECT_EQ(s.message().rfind("Cannot create file \"" + db.MemberPath(".wod") + "\". ", 0), 0u)
      << s.message();
  EXPECT_TRUE(db.dirty);
  EXPECT_EQ(ReadFile(db.MemberPath(".dat")), "0^new^/n^^^0\r\n");  // written before
  EXPECT_EQ(ReadFile(db.MemberPath(".wod")), old_wod);
  EXPECT_EQ(ReadFile(db.MemberPath(".pag")), old_pag);
}

TEST_F(DatabaseFilesTest, SaveIntoFolderMadeReadOnlyKeepsFiles) {
  if (::geteuid() == 0) GTEST_SKIP() << "root ignores folder permissions";
  Database db = NewDb();
  db.records.Assign({"0^a^/a^^^0"});
  ASSERT_TRUE(SaveDatabase(db).ok());
  const std::string old_dat = ReadFile(db.MemberPath(".dat"));
  ASSERT_EQ(::chmod(dir_.path().c_str(), 0555), 0);
  db.records.Assign({"0^b^/b^^^0"});
  db.dirty = true;
  Status s = SaveDatabase(db);
  ::chmod(dir_.path().c_str(), 0755);
  ASSERT_FALSE(s.ok());
  EXPECT_EQ(s.message().rfind("I/O error ", 0), 0u) << s.message();
  EXPECT_TRUE(db.dirty);
  EXPECT_EQ(ReadFile(db.MemberPath(".dat")), old_dat);
}

TEST(ExtraSettingsLine, AbsentNamesReadAsOffAndUnknownNamesAreKept) {
  const ExtraSettings none = ExtraSettings::Parse("");
  for (const SettingInfo& info : kExtraSettings) EXPECT_EQ(none.Get(info.name), info.absent);
  EXPECT_FALSE(none.Flag("robots"));
  EXPECT_EQ(none.Number("maxwords", 0), 255);
  EXPECT_EQ(none.Compose(), "");

  // A newer build's names, a value holding "=", a bare name, an empty part.
  const std::string line = "zeta=a=b^robots=1^^bare^maxwords=x";
  ExtraSettings s = ExtraSettings::Parse(line);
  EXPECT_TRUE(s.Flag("robots"));
  EXPECT_EQ(s.Get("zeta"), "a=b");
  EXPECT_EQ(s.Number("maxwords", 77), 77);  // not a number: the caller's fallback
  EXPECT_EQ(s.Compose(), "zeta=a=b^robots=1^bare=^maxwords=x");
  EXPECT_EQ(ExtraSettings::Parse(s.Compose()), s);

  // Values that cannot be stored are refused without a change.
  const ExtraSettings before = s;
  EXPECT_FALSE(s.Set("robots", "yes"));
  EXPECT_FALSE(s.Set("maxwords", "-3"));
  EXPECT_FALSE(s.Set("zeta", "a^b"));
  EXPECT_FALSE(s.Set("ze=ta", "1"));
  EXPECT_FALSE(s.Set("zeta", "a\nb"));
  EXPECT_EQ(s, before);
  EXPECT_TRUE(s.Set("maxwords", "40"));
  EXPECT_TRUE(s.Set("folder", "/srv/www"));  // a text setting of a newer build
  EXPECT_EQ(s.Compose(), "zeta=a=b^robots=1^bare=^maxwords=40^folder=/srv/www");
}

TEST(ExtraSettingsLine, RandomPairsRoundTrip) {
  std::mt19937 rng(13);
  const std::string alphabet = "ab=1 /.%\xc3\xa9";
  for (int round = 0; round < 500; ++round) {
    ExtraSettings s;
    const int n = rng() % 6;
    for (int i = 0; i < n; ++i) {
      std::string name(1, "abcdef"[rng() % 6]);
      name += std::to_string(rng() % 3);
      std::string value;
      for (int k = rng() % 8; k > 0; --k) value += alphabet[rng() % alphabet.size()];
      ASSERT_TRUE(s.Set(name, value));
    }
    EXPECT_EQ(ExtraSettings::Parse(s.Compose()), s) << s.Compose();
  }
}

TEST_F(DatabaseFilesTest, ThirdHeaderLineSurvivesRewriteAndLeavesFixedLinesAlone) {
  Database db = NewDb();
  ASSERT_TRUE(SaveDatabase(db).ok());
  const std::string fixed = "T1.0F^site^www.example.com/^0^UA/1^4^2\r\n^r.html^1^0^0^1\r\n";

  // An older database: two lines only. Everything reads as off, and a save
  // writes the two lines back byte for byte with no third line.
  WriteFile(db.HeaderPath(), fixed);
  Database old = Reload(db);
  EXPECT_TRUE(old.extra.pairs().empty());
  EXPECT_FALSE(old.extra.Flag("onepage"));
  ASSERT_TRUE(SaveDatabase(old).ok());
  EXPECT_EQ(ReadFile(db.HeaderPath()), fixed);

  // A newer build's settings come back in place after this build changes one.
  WriteFile(db.HeaderPath(), fixed + "folder=/srv/a b^robots=0^sitemap=1\r\n");
  Database newer = Reload(db);
  EXPECT_EQ(newer.settings.site_address, "www.example.com/");
  ASSERT_TRUE(newer.extra.Set("robots", "1"));
  ASSERT_TRUE(SaveDatabase(newer).ok());
  EXPECT_EQ(ReadFile(db.HeaderPath()), fixed + "folder=/srv/a b^robots=1^sitemap=1\r\n");
  EXPECT_EQ(Reload(db).extra, newer.extra);
}

TEST(Naming, DialogAndHeaderRules) {
  EXPECT_EQ(FolderOf("/home/u/site.duv"), "/home/u/");
  EXPECT_EQ(BaseNameFromDialogPath("/home/u/site.duv"), "site");
  EXPECT_EQ(BaseNameFromDialogPath("/home/u/site"), "site");
  EXPECT_EQ(BaseNameFromDialogPath("/home/u/site.DUV"), "site.DUV");
  EXPECT_EQ(BaseNameFromDialogPath("/home/u/my.site.duv"), "my.site");
  EXPECT_EQ(BaseNameFromHeaderPath("/home/u/site.duv"), "site");
  EXPECT_EQ(BaseNameFromHeaderPath("/home/u/site.DUV"), "site");
  Database db;
  db.folder = "/f/";
  db.base_name = "site.DUV";
  EXPECT_EQ(db.MemberPath(".dat"), "/f/site.DUV.dat");
}

}  // namespace
}  // namespace duvra
