// Import of 100,000 lines into a list of 100,000 records: skipping
// duplicates against adding all, for CSV and data scripts; and the CSV
// export against a raw write of the same bytes.
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
#include "records/csv.h"
#include "records/csv_export.h"
#include "records/record_import.h"

namespace {

using duvra::Database;

constexpr size_t kRows = 100'000;

std::string BenchDir() {
  static std::string dir = [] {
    std::string t = (std::filesystem::temp_directory_path() / "duvra-bench-XXXXXX").string();
    if (!::mkdtemp(t.data())) std::abort();
    return t + "/";
  }();
  return dir;
}

// Record lines of about 600 bytes, like crawled pages; `first` numbers them.
std::vector<std::string> MakeLines(size_t first, size_t n) {
  std::vector<std::string> lines;
  lines.reserve(n);
  std::string text(420, 'x');
  std::string keywords(110, 'k');
  for (size_t i = first; i < first + n; ++i) {
    lines.push_back("0^Page title number " + std::to_string(i) +
                    "^http://www.example.com/docs/page" + std::to_string(i) + ".html^" + text +
                    "^" + keywords + "^0");
  }
  return lines;
}

const std::vector<std::string>& Existing() {
  static const std::vector<std::string> lines = MakeLines(0, kRows);
  return lines;
}

// The file to import: its lines start at `first`, so that half of them
// equal existing records when first is kRows / 2 and none when it is kRows.
std::string ImportFileOf(bool csv, size_t first) {
  std::string path =
      BenchDir() + (csv ? "in" : "data") + std::to_string(first) + (csv ? ".csv" : ".js");
  if (duvra::FileExists(path)) return path;
  std::string data;
  if (!csv) data = "var s = new Array();\r\n\r\n";
  size_t i = 0;
  for (const std::string& l : MakeLines(first, kRows)) {
    if (csv) {
      data += duvra::CsvLine(l) + "\r\n";
    } else {
      data += "s[" + std::to_string(i++) + "] = \"" + l.substr(2) + "\";\r\n";
    }
  }
  int err = 0;
  if ((err = duvra::ReplaceFileWith(duvra::DefaultFileSystem(), path, data)) != 0) std::abort();
  return path;
}

// range(0): 1 CSV, 0 data script; range(1): 1 skip duplicates; range(2):
// first line number of the file.
void BM_Import(benchmark::State& state) {
  const bool csv = state.range(0) != 0;
  duvra::ImportOptions o;
  o.kind = csv ? duvra::ImportKind::kCsv : duvra::ImportKind::kDataFile;
  o.add_all = state.range(1) == 0;
  const std::string path = ImportFileOf(csv, static_cast<size_t>(state.range(2)));
  Database db;
  for (auto _ : state) {
    state.PauseTiming();
    db = Database();  // the last round's rows are freed outside the timing
    db.open = true;
    db.records.Assign(Existing());
    state.ResumeTiming();
    duvra::ImportResult r = duvra::ImportFile(db, path, o);
    if (r.outcome != duvra::ImportOutcome::kDone) std::abort();
    benchmark::DoNotOptimize(r.added);
  }
}

void BM_RawWrite(benchmark::State& state) {
  std::string bytes = duvra::CsvText([] {
    duvra::RecordList l;
    l.Assign(Existing());
    return l;
  }());
  const std::string path = BenchDir() + "raw.csv";
  for (auto _ : state) {
    int err = 0;
    if ((err = duvra::ReplaceFileWith(duvra::DefaultFileSystem(), path, bytes)) != 0) std::abort();
  }
}

void BM_Export(benchmark::State& state) {
  duvra::RecordList list;
  list.Assign(Existing());
  const std::string path = BenchDir() + "out.csv";
  for (auto _ : state) {
    if (!duvra::WriteCsvFile(list, path).ok()) std::abort();
  }
}

// {csv, skip, first line}
BENCHMARK(BM_Import)
    ->Args({1, 0, kRows})
    ->Args({1, 1, kRows})
    ->Args({1, 0, kRows / 2})
    ->Args({1, 1, kRows / 2})
    ->Args({0, 0, kRows})
    ->Args({0, 1, kRows})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);
BENCHMARK(BM_RawWrite)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Export)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  duvra::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const std::string all = std::to_string(kRows), half = std::to_string(kRows / 2);
  std::printf("\nRatios (same run), 100,000 lines into 100,000 records:\n");
  reporter.PrintRatio("CSV, no duplicates: skip duplicates / add all", "BM_Import/1/1/" + all,
                      "BM_Import/1/0/" + all);
  reporter.PrintRatio("CSV, half duplicates: skip duplicates / add all", "BM_Import/1/1/" + half,
                      "BM_Import/1/0/" + half);
  reporter.PrintRatio("Data script, no duplicates: skip duplicates / add all",
                      "BM_Import/0/1/" + all, "BM_Import/0/0/" + all);
  reporter.PrintRatio("CSV export of 100,000 records / raw write of the same bytes", "BM_Export",
                      "BM_RawWrite");
  std::filesystem::remove_all(BenchDir());
  return 0;
}
