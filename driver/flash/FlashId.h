// Names a flash device in the flash requests. The store carries it from
// the caller and hands it back; nothing in the driver looks inside.
#ifndef VL9738K_FLASH_FLASHID_H
#define VL9738K_FLASH_FLASHID_H

#include <stdint.h>

namespace rfplatki {

struct FlashId {
  uint64_t word0 = 0;
  uint8_t byte0 = 0;
  uint8_t byte1 = 1;
  uint64_t word1 = 0;
  uint8_t byte2 = 0;
};

static_assert(sizeof(FlashId) == 32, "the identifier is a 32-byte record");

}  // namespace rfplatki

#endif
