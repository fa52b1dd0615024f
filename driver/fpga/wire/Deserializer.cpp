#include "Deserializer.h"

namespace vllym {

const uint8_t* Deserializer::take(uint64_t size, tStatus& status) {
  if (status.isFatal()) return nullptr;
  if (left_ < size) {
    status.setCode(nVLAPALS100::kStatusBadSelector, VL_SITE);
    return nullptr;
  }
  const uint8_t* field = cursor_;
  cursor_ += size;
  left_ -= size;
  return field;
}

uint8_t Deserializer::readU8(tStatus& status) {
  const uint8_t* field = take(1, status);
  return field == nullptr ? 0 : field[0];
}

// Assembled byte by byte: the field may start at any offset and the wire
// order is little-endian whatever the processor's.
uint32_t Deserializer::readU32(tStatus& status) {
  const uint8_t* field = take(4, status);
  if (field == nullptr) return 0;
  return static_cast<uint32_t>(field[0]) | static_cast<uint32_t>(field[1]) << 8 |
         static_cast<uint32_t>(field[2]) << 16 | static_cast<uint32_t>(field[3]) << 24;
}

}  // namespace vllym
