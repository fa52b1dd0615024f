#include "Bar.h"

#include <cassert>
#include <cstring>
#include <new>

namespace sim {
namespace {

constexpr std::align_val_t kPageAlignment{4096};

}  // namespace

Bar::Bar(uint64_t size) : memory_(static_cast<uint8_t*>(::operator new(size, kPageAlignment))), size_(size), claim_(0) {
  std::memset(memory_, 0, size);
  claim_ = Registers::claim(memory_, size, *this);
}

Bar::~Bar() {
  Registers::release(claim_);
  ::operator delete(memory_, kPageAlignment);
}

void Bar::attach(uint64_t offset, uint64_t size, RegisterBlock& block) {
  assert(offset <= size_ && size <= size_ - offset);
  blocks_.push_back(Attached{offset, size, &block});
}

void Bar::attach(Aperture& aperture) { apertures_.push_back(&aperture); }

Aperture* Bar::apertureAt(uint64_t offset, unsigned width) const {
  for (Aperture* aperture : apertures_) {
    if (aperture->decodes(offset, width)) return aperture;
  }
  return nullptr;
}

// A block attached inside a larger one (a register block inside a window
// that models the rest of it) answers for its own range.
const Bar::Attached* Bar::blockAt(uint64_t offset, unsigned width) const {
  // A download or a poll hits one register many times in a row. Blocks are
  // only ever added, so the block count tells whether a remembered answer
  // (and the pointer into the list) still holds.
  struct Last {
    uint64_t bar = 0;  // a serial: a new bar may reuse a freed one's address
    size_t count = 0;
    uint64_t offset = 0;
    unsigned width = 0;
    const Attached* found = nullptr;
  };
  thread_local Last last;
  if (last.bar == serial_ && last.count == blocks_.size() && last.offset == offset && last.width == width)
    return last.found;
  const Attached* found = nullptr;
  for (const Attached& attached : blocks_) {
    if (offset < attached.offset || offset + width > attached.offset + attached.size) continue;
    if (found == nullptr || attached.size < found->size) found = &attached;
  }
  last = Last{serial_, blocks_.size(), offset, width, found};
  return found;
}

uint32_t Bar::mmioRead(uint64_t offset, unsigned width) {
  uint32_t value = 0;
  if (removed_) {
    value = 0xFFFFFFFFu >> (32 - 8 * width);
  } else if (const Attached* attached = blockAt(offset, width)) {
    value = attached->block->read(offset - attached->offset, width);
  } else if (Aperture* aperture = apertureAt(offset, width)) {
    value = aperture->read(offset, width);
  } else {
    std::memcpy(&value, memory_ + offset, width);
  }
  record(BusAccess{BusAccess::Kind::Read, offset, width, value});
  return value;
}

void Bar::mmioWrite(uint64_t offset, unsigned width, uint32_t value) {
  record(BusAccess{BusAccess::Kind::Write, offset, width, value});
  if (removed_) return;
  if (const Attached* attached = blockAt(offset, width)) {
    attached->block->write(offset - attached->offset, width, value);
  } else if (Aperture* aperture = apertureAt(offset, width)) {
    aperture->write(offset, width, value);
  } else {
    std::memcpy(memory_ + offset, &value, width);
  }
}

void Bar::internalWrite(uint64_t offset, unsigned width, uint32_t value) {
  if (const Attached* attached = blockAt(offset, width)) {
    attached->block->write(offset - attached->offset, width, value);
  } else if (Aperture* aperture = apertureAt(offset, width)) {
    aperture->write(offset, width, value);
  } else if (offset <= size_ && width <= size_ - offset) {
    std::memcpy(memory_ + offset, &value, width);
  }
}

uint32_t Bar::internalRead(uint64_t offset, unsigned width) {
  uint32_t value = 0;
  if (const Attached* attached = blockAt(offset, width)) {
    value = attached->block->read(offset - attached->offset, width);
  } else if (Aperture* aperture = apertureAt(offset, width)) {
    value = aperture->read(offset, width);
  } else if (offset <= size_ && width <= size_ - offset) {
    std::memcpy(&value, memory_ + offset, width);
  }
  return value;
}

void Bar::record(BusAccess access) {
  if (!recording_.load(std::memory_order_relaxed)) return;
  std::lock_guard<std::mutex> lock(trafficMutex_);
  traffic_.push_back(access);
}

std::vector<BusAccess> Bar::traffic() const {
  std::lock_guard<std::mutex> lock(trafficMutex_);
  return traffic_;
}

size_t Bar::count(BusAccess::Kind kind) const {
  std::lock_guard<std::mutex> lock(trafficMutex_);
  size_t count = 0;
  for (const BusAccess& access : traffic_) count += access.kind == kind;
  return count;
}

size_t Bar::writeCount() const { return count(BusAccess::Kind::Write); }

size_t Bar::readCount() const { return count(BusAccess::Kind::Read); }

void Bar::clearTraffic() {
  std::lock_guard<std::mutex> lock(trafficMutex_);
  traffic_.clear();
}

uint64_t Bar::peek64(uint64_t offset) const {
  uint64_t value = 0;
  if (offset <= size_ && size_ - offset >= sizeof value) std::memcpy(&value, memory_ + offset, sizeof value);
  return value;
}

}  // namespace sim
