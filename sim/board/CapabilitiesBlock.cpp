#include "CapabilitiesBlock.h"

namespace sim {

void CapabilitiesBlock::put32(uint32_t value) {
  for (unsigned i = 0; i < 4; ++i) bytes_.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

CapabilitiesBlock& CapabilitiesBlock::record(uint32_t tag, const std::vector<uint8_t>& value) {
  header(tag, static_cast<uint32_t>(value.size()));
  return raw(value);
}

CapabilitiesBlock& CapabilitiesBlock::header(uint32_t tag, uint32_t length) {
  put32(tag);
  put32(length);
  return *this;
}

CapabilitiesBlock& CapabilitiesBlock::word(uint32_t tag, uint32_t value) {
  header(tag, 4);
  put32(value);
  return *this;
}

CapabilitiesBlock& CapabilitiesBlock::crc() { return crc(crc32(bytes_.data(), bytes_.size())); }

CapabilitiesBlock& CapabilitiesBlock::crc(uint32_t value) { return word(kCrcTag, value); }

CapabilitiesBlock& CapabilitiesBlock::raw(const std::vector<uint8_t>& bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return *this;
}

uint32_t CapabilitiesBlock::crc32(const uint8_t* data, size_t size) {
  uint32_t crc = 0xFFFFFFFF;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

std::vector<uint8_t> CapabilitiesBlock::factoryDefault() {
  // Tags are word index + 2: 0 module revision, 1 its oldest, 3 firmware
  // revision, 4 its oldest, 7 the temperature limit.
  return CapabilitiesBlock().word(2, 12).word(3, 11).word(5, 0x01008000).word(6, 0x01004000).word(9, 82).crc().bytes();
}

}  // namespace sim
