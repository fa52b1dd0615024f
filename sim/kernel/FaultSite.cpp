#include "FaultSite.h"

namespace sim {
namespace {

thread_local int tSimDepth = 0;

}  // namespace

SimScope::SimScope() { ++tSimDepth; }
SimScope::~SimScope() { --tSimDepth; }
bool SimScope::active() { return tSimDepth != 0; }

DriverScope::DriverScope() : savedDepth_(tSimDepth) { tSimDepth = 0; }
DriverScope::~DriverScope() { tSimDepth = savedDepth_; }

void FaultSite::failNth(uint64_t n, int32_t code) {
  calls_ = 0;
  injected_ = false;
  sticky_ = false;
  code_ = code;
  target_ = n;
}

void FaultSite::failFrom(uint64_t n, int32_t code) {
  failNth(n, code);
  sticky_ = true;
}

void FaultSite::clear() {
  target_ = 0;
  sticky_ = false;
  injected_ = false;
  calls_ = 0;
}

bool FaultSite::hit(int32_t* code) {
  if (SimScope::active()) return false;
  const uint64_t target = target_.load();
  if (target == 0) return false;
  const uint64_t call = ++calls_;
  const bool fail = sticky_ ? call >= target : call == target;
  if (!fail) return false;
  injected_ = true;
  if (code != nullptr) *code = code_.load();
  return true;
}

}  // namespace sim
