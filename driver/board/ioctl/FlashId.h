// The flash-device identifier the platform requests carry. The flash
// partition manager interprets it; the other requests pass it along.
#ifndef VL9738K_BOARD_IOCTL_FLASHID_H
#define VL9738K_BOARD_IOCTL_FLASHID_H

#include <stdint.h>

namespace nVL9738K_24_0::rfplatki {

struct FlashId {
  uint64_t word0 = 0;
  uint8_t byte8 = 0;
  uint8_t byte9 = 1;
  uint64_t word16 = 0;
  uint8_t byte24 = 0;
};
static_assert(sizeof(FlashId) == 32, "the identifier is 32 bytes in every block");

}  // namespace nVL9738K_24_0::rfplatki

#endif
