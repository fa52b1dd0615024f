#include "Clock.h"

#include <chrono>
#include <thread>

#include "Scheduler.h"

namespace sim {
namespace {

uint64_t hostNs() {
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count());
}

// The calling thread's last reading and how many readings in a row saw it.
struct ReadRun {
  uint64_t epoch = 0;
  uint64_t value = 0;
  uint32_t count = 0;
};
thread_local ReadRun tReadRun;
constexpr uint32_t kReadsBeforeSpinStep = 2;

}  // namespace

Clock& Clock::instance() {
  static Clock clock;
  return clock;
}

Clock::Clock()
    : mode_(Mode::Virtual),
      virtualNs_(kVirtualOrigin),
      yieldStepNs_(kDefaultYieldStepNs),
      tickUs_(kDefaultTickUs),
      spinStepNs_(kDefaultSpinStepNs),
      epoch_(1),
      realOrigin_(hostNs()) {}

void Clock::reset() {
  mode_ = Mode::Virtual;
  virtualNs_ = kVirtualOrigin;
  yieldStepNs_ = kDefaultYieldStepNs;
  tickUs_ = kDefaultTickUs;
  spinStepNs_ = kDefaultSpinStepNs;
  ++epoch_;
}

// Switching keeps time monotonic: each mode continues from where the
// other one stood.
void Clock::setMode(Mode mode) {
  if (mode == this->mode()) return;
  if (mode == Mode::Real) {
    realOrigin_ = hostNs() - virtualNs_.load();
  } else {
    virtualNs_ = hostNs() - realOrigin_;
  }
  mode_ = mode;
}

uint64_t Clock::nowNs() const { return isVirtual() ? virtualNs_.load() : hostNs() - realOrigin_; }

uint64_t Clock::readNs() {
  if (!isVirtual()) return nowNs();
  ReadRun& run = tReadRun;
  uint64_t now = nowNs();
  const uint64_t epoch = epoch_.load();
  if (run.epoch == epoch && run.value == now && run.count >= kReadsBeforeSpinStep) {
    advanceNs(spinStepNs_.load());
    now = nowNs();
  }
  if (run.epoch != epoch || run.value != now) run.count = 0;
  run.epoch = epoch;
  run.value = now;
  ++run.count;
  Scheduler::clockRead(now);
  return now;
}

void Clock::advanceNs(uint64_t ns) {
  if (isVirtual()) virtualNs_ += ns;
}

// A scheduled task sleeps until the virtual clock reaches its deadline; the
// clock gets there when every other task waits too.
void Clock::sleepNs(uint64_t ns) {
  if (isVirtual() && Scheduler::active() && Scheduler::isTask()) {
    const uint64_t deadline = nowNs() + (ns != 0 ? ns : yieldStepNs_.load());
    Scheduler::blockUntil(Scheduler::Call::kSleep, nullptr, deadline);
  } else if (isVirtual()) {
    advanceNs(ns != 0 ? ns : yieldStepNs_.load());
  } else if (ns == 0) {
    std::this_thread::yield();
  } else {
    std::this_thread::sleep_for(std::chrono::nanoseconds(ns));
  }
}

void Clock::yield() {
  if (isVirtual() && Scheduler::active() && Scheduler::isTask()) {
    sleepNs(0);
  } else if (isVirtual()) {
    advanceNs(yieldStepNs_.load());
  } else {
    std::this_thread::yield();
  }
}

}  // namespace sim
