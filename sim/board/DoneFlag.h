// A block's done flag as a poll sees it: it reads 0 a chosen number of
// times after the block was started, then 1; or it never reads 1. Each
// reading moves the virtual clock on, as a read over the bus takes time on
// hardware, so a driver's timeout runs out however it measures time.
#ifndef VL9738K_SIM_BOARD_DONE_FLAG_H
#define VL9738K_SIM_BOARD_DONE_FLAG_H

#include <cstdint>
#include <optional>

namespace sim {

class DoneFlag {
 public:
  static constexpr uint64_t kDefaultReadStepNs = 100'000;

  // Reads 0 `reads` times after each start, then 1.
  void setAfterReads(uint64_t reads) { readsBeforeDone_ = reads; }
  void setNever() { readsBeforeDone_.reset(); }
  void setReadStepNs(uint64_t ns) { readStepNs_ = ns; }

  void start() { reads_ = 0; }
  // One reading of the flag.
  bool read();

 private:
  std::optional<uint64_t> readsBeforeDone_ = 0;
  uint64_t readStepNs_ = kDefaultReadStepNs;
  uint64_t reads_ = 0;
};

}  // namespace sim

#endif
