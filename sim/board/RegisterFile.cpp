#include "RegisterFile.h"

#include <cassert>

namespace sim {

RegisterFile::RegisterFile(uint8_t* readSide, uint64_t size)
    : readSide_(readSide), size_(size), written_(size, 0), split_(size, false) {}

void RegisterFile::split(uint64_t offset, unsigned width) {
  assert(inside(offset, width));
  for (unsigned i = 0; i < width; ++i) split_[offset + i] = true;
}

uint32_t RegisterFile::read(uint64_t offset, unsigned width) { return static_cast<uint32_t>(readable(offset, width)); }

void RegisterFile::write(uint64_t offset, unsigned width, uint32_t value) {
  if (!inside(offset, width)) return;
  for (unsigned i = 0; i < width; ++i) {
    const auto byte = static_cast<uint8_t>(value >> (8 * i));
    written_[offset + i] = byte;
    if (!split_[offset + i]) readSide_[offset + i] = byte;
  }
}

uint64_t RegisterFile::written(uint64_t offset, unsigned width) const {
  uint64_t value = 0;
  if (!inside(offset, width)) return value;
  for (unsigned i = 0; i < width; ++i) value |= uint64_t{written_[offset + i]} << (8 * i);
  return value;
}

uint64_t RegisterFile::readable(uint64_t offset, unsigned width) const {
  uint64_t value = 0;
  if (!inside(offset, width)) return ~value >> (64 - 8 * width);
  for (unsigned i = 0; i < width; ++i) value |= uint64_t{readSide_[offset + i]} << (8 * i);
  return value;
}

void RegisterFile::setReadable(uint64_t offset, unsigned width, uint64_t value) {
  if (!inside(offset, width)) return;
  for (unsigned i = 0; i < width; ++i) readSide_[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace sim
