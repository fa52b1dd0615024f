#include "IoctlEntryHelper.h"

#include "driver/board/device/Device.h"
#include "driver/platform/sync/tWaitQueue.h"

namespace nVL9738K_24_0 {

IoctlEntryHelper::IoctlEntryHelper(Device& device, nVLAPAL000::tEventDescriptor& descriptor, uint32_t level,
                                   nVLAPALS100::tStatus& status, bool resumeSnooping)
    : admitted_(nullptr), lock_(device.getSessionLock()), session_(descriptor.session), locked_(0) {
  if (status.isFatal()) return;
  lock_.acquire();
  locked_ = 1;
  if (device.beginIO(session_, status, nVLAPAL000::kWaitForever)) admitted_ = &device;
  if (status.isNotFatal()) device.checkDeferredStatus(level, session_, status);
  if (!resumeSnooping || status.isFatal()) return;
  // A commit records only while one of its session's requests is inside
  // the guard, so nothing another session does ends up in the list.
  Session* main = device.asMainSession(session_);
  listmodek::Session* listMode = main != nullptr ? main->getListModeSession() : nullptr;
  if (listMode == nullptr) return;
  listMode->resumeSnooping(status);
  if (status.isNotFatal()) {
    snoopingSession_ = main;
    snooping_ = listMode;
  }
}

IoctlEntryHelper::~IoctlEntryHelper() {
  // A failure inside the request may have cost the session its list-mode
  // session; only the one still held is paused.
  if (snooping_ != nullptr && snoopingSession_->getListModeSession() == snooping_) snooping_->pauseSnooping();
  if (admitted_ != nullptr) admitted_->endIO(session_);
  if (locked_ != 0) lock_.release();
}

}  // namespace nVL9738K_24_0
