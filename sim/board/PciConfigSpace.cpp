#include "PciConfigSpace.h"

#include <cassert>

namespace sim {

PciConfigSpace::PciConfigSpace() : bytes_(kSize, 0), writable_(kSize, 0) {}

void PciConfigSpace::set(uint32_t offset, unsigned width, uint32_t value) {
  std::lock_guard<std::mutex> lock(mutex_);
  assert(inside(offset, width));
  for (unsigned i = 0; i < width; ++i) bytes_[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

void PciConfigSpace::setWritable(uint32_t offset, unsigned width, uint32_t mask) {
  std::lock_guard<std::mutex> lock(mutex_);
  assert(inside(offset, width));
  for (unsigned i = 0; i < width; ++i) writable_[offset + i] = static_cast<uint8_t>(mask >> (8 * i));
}

uint32_t PciConfigSpace::get(uint32_t offset, unsigned width) const {
  std::lock_guard<std::mutex> lock(mutex_);
  uint32_t value = 0;
  if (!inside(offset, width)) return ~value;
  for (unsigned i = 0; i < width; ++i) value |= static_cast<uint32_t>(bytes_[offset + i]) << (8 * i);
  return value;
}

bool PciConfigSpace::read(uint32_t offset, unsigned width, uint32_t& value) {
  if (!inside(offset, width)) return false;
  value = get(offset, width);
  traffic_.add(BusAccess{BusAccess::Kind::Read, offset, width, value});
  return true;
}

bool PciConfigSpace::write(uint32_t offset, unsigned width, uint32_t value) {
  if (!inside(offset, width)) return false;
  traffic_.add(BusAccess{BusAccess::Kind::Write, offset, width, value});
  std::lock_guard<std::mutex> lock(mutex_);
  for (unsigned i = 0; i < width; ++i) {
    const auto byte = static_cast<uint8_t>(value >> (8 * i));
    uint8_t& stored = bytes_[offset + i];
    stored = static_cast<uint8_t>((stored & ~writable_[offset + i]) | (byte & writable_[offset + i]));
  }
  return true;
}

}  // namespace sim
