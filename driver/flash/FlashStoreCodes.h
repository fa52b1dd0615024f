// Status codes of the flash partition store.
#ifndef VL9738K_FLASH_FLASHSTORECODES_H
#define VL9738K_FLASH_FLASHSTORECODES_H

#include <stdint.h>

namespace qrtk::codes {

constexpr int32_t code(uint32_t value) { return static_cast<int32_t>(value); }

inline constexpr int32_t kProtected = code(0xBFFA9010);
inline constexpr int32_t kNoSequenceNumber = code(0xBFFA9020);
inline constexpr int32_t kSequenceMismatch = code(0xBFFA9021);
inline constexpr int32_t kTableTooOld = code(0xBFFA9023);
inline constexpr int32_t kTableTooNew = code(0xBFFA9025);
inline constexpr int32_t kImageLengthOutOfRange = code(0xBFFA916F);
inline constexpr int32_t kCorePartitionMissing = code(0xBFFA9171);
inline constexpr int32_t kRecordUnreadable = code(0xBFFA9174);

}  // namespace qrtk::codes

#endif
