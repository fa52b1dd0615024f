// The device capabilities block as the factory writes it into the board's
// device-specific capability: little-endian records {u32 tag; u32 length;
// value}, tags 2 to 9 one u32 each, tag 1 the CRC-32 of every byte before
// it. Builders for well-formed and damaged blocks.
#ifndef VL9738K_SIM_BOARD_CAPABILITIES_BLOCK_H
#define VL9738K_SIM_BOARD_CAPABILITIES_BLOCK_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim {

class CapabilitiesBlock {
 public:
  static constexpr uint32_t kCrcTag = 1;

  CapabilitiesBlock& record(uint32_t tag, const std::vector<uint8_t>& value);
  // A record with a stated length that differs from what follows.
  CapabilitiesBlock& header(uint32_t tag, uint32_t length);
  CapabilitiesBlock& word(uint32_t tag, uint32_t value);
  // The CRC record over everything before it, or with a given value.
  CapabilitiesBlock& crc();
  CapabilitiesBlock& crc(uint32_t value);
  CapabilitiesBlock& raw(const std::vector<uint8_t>& bytes);

  const std::vector<uint8_t>& bytes() const { return bytes_; }

  // What the factory writes: module revisions 11 to 12, firmware revisions
  // 1.0.0a0 to 1.0.0b0 in the packed version form, an 82 °C limit, the CRC.
  static std::vector<uint8_t> factoryDefault();

  // The standard reflected CRC-32 the block carries.
  static uint32_t crc32(const uint8_t* data, size_t size);

 private:
  void put32(uint32_t value);

  std::vector<uint8_t> bytes_;
};

}  // namespace sim

#endif
