// The kernel layer's time source. In virtual mode (the default) time only
// moves when something sleeps, yields or waits, so a 15-second hardware
// timeout runs in microseconds of real time; real mode follows the host's
// monotonic clock for tests that run real threads.
#ifndef VL9738K_SIM_CLOCK_H
#define VL9738K_SIM_CLOCK_H

#include <atomic>
#include <cstdint>

namespace sim {

class Clock {
 public:
  enum class Mode { Virtual, Real };

  static Clock& instance();

  void reset();
  void setMode(Mode mode);
  Mode mode() const { return mode_.load(); }
  bool isVirtual() const { return mode() == Mode::Virtual; }

  uint64_t nowNs() const;
  // A reading taken by the driver through the kernel layer. On hardware a
  // thread that re-reads the clock in a loop spends time doing so; in
  // virtual mode the third consecutive reading of an unchanged clock by one
  // thread first moves time forward by the spin step, so busy-waits end
  // while one or two readings in a row still see the same instant.
  uint64_t readNs();
  // Virtual mode only: moves time forward.
  void advanceNs(uint64_t ns);
  // Virtual: advances by the amount (by one yield step when it is 0).
  // Real: sleeps.
  void sleepNs(uint64_t ns);
  void yield();

  void setYieldStepNs(uint64_t ns) { yieldStepNs_ = ns; }
  uint64_t yieldStepNs() const { return yieldStepNs_; }
  void setSpinStepNs(uint64_t ns) { spinStepNs_ = ns; }
  uint64_t spinStepNs() const { return spinStepNs_; }
  void setTickUs(uint64_t us) { tickUs_ = us; }
  uint64_t tickUs() const { return tickUs_; }

  static constexpr uint64_t kVirtualOrigin = 1'000'000'000;
  static constexpr uint64_t kDefaultYieldStepNs = 20'000;
  static constexpr uint64_t kDefaultTickUs = 1000;
  static constexpr uint64_t kDefaultSpinStepNs = 1000;

 private:
  Clock();

  std::atomic<Mode> mode_;
  std::atomic<uint64_t> virtualNs_;
  std::atomic<uint64_t> yieldStepNs_;
  std::atomic<uint64_t> tickUs_;
  std::atomic<uint64_t> spinStepNs_;
  // Bumped by reset(), so that no thread carries a run of readings over.
  std::atomic<uint64_t> epoch_;
  uint64_t realOrigin_;
};

}  // namespace sim

#endif
