// What bounds a settling wait besides its caller's time-out. The settling
// times are words user mode deploys, without units, so no bound follows
// from them; and the wait runs under the device's request lock, which every
// other session's request, every open and a reset need. So a wait lasts at
// most kCeilingMs whatever the caller asked (expiring with the caller's
// time-out code as before), and ends at once with -52022 when a reset, stop
// or removal closes the device's gate.
#ifndef VL9738K_RF_SETTLING_SETTLINGGATE_H
#define VL9738K_RF_SETTLING_SETTLINGGATE_H

#include <stdint.h>

#include "../../platform/device/DeviceTypes.h"
#include "../../platform/device/tDeviceCore.h"
#include "../../platform/status/StatusCodes.h"
#include "../../platform/status/StatusSite.h"

namespace cbak {

class SettlingGate {
 public:
  static constexpr uint32_t kCeilingMs = 10000;

  SettlingGate() = default;
  explicit SettlingGate(const nVLAPAL000::tDeviceCore* device) : device_(device) {}

  // True, with -52022 in the status, once the gate is closed.
  bool closed(nVLAPALS100::tStatus& status) const {
    if (device_ == nullptr || device_->getGate() != nVLAPAL000::kGateClosed) return false;
    status.setCode(nVLAPALS100::kStatusGateClosed, VL_SITE);
    return true;
  }
  static uint32_t capMs(uint32_t ms) { return ms < kCeilingMs ? ms : kCeilingMs; }
  static uint32_t capUs(uint32_t us) { return us < kCeilingMs * 1000 ? us : kCeilingMs * 1000; }

 private:
  const nVLAPAL000::tDeviceCore* device_ = nullptr;
};

}  // namespace cbak

#endif
