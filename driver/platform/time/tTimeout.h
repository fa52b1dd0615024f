// A time budget measured on the kernel layer's monotonic counter.
#ifndef VL9738K_PLATFORM_TTIMEOUT_H
#define VL9738K_PLATFORM_TTIMEOUT_H

#include <stdint.h>

#include "TimeUnits.h"

namespace nVLAPAL000 {

class tTimeout {
 public:
  tTimeout(uint64_t amount, tTimeUnit unit);

  void start();
  void stop();
  // Time spent while running, in the time-out's own unit.
  uint64_t getElapsed() const;
  bool hasExpired() const;
  // Sleeps in whole milliseconds until the budget is spent.
  void waitForTimeout() const;

 private:
  uint64_t elapsedNanoseconds() const;

  uint64_t start_;
  uint64_t accumulated_;
  bool running_;
  uint64_t amount_;
  tTimeUnit unit_;
};

}  // namespace nVLAPAL000

#endif
