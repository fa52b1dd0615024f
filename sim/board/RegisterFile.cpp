#include "RegisterFile.h"

#include <cassert>

#include "LittleEndian.h"

namespace sim {

RegisterFile::RegisterFile(uint8_t* readSide, uint64_t size)
    : readSide_(readSide), size_(size), written_(size, 0), split_(size, false) {}

void RegisterFile::split(uint64_t offset, unsigned width) {
  assert(inside(offset, width));
  for (unsigned i = 0; i < width; ++i) split_[offset + i] = 1;
}

uint32_t RegisterFile::read(uint64_t offset, unsigned width) { return static_cast<uint32_t>(readable(offset, width)); }

void RegisterFile::write(uint64_t offset, unsigned width, uint32_t value) {
  if (!inside(offset, width) || width > sizeof value) return;
  storeLittle(written_.data() + offset, width, value);
  for (unsigned i = 0; i < width; ++i) {
    if (split_[offset + i] == 0) readSide_[offset + i] = static_cast<uint8_t>(value >> (8 * i));
  }
}

uint64_t RegisterFile::written(uint64_t offset, unsigned width) const {
  uint64_t value = 0;
  if (inside(offset, width) && width <= sizeof value) value = loadLittle(written_.data() + offset, width);
  return value;
}

void RegisterFile::setReadable(uint64_t offset, unsigned width, uint64_t value) {
  if (inside(offset, width) && width <= sizeof value) storeLittle(readSide_ + offset, width, value);
}

}  // namespace sim
