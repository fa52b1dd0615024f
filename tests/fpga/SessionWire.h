// The FPGA session's wire blocks as user mode lays them out: packed
// little-endian fields, a 48-byte personality block, 37-byte FIFO records.
#ifndef VL9738K_TESTS_FPGA_SESSIONWIRE_H
#define VL9738K_TESTS_FPGA_SESSIONWIRE_H

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "sim/kernel/UserMemory.h"

namespace vltest {

struct WireBytes {
  std::vector<uint8_t> bytes;
  WireBytes& u8(uint8_t value) { return bytes.push_back(value), *this; }
  WireBytes& u32(uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<uint8_t>(value >> shift));
    return *this;
  }
};

// Registers 0x10, 0x14, 0x100, 0x20, none; personality 0x1234; signature A1 B2 C3 D4.
inline std::vector<uint8_t> personalityBlock(uint32_t attributes = 0, int32_t refusalCode = -61141) {
  WireBytes out;
  out.u32(0x10).u32(0x14).u32(0x100).u32(0x20).u32(0xFFFFFFFF).u32(0x1234).u32(attributes);
  out.u32(static_cast<uint32_t>(refusalCode)).u32(0xA1).u32(0xB2).u32(0xC3).u32(0xD4);
  return out.bytes;
}

struct FifoRecord {
  uint32_t number = 0;
  uint8_t direction = 0;
  uint8_t dma = 1;
  uint32_t control = 0x400;
  uint8_t resourceKind = 1;
};

inline std::vector<uint8_t> fifoList(const std::vector<FifoRecord>& records) {
  WireBytes out;
  for (const FifoRecord& r : records) {
    out.u8(r.resourceKind).u8(r.direction).u8(7).u32(0xCAFEF00D).u32(0x55667788).u8(9).u32(0x99AABBCC);
    out.u32(r.number).u32(r.control).u32(0xF1F0).u8(r.dma).u32(0x600).u32(0xF2F0);
  }
  return out.bytes;
}

inline std::unique_ptr<sim::UserBlock> userCopyOf(const std::vector<uint8_t>& bytes) {
  auto block = std::make_unique<sim::UserBlock>(bytes.size() + 1);
  if (!bytes.empty()) std::memcpy(block->data(), bytes.data(), bytes.size());
  return block;
}

}  // namespace vltest

#endif
