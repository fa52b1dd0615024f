// Status codes of the plug-in dispatcher, held as negative 32-bit values.
#ifndef VL9738K_BOARD_VISA_VISASTATUSCODES_H
#define VL9738K_BOARD_VISA_VISASTATUSCODES_H

#include <stdint.h>

#include "driver/board/status/DeviceStatusCodes.h"

namespace nVL9738K_24_0::visa {

using codes::code;

inline constexpr int32_t kNoKernelMapping = code(0xBFFF0000);
inline constexpr int32_t kNotInitialized = code(0xBFFF003A);
inline constexpr int32_t kBadSpace = code(0xBFFF004E);
inline constexpr int32_t kMisaligned = code(0xBFFF0070);
inline constexpr int32_t kBadMode = code(0xBFFF0078);
inline constexpr int32_t kBadWidth = code(0xBFFF007B);
inline constexpr int32_t kOutOfSpace = code(0xBFFF0083);

namespace lines {
inline constexpr uint64_t kSpaceInfoNotInitialized = 84;
inline constexpr uint64_t kSpaceInfoBadSpace = 88;
inline constexpr uint64_t kReadNotInitialized = 108;
inline constexpr uint64_t kReadBadMode = 113;
inline constexpr uint64_t kWriteNotInitialized = 155;
inline constexpr uint64_t kWriteBadMode = 160;
inline constexpr uint64_t kMappingFailed = 271;
inline constexpr uint64_t kValidateType = 307;
inline constexpr uint64_t kValidateWidth = 314;
inline constexpr uint64_t kValidateAlignment = 320;
inline constexpr uint64_t kValidateOffset = 326;
inline constexpr uint64_t kValidateCount = 333;
inline constexpr uint64_t kReadMemoryWidth = 385;
inline constexpr uint64_t kReadIoWidth = 428;
inline constexpr uint64_t kReadConfigWidth = 567;
inline constexpr uint64_t kWriteMemoryWidth = 479;
inline constexpr uint64_t kWriteIoWidth = 522;
inline constexpr uint64_t kWriteConfigWidth = 612;
}  // namespace lines

}  // namespace nVL9738K_24_0::visa

#endif
