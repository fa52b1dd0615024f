// A status-register check taken from its subsystem's pool on first use and
// returned to that pool when the holder goes.
#ifndef VL9738K_LISTMODE_SNOOPING_AUTORESERVATIONSTATUSREGISTERCHECK_H
#define VL9738K_LISTMODE_SNOOPING_AUTORESERVATIONSTATUSREGISTERCHECK_H

#include "StatusRegisterCheckPool.h"

namespace StatusRegisterCheck {

class AutoReservationStatusRegisterCheck {
 public:
  using tStatus = nVLAPALS100::tStatus;

  AutoReservationStatusRegisterCheck(uint8_t subsystem, StatusRegisterCheckPoolStore* store)
      : subsystem_(subsystem), store_(store) {}
  virtual ~AutoReservationStatusRegisterCheck() {
    if (check_ == nullptr) return;
    // The pool is looked up again: the holder cannot report a failure here.
    tStatus local;
    StatusRegisterCheckPool* pool = store_->getPool(subsystem_, local);
    if (pool != nullptr) pool->releaseCheck(check_, local);
  }
  AutoReservationStatusRegisterCheck(const AutoReservationStatusRegisterCheck&) = delete;
  AutoReservationStatusRegisterCheck& operator=(const AutoReservationStatusRegisterCheck&) = delete;

  StatusRegisterCheckWithRedirection* get(tStatus& status) {
    if (check_ == nullptr && status.isNotFatal()) {
      StatusRegisterCheckPool* pool = store_->getPool(subsystem_, status);
      if (pool != nullptr) check_ = pool->acquireCheck(status);
    }
    return status.isFatal() ? nullptr : check_;
  }

 private:
  uint8_t subsystem_;
  StatusRegisterCheckPoolStore* store_;
  StatusRegisterCheckWithRedirection* check_ = nullptr;
};

}  // namespace StatusRegisterCheck

#endif
