#include "TrafficRecord.h"

#include <cstdio>
#include <cstdlib>

namespace sim {

void TrafficRecord::start() {
  std::lock_guard<std::mutex> lock(mutex_);
  accesses_.clear();
  overflowed_ = false;
  started_ = true;
  recording_ = true;
}

void TrafficRecord::clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  accesses_.clear();
  overflowed_ = false;
}

void TrafficRecord::append(const BusAccess& access) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (accesses_.size() < kLimit) {
    accesses_.push_back(access);
  } else {
    overflowed_ = true;
  }
}

void TrafficRecord::checkReadable() const {
  const char* fault = nullptr;
  if (!started_) fault = "is read but was never recorded (start the recording first)";
  if (overflowed_) fault = "overflowed its limit (record a shorter stretch)";
  if (fault == nullptr) return;
  std::fprintf(stderr, "sim: the %s traffic record %s\n", bus_, fault);
  std::abort();
}

std::vector<BusAccess> TrafficRecord::accesses() const {
  std::lock_guard<std::mutex> lock(mutex_);
  checkReadable();
  return accesses_;
}

size_t TrafficRecord::count(BusAccess::Kind kind) const {
  std::lock_guard<std::mutex> lock(mutex_);
  checkReadable();
  size_t count = 0;
  for (const BusAccess& access : accesses_) count += access.kind == kind;
  return count;
}

}  // namespace sim
