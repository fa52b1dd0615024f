#include "Time.h"

#include <atomic>

#include "../../driver/platform/zuk/ZukThread.h"
#include "../../driver/platform/zuk/ZukTime.h"
#include "Clock.h"

namespace sim {
namespace {

// Time of day in microseconds, as it stood when the clock read gClockAtSetNs.
std::atomic<uint64_t> gTimeOfDayUs{Time::kDefaultSecondsSince1970 * 1'000'000};
std::atomic<uint64_t> gClockAtSetNs{Clock::kVirtualOrigin};

}  // namespace

void Time::setTimeOfDay(uint64_t seconds, uint64_t microseconds) {
  gTimeOfDayUs = seconds * 1'000'000 + microseconds;
  gClockAtSetNs = Clock::instance().nowNs();
}

void Time::reset() {
  gTimeOfDayUs = kDefaultSecondsSince1970 * 1'000'000;
  gClockAtSetNs = Clock::instance().nowNs();
}

}  // namespace sim

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

void nVLZUK100_getTimeOfDay(uint64_t* seconds, uint64_t* microseconds) {
  const uint64_t now = sim::gTimeOfDayUs.load() + (sim::Clock::instance().nowNs() - sim::gClockAtSetNs.load()) / 1000;
  *seconds = now / 1'000'000;
  *microseconds = now % 1'000'000;
}

}  // extern "C"
