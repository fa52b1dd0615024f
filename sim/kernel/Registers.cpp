#include "Registers.h"

#include <atomic>
#include <mutex>
#include <vector>

#include "../../driver/platform/zuk/ZukRegisters.h"
#include "FaultSite.h"

namespace sim {
namespace {

struct Claim {
  uint64_t handle;
  uintptr_t begin;
  uintptr_t end;
  MmioHandler* handler;
};

std::mutex gMutex;
std::vector<Claim> gClaims;
uint64_t gNextHandle = 1;
std::atomic<uint64_t> gUnclaimed{0};
// Bumped by every change of the claims, so that a thread's remembered claim
// is only used while the claims are as they were when it was found.
std::atomic<uint64_t> gGeneration{1};

// The claim a thread last hit: a driver loop (a download, a flash program)
// stays inside one BAR for millions of accesses in a row.
struct LastClaim {
  uint64_t generation = 0;
  Claim claim{};
};
thread_local LastClaim tLastClaim;

// The handler runs outside the registry lock: a model may claim or release
// ranges (a board being unplugged) while it answers.
bool find(const volatile void* address, unsigned width, MmioHandler*& handler, uint64_t& offset) {
  const auto at = reinterpret_cast<uintptr_t>(address);
  LastClaim& last = tLastClaim;
  if (last.generation == gGeneration.load(std::memory_order_acquire) && at >= last.claim.begin &&
      at + width <= last.claim.end) {
    handler = last.claim.handler;
    offset = at - last.claim.begin;
    return true;
  }
  std::lock_guard<std::mutex> lock(gMutex);
  for (const Claim& claim : gClaims) {
    if (at >= claim.begin && at + width <= claim.end) {
      last = LastClaim{gGeneration.load(std::memory_order_relaxed), claim};
      handler = claim.handler;
      offset = at - claim.begin;
      return true;
    }
  }
  return false;
}

uint32_t read(const volatile void* address, unsigned width) {
  MmioHandler* handler = nullptr;
  uint64_t offset = 0;
  if (find(address, width, handler, offset)) {
    SimScope scope;
    return handler->mmioRead(offset, width);
  }
  ++gUnclaimed;
  return Registers::loadPlain(address, width);
}

void write(volatile void* address, unsigned width, uint32_t value) {
  MmioHandler* handler = nullptr;
  uint64_t offset = 0;
  if (find(address, width, handler, offset)) {
    SimScope scope;
    handler->mmioWrite(offset, width, value);
    return;
  }
  ++gUnclaimed;
  Registers::storePlain(address, width, value);
}

}  // namespace

uint64_t Registers::claim(void* base, uint64_t size, MmioHandler& handler) {
  std::lock_guard<std::mutex> lock(gMutex);
  const auto begin = reinterpret_cast<uintptr_t>(base);
  gClaims.push_back(Claim{gNextHandle, begin, begin + size, &handler});
  ++gGeneration;
  return gNextHandle++;
}

void Registers::release(uint64_t handle) {
  std::lock_guard<std::mutex> lock(gMutex);
  for (auto it = gClaims.begin(); it != gClaims.end(); ++it) {
    if (it->handle == handle) {
      gClaims.erase(it);
      ++gGeneration;
      return;
    }
  }
}

uint64_t Registers::unclaimedAccesses() { return gUnclaimed.load(); }

void Registers::reset() {
  std::lock_guard<std::mutex> lock(gMutex);
  gClaims.clear();
  ++gGeneration;
  gUnclaimed = 0;
}

}  // namespace sim

extern "C" {

uint8_t nVLZUK100_memoryRead8(const volatile void* address) { return static_cast<uint8_t>(sim::read(address, 1)); }

uint16_t nVLZUK100_memoryRead16(const volatile void* address) { return static_cast<uint16_t>(sim::read(address, 2)); }

uint32_t nVLZUK100_memoryRead32(const volatile void* address) { return sim::read(address, 4); }

void nVLZUK100_memoryWrite8(volatile void* address, uint8_t value) { sim::write(address, 1, value); }

void nVLZUK100_memoryWrite16(volatile void* address, uint16_t value) { sim::write(address, 2, value); }

void nVLZUK100_memoryWrite32(volatile void* address, uint32_t value) { sim::write(address, 4, value); }

}  // extern "C"
