// Fault injection for the simulated kernel layer. Each service that can
// fail owns a site; a test arms it to fail the Nth call from now (with the
// code the real kernel layer would return) and afterwards asks whether the
// failure was actually reached, which is how allocation sweeps find their end.
#ifndef VL9738K_SIM_FAULT_SITE_H
#define VL9738K_SIM_FAULT_SITE_H

#include <atomic>
#include <cstdint>

namespace sim {

class FaultSite {
 public:
  // Constant-initialised, so a site is usable before any static constructor
  // runs (the allocator's own site is hit while the C++ runtime starts).
  constexpr explicit FaultSite(const char* name) : name_(name) {}
  FaultSite(const FaultSite&) = delete;
  FaultSite& operator=(const FaultSite&) = delete;

  const char* name() const { return name_; }

  // The nth counted call from now (1 = the next one) fails with `code`.
  void failNth(uint64_t n, int32_t code);
  // Every counted call from the nth on fails.
  void failFrom(uint64_t n, int32_t code);
  void clear();
  bool injected() const { return injected_.load(); }
  uint64_t calls() const { return calls_.load(); }

  // Called by the service: true when this call must fail; `code` receives
  // the failure code. Calls made from inside the simulation are not counted.
  bool hit(int32_t* code = nullptr);

 private:
  const char* name_;
  std::atomic<uint64_t> calls_{0};
  std::atomic<uint64_t> target_{0};
  std::atomic<bool> sticky_{false};
  std::atomic<int32_t> code_{0};
  std::atomic<bool> injected_{false};
};

// Marks the calling thread as running simulation code: the services it
// calls meanwhile (the simulation's own allocations, say) do not count
// towards armed faults.
class SimScope {
 public:
  SimScope();
  ~SimScope();
  SimScope(const SimScope&) = delete;
  SimScope& operator=(const SimScope&) = delete;
  static bool active();
};

// Leaves the simulation for a stretch of driver code that a model calls
// (an interrupt routine run from inside a register access), so that the
// driver's own calls count again; the enclosing depth comes back after.
class DriverScope {
 public:
  DriverScope();
  ~DriverScope();
  DriverScope(const DriverScope&) = delete;
  DriverScope& operator=(const DriverScope&) = delete;

 private:
  int savedDepth_;
};

}  // namespace sim

#endif
