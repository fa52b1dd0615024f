#include "Memory.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "../../driver/platform/zuk/ZukMemory.h"
#include "Scheduler.h"

namespace sim {
namespace {

constinit std::atomic<int64_t> gOutstanding{0};
constinit FaultSite gAllocationFaults("nVLZUK100_malloc");
constinit std::atomic<uint64_t> gLargestBlock{UINT64_MAX};
constinit std::atomic<uint64_t> gLargestAsked{0};

}  // namespace

FaultSite& Memory::allocationFaults() { return gAllocationFaults; }

int64_t Memory::outstandingBlocks() { return gOutstanding.load(); }

void Memory::reset() { allocationFaults().clear(); }

void Memory::setLargestBlock(uint64_t size) { gLargestBlock = size; }

uint64_t Memory::largestAsked() { return gLargestAsked.load(); }

void Memory::clearLargestAsked() { gLargestAsked = 0; }

}  // namespace sim

extern "C" {

void* nVLZUK100_malloc(uint64_t size) {
  // The simulation's own blocks are not the driver's asking.
  uint64_t largest = sim::gLargestAsked.load(std::memory_order_relaxed);
  while (!sim::SimScope::active() && size > largest &&
         !sim::gLargestAsked.compare_exchange_weak(largest, size, std::memory_order_relaxed)) {
  }
  if (sim::Memory::allocationFaults().hit()) return nullptr;
  if (size > sim::gLargestBlock.load(std::memory_order_relaxed)) return nullptr;
  void* block = std::malloc(size != 0 ? size : 1);
  if (block != nullptr) ++sim::gOutstanding;
  sim::Scheduler::note(sim::Scheduler::Call::kAllocation, size);
  return block;
}

// A freed block is filled with a pattern first, as a debugging kernel
// heap does: a driver object reached after its release then yields
// pointers that fault at once in every build, not only under a sanitizer.
void nVLZUK100_free(void* block) {
  if (block == nullptr) return;
  --sim::gOutstanding;
  sim::Scheduler::note(sim::Scheduler::Call::kRelease);
  std::memset(block, sim::Memory::kFreedPattern, malloc_usable_size(block));
  std::free(block);
}

// The kernel's copies take any pointers with a count of 0.
void* nVLZUK180_memCpy(void* destination, const void* source, uint64_t size) {
  return size != 0 ? std::memcpy(destination, source, size) : destination;
}

void* nVLZUK180_memMove(void* destination, const void* source, uint64_t size) {
  return size != 0 ? std::memmove(destination, source, size) : destination;
}

void nVLZUK240_memSet(void* destination, int value, uint64_t size) { std::memset(destination, value, size); }

uint64_t nVLZUK100_getPageSize(void) { return sim::Memory::kPageSize; }

}  // extern "C"
