// Collects the results of a Google Benchmark run so a benchmark binary can
// print each figure as a ratio against a baseline measured in the same run.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace duvra::bench {

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const auto& r : runs) {
      if (r.error_occurred) continue;
      if (r.run_type == Run::RT_Aggregate) {
        // With repetitions the median stands for the benchmark.
        if (r.aggregate_name == "median") {
          medians_[r.run_name.function_name] = r.GetAdjustedRealTime();
        }
        continue;
      }
      std::string name = r.benchmark_name();
      if (size_t p = name.find("/min_time:"); p != std::string::npos) name.erase(p);
      if (size_t p = name.find("/repeats:"); p != std::string::npos) name.erase(p);
      times_[name] = r.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  // The median of a repeated benchmark, else its last run; 0 when absent.
  double Time(const std::string& name) const {
    if (auto m = medians_.find(name); m != medians_.end()) return m->second;
    auto it = times_.find(name);
    return it == times_.end() ? 0 : it->second;
  }
  // Prints "label: X.XXx" for time(name) / time(baseline).
  void PrintRatio(const std::string& label, const std::string& name,
                  const std::string& baseline) const {
    double a = Time(name), b = Time(baseline);
    if (a > 0 && b > 0) std::printf("%-58s %6.2fx\n", label.c_str(), a / b);
  }

 private:
  std::map<std::string, double> times_;
  std::map<std::string, double> medians_;
};

}  // namespace duvra::bench
