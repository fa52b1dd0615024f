// The standard reflected CRC-32 (as IEEE 802.3 and zlib compute it),
// without a table: the protected records are small and rare.
#ifndef VL9738K_PLATFORM_CRC32_H
#define VL9738K_PLATFORM_CRC32_H

#include <stdint.h>

namespace nVLAPAL000 {

uint32_t reverseBits32(uint32_t value);
uint32_t crc32(const void* data, uint64_t size);

}  // namespace nVLAPAL000

#endif
