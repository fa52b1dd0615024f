// Codes and published source sites of the settings wire format.
#ifndef VL9738K_RF_WIRE_WIRE_STATUS_H
#define VL9738K_RF_WIRE_WIRE_STATUS_H

#include <stdint.h>

namespace vl9738settings {

// A warning: the input ran out before the value was complete. Readers carry
// on (yielding zeros), and the caller decides from the status.
inline constexpr int64_t kWarningInputExhausted = 52012;

namespace sites {

inline constexpr const char kDataReader[] = "tDataReader";
inline constexpr unsigned kDataReaderExhaustedLine = 288;
inline constexpr const char kArrayReader[] = "tArrayReader";
inline constexpr unsigned kArrayReaderExhaustedLine = 143;
inline constexpr const char kStlStatus[] = "stlStatus";
inline constexpr unsigned kStlStatusGrowLine = 34;
inline constexpr const char kDeviceResources[] = "DeviceResources";
inline constexpr unsigned kUnknownResourceLine = 332;
inline constexpr unsigned kReplyTooLargeLine = 608;
inline constexpr unsigned kNoReplyAreaLine = 588;

}  // namespace sites
}  // namespace vl9738settings

#endif
