#include "Serializer.h"

#include "driver/fpga/session/SessionStatusCodes.h"

namespace vllym {

void Serializer::writeU32(uint32_t value, tStatus& status) {
  const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                            static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
  write(bytes, sizeof(bytes), status);
}

// The refusal comes first; each field still takes its place as 0xFF bytes,
// appended on a status of their own (the vector adds nothing to a failed
// one), and the value would be stored only on a clean status.
void Serializer::write(const uint8_t* bytes, uint64_t size, tStatus& status) {
  status.setCode(kStatusNotProvided, VL_SITE);
  const uint64_t at = output_.size();
  tStatus appending;
  output_.resize(at + size, 0xFF, appending);
  status.merge(appending);
  if (status.isFatal()) return;
  for (uint64_t i = 0; i < size; ++i) output_[at + i] = bytes[i];
}

}  // namespace vllym
