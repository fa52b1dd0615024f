// Published source locations of the board code's failure sites. User mode
// sees them in full status records, so they stay fixed however this code
// is laid out.
#ifndef VL9738K_BOARD_STATUS_BOARDSITES_H
#define VL9738K_BOARD_STATUS_BOARDSITES_H

#include <stdint.h>

namespace nVL9738K_24_0::sites {

inline constexpr const char kUtils[] = "source/shared/Utilities/utils";
inline constexpr const char kDeviceCapabilities[] = "source/vl9738k/vl9738DeviceCapabilities";
inline constexpr const char kDevice[] = "source/vl9738k/vl9738Device";
inline constexpr const char kMainInterface[] = "tInterface_vl9738k";
inline constexpr const char kIoctlCollection[] = "IoctlCollection";
inline constexpr const char kVisaDispatcher[] =
    "dep_mirror/deps/vlvisa_pxi_plugin_apal_codegen_kernel_interface/VisaDispatcher";

namespace lines {
inline constexpr uint64_t kComponentRangeEmpty = 23;
inline constexpr uint64_t kDriverRangeEmpty = 33;
inline constexpr uint64_t kDriverNeedsNewerSoftware = 43;
inline constexpr uint64_t kFpgaNeedsNewerSoftware = 47;
inline constexpr uint64_t kDriverTooOld = 58;
inline constexpr uint64_t kFpgaTooOld = 62;
inline constexpr uint64_t kVersionText = 80;
inline constexpr uint64_t kValueWidth = 100;

inline constexpr uint64_t kBoardSignatureWrong = 323;
inline constexpr uint64_t kRefCpldNotReady = 329;
inline constexpr uint64_t kLo0CpldNotReady = 335;
inline constexpr uint64_t kLo1CpldNotReady = 341;
inline constexpr uint64_t kPersonalityOptions = 367;
inline constexpr uint64_t kModuleRevisionSelector = 540;
inline constexpr uint64_t kDriverAttribute = 1077;
inline constexpr uint64_t kDriverAttributeSelector = 1096;

inline constexpr uint64_t kCapabilitiesTrailingBytes = 47;
inline constexpr uint64_t kCapabilitiesOutputLength = 168;
inline constexpr uint64_t kCapabilitiesCrc = 183;
inline constexpr uint64_t kCapabilitiesRecordLength = 192;
}  // namespace lines

}  // namespace nVL9738K_24_0::sites

#endif
