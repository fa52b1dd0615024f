// One client's record in a policy: the value it last deployed, how many
// reservations it holds there, and the deferred release it asked for.
#ifndef VL9738K_RF_RESERVATION_RESERVATION_CLIENT_ID_SET_NODE_H
#define VL9738K_RF_RESERVATION_RESERVATION_CLIENT_ID_SET_NODE_H

#include <stdint.h>

#include "../../platform/containers/RBTree.h"
#include "ReservationTypes.h"
#include "ZeroedSettings.h"
#include "iDeviceActivityAccess.h"

namespace rfyulreserve_impl {

template <typename tSettings>
struct ReservationClientIDSetNode {
  rfyulreserve::ReservationClientID id{0};
  uint32_t reserveCount = 0;
  // Set while a release waits for this engine to go idle.
  const rfyulreserve::iDeviceActivityAccess* deviceActivity = nullptr;
  rfyulreserve::ReservationIdleCallback releaseCallback = nullptr;
  uint8_t isReleaseDeferred = 0;
  tSettings settings = zeroedSettings<tSettings>();
  vlitl_RBNode mapNode = {0, {nullptr, nullptr}};
};

}  // namespace rfyulreserve_impl

#endif
