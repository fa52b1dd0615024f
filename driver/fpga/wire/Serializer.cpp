#include "Serializer.h"

#include "driver/fpga/session/SessionStatusCodes.h"

namespace vllym {

void Serializer::writeU32(uint32_t value, tStatus& status) {
  const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                            static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
  write(bytes, sizeof(bytes), status);
}

// The refusal comes first; appending after it is refused by the vector
// itself, which adds nothing to a failed status.
void Serializer::write(const uint8_t* bytes, uint64_t size, tStatus& status) {
  status.setCode(kStatusNotProvided, VL_SITE);
  output_.insert_(output_.end(), bytes, bytes + size, status);
}

}  // namespace vllym
