#include "tTimeout.h"

#include "../zuk/ZukTime.h"

namespace nVLAPAL000 {
namespace {

uint64_t counterNow() { return nVLZUK1_getMonotonicCounter() * getTimerUnits().counterFactor; }

}  // namespace

tTimeout::tTimeout(uint64_t amount, tTimeUnit unit)
    : start_(0), accumulated_(0), running_(false), amount_(amount), unit_(unit) {}

void tTimeout::start() {
  start_ = counterNow();
  running_ = true;
}

void tTimeout::stop() {
  accumulated_ = elapsedNanoseconds();
  running_ = false;
}

uint64_t tTimeout::elapsedNanoseconds() const { return accumulated_ + (running_ ? counterNow() - start_ : 0); }

uint64_t tTimeout::getElapsed() const { return convertTime(elapsedNanoseconds(), kTimeUnitNanoseconds, unit_); }

bool tTimeout::hasExpired() const { return amount_ <= getElapsed(); }

void tTimeout::waitForTimeout() const {
  for (;;) {
    const uint64_t elapsed = elapsedNanoseconds();
    if (amount_ <= convertTime(elapsed, kTimeUnitNanoseconds, unit_)) return;
    const uint64_t amount = convertTime(amount_, unit_, kTimeUnitNanoseconds);
    const uint64_t remaining = amount > elapsed ? amount - elapsed : 0;
    const uint64_t milliseconds = convertTime(remaining, kTimeUnitNanoseconds, kTimeUnitMilliseconds);
    nVLZUK250_sleepTimeout(static_cast<uint32_t>(milliseconds * 1000));
  }
}

}  // namespace nVLAPAL000
