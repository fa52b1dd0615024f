#include "../../driver/platform/zuk/ZukTime.h"
#include "Clock.h"

extern "C" {

uint64_t nVLZUK110_getTimerCount(void) {
  sim::Clock& clock = sim::Clock::instance();
  return clock.readNs() / (clock.tickUs() * 1000);
}

uint64_t nVLZUK100_getTimerInterval(void) { return sim::Clock::instance().tickUs(); }

uint64_t nVLZUK1_getMonotonicCounter(void) { return sim::Clock::instance().readNs(); }

void nVLZUK250_sleepTimeout(uint32_t microseconds) {
  sim::Clock::instance().sleepNs(static_cast<uint64_t>(microseconds) * 1000);
}

void nVLZUK200_yield(void) { sim::Clock::instance().yield(); }

}  // extern "C"
