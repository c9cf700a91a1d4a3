// Opening a 100,000-record database in the main window until its list has
// painted the records, against the core's load of the same files alone.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
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
  const std::string text(420, 'x');
  const std::string keywords(110, 'k');
  for (size_t i = 0; i < kRecords; ++i) {
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
  reporter.PrintRatio("Open of 100,000 records until the list shows them / core load",
                      "BM_WindowOpen/real_time", "BM_CoreLoad/real_time");
  return 0;
}
