// Opening a 100,000-record database in the main window until its table has
// painted the records, and one keystroke in the filter box over them until
// the table shows the result, each against the core's load of the same
// files alone.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/registry.h"
#include "app/tm_form.h"
#include "bench_ratio.h"
#include "database/db_files.h"

namespace {

constexpr size_t kRecords = 100'000;

std::string& HeaderPath() {
  static std::string path;
  return path;
}

// About 600 bytes a record, like a crawled page with text and keywords.
void WriteBenchDatabase(const std::string& folder) {
  duvra::Database db;
  db.open = true;
  db.folder = folder;
  db.base_name = "bench";
  db.settings.database_name = "bench";
  db.settings.site_address = "www.example.com";
  db.script_settings_line = std::string(duvra::kDefaultScriptSettings);
  std::vector<std::string> lines;
  lines.reserve(kRecords);
  // Words of a real site's pages, so the filter meets partial matches
  // everywhere; one page in 500 mentions the words typed below.
  const std::vector<std::string> words = {"Site",    "pages", "search", "Caf\xC3\xA9",
                                          "records", "index", "garden", "tools",
                                          "MILL",    "brook", "river",  "stone"};
  for (size_t i = 0; i < kRecords; ++i) {
    std::string text;
    while (text.size() < 420) text += words[(i * 7 + text.size()) % words.size()] + " ";
    std::string keywords;
    while (keywords.size() < 110) keywords += words[(i * 3 + keywords.size()) % words.size()] + " ";
    if (i % 500 == 0) text += "millbrook weir";
    lines.push_back(std::to_string(i) + "^Page title number " + std::to_string(i) +
                    "^http://www.example.com/docs/page" + std::to_string(i) + ".html^" + text +
                    "^" + keywords + "^0");
  }
  db.records.Assign(std::move(lines));
  if (!duvra::SaveDatabase(db).ok()) std::abort();
  HeaderPath() = db.HeaderPath();
}

void BM_CoreLoad(benchmark::State& state) {
  for (auto _ : state) {
    duvra::Database db;
    db.folder = duvra::FolderOf(HeaderPath());
    db.base_name = "bench";
    if (!duvra::LoadDatabase(db).ok()) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(db.records.size());
  }
}
BENCHMARK(BM_CoreLoad)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WindowOpen(benchmark::State& state) {
  duvra::TMForm form;
  form.show();
  QApplication::processEvents();
  for (auto _ : state) {
    state.PauseTiming();
    form.commands().TBXCloseClick();
    QApplication::processEvents();
    state.ResumeTiming();
    if (!form.commands().OpenHeaderPath(HeaderPath())) state.SkipWithError("open failed");
    // The list lays itself out from the event loop; then paint what shows.
    QApplication::processEvents();
    form.repaint();
    benchmark::DoNotOptimize(form.EditList->model()->rowCount());
  }
  if (form.EditList->model()->rowCount() != static_cast<int>(kRecords)) {
    state.SkipWithError("the list does not show every record");
  }
}
BENCHMARK(BM_WindowOpen)->Unit(benchmark::kMillisecond)->UseRealTime();

// One keystroke each: "millbrook w" typed a character at a time after the
// box was emptied, so both the first (whole-list) pass and the narrowing
// ones are in the mean.
void BM_FilterKeystroke(benchmark::State& state) {
  duvra::TMForm form;
  form.show();
  QApplication::processEvents();
  if (!form.commands().OpenHeaderPath(HeaderPath())) state.SkipWithError("open failed");
  const QString typed = QStringLiteral("millbrook w");
  int next = 0;
  for (auto _ : state) {
    if (next == 0) {
      state.PauseTiming();
      form.FilterEdit->clear();
      QApplication::processEvents();
      state.ResumeTiming();
    }
    form.FilterEdit->setText(typed.left(next + 1));
    QApplication::processEvents();
    form.repaint();
    next = (next + 1) % typed.size();
  }
  form.FilterEdit->setText(typed);
  if (form.EditList->model()->rowCount() != static_cast<int>(kRecords / 500)) {
    state.SkipWithError("the filter does not show the matching records");
  }
}
BENCHMARK(BM_FilterKeystroke)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(44);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir config;
  QTemporaryDir files;
  duvra::SetRegistryFolder(config.path());
  WriteBenchDatabase(files.path().toStdString() + "/");

  benchmark::Initialize(&argc, argv);
  duvra::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nRatios (same run):\n");
  reporter.PrintRatio("Open of 100,000 records until the table shows them / core load",
                      "BM_WindowOpen/real_time", "BM_CoreLoad/real_time");
  reporter.PrintRatio("One filter keystroke over 100,000 records / core load",
                      "BM_FilterKeystroke/iterations:44/real_time", "BM_CoreLoad/real_time");
  return 0;
}
