#include "IoctlEntryHelper.h"

#include "driver/board/device/Device.h"
#include "driver/platform/sync/tWaitQueue.h"

namespace nVL9738K_24_0 {

namespace {

// Snooping runs only while a list-mode request is inside the guard; the
// pause reaches the session's list-mode session once sessions own one.
void pauseListModeSnooping(nVLAPAL000::tSession*) {}

}  // namespace

IoctlEntryHelper::IoctlEntryHelper(Device& device, nVLAPAL000::tEventDescriptor& descriptor, uint32_t level,
                                   nVLAPALS100::tStatus& status, bool resumeSnooping)
    : admitted_(nullptr), lock_(device.getSessionLock()), session_(descriptor.session), exitHook_(nullptr), locked_(0) {
  if (status.isFatal()) return;
  lock_.acquire();
  locked_ = 1;
  if (device.beginIO(session_, status, nVLAPAL000::kWaitForever)) admitted_ = &device;
  if (status.isNotFatal()) device.checkDeferredStatus(level, session_, status);
  if (resumeSnooping && status.isNotFatal()) exitHook_ = pauseListModeSnooping;
}

IoctlEntryHelper::~IoctlEntryHelper() {
  if (exitHook_ != nullptr) exitHook_(session_);
  if (admitted_ != nullptr) admitted_->endIO(session_);
  if (locked_ != 0) lock_.release();
}

}  // namespace nVL9738K_24_0
