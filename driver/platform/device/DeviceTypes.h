// Small types shared by the device layer and everything that drives it.
#ifndef VL9738K_PLATFORM_DEVICE_TYPES_H
#define VL9738K_PLATFORM_DEVICE_TYPES_H

#include <stdint.h>

namespace nVLAPAL000 {

class tSession;

// Names the session a device operation runs for; null while a session is
// being opened and for the kernel layer's own calls (remove, delete).
struct tEventDescriptor {
  tSession* session;
};

// Plug-and-play state of a device.
using tPnPState = uint32_t;
inline constexpr tPnPState kPnPStateNotStarted = 0;
inline constexpr tPnPState kPnPStateReady = 1;
inline constexpr tPnPState kPnPStateIOSuspended = 2;
inline constexpr tPnPState kPnPStateSleep = 3;
inline constexpr tPnPState kPnPStateNotPresent = 4;

// The gate in front of every request of a device.
inline constexpr uint32_t kGateClosed = 0;     // requests fail with -52022
inline constexpr uint32_t kGateSuspended = 1;  // requests wait for a change
inline constexpr uint32_t kGateOpen = 2;       // requests are admitted

// Where an I/O notifier sends its messages.
struct tIONotifierParams {
  uint64_t id;
  uint32_t port;
};

}  // namespace nVLAPAL000

#endif
