#include "PeakMemory.h"

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>

namespace sim {

uint64_t peakResidentKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<uint64_t>(usage.ru_maxrss);
}

bool checkPeakMemory(const std::string& run) {
  const uint64_t peak = peakResidentKiB();
  if (const char* path = std::getenv("VL_PEAK_LOG"); path != nullptr && *path != '\0') {
    if (std::FILE* log = std::fopen(path, "a")) {
      std::fprintf(log, "%llu %s\n", static_cast<unsigned long long>(peak), run.c_str());
      std::fclose(log);
    }
  }
  if (peak <= kPeakMemoryLimitKiB) return true;
  std::fprintf(stderr, "%s: peak memory %llu MiB, over the limit of %llu MiB\n", run.c_str(),
               static_cast<unsigned long long>(peak >> 10), static_cast<unsigned long long>(kPeakMemoryLimitKiB >> 10));
  return false;
}

}  // namespace sim
