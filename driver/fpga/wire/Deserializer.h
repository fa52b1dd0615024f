// The read cursor over a kernel copy of a block that user mode serialised:
// fields follow each other without padding, u32 and i32 little-endian at
// any byte offset. A field that does not fit in what is left fails the
// status with -52003; from then on every read yields 0 and the cursor
// stays where it was, so a record cut short reads as zeros, never as
// bytes beyond the copy.
#ifndef VL9738K_FPGA_WIRE_DESERIALIZER_H
#define VL9738K_FPGA_WIRE_DESERIALIZER_H

#include <stdint.h>

#include "driver/platform/status/tStatus.h"

namespace vllym {

class Deserializer {
 public:
  using tStatus = nVLAPALS100::tStatus;

  Deserializer(const uint8_t* bytes, uint64_t size) : cursor_(bytes), left_(size) {}

  uint8_t readU8(tStatus& status);
  uint32_t readU32(tStatus& status);
  int32_t readI32(tStatus& status) { return static_cast<int32_t>(readU32(status)); }

  uint64_t bytesLeft() const { return left_; }

 private:
  // The next `size` bytes, consumed; null (and nothing consumed) when the
  // status fails or they are not there.
  const uint8_t* take(uint64_t size, tStatus& status);

  const uint8_t* cursor_;
  uint64_t left_;
};

}  // namespace vllym

#endif
