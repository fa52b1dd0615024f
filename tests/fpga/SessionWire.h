// Blocks of the FPGA session's wire format as user mode lays them out:
// packed little-endian fields, the 48-byte personality block and 37-byte
// FIFO records, placed in registered user memory.
#ifndef VL9738K_TESTS_FPGA_SESSIONWIRE_H
#define VL9738K_TESTS_FPGA_SESSIONWIRE_H

#include <cstdint>
#include <memory>
#include <vector>

#include "sim/kernel/UserMemory.h"

namespace vltest {

struct WireBytes {
  std::vector<uint8_t> bytes;
  WireBytes& u8(uint8_t value) {
    bytes.push_back(value);
    return *this;
  }
  WireBytes& u32(uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<uint8_t>(value >> shift));
    return *this;
  }
};

struct PersonalityBlock {
  uint32_t registers[5] = {0x10, 0x14, 0x100, 0x20, 0xFFFFFFFF};
  uint32_t personality = 0x1234;
  uint32_t attributes = 0;
  int32_t refusalCode = -61141;
  uint32_t signature[4] = {0xA1, 0xB2, 0xC3, 0xD4};

  std::vector<uint8_t> bytes() const {
    WireBytes out;
    for (uint32_t word : registers) out.u32(word);
    out.u32(personality).u32(attributes).u32(static_cast<uint32_t>(refusalCode));
    for (uint32_t word : signature) out.u32(word);
    return out.bytes;
  }
};

struct FifoRecord {
  uint8_t resourceKind = 1;
  uint8_t direction = 0;
  uint32_t number = 0;
  uint32_t control = 0x400;
  uint8_t dma = 1;
  uint32_t second = 0xFFFFFFFF;
  uint32_t typeWord1 = 0x11223344;

  void appendTo(WireBytes& out) const {
    out.u8(resourceKind).u8(direction).u8(7).u32(typeWord1).u32(0x55667788).u8(9).u32(0x99AABBCC);
    out.u32(number).u32(control).u32(0xF1F0).u8(dma).u32(second).u32(0xF2F0);
  }
};

inline std::vector<uint8_t> fifoList(const std::vector<FifoRecord>& records) {
  WireBytes out;
  for (const FifoRecord& record : records) record.appendTo(out);
  return out.bytes;
}

// A user block holding `bytes`.
inline std::unique_ptr<sim::UserBlock> userCopyOf(const std::vector<uint8_t>& bytes) {
  auto block = std::make_unique<sim::UserBlock>(bytes.empty() ? 1 : bytes.size());
  if (!bytes.empty()) std::memcpy(block->data(), bytes.data(), bytes.size());
  return block;
}

}  // namespace vltest

#endif
