#include "UserMemory.h"

#include <atomic>
#include <cstdlib>
#include <iterator>
#include <map>
#include <mutex>

#include "../../driver/platform/zuk/ZukUserMemory.h"
#include "Memory.h"
#include "UserPagePool.h"

namespace sim {
namespace {

std::mutex gRangesMutex;
std::map<uint64_t, uint64_t> gRanges;  // base -> size
constinit FaultSite gInboundFaults("nVLZUK100_replicateInboundIOControlBuffer");
constinit FaultSite gOutboundFaults("nVLZUK100_replicateOutboundIOControlBuffer");
constinit std::atomic<uint64_t> gInboundCopies{0};
constinit std::atomic<uint64_t> gOutboundCopies{0};
constinit std::atomic<uint64_t> gPageLocks{0};

bool mappedLocked(uint64_t address, uint64_t size) {
  if (size == 0) return true;
  if (address + size < address) return false;
  auto next = gRanges.upper_bound(address);
  if (next == gRanges.begin()) return false;
  const auto& [base, length] = *std::prev(next);
  return address + size <= base + length;
}

}  // namespace

FaultSite& UserMemory::inboundCopyFaults() { return gInboundFaults; }
FaultSite& UserMemory::outboundCopyFaults() { return gOutboundFaults; }

void UserMemory::addRange(const void* base, uint64_t size) {
  SimScope scope;
  std::lock_guard<std::mutex> guard(gRangesMutex);
  gRanges[reinterpret_cast<uint64_t>(base)] = size;
}

void UserMemory::removeRange(const void* base) {
  SimScope scope;
  std::lock_guard<std::mutex> guard(gRangesMutex);
  gRanges.erase(reinterpret_cast<uint64_t>(base));
}

bool UserMemory::isMapped(uint64_t address, uint64_t size) {
  std::lock_guard<std::mutex> guard(gRangesMutex);
  return mappedLocked(address, size);
}

bool UserMemory::touches(uint64_t address, uint64_t size) {
  std::lock_guard<std::mutex> guard(gRangesMutex);
  auto next = gRanges.lower_bound(address + size);
  if (next == gRanges.begin()) return false;
  const auto& [base, length] = *std::prev(next);
  return base + length > address;
}

uint64_t UserMemory::inboundCopies() { return gInboundCopies.load(); }
uint64_t UserMemory::outboundCopies() { return gOutboundCopies.load(); }
void UserMemory::notePagesLocked() { ++gPageLocks; }
uint64_t UserMemory::pageLocks() { return gPageLocks.load(); }

void UserMemory::reset() {
  gInboundFaults.clear();
  gOutboundFaults.clear();
  gInboundCopies = 0;
  gOutboundCopies = 0;
  std::lock_guard<std::mutex> guard(gRangesMutex);
  gRanges.clear();
}

// A block of at least one byte, so that even an empty block has an
// address of its own.
UserBlock::UserBlock(size_t size) : size_(size), pageLocksAtStart_(UserMemory::pageLocks()) {
  SimScope scope;
  const size_t offset = (size * 0x9E3779B1u) % (Memory::kPageSize / 16) * 16;
  pageCount_ = (offset + (size != 0 ? size : 1) + Memory::kPageSize - 1) / Memory::kPageSize;
  pages_ = UserPagePool::take(pageCount_);
  bytes_ = pages_ + offset;
  UserMemory::addRange(bytes_, size);
}

// Copies reach only the block's own bytes; pages locked meanwhile (by any
// request) may have been written anywhere, and are cleared whole.
UserBlock::~UserBlock() {
  UserMemory::removeRange(bytes_);
  SimScope scope;
  const bool locked = UserMemory::pageLocks() != pageLocksAtStart_;
  const size_t offset = static_cast<size_t>(bytes_ - pages_);
  UserPagePool::give(pages_, pageCount_, locked ? 0 : offset,
                     locked ? pageCount_ * Memory::kPageSize : (size_ != 0 ? size_ : 1));
}

}  // namespace sim

extern "C" {

int32_t nVLZUK100_replicateInboundIOControlBuffer(void* kernelDestination, const void* userSource, uint32_t size) {
  ++sim::gInboundCopies;
  int32_t code = 0;
  if (sim::gInboundFaults.hit(&code)) return code;
  std::lock_guard<std::mutex> guard(sim::gRangesMutex);
  if (!sim::mappedLocked(reinterpret_cast<uint64_t>(userSource), size)) return sim::UserMemory::kCopyFault;
  if (size != 0) std::memcpy(kernelDestination, userSource, size);
  return 0;
}

int32_t nVLZUK100_replicateOutboundIOControlBuffer(void* userDestination, const void* kernelSource, uint32_t size) {
  ++sim::gOutboundCopies;
  int32_t code = 0;
  if (sim::gOutboundFaults.hit(&code)) return code;
  std::lock_guard<std::mutex> guard(sim::gRangesMutex);
  if (!sim::mappedLocked(reinterpret_cast<uint64_t>(userDestination), size)) return sim::UserMemory::kCopyFault;
  if (size != 0) std::memcpy(userDestination, kernelSource, size);
  return 0;
}

}  // extern "C"
