#include "Ports.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <map>
#include <mutex>

#include "../../driver/platform/zuk/ZukPorts.h"
#include "FaultSite.h"

namespace sim {
namespace {

// Low ports belong to the platform's own legacy devices.
constexpr uint64_t kFirstPort = 0x1000;

struct Range {
  uint64_t size;
  MmioHandler* handler;
};

std::mutex gMutex;
std::map<uint64_t, Range> gRanges;  // by base
uint64_t gNextPort = kFirstPort;
std::atomic<uint64_t> gUnclaimed{0};

bool find(uint64_t port, unsigned width, MmioHandler*& handler, uint64_t& offset) {
  std::lock_guard<std::mutex> lock(gMutex);
  auto found = gRanges.upper_bound(port);
  if (found == gRanges.begin()) return false;
  --found;
  offset = port - found->first;
  if (offset >= found->second.size || width > found->second.size - offset) return false;
  handler = found->second.handler;
  return true;
}

uint32_t read(uint64_t port, unsigned width) {
  MmioHandler* handler = nullptr;
  uint64_t offset = 0;
  if (!find(port, width, handler, offset)) {
    ++gUnclaimed;
    return width == 4 ? 0xFFFFFFFFu : (1u << (8 * width)) - 1;
  }
  SimScope scope;
  return handler->mmioRead(offset, width);
}

void write(uint64_t port, unsigned width, uint32_t value) {
  MmioHandler* handler = nullptr;
  uint64_t offset = 0;
  if (!find(port, width, handler, offset)) {
    ++gUnclaimed;
    return;
  }
  SimScope scope;
  handler->mmioWrite(offset, width, value);
}

}  // namespace

uint64_t Ports::lend(uint64_t size, MmioHandler& handler) {
  std::lock_guard<std::mutex> lock(gMutex);
  const uint64_t alignment = std::max<uint64_t>(std::bit_ceil(size), 4);
  const uint64_t base = (gNextPort + alignment - 1) & ~(alignment - 1);
  gNextPort = base + alignment;
  gRanges.emplace(base, Range{size, &handler});
  return base;
}

void Ports::release(uint64_t base) {
  std::lock_guard<std::mutex> lock(gMutex);
  gRanges.erase(base);
}

uint64_t Ports::unclaimedAccesses() { return gUnclaimed.load(); }

void Ports::reset() {
  std::lock_guard<std::mutex> lock(gMutex);
  gRanges.clear();
  gNextPort = kFirstPort;
  gUnclaimed = 0;
}

}  // namespace sim

extern "C" {

uint8_t nVLZUK100_ioRead8(uint64_t port) { return static_cast<uint8_t>(sim::read(port, 1)); }

uint16_t nVLZUK100_ioRead16(uint64_t port) { return static_cast<uint16_t>(sim::read(port, 2)); }

uint32_t nVLZUK100_ioRead32(uint64_t port) { return sim::read(port, 4); }

void nVLZUK100_ioWrite8(uint64_t port, uint8_t value) { sim::write(port, 1, value); }

void nVLZUK100_ioWrite16(uint64_t port, uint16_t value) { sim::write(port, 2, value); }

void nVLZUK100_ioWrite32(uint64_t port, uint32_t value) { sim::write(port, 4, value); }

}  // extern "C"
