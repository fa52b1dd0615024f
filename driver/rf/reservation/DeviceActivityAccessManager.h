// Names the board's engines for deferred releases: every registered device
// activity gets a DeviceActivityContextID from its own token manager, by
// which clients find it (by name) and the reservation manager reaches it.
#ifndef VL9738K_RF_RESERVATION_DEVICE_ACTIVITY_ACCESS_MANAGER_H
#define VL9738K_RF_RESERVATION_DEVICE_ACTIVITY_ACCESS_MANAGER_H

#include <stdint.h>

#include "../../platform/containers/VlitlMap.h"
#include "TokenManager.h"
#include "iReservationOperations.h"

namespace rfyulreserve_impl {

class DeviceActivityAccessManager : public iDeviceActivityAccessProvider,
                                    public iTokenLookup<rfyulreserve::DeviceActivityContextID> {
  using ContextID = rfyulreserve::DeviceActivityContextID;
  using tStatus = nVLAPALS100::tStatus;

 public:
  // The first code reaches only the token manager.
  DeviceActivityAccessManager(int32_t code1, int32_t code2, int32_t code3, int32_t code4)
      : notFoundCode_(code2), tokens_(code3, code2, code1, code4) {}
  DeviceActivityAccessManager(const DeviceActivityAccessManager&) = delete;
  DeviceActivityAccessManager& operator=(const DeviceActivityAccessManager&) = delete;
  // Activities are not the manager's: only its nodes go.
  ~DeviceActivityAccessManager() override;

  ContextID registerDeviceActivity(rfyulreserve::iDeviceActivityAccess* activity, tStatus& status);
  void unregisterDeviceActivity(ContextID id, tStatus& status);
  rfyulreserve::iDeviceActivityAccess* getDeviceActivity(ContextID id, tStatus& status) override;

  void findTokenDescriptor(ContextID id, uint64_t maxLength, vlhtl::String& out, tStatus& status) const override {
    tokens_.findTokenDescriptor(id, maxLength, out, status);
  }
  ContextID findToken(const vlhtl::String& descriptor, tStatus& status) const override {
    return tokens_.findToken(descriptor, status);
  }

 private:
  struct Node {
    ContextID id;
    rfyulreserve::iDeviceActivityAccess* activity;
    vlitl_RBNode link;
  };

  vlitl::Map<ContextID, Node, &Node::id, &Node::link> activities_;
  int32_t notFoundCode_;
  TokenManager<ContextID> tokens_;
};

}  // namespace rfyulreserve_impl

#endif
