// The peak memory of a test process, held to the limit every test run must
// stay under (sanitizer builds included), and written down for CI's
// summary.
#ifndef VL9738K_SIM_HOST_PEAKMEMORY_H
#define VL9738K_SIM_HOST_PEAKMEMORY_H

#include <cstdint>
#include <string>

namespace sim {

constexpr uint64_t kPeakMemoryLimitKiB = uint64_t{1} << 20;

// The process's largest resident set so far, in KiB.
uint64_t peakResidentKiB();

// Appends "<peak KiB> <run>" to the file VL_PEAK_LOG names (when set) and
// answers false, with a line on standard error, when the peak is over the
// limit.
bool checkPeakMemory(const std::string& run);

}  // namespace sim

#endif
