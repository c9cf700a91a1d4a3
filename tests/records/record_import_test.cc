#include "records/record_import.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>

#include "records/csv.h"
#include "records/csv_export.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

namespace duvra {
namespace {

using Lines = std::vector<std::string>;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

Database OpenDb(Lines lines = {}) {
  Database db;
  db.open = true;
  db.settings.database_name = "db";
  db.records.Assign(std::move(lines));
  return db;
}

ImportOptions Csv(std::string delimiter = ",", std::string qualifier = "\"", bool add_all = true) {
  ImportOptions o;
  o.kind = ImportKind::kCsv;
  o.delimiter = std::move(delimiter);
  o.qualifier = std::move(qualifier);
  o.add_all = add_all;
  return o;
}

TEST(FileExtension, TextAfterLastDotUnlessSeparatorFollows) {
  EXPECT_EQ(FileExtension("site.JS"), "JS");
  EXPECT_EQ(FileExtension("a.b.csv"), "csv");
  EXPECT_EQ(FileExtension("old.site\\page"), "");
  EXPECT_EQ(FileExtension("old.site/page"), "");
  EXPECT_EQ(FileExtension("noext"), "");
  EXPECT_EQ(FileExtension("trailing."), "");
}

TEST(DataFile, RecordPassRules) {
  Lines lines = {
      "var s = new Array();",
      "",
      "s[0] = \"Home^/index.html^Welcome^home^0\";",
      "x = \"abc\";",   // any prefix will do
      "\"starts\";",    // first quote is the first character: skipped
      "s[1]=",          // shorter than 6
      "no quote here",  // no double quote
      "abcde\"x",       // less than two characters after the quote
  };
  EXPECT_TRUE(HasDataFileMarker(lines));
  EXPECT_EQ(DataFileRecordLines(lines),
            (Lines{"0^Home^/index.html^Welcome^home^0", "0^abc", "0^"}));
  EXPECT_TRUE(HasDataFileMarker({"  VAR S = NEW ARRAY(); // upper case"}));
  EXPECT_FALSE(HasDataFileMarker({"var s = new Array()", "var t = new Array();"}));
}

TEST(DataFile, ReadsBackGeneratorEscapesAndKeepsOtherBackslashes) {
  EXPECT_EQ(UnescapeDataText(R"(say \"hi\" \\ o\'k <\/b>)"), R"(say "hi" \ o'k </b>)");
  // Escapes read back as UTF-8, surrogate pairs joined, a lone one replaced.
  EXPECT_EQ(UnescapeDataText(R"(\x41\u00e9\u2028\xe9)"), "A\xC3\xA9\xe2\x80\xa8\xC3\xA9");
  EXPECT_EQ(UnescapeDataText(R"(\ud83c\udf45!\ud83c!\udf45)"),
            "\xF0\x9F\x8D\x85!\xEF\xBF\xBD!\xEF\xBF\xBD");
  EXPECT_EQ(UnescapeDataText(R"(\x0a\u000D\x5e\u0000\u0009)"), "    \t");
  // Files written before the escapes: lone backslashes stay as they were.
  EXPECT_EQ(UnescapeDataText(R"(C:\new\temp\x4\u12 end\)"), R"(C:\new\temp\x4\u12 end\)");
  Lines lines = {"var s = new Array();", R"(s[0] = "Say \"hi\"^C:\\dir^t^k^0";)"};
  EXPECT_EQ(DataFileRecordLines(lines), (Lines{"0^Say \"hi\"^C:\\dir^t^k^0"}));
}

TEST(CsvRead, ExamplesAndExportForm) {
  EXPECT_EQ(CsvRecordLines("\"Home\",\"/index.html\",\"Welcome\",\"home\",\"0\"\r\n", ",", "\""),
            (Lines{"0^Home^/index.html^Welcome^home^0"}));
  EXPECT_EQ(CsvRecordLines("Home;/index.html;Welcome;home;1\n", ";", ""),
            (Lines{"0^Home^/index.html^Welcome^home^1"}));
  EXPECT_EQ(CsvRecordLines("'a' 'b'", " ", "'"), (Lines{"0^a^b"}));
  // Lines under six characters, the empty line included, are skipped.
  EXPECT_EQ(CsvRecordLines("\r\na,b,c\r\n\r\n", ",", "\""), Lines{});
}

TEST(CsvRead, SpreadsheetStyleQuotingOnlyWhereNeeded) {
  const std::string data =
      "\xEF\xBB\xBFHome,/index.html,\"Welcome, friend\",home,0\r\n"
      "\"Say \"\"hi\"\"\",/a,\"two\r\nlines\",k^w,1\n"
      "Plain,/b,\"\",,0\r"
      "Last,/c,t,k,\"0\"";
  EXPECT_EQ(CsvRecordLines(data, ",", "\""),
            (Lines{"0^Home^/index.html^Welcome, friend^home^0", "0^Say \"hi\"^/a^two lines^k w^1",
                   "0^Plain^/b^^^0", "0^Last^/c^t^k^0"}));
}

TEST(CsvRead, EveryDelimiterAndQualifierOfTheDialog) {
  for (const char* d : {",", ";", "[Space]"}) {
    for (const char* q : {"\"", "'", "[None]"}) {
      const std::string del = DelimiterFromBox(d), qual = QualifierFromBox(q);
      SCOPED_TRACE(std::string(d) + " " + q);
      // Fully enclosed fields, one of them holding the delimiter when it can.
      std::string line;
      Lines fields = {"Home", "/index.html", qual.empty() ? "Welcome" : "Wel" + del + "come",
                      "home", "1"};
      for (size_t i = 0; i < fields.size(); ++i) {
        if (i) line += del;
        line += qual + fields[i] + qual;
      }
      EXPECT_EQ(CsvRecordLines(line + "\r\n", del, qual),
                (Lines{"0^Home^/index.html^" + fields[2] + "^home^1"}));
      // Unenclosed fields are split at the delimiter.
      EXPECT_EQ(CsvRecordLines("ab" + del + "cd" + del + "ef", del, qual), (Lines{"0^ab^cd^ef"}));
    }
  }
  // Multi-character delimiter and qualifier.
  EXPECT_EQ(CsvRecordLines("##a##||##b||c##||d", "||", "##"), (Lines{"0^a^b||c^d"}));
}

TEST(CsvRead, UnterminatedQualifierAndTrailingText) {
  // A qualifier before other text is text, and so is everything up to a
  // qualifier that can close the field.
  EXPECT_EQ(CsvRecordLines("\"abc\"def,\"ghi", ",", "\""), (Lines{"0^abc\"def,\"ghi"}));
  EXPECT_EQ(CsvRecordLines("abcdef,", ",", "\""), (Lines{"0^abcdef^"}));
}

TEST(CsvExport, LinesDoubleQuotes) {
  EXPECT_EQ(CsvLine("3^Home^/index.html^Welcome^home^1"),
            "\"Home\",\"/index.html\",\"Welcome\",\"home\",\"1\"");
  EXPECT_EQ(CsvLine("0^^^^^0"), "\"\",\"\",\"\",\"\",\"0\"");
  EXPECT_EQ(CsvLine("0^a \"b\"^u^t^k^0"), "\"a \"\"b\"\"\",\"u\",\"t\",\"k\",\"0\"");
  EXPECT_EQ(CsvLine("no \"caret\""), "\"no \"\"caret\"\"\"");  // all of it the Title
}

TEST(CsvExport, RoundTripOfAwkwardRecords) {
  Lines records = {
      "0^Title \"quoted\"^/a,b^one \",\" two^k^1",
      "1^^^^^0",
      "2^\xe9t\xe9 \xff\x80^/\xc3\xa9^''^;^0",
      "3^\"^\"\"^,^\",^1",
      "4^  spaced  ^/x^ ^k^0",
  };
  RecordList list;
  list.Assign(records);
  std::string text;
  for (const auto& r : records) text += CsvLine(r) + "\r\n";
  Lines back = CsvRecordLines(text, ",", "\"");
  ASSERT_EQ(back.size(), records.size());
  for (size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(back[i], "0" + records[i].substr(1)) << i;
  }
}

// Fields written with the qualifier as it stands inside, as simpler
// exporters do: a qualifier closes a field only before the delimiter, a line
// end or the end of the file (after optional spaces).
TEST(CsvRead, QualifiersWrittenAsTheyStand) {
  EXPECT_EQ(CsvRecordLines("\"He said \"hi\" there\",\"/a\"\r\n", ",", "\""),
            (Lines{"0^He said \"hi\" there^/a"}));
  EXPECT_EQ(CsvRecordLines("\"Size 12\" screen\",\"/b\"", ",", "\""),
            (Lines{"0^Size 12\" screen^/b"}));
  EXPECT_EQ(CsvRecordLines("'Don't stop';'/c'\n", ";", "'"), (Lines{"0^Don't stop^/c"}));
  // A field that ends in a qualifier, before a delimiter and before a line
  // end, and a closing qualifier followed by spaces.
  EXPECT_EQ(CsvRecordLines("\"Size 12\"\",\"in\"\"\r\n\"Next\"  ,  \"/n\"  \r\n", ",", "\""),
            (Lines{"0^Size 12\"^in\"", "0^Next^  \"/n\"  "}));
  // Spreadsheet quoting still wins where the field reads whole by it.
  EXPECT_EQ(CsvRecordLines("\"a \"\"b\"\", c\",\"x,\"\"y\"\"\"\r\n", ",", "\""),
            (Lines{"0^a \"b\", c^x,\"y\""}));
}

// Random records over an alphabet rich in qualifiers, delimiters and spaces,
// written both ways: the doubled form always reads back; the form with
// qualifiers as they stand reads back whenever it can be told apart (no
// qualifier before a delimiter or a doubled one inside a field).
TEST(CsvRead, BothFormsRoundTripOverRandomRecords) {
  std::mt19937 rng(17);
  const std::string alphabet = "ab \"',;";
  size_t plain_checked = 0;
  for (const auto& [d, q] : {std::pair<std::string, std::string>{",", "\""}, {";", "'"}}) {
    for (int round = 0; round < 3000; ++round) {
      Lines fields(1 + rng() % 5);
      for (std::string& f : fields) {
        const size_t len = rng() % 7;
        for (size_t i = 0; i < len; ++i) f.push_back(alphabet[rng() % alphabet.size()]);
      }
      fields[0] = "title" + fields[0];  // never shorter than a record line must be
      std::string doubled, plain, expected = "0";
      bool plain_readable = true;
      for (size_t i = 0; i < fields.size(); ++i) {
        const std::string& f = fields[i];
        doubled += (i ? d : "") + q;
        for (char c : f) doubled += std::string(c == q[0] ? 2 : 1, c);
        doubled += q;
        plain += (i ? d : "") + q + f + q;
        expected += "^" + f;
        for (size_t k = f.find(q); k != std::string::npos; k = f.find(q, k + 1)) {
          size_t after = f.find_first_not_of(' ', k + 1);
          if (after != std::string::npos &&
              (f.compare(after, d.size(), d) == 0 || f[after] == q[0])) {
            plain_readable = false;
          }
        }
        // A field ending in a qualifier, then the next one's opening one,
        // reads as a doubled qualifier unless a letter follows.
        if (!f.empty() && f.back() == q[0] && i + 1 < fields.size() &&
            (fields[i + 1].empty() || (fields[i + 1][0] != 'a' && fields[i + 1][0] != 'b'))) {
          plain_readable = false;
        }
      }
      SCOPED_TRACE(doubled);
      EXPECT_EQ(CsvRecordLines(doubled + "\r\n" + doubled, d, q), (Lines{expected, expected}));
      if (plain_readable) {
        ++plain_checked;
        EXPECT_EQ(CsvRecordLines(plain + "\r\n" + plain + "\n", d, q), (Lines{expected, expected}))
            << plain;
      }
    }
  }
  EXPECT_GT(plain_checked, 1000u);
}

// A record line without "^" goes out and comes back as a record whose Title
// is the whole line.
TEST(CsvExport, LineWithoutSeparatorRoundTripsAsTitle) {
  RecordList list;
  list.Assign({"just a \"line\", really", "1^t^/u^x^k^0"});
  EXPECT_EQ(CsvRecordLines(CsvText(list), ",", "\""),
            (Lines{"0^just a \"line\", really", "0^t^/u^x^k^0"}));
}

struct ImportFileTest : ::testing::Test {
  TempDir dir;
  std::string Write(const std::string& name, const std::string& data) {
    std::string path = dir.File(name);
    WriteFile(path, data);
    return path;
  }
};

TEST_F(ImportFileTest, DataFileWithUpperCaseExtension) {
  std::string path = Write(
      "site.JS", "var s = new Array();\r\n\r\ns[0] = \"Home^/index.html^Welcome^home^0\";\r\n");
  Database db = OpenDb();
  ImportResult r = ImportFile(db, path, ImportOptions{});
  EXPECT_EQ(r.outcome, ImportOutcome::kDone);
  EXPECT_EQ(db.records.lines(), (Lines{"0^Home^/index.html^Welcome^home^0"}));
  EXPECT_TRUE(db.dirty);
}

// The count message tells what the dialog's OK did, duplicates of the list
// and of the file itself included, and an OK that added everything.
TEST_F(ImportFileTest, CountMessageTellsAddedReadAndSkipped) {
  std::string path = Write("three.csv",
                           "\"A\",\"/a\",\"\",\"\",\"0\"\r\n"
                           "\"B\",\"/b\",\"\",\"\",\"0\"\r\n"
                           "\"B\",\"/b\",\"\",\"\",\"0\"\r\n");
  Database db = OpenDb();
  db.records.Assign({"0^A^/a^^^0"});
  InsertDialog d;
  d.FormActivate();
  d.csv = true;
  d.add_all = false;
  d.file_text = path;
  Status error;
  ASSERT_TRUE(d.OKButtonClick(db, &error));
  EXPECT_EQ(ImportCountMessage(d.result), "Added 1 of 3 records (2 duplicates skipped).");
  EXPECT_EQ(db.records.size(), 2u);
  d.add_all = true;
  ASSERT_TRUE(d.OKButtonClick(db, &error));
  EXPECT_EQ(ImportCountMessage(d.result), "Added 3 of 3 records (0 duplicates skipped).");
  d.FormActivate();
  EXPECT_EQ(d.result.read, 0u);
}

TEST_F(ImportFileTest, BadFilesGiveTheirOutcomeAndAddNothing) {
  Database db = OpenDb({"0^a^b^c^d^0"});
  std::string txt = Write("site.txt", "var s = new Array();\ns[0] = \"x^y^z^k^0\";\n");
  EXPECT_EQ(ImportFile(db, txt, ImportOptions{}).outcome, ImportOutcome::kNotDataFile);
  std::string nomarker = Write("site.js", "s[0] = \"x^y^z^k^0\";\n");
  EXPECT_EQ(ImportFile(db, nomarker, ImportOptions{}).outcome, ImportOutcome::kNotDataFile);
  EXPECT_EQ(ImportFile(db, nomarker, Csv()).outcome, ImportOutcome::kNotCsvFile);
  EXPECT_EQ(ImportFile(db, dir.File("missing.js"), ImportOptions{}).outcome,
            ImportOutcome::kNoFile);
  EXPECT_EQ(ImportFile(db, dir.File("missing.csv"), Csv()).outcome, ImportOutcome::kNoFile);
  EXPECT_EQ(ImportFile(db, dir.path(), Csv()).outcome, ImportOutcome::kNoFile);  // a folder
  EXPECT_EQ(db.records.size(), 1u);
  EXPECT_FALSE(db.dirty);

  std::string empty = Write("empty.js", "var s = new Array();\r\n\r\n");
  EXPECT_EQ(ImportFile(db, empty, ImportOptions{}).outcome, ImportOutcome::kDone);
  EXPECT_FALSE(db.dirty);  // marker but no record lines
}

TEST_F(ImportFileTest, ReadErrorAddsNothing) {
  std::string path = dir.File("locked.csv");
  if (::geteuid() == 0) {
    // Root reads any file; reading this one fails with EIO at its start.
    ASSERT_EQ(::symlink("/proc/self/mem", path.c_str()), 0);
  } else {
    WriteFile(path, "\"a\",\"b\",\"c\",\"d\",\"0\"\r\n");
    ::chmod(path.c_str(), 0);
  }
  Database db = OpenDb();
  ImportResult r = ImportFile(db, path, Csv());
  EXPECT_FALSE(r.status.ok());
  EXPECT_NE(r.status.message().find(path), std::string::npos);
  EXPECT_EQ(r.outcome, ImportOutcome::kCancelled);
  EXPECT_TRUE(db.records.empty());
  EXPECT_FALSE(db.dirty);
}

TEST_F(ImportFileTest, DuplicatesWithinListAndFile) {
  Database db = OpenDb({"7^Home^/i^W^h^0", "8^Other^/o^W^h^1"});
  std::string path = Write("in.csv",
                           "\"Home\",\"/i\",\"W\",\"h\",\"0\"\r\n"  // equals record 7 but Num
                           "\"home\",\"/i\",\"W\",\"h\",\"0\"\r\n"  // letter case differs
                           "\"Home\",\"/i\",\"W\",\"h\",\"1\"\r\n"  // New Window differs
                           "\"New\",\"/n\",\"W\",\"h\",\"0\"\r\n"
                           "\"New\",\"/n\",\"W\",\"h\",\"0\"\r\n");  // twice in the file
  ImportResult r = ImportFile(db, path, Csv(",", "\"", false));
  EXPECT_EQ(r.read, 5u);
  EXPECT_EQ(r.added, 3u);
  EXPECT_EQ(db.records.lines(), (Lines{"7^Home^/i^W^h^0", "8^Other^/o^W^h^1", "0^home^/i^W^h^0",
                                       "0^Home^/i^W^h^1", "0^New^/n^W^h^0"}));

  // An import whose every line is a duplicate still sets the dirty flag.
  db.dirty = false;
  r = ImportFile(db, path, Csv(",", "\"", false));
  EXPECT_EQ(r.added, 0u);
  EXPECT_TRUE(db.dirty);

  // Adding all keeps duplicates.
  r = ImportFile(db, path, Csv());
  EXPECT_EQ(r.added, 5u);
}

TEST_F(ImportFileTest, LineWithoutCaretIsKeyedByWholeLine) {
  RecordList list;
  list.Assign({"abc", "1^x"});
  EXPECT_EQ(AppendImported(list, {"0^abc", "0^x", "0^y"}, false), 1u);
  EXPECT_EQ(list.line(2), "0^y");
}

TEST_F(ImportFileTest, ManyLinesSkipLikeALinearSearch) {
  RecordList list;
  Lines existing, incoming;
  for (int i = 0; i < 3000; ++i)
    existing.push_back(std::to_string(i) + "^t" + std::to_string(i % 700));
  for (int i = 0; i < 5000; ++i) incoming.push_back("0^t" + std::to_string((i * 7) % 1900));
  list.Assign(existing);
  // The reference: compare each line with every record, as a plain search would.
  Lines expected = existing;
  for (const auto& l : incoming) {
    bool dup = false;
    for (const auto& e : expected) dup = dup || DuplicateKeyTail(e) == DuplicateKeyTail(l);
    if (!dup) expected.push_back(l);
  }
  AppendImported(list, incoming, false);
  EXPECT_EQ(list.lines(), expected);
}

TEST(AfterImportTest, DoneRenumbersAndSelectsLast) {
  Database db = OpenDb({"0^a^^^^0", "1^b^^^^0", "2^c^^^^0"});
  db.records.Append("0^d^^^^0");
  db.records.Append("0^e^^^^0");
  ViewState vs;
  testing::ScriptedPrompter p;
  AfterImport(db, &vs, ImportOutcome::kDone, "f.csv", p);
  EXPECT_EQ(db.records.line(4), "4^e^^^^0");
  EXPECT_EQ(db.records.line(3), "3^d^^^^0");
  EXPECT_EQ(db.records.SelectedRows(), (std::vector<size_t>{4}));
  EXPECT_EQ(vs.count_text, "5 Records");
  EXPECT_TRUE(p.log.empty());

  for (auto [outcome, text] : {std::pair{ImportOutcome::kNoFile, "x is not a valid file name."},
                               {ImportOutcome::kNotDataFile, "x is not a valid Duvra data file."},
                               {ImportOutcome::kNotCsvFile, "x is not a valid CSV file."}}) {
    AfterImport(db, &vs, outcome, "x", p);
    ASSERT_FALSE(p.log.empty());
    EXPECT_EQ(p.log.back().kind, "notify");
    EXPECT_EQ(p.log.back().text, text);
  }
  p.log.clear();
  AfterImport(db, &vs, ImportOutcome::kCancelled, "x", p);
  EXPECT_TRUE(p.log.empty());
}

TEST(InsertDialogTest, ControlsRulesAndOk) {
  InsertDialog d;
  d.csv = true;
  d.file_text = "x";
  d.add_all = false;
  d.delimiter_box = "[Space]";
  d.qualifier_box = "[None]";
  d.outcome = ImportOutcome::kDone;
  d.FormActivate();
  EXPECT_FALSE(d.csv);
  EXPECT_FALSE(d.csv_controls_enabled());
  EXPECT_FALSE(d.ok_enabled());
  EXPECT_TRUE(d.add_all);
  EXPECT_EQ(d.delimiter_box, ",");
  EXPECT_EQ(d.qualifier_box, "\"");
  EXPECT_EQ(d.outcome, ImportOutcome::kCancelled);
  EXPECT_EQ(d.BrowseFilter(), "JavaScript files (*.js)|*.js");
  d.csv = true;
  EXPECT_EQ(d.BrowseFilter(), "CSV files (*.csv)|*.csv");
  d.delimiter_box.clear();
  d.qualifier_box.clear();
  d.FieldComboBoxExit();
  d.TextComboBoxExit();
  EXPECT_EQ(d.delimiter_box, ",");
  EXPECT_EQ(d.qualifier_box, "\"");
  d.delimiter_box = "[Space]";
  d.qualifier_box = "[None]";
  EXPECT_EQ(d.Options().delimiter, " ");
  EXPECT_EQ(d.Options().qualifier, "");

  TempDir dir;
  WriteFile(dir.File("a.csv"), "one two three four 0\r\n");
  d.file_text = dir.File("a.csv");
  Database db = OpenDb();
  Status err;
  EXPECT_TRUE(d.OKButtonClick(db, &err));
  EXPECT_EQ(d.outcome, ImportOutcome::kDone);
  EXPECT_EQ(db.records.lines(), (Lines{"0^one^two^three^four^0"}));
}

}  // namespace
}  // namespace duvra
