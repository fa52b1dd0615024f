// A record of the accesses on one simulated bus, for tests that check the
// traffic and not only the resulting values. It records nothing until a
// test starts it (a bring-up with its FPGA download makes hundreds of
// thousands of accesses, and a sweep of bring-ups would hold them all),
// holds at most kLimit accesses, and stops the process with a message when
// a test reads a record that was never started or that overflowed: that
// test would otherwise see no traffic, or a part of it, and pass.
#ifndef VL9738K_SIM_BOARD_TRAFFIC_RECORD_H
#define VL9738K_SIM_BOARD_TRAFFIC_RECORD_H

#include <atomic>
#include <cstddef>
#include <mutex>
#include <vector>

#include "BusAccess.h"

namespace sim {

class TrafficRecord {
 public:
  static constexpr size_t kLimit = size_t{1} << 20;

  explicit TrafficRecord(const char* bus) : bus_(bus) {}

  // Forgets what was recorded and records from now on.
  void start();
  void stop() { recording_ = false; }
  // Forgets what was recorded; recording stays as it was.
  void clear();
  void add(const BusAccess& access) {
    if (recording_.load(std::memory_order_relaxed)) append(access);
  }

  std::vector<BusAccess> accesses() const;
  size_t count(BusAccess::Kind kind) const;

 private:
  void append(const BusAccess& access);
  // Called with mutex_ held.
  void checkReadable() const;

  const char* bus_;
  mutable std::mutex mutex_;
  std::vector<BusAccess> accesses_;
  bool started_ = false;
  bool overflowed_ = false;
  std::atomic<bool> recording_{false};
};

}  // namespace sim

#endif
