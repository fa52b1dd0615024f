#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "Ratio.h"
#include "sim/kernel/Kernel.h"

namespace vlbench {
namespace {

std::vector<std::pair<std::string, std::string>>& ratios() {
  static std::vector<std::pair<std::string, std::string>> list;
  return list;
}

// Keeps the per-iteration time of every benchmark besides printing it.
class RecordingReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
        times_[run.run_name.function_name] = run.GetAdjustedRealTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  const std::map<std::string, double>& times() const { return times_; }

 private:
  std::map<std::string, double> times_;
};

}  // namespace

Ratio::Ratio(const char* subject, const char* baseline) { ratios().emplace_back(subject, baseline); }

}  // namespace vlbench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  sim::resetKernel();
  vlbench::RecordingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nRatios (lower is better):\n");
  for (const auto& [subject, baseline] : vlbench::ratios()) {
    const auto& times = reporter.times();
    const auto s = times.find(subject);
    const auto b = times.find(baseline);
    if (s == times.end() || b == times.end() || b->second <= 0) continue;
    std::printf("  %-40s %8.2f x %s\n", subject.c_str(), s->second / b->second, baseline.c_str());
  }
  benchmark::Shutdown();
  return 0;
}
