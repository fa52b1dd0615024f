#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "Ratio.h"
#include "sim/kernel/Kernel.h"

namespace vlbench {
namespace {

// Repetitions when the command line names none: one run can land on a
// noisy moment, the median of several rarely does.
constexpr const char kDefaultRepetitions[] = "--benchmark_repetitions=9";

std::vector<std::pair<std::string, std::string>>& ratios() {
  static std::vector<std::pair<std::string, std::string>> list;
  return list;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Keeps every repetition's time per iteration, and the library's own
// median where it reports only aggregates, besides printing them.
class RecordingReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const std::string& name = run.run_name.function_name;
      if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
        repetitions_[name].push_back(run.GetAdjustedRealTime());
      } else if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
        reportedMedians_[name] = run.GetAdjustedRealTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  // The median time of a benchmark and how many repetitions it rests on;
  // 0 repetitions when it did not run.
  std::pair<double, size_t> medianOf(const std::string& name) const {
    const auto runs = repetitions_.find(name);
    if (runs != repetitions_.end() && !runs->second.empty()) return {median(runs->second), runs->second.size()};
    const auto reported = reportedMedians_.find(name);
    if (reported != reportedMedians_.end()) return {reported->second, 1};
    return {0, 0};
  }

 private:
  std::map<std::string, std::vector<double>> repetitions_;
  std::map<std::string, double> reportedMedians_;
};

bool namesRepetitions(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--benchmark_repetitions", 23) == 0) return true;
  }
  return false;
}

}  // namespace

Ratio::Ratio(const char* subject, const char* baseline) { ratios().emplace_back(subject, baseline); }

}  // namespace vlbench

int main(int argc, char** argv) {
  std::vector<char*> arguments(argv, argv + argc);
  if (!vlbench::namesRepetitions(argc, argv)) {
    arguments.insert(arguments.begin() + 1, const_cast<char*>(vlbench::kDefaultRepetitions));
  }
  int count = static_cast<int>(arguments.size());
  arguments.push_back(nullptr);
  benchmark::Initialize(&count, arguments.data());
  if (benchmark::ReportUnrecognizedArguments(count, arguments.data())) return 1;
  sim::resetKernel();
  vlbench::RecordingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nRatios of medians over repetitions in this run (lower is better):\n");
  for (const auto& [subject, baseline] : vlbench::ratios()) {
    const auto [subjectTime, subjectRuns] = reporter.medianOf(subject);
    const auto [baselineTime, baselineRuns] = reporter.medianOf(baseline);
    if (subjectRuns == 0 || baselineRuns == 0 || baselineTime <= 0) continue;
    std::printf("  %-40s %8.2f x %-32s (%zu / %zu runs)\n", subject.c_str(), subjectTime / baselineTime,
                baseline.c_str(), subjectRuns, baselineRuns);
  }
  benchmark::Shutdown();
  return 0;
}
