// Published source locations of the device layer's failure sites. User
// mode sees them in full status records, so they stay fixed however this
// code is laid out.
#ifndef VL9738K_PLATFORM_DEVICE_SITES_H
#define VL9738K_PLATFORM_DEVICE_SITES_H

#include <stdint.h>

namespace nVLAPAL000::sites {

inline constexpr const char kDeviceCore[] = "dep_mirror/deps/vlapal/includes/vlapal/protons/driver/tDeviceCore";
inline constexpr const char kDevice[] = "dep_mirror/deps/vlapal/includes/vlapal/protons/driver/linux-2.4K/tDevice";
inline constexpr const char kIoctl[] = "dep_mirror/deps/vlapal/includes/vlapal/quarks/ioctl";
inline constexpr const char kUserBuffer[] =
    "dep_mirror/deps/vlapal/includes/vlapal/protons/memory/linux-2.4K/tUserBuffer";
inline constexpr const char kUserMemoryMap[] =
    "dep_mirror/deps/vlapal/includes/vlapal/protons/memory/linux-2.4K/tUserMemoryMap";
inline constexpr const char kIONotifier[] =
    "dep_mirror/deps/vlapal/includes/vlapal/protons/io_notification/linux-2.4K/tIONotifier";

// Lines within those sources.
namespace lines {
inline constexpr uint64_t kIoControlNotSupported = 82;
inline constexpr uint64_t kCreateSessionNotSupported = 115;
inline constexpr uint64_t kReadNotSupported = 143;
inline constexpr uint64_t kWriteNotSupported = 157;
inline constexpr uint64_t kMapMemoryNotSupported = 172;
inline constexpr uint64_t kNotifierNotSupported = 436;
inline constexpr uint64_t kGateClosed = 446;
inline constexpr uint64_t kGateClosedNoWait = 501;
inline constexpr uint64_t kSessionClosing = 520;
inline constexpr uint64_t kAsyncLockCreation = 1083;
inline constexpr uint64_t kPropertyRefused = 89;
inline constexpr uint64_t kNotifierBlockCopy = 318;
inline constexpr uint64_t kCopyOut = 171;
inline constexpr uint64_t kUserBufferRead = 44;
inline constexpr uint64_t kUserBufferWrite = 57;
inline constexpr uint64_t kPageListOffset = 50;
inline constexpr uint64_t kPageListMapping = 60;
inline constexpr uint64_t kPhysicalAlignment = 80;
inline constexpr uint64_t kPhysicalMapping = 90;
inline constexpr uint64_t kNotifierBuffer = 17;
inline constexpr uint64_t kNotifierPayload = 48;
inline constexpr uint64_t kNotifierFreshBuffer = 58;
inline constexpr uint64_t kNotifierSend = 70;
}  // namespace lines

}  // namespace nVLAPAL000::sites

#endif
