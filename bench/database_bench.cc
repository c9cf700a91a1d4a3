// Database load/save against a raw read/write of the same bytes, and the
// list commands at two sizes to show they are linear.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/text_file.h"
#include "bench_ratio.h"
#include "database/db_files.h"
#include "database/file_writer.h"
#include "database/view_state.h"

namespace {

using duvra::Database;

std::string BenchDir() {
  static std::string dir = [] {
    std::string t = (std::filesystem::temp_directory_path() / "duvra-bench-XXXXXX").string();
    if (!::mkdtemp(t.data())) std::abort();
    return t + "/";
  }();
  return dir;
}

// About 600 bytes a record, like a crawled page with text and keywords.
std::vector<std::string> MakeLines(size_t n) {
  std::vector<std::string> lines;
  lines.reserve(n);
  std::string text(420, 'x');
  std::string keywords(110, 'k');
  for (size_t i = 0; i < n; ++i) {
    lines.push_back(std::to_string(i) + "^Page title number " + std::to_string(i) +
                    "^http://www.example.com/docs/page" + std::to_string(i) + ".html^" + text +
                    "^" + keywords + "^0");
  }
  return lines;
}

Database MakeDb(size_t n) {
  Database db;
  db.open = true;
  db.folder = BenchDir();
  db.base_name = "bench";
  db.settings.database_name = "bench";
  db.script_settings_line = "^results.html^0^0^0^1";
  db.records.Assign(MakeLines(n));
  db.excluded_words = {"the", "and"};
  return db;
}

constexpr size_t kBig = 100'000;

void BM_RawWrite(benchmark::State& state) {
  std::string bytes = duvra::JoinLines(MakeLines(kBig));
  for (auto _ : state) {
    int err;
    if ((err = duvra::ReplaceFileWith(duvra::DefaultFileSystem(), BenchDir() + "raw.bin", bytes)) !=
        0)
      state.SkipWithError("write");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

// What the safe write costs: the same bytes written over the file in place,
// with no temporary file, flush or rename.
void BM_PlainWrite(benchmark::State& state) {
  std::string bytes = duvra::JoinLines(MakeLines(kBig));
  const std::string path = BenchDir() + "plain.bin";
  for (auto _ : state) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
      state.SkipWithError("write");
    if (fd >= 0) ::close(fd);
  }
}

void BM_Save(benchmark::State& state) {
  Database db = MakeDb(kBig);
  for (auto _ : state) {
    if (!duvra::SaveDatabase(db).ok()) state.SkipWithError("save");
  }
}

void BM_RawRead(benchmark::State& state) {
  Database db = MakeDb(kBig);
  if (!duvra::SaveDatabase(db).ok()) state.SkipWithError("save");
  for (auto _ : state) {
    std::string data;
    int err;
    duvra::ReadWholeFile(db.MemberPath(".dat"), &data, &err);
    benchmark::DoNotOptimize(data);
  }
}

void BM_Load(benchmark::State& state) {
  Database db = MakeDb(kBig);
  if (!duvra::SaveDatabase(db).ok()) state.SkipWithError("save");
  for (auto _ : state) {
    Database back;
    back.folder = db.folder;
    back.base_name = db.base_name;
    if (!duvra::LoadDatabase(back).ok()) state.SkipWithError("load");
    benchmark::DoNotOptimize(back);
  }
}

// Baseline for the list commands: touch the start of every line once, the
// least any whole-list command must do. At 10,000 rows the lines sit in the
// cache and at 100,000 they do not, so the row-count ratio alone overstates.
void BM_TouchLines(benchmark::State& state) {
  Database db = MakeDb(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    size_t sum = 0;
    for (const auto& l : db.records.lines()) sum += static_cast<unsigned char>(l[0]);
    benchmark::DoNotOptimize(sum);
  }
}

void BM_EditSort(benchmark::State& state) {
  Database db = MakeDb(static_cast<size_t>(state.range(0)));
  for (auto _ : state) duvra::EditSort(db.records);
}

void BM_DeleteScattered(benchmark::State& state) {
  const size_t n = static_cast<size_t>(state.range(0));
  std::vector<std::string> lines = MakeLines(n + n / 10);
  duvra::ViewState vs;
  Database db;
  for (auto _ : state) {
    state.PauseTiming();
    db = Database();  // the last round's rows are freed outside the timing
    db.open = true;
    db.records.Assign(lines);
    for (size_t i = 0; i < db.records.size(); i += 11) db.records.SetSelected(i, true);
    state.ResumeTiming();
    duvra::TBXDeleteClick(db, &vs);
  }
}

void BM_MoveBlock(benchmark::State& state) {
  const size_t n = static_cast<size_t>(state.range(0));
  Database db = MakeDb(n);
  duvra::ViewState vs;
  db.records.SelectRange(n / 4, n / 2);
  bool up = true;
  for (auto _ : state) {
    if (up) {
      duvra::TBXMoveUpClick(db, &vs);
    } else {
      duvra::TBXMoveDownClick(db, &vs);
    }
    up = !up;
  }
}

BENCHMARK(BM_RawWrite)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_PlainWrite)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_RawRead)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_TouchLines)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditSort)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteScattered)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MoveBlock)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  duvra::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nRatios (same run):\n");
  reporter.PrintRatio("Save of 100,000 records / raw write of the same bytes", "BM_Save",
                      "BM_RawWrite");
  reporter.PrintRatio("Safe write (temp, flush, rename) / plain write in place", "BM_RawWrite",
                      "BM_PlainWrite");
  reporter.PrintRatio("Load of 100,000 records / raw read of the same bytes", "BM_Load",
                      "BM_RawRead");
  for (const char* b : {"BM_TouchLines", "BM_EditSort", "BM_DeleteScattered", "BM_MoveBlock"}) {
    reporter.PrintRatio(std::string(b + 3) + ": 100,000 rows / 10,000 rows",
                        std::string(b) + "/100000", std::string(b) + "/10000");
  }
  for (const char* n : {"10000", "100000"}) {
    for (const char* b : {"BM_EditSort", "BM_DeleteScattered", "BM_MoveBlock"}) {
      reporter.PrintRatio(std::string(b + 3) + "/" + n + " / touching every line",
                          std::string(b) + "/" + n, std::string("BM_TouchLines/") + n);
    }
  }
  std::filesystem::remove_all(BenchDir());
  return 0;
}
