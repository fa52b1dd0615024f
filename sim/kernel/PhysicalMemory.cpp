#include "PhysicalMemory.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <random>

namespace sim {
namespace {

constexpr uint64_t kPage = PhysicalMemory::kPageSize;
// Low memory starts above the first megabyte and ends where the PCI hole
// begins (the kernel layer lends device BARs physical addresses there).
constexpr uint64_t kLowBegin = 0x100000;
constexpr uint64_t kLowEnd = 0xC0000000;
constexpr uint64_t kHighBegin = PhysicalMemory::k4G;
constexpr uint64_t kHighEnd = uint64_t{64} << 30;

struct Frame {
  uint8_t* host;
  int mapped;
  int handedForRead;
  int handedForWrite;
};

struct State {
  std::mutex mutex;
  std::map<uint64_t, Frame> frames;
  PhysicalMemory::Placement placement;
  std::mt19937_64 random;
  bool above4G = true;
  uint64_t runCounter = 0;
  uint64_t lowCursor = kLowBegin;
  uint64_t highCursor = kHighBegin;
  uint64_t violations = 0;
  uint64_t unbacked = 0;
};

State& state() {
  static State* instance = new State;
  return *instance;
}

bool rangeFree(State& s, uint64_t base, uint64_t pages) {
  for (uint64_t k = 0; k < pages; ++k) {
    if (s.frames.count(base + k * kPage) != 0) return false;
  }
  return true;
}

uint64_t findFree(State& s, bool high, uint64_t pages) {
  uint64_t& cursor = high ? s.highCursor : s.lowCursor;
  const uint64_t begin = high ? kHighBegin : kLowBegin;
  const uint64_t end = high ? kHighEnd : kLowEnd;
  uint64_t candidate = cursor;
  for (uint64_t tries = 0; tries < (end - begin) / kPage; ++tries) {
    if (candidate + pages * kPage > end) candidate = begin;
    if (rangeFree(s, candidate, pages)) {
      const uint64_t gap = s.placement.seed != 0 ? 1 + s.random() % 8 : 1;
      cursor = candidate + (pages + gap) * kPage;
      return candidate;
    }
    candidate += kPage;
  }
  std::abort();  // the simulated machine is out of physical memory
}

uint64_t nextRunLength(State& s, uint64_t left, bool contiguous) {
  const uint64_t limit = s.placement.runPages;
  if (contiguous || limit == 0) return left;
  const uint64_t run = s.placement.seed != 0 ? 1 + s.random() % limit : limit;
  return run < left ? run : left;
}

bool nextRunHigh(State& s, bool below4G) {
  const uint64_t every = s.placement.highEvery;
  if (below4G || !s.above4G || every == 0) return false;
  if (s.placement.seed != 0) return s.random() % every == 0;
  return s.runCounter++ % every == every - 1;
}

// Walks [address, address + size) frame by frame; false at the first unbacked byte.
template <typename Visit>
bool walk(State& s, uint64_t address, uint64_t size, Visit visit) {
  while (size != 0) {
    const uint64_t page = address & ~(kPage - 1);
    auto found = s.frames.find(page);
    if (found == s.frames.end()) return false;
    const uint64_t within = address - page;
    const uint64_t piece = kPage - within < size ? kPage - within : size;
    visit(found->second, within, piece);
    address += piece;
    size -= piece;
  }
  return true;
}

bool checkedAccess(uint64_t address, uint64_t size, bool write, uint8_t* buffer) {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!walk(s, address, size, [](Frame&, uint64_t, uint64_t) {})) {
    ++s.unbacked;
    return false;
  }
  walk(s, address, size, [&](Frame& frame, uint64_t within, uint64_t piece) {
    if (frame.mapped > 0 && (write ? frame.handedForWrite : frame.handedForRead + frame.handedForWrite) == 0) {
      ++s.violations;
    }
    if (write) {
      std::memcpy(frame.host + within, buffer, piece);
    } else {
      std::memcpy(buffer, frame.host + within, piece);
    }
    buffer += piece;
  });
  return true;
}

template <typename Adjust>
void adjustFrames(const std::vector<PhysicalMemory::Range>& ranges, Adjust adjust) {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  for (const PhysicalMemory::Range& range : ranges) {
    walk(s, range.address, range.size, [&](Frame& frame, uint64_t, uint64_t) { adjust(frame); });
  }
}

}  // namespace

void PhysicalMemory::setPlacement(const Placement& placement) {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.placement = placement;
  s.random.seed(placement.seed);
  s.runCounter = 0;
  if (placement.firstHighRunCrosses4G) s.highCursor = kHighBegin - kPage;
}

void PhysicalMemory::setMemoryAbove4G(bool present) {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.above4G = present;
}

bool PhysicalMemory::memoryAbove4G() {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.above4G;
}

std::vector<uint64_t> PhysicalMemory::place(uint8_t* host, uint64_t pageCount, bool contiguous, bool below4G) {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  std::vector<uint64_t> pages;
  pages.reserve(pageCount);
  while (pages.size() < pageCount) {
    const uint64_t run = nextRunLength(s, pageCount - pages.size(), contiguous);
    const uint64_t base = findFree(s, nextRunHigh(s, below4G), run);
    for (uint64_t k = 0; k < run; ++k) {
      s.frames[base + k * kPage] = Frame{host + pages.size() * kPage, 0, 0, 0};
      pages.push_back(base + k * kPage);
    }
  }
  return pages;
}

void PhysicalMemory::release(const std::vector<uint64_t>& pages) {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  for (uint64_t page : pages) s.frames.erase(page);
}

bool PhysicalMemory::deviceRead(uint64_t address, void* out, uint64_t size) {
  return checkedAccess(address, size, false, static_cast<uint8_t*>(out));
}

bool PhysicalMemory::deviceWrite(uint64_t address, const void* in, uint64_t size) {
  return checkedAccess(address, size, true, static_cast<uint8_t*>(const_cast<void*>(in)));
}

uint8_t* PhysicalMemory::hostAddress(uint64_t address) {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto found = s.frames.find(address & ~(kPage - 1));
  return found == s.frames.end() ? nullptr : found->second.host + (address & (kPage - 1));
}

void PhysicalMemory::adjustMapped(const std::vector<Range>& ranges, int delta) {
  adjustFrames(ranges, [delta](Frame& frame) { frame.mapped += delta; });
}

void PhysicalMemory::adjustHandedOver(const std::vector<Range>& ranges, bool deviceWrites, int delta) {
  adjustFrames(ranges, [deviceWrites, delta](Frame& frame) {
    (deviceWrites ? frame.handedForWrite : frame.handedForRead) += delta;
  });
}

uint64_t PhysicalMemory::ownershipViolations() {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.violations;
}

uint64_t PhysicalMemory::unbackedAccesses() {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.unbacked;
}

uint64_t PhysicalMemory::framesInUse() {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.frames.size();
}

void PhysicalMemory::reset() {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.frames.clear();
  s.placement = Placement{};
  s.random.seed(0);
  s.above4G = true;
  s.runCounter = 0;
  s.lowCursor = kLowBegin;
  s.highCursor = kHighBegin;
  s.violations = 0;
  s.unbacked = 0;
}

}  // namespace sim
