// The scope every board-touching request of the main interface runs in:
// the device's session lock (recursive, so a handler may nest guards), an
// admission through the device's gate, the one deferred bring-up record
// the request depends on, and the staleness check of the caller's session.
// A status that already holds an error when the guard is built takes no
// lock and admits nothing.
#ifndef VL9738K_BOARD_SESSION_IOCTLENTRYHELPER_H
#define VL9738K_BOARD_SESSION_IOCTLENTRYHELPER_H

#include <stdint.h>

#include "driver/platform/device/DeviceTypes.h"
#include "driver/platform/status/tStatus.h"
#include "driver/platform/sync/tMutex.h"

namespace listmodek {
class Session;
}

namespace nVL9738K_24_0 {

class Device;
class Session;

class IoctlEntryHelper {
 public:
  IoctlEntryHelper(Device& device, nVLAPAL000::tEventDescriptor& descriptor, uint32_t level,
                   nVLAPALS100::tStatus& status, bool resumeSnooping);
  ~IoctlEntryHelper();
  IoctlEntryHelper(const IoctlEntryHelper&) = delete;
  IoctlEntryHelper& operator=(const IoctlEntryHelper&) = delete;

  bool isAdmitted() const { return admitted_ != nullptr; }

 private:
  Device* admitted_;
  nVLAPAL000::tMutex& lock_;
  nVLAPAL000::tSession* session_;
  // The list-mode session whose snooping the guard resumed, paused again
  // when the guard ends.
  Session* snoopingSession_ = nullptr;
  listmodek::Session* snooping_ = nullptr;
  uint8_t locked_;
};

}  // namespace nVL9738K_24_0

#endif
