#include "records/csv_export.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "records/record_import.h"
#include "support/faulty_file_system.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

namespace duvra {
namespace {

using Lines = std::vector<std::string>;
using testing::ReadFile;
using testing::ScriptedPrompter;
using testing::TempDir;
using testing::WriteFile;

struct ExportTest : ::testing::Test {
  TempDir dir;
  Database db;
  ScriptedPrompter p;

  void SetUp() override {
    db.open = true;
    db.folder = dir.path();
    db.base_name = "site";
    db.settings.database_name = "My Site";
    db.records.Assign({"0^Home^/index.html^Welcome^home^1", "1^^^^^0", "2^a,\"b\"^/u^t^k^0"});
  }
};

TEST_F(ExportTest, WritesOneLinePerRecordAndTellsCompletion) {
  const std::string out = dir.File("records");  // no extension is added
  p.files.push_back(out);
  EXPECT_EQ(ExportRecords(db, p), ExportOutcome::kWritten);
  EXPECT_EQ(ReadFile(out),
            "\"Home\",\"/index.html\",\"Welcome\",\"home\",\"1\"\r\n"
            "\"\",\"\",\"\",\"\",\"0\"\r\n"
            "\"a,\"\"b\"\"\",\"/u\",\"t\",\"k\",\"0\"\r\n");
  ASSERT_EQ(p.log.size(), 2u);
  EXPECT_EQ(p.log[0].kind, "save");
  EXPECT_EQ(p.log[0].text, "Export");
  EXPECT_EQ(p.log[0].second, dir.File("My Site.csv"));
  EXPECT_EQ(p.log[1].kind, "notify");
  EXPECT_EQ(p.log[1].text, "Export to " + out + " complete.");
  EXPECT_FALSE(db.dirty);
}

TEST_F(ExportTest, CancelAndRefusedReplaceWriteNothing) {
  EXPECT_EQ(ExportRecords(db, p), ExportOutcome::kCancelled);
  const std::string out = dir.File("old.csv");
  WriteFile(out, "old");
  p.files.push_back(out);
  p.answers.push_back(Answer::kNo);
  EXPECT_EQ(ExportRecords(db, p), ExportOutcome::kNotReplaced);
  p.files.push_back(out);
  p.answers.push_back(Answer::kClosed);
  EXPECT_EQ(ExportRecords(db, p), ExportOutcome::kNotReplaced);
  EXPECT_EQ(ReadFile(out), "old");
  EXPECT_EQ(p.log[2].kind, "yesno");
  EXPECT_EQ(p.log[2].text, out + " already exists.");
  EXPECT_EQ(p.log[2].second, "Replace this file?");

  p.files.push_back(out);
  p.answers.push_back(Answer::kYes);
  EXPECT_EQ(ExportRecords(db, p), ExportOutcome::kWritten);
  EXPECT_EQ(ReadFile(out).substr(0, 7), "\"Home\",");
}

TEST_F(ExportTest, UnwritableTargetsReportErrorWithoutCompletion) {
  p.files.push_back(dir.File("missing/folder.csv"));
  EXPECT_EQ(ExportRecords(db, p), ExportOutcome::kFailed);
  EXPECT_EQ(p.log.back().kind, "error");
  if (::geteuid() != 0) {
    const std::string ro = dir.File("ro.csv");
    WriteFile(ro, "keep");
    ::chmod(ro.c_str(), 0444);
    p.files.push_back(ro);
    p.answers.push_back(Answer::kYes);
    EXPECT_EQ(ExportRecords(db, p), ExportOutcome::kFailed);
    EXPECT_EQ(p.log.back().kind, "error");
    EXPECT_NE(p.log.back().text.find(ro), std::string::npos);
    EXPECT_EQ(ReadFile(ro), "keep");
  }
  for (const auto& a : p.log) EXPECT_NE(a.kind, "notify");
}

TEST_F(ExportTest, ExportThenImportGivesRecordsBack) {
  db.records.Assign({"0^Say \"hi\"^/a,b^one \",\" two^k^1", "1^^^^^0",
                     "2^\xe9t\xe9\x80\xff^/\xc3\xa9^;'^,^0", "3^\"^\"\"^\",^,\"^1"});
  const std::string out = dir.File("x.csv");
  ASSERT_TRUE(WriteCsvFile(db.records, out).ok());

  Database target;
  target.open = true;
  target.records.Assign({"0^Other^/o^^^0"});
  ImportOptions o;
  o.kind = ImportKind::kCsv;
  ASSERT_EQ(ImportFile(target, out, o).outcome, ImportOutcome::kDone);
  ASSERT_EQ(target.records.size(), 5u);
  EditSort(target.records);
  for (size_t i = 0; i < 4; ++i) {
    const std::string& l = db.records.line(i);
    EXPECT_EQ(target.records.line(i + 1), std::to_string(i + 1) + l.substr(l.find('^'))) << i;
  }
  // Skipping duplicates adds none of them again.
  o.add_all = false;
  ASSERT_EQ(ImportFile(target, out, o).added, 0u);
}

// Export fails at every step in turn: the file keeps its old content (or
// is complete, when only the folder flush failed), the error names it, no
// completion is told, and the records and the dirty flag are untouched.
TEST_F(ExportTest, FailureAtAnyStepKeepsTheOldFileWhole) {
  testing::FaultyFileSystem fs;
  const std::string out = dir.File("site.csv");
  const std::vector<testing::WrittenFile> files = {{out, "old\r\n", CsvText(db.records)}};
  const std::vector<std::string> records = db.records.lines();
  for (int n = 1;; ++n) {
    WriteFile(out, "old\r\n");
    p.log.clear();
    p.files.push_back(out);
    p.answers.push_back(Answer::kYes);
    fs.FailAt(n, EIO);
    const ExportOutcome outcome = ExportRecords(db, p, fs);
    if (!fs.fired()) {
      EXPECT_EQ(outcome, ExportOutcome::kWritten);
      EXPECT_EQ(testing::OldOrNewInOrder(files, 1), "");
      EXPECT_EQ(p.log.back().text, "Export to " + out + " complete.");
      break;
    }
    SCOPED_TRACE(fs.log().back());
    EXPECT_EQ(outcome, ExportOutcome::kFailed);
    EXPECT_EQ(testing::OldOrNewInOrder(files, 0), "");
    ASSERT_EQ(p.log.size(), 3u);  // the dialog, the replace question, the error
    EXPECT_EQ(p.log[2].kind, "error");
    EXPECT_EQ(p.log[2].text, "Cannot create file \"" + out + "\". Input/output error");
    EXPECT_EQ(testing::FolderFiles(dir.path()).size(), 1u);
  }
  EXPECT_EQ(db.records.lines(), records);
  EXPECT_FALSE(db.dirty);
}

}  // namespace
}  // namespace duvra
